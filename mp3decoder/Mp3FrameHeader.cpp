#include "mp3decoder/Mp3FrameHeader.h"

namespace {
constexpr unsigned kBitratesV1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr unsigned kBitratesV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr unsigned kRatesV1[3] = {44100, 48000, 32000};
}  // namespace

bool ParseMp3FrameHeader(const uint8_t* p, Mp3FrameHeader& header)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const unsigned versionBits = (p[1] >> 3) & 3;
    const unsigned layerBits = (p[1] >> 1) & 3;
    const unsigned bitrateIndex = p[2] >> 4;
    const unsigned rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    Mp3FrameHeader h;
    h.version = versionBits == 3 ? 10u : versionBits == 2 ? 20u : 25u;
    const bool mpeg1 = h.version == 10;
    h.bitrateKbps = mpeg1 ? kBitratesV1[bitrateIndex] : kBitratesV2[bitrateIndex];
    h.sampleRate = kRatesV1[rateIndex] / (mpeg1 ? 1u : h.version == 20 ? 2u : 4u);
    h.channels = (p[3] >> 6) == 3 ? 1u : 2u;
    h.crc = (p[1] & 1) == 0;
    h.padding = ((p[2] >> 1) & 1) != 0;
    h.samplesPerFrame = mpeg1 ? 1152u : 576u;
    h.frameBytes = (mpeg1 ? 144u : 72u) * h.bitrateKbps * 1000u / h.sampleRate + (h.padding ? 1u : 0u);
    h.sideInfoBytes = mpeg1 ? (h.channels == 1 ? 17u : 32u) : (h.channels == 1 ? 9u : 17u);
    header = h;
    return true;
}

bool SameMp3Stream(const Mp3FrameHeader& a, const Mp3FrameHeader& b)
{
    return a.version == b.version && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

unsigned Mp3MainDataBegin(const uint8_t* p, const Mp3FrameHeader& header)
{
    const uint8_t* side = p + header.HeaderBytes();
    if (header.version == 10)
        return (static_cast<unsigned>(side[0]) << 1) | (side[1] >> 7);
    return side[0];
}
