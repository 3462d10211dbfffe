// Progress, status text, error and completion of a long task (catalog import, scan and clean-up,
// export). The task's worker thread writes; the user interface reads on its timer and may ask
// the task to cancel. Shared by the engine and the Windows Media writer.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct IProgressStatus : public IUnknown {
    // A new BSTR copy of the status text; the caller frees it.
    virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProgress(float* value) = 0;
    // E_FAIL after an error, S_OK once complete, S_FALSE while running.
    virtual HRESULT STDMETHODCALLTYPE GetCompletion() = 0;
    // S_OK after a cancel request, S_FALSE otherwise.
    virtual HRESULT STDMETHODCALLTYPE IsCancelRequested() = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestCancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProgress(float value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetText(LPCWSTR text) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetError(HRESULT code) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetError(HRESULT* code) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetComplete() = 0;
};
