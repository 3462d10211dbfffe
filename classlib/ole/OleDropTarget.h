// COleDropTarget: makes a window a target of OLE drags. A window's owner registers it (usually
// in its create handler) and derives to answer the drag: each handler gets the window, the
// dragged data and the point in the window's client coordinates. The defaults accept nothing.
// Revoked when the window is destroyed or this object goes, whichever comes first; both run
// on the UI thread that registered it.
#pragma once

#include <windows.h>
#include <ole2.h>

#include "classlib/ole/OleDataObject.h"

class CWnd;

class COleDropTarget : public IDropTarget {
public:
    COleDropTarget() = default;
    virtual ~COleDropTarget();
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    // FALSE when the window has no handle, is registered already, or OLE refuses.
    BOOL Register(CWnd* wnd);
    void Revoke();

    virtual DWORD OnDragEnter(CWnd* wnd, COleDataObject* dataObject, DWORD keyState, POINT point);
    virtual DWORD OnDragOver(CWnd* wnd, COleDataObject* dataObject, DWORD keyState, POINT point);
    virtual void OnDragLeave(CWnd* wnd);
    // TRUE when the data was taken.
    virtual BOOL OnDrop(CWnd* wnd, COleDataObject* dataObject, DWORD dropEffect, POINT point);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

private:
    POINT ToClient(POINTL screen) const;

    LONG m_refCount = 1;
    CWnd* m_wnd = nullptr;
    HWND m_hwnd = nullptr;
    // The data of the drag in progress, between DragEnter and DragLeave or Drop.
    COleDataObject m_dragData;
};
