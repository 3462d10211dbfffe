#include "engine/core/server/ProgressStatus.h"

CProgressStatus::CProgressStatus()
{
    Reset();
}

HRESULT STDMETHODCALLTYPE CProgressStatus::GetText(BSTR* text)
{
    if (text == nullptr)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *text = m_text.AllocSysString();
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::GetProgress(float* value)
{
    if (value == nullptr)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *value = m_progress;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::GetCompletion()
{
    if (m_error)
        return E_FAIL;
    return m_complete ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::IsCancelRequested()
{
    return m_cancelRequested ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::RequestCancel()
{
    m_cancelRequested = TRUE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::Reset()
{
    CSingleThreadLock lock(&m_lock);
    m_progress = 0.0f;
    m_cancelRequested = FALSE;
    m_complete = FALSE;
    m_error = FALSE;
    m_errorCode = S_OK;
    m_text.Empty();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::SetProgress(float value)
{
    CSingleThreadLock lock(&m_lock);
    m_progress = value;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::SetText(LPCWSTR text)
{
    CSingleThreadLock lock(&m_lock);
    m_text = text;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::SetError(HRESULT code)
{
    m_errorCode = code;
    m_error = TRUE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::GetError(HRESULT* code)
{
    if (code == nullptr)
        return E_POINTER;
    *code = m_errorCode;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CProgressStatus::SetComplete()
{
    m_complete = TRUE;
    return S_OK;
}
