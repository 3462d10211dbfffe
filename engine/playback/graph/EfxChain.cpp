#include "engine/playback/graph/EfxChain.h"

#include <algorithm>
#include <cstring>

#include "engine/core/server/LocalCoCreate.h"

CEfxChain::CEfxChain(IPlayerInput* upstream) : CChainStage(upstream)
{
    if (SUCCEEDED(
            CLocalCoCreate::CreateInstance(PluginClsid::Ostrel, &g_localCoCreate, IID_IOstrel, m_host.put_void())) &&
        m_host && SUCCEEDED(m_host->Initialize()))
        m_hostReady = true;
}

CEfxChain::~CEfxChain()
{
    ForgetHeldOutput();
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
    if (!Upstream())
        return E_FAIL;
    if (!m_hostReady)
        return Upstream()->Read(buffer, bytes);
    // The host answers 1 when it holds an effect.
    if (m_host->HasEffects() != 1) {
        ForgetHeldOutput();
        m_host->ReleaseOutputBuffer(-1);
        m_offset = 0;
        return Upstream()->Read(buffer, bytes);
    }
    m_host->Lock();
    BOOL discontinuity = FALSE;
    if (Upstream()->HasDiscontinuity() == 1) {
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
        Upstream()->Read(data, size);
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
    return Upstream() ? Upstream()->GetFormat(format) : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CEfxChain::SetBufferedBytes(LONGLONG bytes)
{
    return Upstream() ? Upstream()->SetBufferedBytes(bytes + m_offset) : S_OK;
}

HRESULT STDMETHODCALLTYPE CEfxChain::GetLength(LONGLONG* bytes)
{
    return Upstream() ? Upstream()->GetLength(bytes) : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CEfxChain::Disconnect()
{
    ForgetHeldOutput();
    m_host.reset();
    m_hostReady = false;
    return CChainStage::Disconnect();
}
