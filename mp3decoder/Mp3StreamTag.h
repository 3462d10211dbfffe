// The Xing/Info tag in the first frame of a stream, and the LAME extension that follows it: frame
// and byte counts of the stream and the encoder's delay and padding, which make the decoded length
// exact.
#pragma once

#include "mp3decoder/Mp3FrameHeader.h"

#include <cstddef>
#include <cstdint>

struct Mp3StreamTag {
    bool hasFrames = false;
    uint32_t frames = 0;  // audio frames after the tag's own frame
    bool hasBytes = false;
    uint32_t bytes = 0;  // stream bytes including the tag's own frame
    bool hasDelays = false;
    unsigned encoderDelay = 0;
    unsigned encoderPadding = 0;
};

// Reads the tag from a whole first frame (`frame`, `size` bytes); false when the frame carries none.
bool ParseMp3StreamTag(const uint8_t* frame, size_t size, const Mp3FrameHeader& header, Mp3StreamTag& tag);
