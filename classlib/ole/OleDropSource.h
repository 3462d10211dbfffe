// COleDropSource: the drag loop's source side. The default one drops when the mouse button that
// started the drag is released, cancels on Escape or when the other main button is pressed, and
// lets the system show its usual cursors. Held by value for one drag (its reference count starts
// at the owner's one and never reaches zero there).
#pragma once

#include <windows.h>
#include <ole2.h>

class COleDropSource : public IDropSource {
public:
    COleDropSource() = default;
    virtual ~COleDropSource() = default;
    COleDropSource(const COleDropSource&) = delete;
    COleDropSource& operator=(const COleDropSource&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    LONG m_refCount = 1;
    // The button that started the drag, taken from the first key state the loop reports.
    DWORD m_dragButton = 0;
};
