#include "engine/playback/sources/PcmFmtConverter.h"

#include <mmreg.h>

#include <cstdint>
#include <cstring>

namespace {
constexpr unsigned long kMaxFrames = 0x3FFFFFFF;  // 4 x frames must fit the read length.

inline int16_t Widen8(uint8_t b)
{
    return static_cast<int16_t>((static_cast<int>(b) - 128) * 256);
}
}  // namespace

CPcmFmtConverter::CPcmFmtConverter(IPcmReader* source) : m_source(source)
{
    WAVEFORMATEX format = {};
    if (source && SUCCEEDED(source->GetFormatInfo(reinterpret_cast<unsigned char*>(&format)))) {
        m_blockAlign = format.nBlockAlign;
        m_bitsPerSample = format.wBitsPerSample;
    }
}

HRESULT CPcmFmtConverter::Read(unsigned long frames, BYTE* buffer, LONGLONG firstFrame)
{
    if (!m_source || !buffer || frames > kMaxFrames || firstFrame < 0)
        return E_FAIL;
    const LONGLONG position = firstFrame * m_blockAlign;
    // Each layout reads its own bytes at the front of the buffer, then widens from the last
    // sample backwards, so that no sample is overwritten before it is read.
    if (m_blockAlign == 4)
        return FAILED(m_source->LoadPcm(buffer, position, 4 * frames)) ? E_FAIL : S_OK;

    auto* out = reinterpret_cast<int16_t*>(buffer);
    if (m_blockAlign == 2 && m_bitsPerSample == 16) {
        if (FAILED(m_source->LoadPcm(buffer, position, 2 * frames)))
            return E_FAIL;
        for (unsigned long i = frames; i-- > 0;) {
            int16_t s;
            std::memcpy(&s, buffer + 2 * i, sizeof(s));
            out[2 * i] = s;
            out[2 * i + 1] = s;
        }
        return S_OK;
    }
    if (m_blockAlign == 2 && m_bitsPerSample == 8) {
        if (FAILED(m_source->LoadPcm(buffer, position, 2 * frames)))
            return E_FAIL;
        for (unsigned long i = 2 * frames; i-- > 0;)
            out[i] = Widen8(buffer[i]);
        return S_OK;
    }
    if (m_blockAlign == 1) {
        if (FAILED(m_source->LoadPcm(buffer, position, frames)))
            return E_FAIL;
        for (unsigned long i = frames; i-- > 0;) {
            int16_t s = Widen8(buffer[i]);
            out[2 * i] = s;
            out[2 * i + 1] = s;
        }
        return S_OK;
    }
    return E_FAIL;
}
