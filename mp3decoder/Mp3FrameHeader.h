// The 4-byte header of an MPEG audio Layer III frame, and what follows from it.
#pragma once

#include <cstddef>
#include <cstdint>

struct Mp3FrameHeader {
    // 10 for MPEG-1, 20 for MPEG-2, 25 for MPEG-2.5.
    unsigned version = 0;
    unsigned bitrateKbps = 0;
    unsigned sampleRate = 0;
    unsigned channels = 0;
    bool crc = false;
    bool padding = false;
    // Whole frame including the header.
    unsigned frameBytes = 0;
    unsigned samplesPerFrame = 0;
    unsigned sideInfoBytes = 0;

    unsigned HeaderBytes() const { return crc ? 6u : 4u; }
    // Bytes of main data the frame itself carries (after header and side information).
    unsigned PayloadBytes() const
    {
        unsigned fixed = HeaderBytes() + sideInfoBytes;
        return frameBytes > fixed ? frameBytes - fixed : 0u;
    }
};

inline constexpr size_t kMp3HeaderBytes = 4;
// Largest Layer III frame: MPEG-1 at 320 kbit/s and 32000 Hz, padded.
inline constexpr unsigned kMp3MaxFrameBytes = 1441;

// Parses a Layer III frame header (4 bytes at p). False for anything else: other layers, reserved
// values and free-format bit rates, which this library does not decode.
bool ParseMp3FrameHeader(const uint8_t* p, Mp3FrameHeader& header);

// Frames of one stream share version, sample rate and channel count.
bool SameMp3Stream(const Mp3FrameHeader& a, const Mp3FrameHeader& b);

// main_data_begin of the frame whose first bytes (header, CRC, start of the side information)
// are at p: how many bytes of earlier frames' payload its main data starts back.
unsigned Mp3MainDataBegin(const uint8_t* p, const Mp3FrameHeader& header);
