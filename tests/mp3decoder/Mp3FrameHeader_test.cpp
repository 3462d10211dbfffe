#include "mp3decoder/Mp3FrameHeader.h"
#include "mp3decoder/Mp3StreamTag.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct HeaderCase {
    const char* name;
    uint8_t bytes[4];
    bool valid;
    unsigned version, bitrate, rate, channels, frameBytes, samples, sideInfo;
};

TEST(Mp3FrameHeader, ParsesLayerThreeHeaders)
{
    const HeaderCase cases[] = {
        {"MPEG-1 128k 44.1k stereo", {0xFF, 0xFB, 0x90, 0x00}, true, 10, 128, 44100, 2, 417, 1152, 32},
        {"MPEG-1 128k 44.1k padded", {0xFF, 0xFB, 0x92, 0x00}, true, 10, 128, 44100, 2, 418, 1152, 32},
        {"MPEG-1 320k 32k mono padded", {0xFF, 0xFB, 0xEA, 0xC0}, true, 10, 320, 32000, 1, 1441, 1152, 17},
        {"MPEG-1 with CRC", {0xFF, 0xFA, 0x94, 0x40}, true, 10, 128, 48000, 2, 384, 1152, 32},
        {"MPEG-2 64k 22.05k", {0xFF, 0xF3, 0x80, 0x00}, true, 20, 64, 22050, 2, 208, 576, 17},
        {"MPEG-2.5 8k 8k mono", {0xFF, 0xE3, 0x18, 0xC0}, true, 25, 8, 8000, 1, 72, 576, 9},
        {"layer II", {0xFF, 0xFD, 0x90, 0x00}, false, 0, 0, 0, 0, 0, 0, 0},
        {"reserved version", {0xFF, 0xEB, 0x90, 0x00}, false, 0, 0, 0, 0, 0, 0, 0},
        {"free format", {0xFF, 0xFB, 0x00, 0x00}, false, 0, 0, 0, 0, 0, 0, 0},
        {"bad bit rate", {0xFF, 0xFB, 0xF0, 0x00}, false, 0, 0, 0, 0, 0, 0, 0},
        {"reserved rate", {0xFF, 0xFB, 0x9C, 0x00}, false, 0, 0, 0, 0, 0, 0, 0},
        {"no sync", {0xFF, 0x1B, 0x90, 0x00}, false, 0, 0, 0, 0, 0, 0, 0},
        {"ID3", {'I', 'D', '3', 0x04}, false, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mp3FrameHeader h;
        ASSERT_EQ(ParseMp3FrameHeader(c.bytes, h), c.valid);
        if (!c.valid)
            continue;
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.bitrateKbps, c.bitrate);
        EXPECT_EQ(h.sampleRate, c.rate);
        EXPECT_EQ(h.channels, c.channels);
        EXPECT_EQ(h.frameBytes, c.frameBytes);
        EXPECT_EQ(h.samplesPerFrame, c.samples);
        EXPECT_EQ(h.sideInfoBytes, c.sideInfo);
    }
}

TEST(Mp3StreamTag, ReadsXingAndLameFieldsAndRefusesShortFrames)
{
    Mp3FrameHeader h;
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x00};
    ASSERT_TRUE(ParseMp3FrameHeader(header, h));
    uint8_t frame[417] = {};
    std::memcpy(frame, header, 4);
    uint8_t* x = frame + 4 + 32;
    std::memcpy(x, "Info", 4);
    x[7] = 0x0F;                                             // frames, bytes, TOC, quality
    x[8] = 0x00, x[9] = 0x00, x[10] = 0x01, x[11] = 0x02;    // 258 frames
    x[12] = 0x00, x[13] = 0x01, x[14] = 0x00, x[15] = 0x00;  // 65536 bytes
    uint8_t* lame = x + 8 + 8 + 100 + 4;
    std::memcpy(lame, "LAME3.100", 9);
    lame[21] = 0x24, lame[22] = 0x07, lame[23] = 0x1C;  // delay 0x240 = 576, padding 0x71C = 1820
    Mp3StreamTag tag;
    ASSERT_TRUE(ParseMp3StreamTag(frame, sizeof(frame), h, tag));
    EXPECT_TRUE(tag.hasFrames);
    EXPECT_EQ(tag.frames, 258u);
    EXPECT_EQ(tag.bytes, 65536u);
    EXPECT_TRUE(tag.hasDelays);
    EXPECT_EQ(tag.encoderDelay, 576u);
    EXPECT_EQ(tag.encoderPadding, 1820u);

    std::memcpy(lame, "Other", 5);
    ASSERT_TRUE(ParseMp3StreamTag(frame, sizeof(frame), h, tag));
    EXPECT_FALSE(tag.hasDelays);
    EXPECT_FALSE(ParseMp3StreamTag(frame, 4 + 32 + 6, h, tag));
    std::memcpy(x, "Nope", 4);
    EXPECT_FALSE(ParseMp3StreamTag(frame, sizeof(frame), h, tag));
}

}  // namespace
