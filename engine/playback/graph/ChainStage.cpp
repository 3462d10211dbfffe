#include "engine/playback/graph/ChainStage.h"

CChainStage::CChainStage(IPlayerInput* upstream) : m_upstream(upstream)
{
    if (m_upstream)
        m_upstream->AddRef();
}

CChainStage::~CChainStage()
{
    if (m_upstream)
        m_upstream->Release();
}

HRESULT STDMETHODCALLTYPE CChainStage::SetActive(BOOL active)
{
    return m_upstream ? m_upstream->SetActive(active) : S_OK;
}

HRESULT STDMETHODCALLTYPE CChainStage::IsActive()
{
    return m_upstream ? m_upstream->IsActive() : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CChainStage::OpenSource()
{
    return m_upstream ? m_upstream->OpenSource() : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CChainStage::CloseSource()
{
    return m_upstream ? m_upstream->CloseSource() : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CChainStage::IsDataReady()
{
    return m_upstream ? m_upstream->IsDataReady() : S_OK;
}

HRESULT STDMETHODCALLTYPE CChainStage::Rewind()
{
    return m_upstream ? m_upstream->Rewind() : S_OK;
}

HRESULT STDMETHODCALLTYPE CChainStage::Disconnect()
{
    if (!m_upstream)
        return S_OK;
    m_upstream->Disconnect();
    m_upstream->Release();
    m_upstream = nullptr;
    return S_OK;
}
