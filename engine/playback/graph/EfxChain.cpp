#include "engine/playback/graph/EfxChain.h"

#include <algorithm>
#include <cstring>

#include "engine/core/server/LocalCoCreate.h"

CEfxChain::CEfxChain(IPlayerInput* upstream) : m_upstream(upstream)
{
    if (m_upstream)
        m_upstream->AddRef();
    if (SUCCEEDED(
            CLocalCoCreate::CreateInstance(PluginClsid::Ostrel, &g_localCoCreate, IID_IOstrel, m_host.put_void())) &&
        m_host && SUCCEEDED(m_host->Initialize()))
        m_hostReady = true;
}

CEfxChain::~CEfxChain()
{
    ForgetHeldOutput();
    m_host.reset();
    if (m_upstream)
        m_upstream->Release();
}

void CEfxChain::ForgetHeldOutput()
{
    if (m_hostReady && m_heldHandle != -1)
        m_host->ReleaseOutputBuffer(m_heldHandle);
    m_heldHandle = -1;
    m_heldLeft = 0;
}

void CEfxChain::Flush()
{
    ForgetHeldOutput();
    m_host->ReleaseOutputBuffer(-1);
    BYTE* data = nullptr;
    DWORD size = 0;
    if (m_host->GetInputBuffer(TRUE, &data, &size) == S_OK) {
        std::memset(data, 0, size);
        m_host->DeliverInputBuffer();
    }
    m_host->ReleaseOutputBuffer(-1);
}

void CEfxChain::Drain(BYTE* buffer, unsigned bytes, unsigned* done)
{
    for (int step = 0; step < kMaxPassSteps && *done < bytes; ++step) {
        BYTE* data = nullptr;
        DWORD size = 0;
        LONGLONG handle = m_heldHandle;
        if (m_host->GetOutputBuffer(&data, &size, &handle) != S_OK) {
            m_host->ReleaseOutputBuffer(-1);
            m_heldHandle = -1;
            m_heldLeft = 0;
            return;
        }
        if (m_heldHandle == -1)
            m_heldLeft = size;
        const DWORD take = std::min<DWORD>(m_heldLeft, bytes - *done);
        std::memcpy(buffer + *done, data + (size - m_heldLeft), take);
        *done += take;
        m_heldLeft -= take;
        if (m_heldLeft == 0) {
            m_host->ReleaseOutputBuffer(handle);
            m_heldHandle = -1;
        } else {
            m_heldHandle = handle;
        }
    }
}

HRESULT STDMETHODCALLTYPE CEfxChain::Read(BYTE* buffer, unsigned bytes)
{
    if (!m_upstream)
        return E_FAIL;
    if (!m_hostReady)
        return m_upstream->Read(buffer, bytes);
    if (m_host->HasEffects() != S_OK) {
        ForgetHeldOutput();
        m_host->ReleaseOutputBuffer(-1);
        m_offset = 0;
        return m_upstream->Read(buffer, bytes);
    }
    m_host->Lock();
    BOOL discontinuity = FALSE;
    if (m_upstream->HasDiscontinuity() == 1) {
        Flush();
        m_offset = 0;
        discontinuity = TRUE;
    }
    unsigned done = 0;
    LONGLONG taken = 0;
    for (int pass = 0; pass < kMaxPassSteps; ++pass) {
        Drain(buffer, bytes, &done);
        if (done >= bytes)
            break;
        BYTE* data = nullptr;
        DWORD size = 0;
        if (m_host->GetInputBuffer(discontinuity, &data, &size) != S_OK)
            break;
        m_upstream->Read(data, size);
        taken += size;
        m_host->DeliverInputBuffer();
        discontinuity = FALSE;
    }
    // Every stage fills what it is asked: what the effects could not give is silence.
    if (done < bytes)
        std::memset(buffer + done, 0, bytes - done);
    // What the chain holds (the effects' latency and the unread rest of a processed buffer) is
    // still to be heard.
    m_offset += taken - done;
    m_host->Unlock();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEfxChain::GetFormat(WAVEFORMATEX* format)
{
    return m_upstream ? m_upstream->GetFormat(format) : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CEfxChain::SetBufferedBytes(LONGLONG bytes)
{
    return m_upstream ? m_upstream->SetBufferedBytes(bytes + m_offset) : S_OK;
}

HRESULT STDMETHODCALLTYPE CEfxChain::SetActive(BOOL active)
{
    return m_upstream ? m_upstream->SetActive(active) : S_OK;
}

HRESULT STDMETHODCALLTYPE CEfxChain::IsActive()
{
    return m_upstream ? m_upstream->IsActive() : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEfxChain::OpenSource()
{
    return m_upstream ? m_upstream->OpenSource() : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CEfxChain::CloseSource()
{
    return m_upstream ? m_upstream->CloseSource() : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CEfxChain::GetLength(LONGLONG* bytes)
{
    return m_upstream ? m_upstream->GetLength(bytes) : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CEfxChain::IsDataReady()
{
    return m_upstream ? m_upstream->IsDataReady() : S_OK;
}

HRESULT STDMETHODCALLTYPE CEfxChain::Disconnect()
{
    if (!m_upstream)
        return S_OK;
    m_upstream->Disconnect();
    ForgetHeldOutput();
    m_host.reset();
    m_hostReady = false;
    m_upstream->Release();
    m_upstream = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEfxChain::Rewind()
{
    return m_upstream ? m_upstream->Rewind() : S_OK;
}
