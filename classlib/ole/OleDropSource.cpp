#include "classlib/ole/OleDropSource.h"

HRESULT STDMETHODCALLTYPE COleDropSource::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
        AddRef();
        *object = static_cast<IDropSource*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE COleDropSource::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG STDMETHODCALLTYPE COleDropSource::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE COleDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    const DWORD buttons = keyState & (MK_LBUTTON | MK_RBUTTON);
    if (m_dragButton == 0)
        m_dragButton = buttons;
    if (escapePressed)
        return DRAGDROP_S_CANCEL;
    // Both main buttons down is the user's way to call a drag off.
    if (buttons == (MK_LBUTTON | MK_RBUTTON))
        return DRAGDROP_S_CANCEL;
    if (m_dragButton == 0 || !(keyState & m_dragButton))
        return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleDropSource::GiveFeedback(DWORD)
{
    return DRAGDROP_S_USEDEFAULTCURSORS;
}
