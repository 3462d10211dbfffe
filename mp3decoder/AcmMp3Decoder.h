// CAcmMp3Decoder: one stream of the platform's MPEG Layer-3 ACM codec, turning whole frames
// into 16-bit PCM of the stream's rate and channel count.
//
// A codec may hold frames back before it starts to give output (Wine's holds the first frame
// until it has seen the next header), so output is not tied to the frames of one call: callers
// attribute it to the frames they fed, oldest first.
#pragma once

#include "mp3decoder/Mp3FrameHeader.h"

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstdint>
#include <vector>

class CAcmMp3Decoder {
public:
    CAcmMp3Decoder() = default;
    CAcmMp3Decoder(const CAcmMp3Decoder&) = delete;
    CAcmMp3Decoder& operator=(const CAcmMp3Decoder&) = delete;
    ~CAcmMp3Decoder() { Close(); }

    // Takes the format of `header`; fails when the platform has no codec for it. The codec stream
    // itself may be opened only by the first decode.
    HRESULT Open(const Mp3FrameHeader& header);
    // Drops everything the codec holds: the next frames are decoded as a new stream.
    HRESULT Restart();
    void Close();

    // Decodes `bytes` bytes of whole frames (`frames` of them) and appends the PCM produced to `out`.
    HRESULT Decode(const uint8_t* data, size_t bytes, size_t frames, std::vector<uint8_t>& out);

    const WAVEFORMATEX& PcmFormat() const { return m_pcm; }

private:
    HRESULT OpenStream();
    void CloseStream();

    // Set by a successful Open until Close: the codec takes this format.
    bool m_ready = false;
    HACMSTREAM m_stream = nullptr;
    MPEGLAYER3WAVEFORMAT m_mp3 = {};
    WAVEFORMATEX m_pcm = {};
    unsigned m_samplesPerFrame = 0;
    std::vector<uint8_t> m_output;
};
