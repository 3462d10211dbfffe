#include "engine/playback/sources/PcmReader.h"

ULONG STDMETHODCALLTYPE CPcmReader::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG STDMETHODCALLTYPE CPcmReader::Release()
{
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CPcmReader::IsValid()
{
    return m_open ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CPcmReader::GetStreamLength(LONGLONG* pllByteLength)
{
    if (!pllByteLength)
        return E_POINTER;
    *pllByteLength = m_sampleCount * m_blockAlign;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPcmReader::GetSampleCount(LONGLONG* pllSampleCount)
{
    if (!pllSampleCount)
        return E_POINTER;
    *pllSampleCount = m_sampleCount;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPcmReader::GetSampleRate(unsigned long* puSampleRate)
{
    if (!puSampleRate)
        return E_POINTER;
    *puSampleRate = m_sampleRate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPcmReader::ShutDown()
{
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CPcmReader::GetFrameOffsetArray(unsigned char*, unsigned long*)
{
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CPcmReader::FrameOffsetArrayReq()
{
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE CPcmReader::SetFrameOffsetArray(unsigned char*, unsigned long)
{
    return E_NOTIMPL;
}
