#include "classlib/ole/OleDropTarget.h"

#include "classlib/ui/Wnd.h"

COleDropTarget::~COleDropTarget()
{
    Revoke();
}

BOOL COleDropTarget::Register(CWnd* wnd)
{
    if (!wnd || !wnd->GetSafeHwnd() || m_hwnd)
        return FALSE;
    if (FAILED(RegisterDragDrop(wnd->GetSafeHwnd(), this)))
        return FALSE;
    m_wnd = wnd;
    m_hwnd = wnd->GetSafeHwnd();
    return TRUE;
}

void COleDropTarget::Revoke()
{
    if (!m_hwnd)
        return;
    // A destroyed window has lost its registration already; the call then just fails.
    RevokeDragDrop(m_hwnd);
    m_hwnd = nullptr;
    m_wnd = nullptr;
    m_dragData.Release();
}

DWORD COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, POINT)
{
    return DROPEFFECT_NONE;
}

DWORD COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, POINT)
{
    return DROPEFFECT_NONE;
}

void COleDropTarget::OnDragLeave(CWnd*) {}

BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DWORD, POINT)
{
    return FALSE;
}

HRESULT STDMETHODCALLTYPE COleDropTarget::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        AddRef();
        *object = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE COleDropTarget::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

// The owner's reference keeps the object: it is a member of its window's class and goes with it.
ULONG STDMETHODCALLTYPE COleDropTarget::Release()
{
    return static_cast<ULONG>(InterlockedDecrement(&m_refCount));
}

POINT COleDropTarget::ToClient(POINTL screen) const
{
    POINT point{screen.x, screen.y};
    if (m_hwnd)
        ScreenToClient(m_hwnd, &point);
    return point;
}

HRESULT STDMETHODCALLTYPE COleDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    m_dragData.Attach(data, FALSE);
    *effect &= OnDragEnter(m_wnd, &m_dragData, keyState, ToClient(point));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    *effect &= OnDragOver(m_wnd, &m_dragData, keyState, ToClient(point));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleDropTarget::DragLeave()
{
    OnDragLeave(m_wnd);
    m_dragData.Release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect)
        return E_INVALIDARG;
    m_dragData.Attach(data, FALSE);
    const POINT client = ToClient(point);
    // The effect of the last move decides the drop, as the cursor showed it.
    const DWORD allowed = *effect;
    const DWORD dropEffect = allowed & OnDragOver(m_wnd, &m_dragData, keyState, client);
    *effect = DROPEFFECT_NONE;
    if (dropEffect != DROPEFFECT_NONE && OnDrop(m_wnd, &m_dragData, dropEffect, client))
        *effect = dropEffect;
    else
        OnDragLeave(m_wnd);
    m_dragData.Release();
    return S_OK;
}
