#include "mp3decoder/Mp3StreamTag.h"

#include <cstring>

namespace {
constexpr uint32_t kFlagFrames = 1, kFlagBytes = 2, kFlagToc = 4, kFlagQuality = 8;
constexpr size_t kTocBytes = 100;
// LAME extension: 9 bytes of encoder name, then revision, low-pass, replay gain (8), flags, ABR
// rate; the 24 bits of delay and padding follow.
constexpr size_t kEncoderNameBytes = 9;
constexpr size_t kDelayFieldOffset = 21;
constexpr size_t kLameExtensionBytes = 36;

uint32_t ReadBe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           p[3];
}
}  // namespace

bool ParseMp3StreamTag(const uint8_t* frame, size_t size, const Mp3FrameHeader& header, Mp3StreamTag& tag)
{
    size_t pos = header.HeaderBytes() + header.sideInfoBytes;
    if (pos + 8 > size)
        return false;
    if (std::memcmp(frame + pos, "Xing", 4) != 0 && std::memcmp(frame + pos, "Info", 4) != 0)
        return false;
    Mp3StreamTag t;
    const uint32_t flags = ReadBe32(frame + pos + 4);
    pos += 8;
    if (flags & kFlagFrames) {
        if (pos + 4 > size)
            return false;
        t.hasFrames = true;
        t.frames = ReadBe32(frame + pos);
        pos += 4;
    }
    if (flags & kFlagBytes) {
        if (pos + 4 > size)
            return false;
        t.hasBytes = true;
        t.bytes = ReadBe32(frame + pos);
        pos += 4;
    }
    if (flags & kFlagToc)
        pos += kTocBytes;
    if (flags & kFlagQuality)
        pos += 4;
    if (pos + kLameExtensionBytes <= size) {
        const uint8_t* lame = frame + pos;
        // Encoders that write the extension: LAME itself and FFmpeg's muxer/encoder.
        if (std::memcmp(lame, "LAME", 4) == 0 || std::memcmp(lame, "Lavf", 4) == 0 ||
            std::memcmp(lame, "Lavc", 4) == 0) {
            static_assert(kDelayFieldOffset >= kEncoderNameBytes);
            const uint8_t* d = lame + kDelayFieldOffset;
            t.hasDelays = true;
            t.encoderDelay = (static_cast<unsigned>(d[0]) << 4) | (d[1] >> 4);
            t.encoderPadding = ((static_cast<unsigned>(d[1]) & 0x0F) << 8) | d[2];
        }
    }
    tag = t;
    return true;
}
