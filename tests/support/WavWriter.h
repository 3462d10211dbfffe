// Writes WAV files for reader tests: a RIFF "WAVE" form of chunks in the order given, so that a test
// can leave out, reorder or add chunks and write format records the reader must refuse.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

struct RiffChunk {
    char id[4];
    std::vector<uint8_t> body;
};

// A fmt chunk body of 16 bytes (plain WAVEFORMAT + bits) with the values given as they are.
RiffChunk FormatChunk(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bitsPerSample,
                      uint16_t blockAlign);
// A 40-byte WAVE_FORMAT_EXTENSIBLE fmt chunk with the PCM or IEEE-float sub-format.
RiffChunk ExtensibleFormatChunk(bool floatSubFormat, uint16_t channels, uint32_t rate, uint16_t bitsPerSample);
RiffChunk DataChunk(const void* bytes, size_t size);
RiffChunk OtherChunk(const char* id, size_t size, uint8_t fill);

// Writes the form; odd chunk sizes get their pad byte. Returns false on an I/O error.
bool WriteRiffWave(const std::wstring& path, const std::vector<RiffChunk>& chunks);

// A plain PCM WAV of interleaved samples (16-bit) or bytes (8-bit).
bool WriteWav16(const std::wstring& path, const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels);
bool WriteWav8(const std::wstring& path, const std::vector<uint8_t>& samples, uint32_t rate, uint16_t channels);

// Reads a whole file (empty on failure).
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
// Reads the samples of a 16-bit PCM WAV written by an outside tool (finds the data chunk).
bool ReadWav16(const std::wstring& path, std::vector<int16_t>& samples, uint32_t& rate, uint16_t& channels);

}  // namespace fixtures
