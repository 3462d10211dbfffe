// Finding the MP3 stream in a file and indexing its frames.
//
// The stream starts after any ID3v2 tags at the first frame header that is followed by a second
// header of the same stream. A first frame that carries a Xing/Info tag holds no audio: the audio
// frames start after it. Frames follow each other back to back; junk between them is skipped by
// searching for the next pair of matching headers, and trailing tags (ID3v1, APE) end the scan.
//
// The frame-offset table that the reader hands out (and accepts back) is this index in a small
// self-checking form: magic "MVFO", version, the file's size, the frame count, then the 32-bit
// offset of every audio frame.
#pragma once

#include "mp3decoder/Mp3File.h"
#include "mp3decoder/Mp3FrameHeader.h"
#include "mp3decoder/Mp3StreamTag.h"

#include <cstdint>
#include <vector>

// Failures of opening, as the reader reports them.
inline constexpr HRESULT kMp3NotMp3 = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);
inline constexpr HRESULT kMp3Truncated = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
inline constexpr HRESULT kMp3TooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);

struct Mp3Stream {
    Mp3FrameHeader format;  // of the first audio frame
    uint64_t firstFrameOffset = 0;
    bool hasTag = false;
    uint64_t tagFrameOffset = 0;
    Mp3StreamTag tag;
};

// Finds the stream: kMp3NotMp3 when the file holds no Layer III stream, kMp3TooLarge beyond 4 GB.
HRESULT LocateMp3Stream(const CMp3File& file, Mp3Stream& stream);

// Indexes every audio frame. kMp3Truncated when the last frame runs past the end of the file.
HRESULT ScanMp3Frames(const CMp3File& file, const Mp3Stream& stream, std::vector<uint32_t>& offsets);

std::vector<uint8_t> SerializeMp3FrameTable(uint64_t fileSize, const std::vector<uint32_t>& offsets);

// Accepts a table only when it belongs to this file and stream: same size, first offset, frame
// count (when the stream's tag gives one), rising offsets inside the file, and matching frame
// headers at a sample of the offsets.
bool DeserializeMp3FrameTable(const CMp3File& file, const Mp3Stream& stream, const uint8_t* data, size_t size,
                              std::vector<uint32_t>& offsets);
