// Windows Media fixtures for the reader's tests: a chirp written as WAV and encoded with ffmpeg,
// ffmpeg's own decode of the file, and reads of a whole stream through a reader.
#pragma once

#include "classlib/com/ComPtr.h"
#include "interfaces/IPcmReader.h"
#include "tests/support/PcmReading.h"
#include "tests/support/TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wmafixtures {

// A sweep from 100 Hz to 8 kHz at half scale (the right channel a little higher), so that any
// short stretch of it shows where in the stream it lies.
std::vector<int16_t> Chirp(double seconds, unsigned rate, unsigned channels);

// Encodes interleaved 16-bit samples with ffmpeg's `codec` ("wmav1" or "wmav2") at `bitRate`.
bool Encode(const fixtures::TempDir& dir, const std::vector<int16_t>& samples, unsigned rate, unsigned channels,
            const std::string& codec, const std::string& bitRate, const std::wstring& wmaPath);

// ffmpeg's decode of a file, as interleaved 16-bit samples.
bool DecodeWithFfmpeg(const fixtures::TempDir& dir, const std::wstring& wmaPath, std::vector<int16_t>& samples);

// ffprobe's reading of a file's duration in seconds; negative when it fails.
double DurationByFfprobe(const fixtures::TempDir& dir, const std::wstring& path);

using fixtures::ReadAll;

// One channel of interleaved samples, as doubles.
std::vector<double> Channel(const std::vector<int16_t>& samples, unsigned channels, unsigned channel);

// The SNR of `test` against `reference` once aligned at their best lag (|lag| <= maxLag), over
// the frames they share; the lag (test index - reference index) and that overlap come back.
double AlignedSnrDb(const std::vector<double>& reference, const std::vector<double>& test, int maxLag, int& lag,
                    size_t& overlap);

}  // namespace wmafixtures
