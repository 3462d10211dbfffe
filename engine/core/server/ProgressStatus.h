// CProgressStatus: progress, status text, error and completion of a long task. The task's worker
// thread writes it, the user interface thread reads it on its timer and may request a cancel.
// Progress and text are guarded by the object's lock (the text is not an atomic value); the
// flags and the error code are single words read and written without it.
#pragma once

#include <atomic>

#include "classlib/core/String.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IProgressStatus.h"

class CProgressStatus : public IProgressStatus, public CUnknownStandAlone {
public:
    CProgressStatus();

    DECLARE_STANDALONE_UNKNOWN

    HRESULT STDMETHODCALLTYPE GetText(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE GetProgress(float* value) override;
    HRESULT STDMETHODCALLTYPE GetCompletion() override;
    HRESULT STDMETHODCALLTYPE IsCancelRequested() override;
    HRESULT STDMETHODCALLTYPE RequestCancel() override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE SetProgress(float value) override;
    HRESULT STDMETHODCALLTYPE SetText(LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE SetError(HRESULT code) override;
    HRESULT STDMETHODCALLTYPE GetError(HRESULT* code) override;
    HRESULT STDMETHODCALLTYPE SetComplete() override;

private:
    std::atomic<BOOL> m_cancelRequested{FALSE};
    std::atomic<BOOL> m_complete{FALSE};
    std::atomic<BOOL> m_error{FALSE};
    std::atomic<HRESULT> m_errorCode{S_OK};
    float m_progress = 0.0f;
    CString m_text;
    CSingleThreadToken m_lock;
};
