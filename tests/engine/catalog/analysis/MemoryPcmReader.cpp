#include "MemoryPcmReader.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>

namespace analysis_fixtures {

CMemoryPcmReader::CMemoryPcmReader(std::vector<int16_t> samples, DWORD rate, WORD channels)
    : m_samples(std::move(samples)), m_channels(channels ? channels : 1)
{
    m_open = 1;
    m_sampleRate = rate;
    m_blockAlign = static_cast<WORD>(2 * m_channels);
    m_bitsPerSample = 16;
    m_sampleCount = static_cast<LONGLONG>(m_samples.size() / m_channels);
}

HRESULT STDMETHODCALLTYPE CMemoryPcmReader::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPcmReader) {
        *object = static_cast<IPcmReader*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CMemoryPcmReader::Open(BSTR, long)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CMemoryPcmReader::GetFormatInfo(unsigned char* pwfInfo)
{
    if (!pwfInfo)
        return E_POINTER;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = m_channels;
    format.nSamplesPerSec = m_sampleRate;
    format.nBlockAlign = m_blockAlign;
    format.nAvgBytesPerSec = m_sampleRate * m_blockAlign;
    format.wBitsPerSample = 16;
    std::memcpy(pwfInfo, &format, 18);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemoryPcmReader::LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos,
                                                    unsigned long uLength)
{
    if (!pbData || llStreamBytePos < 0)
        return E_FAIL;
    if (llStreamBytePos < m_unreadableTo && llStreamBytePos + uLength > m_unreadableFrom) {
        std::memset(pbData, 0x5A, uLength);
        return E_FAIL;
    }
    const auto total = static_cast<LONGLONG>(m_samples.size() * sizeof(int16_t));
    std::memset(pbData, 0, uLength);
    if (llStreamBytePos < total) {
        const LONGLONG n = std::min<LONGLONG>(uLength, total - llStreamBytePos);
        std::memcpy(pbData, reinterpret_cast<const BYTE*>(m_samples.data()) + llStreamBytePos, static_cast<size_t>(n));
    }
    return S_OK;
}

}  // namespace analysis_fixtures
