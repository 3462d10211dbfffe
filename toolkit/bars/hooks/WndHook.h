// CUVWndHook: lets a toolkit object see the messages of a window it does not own (the frame for
// the cool menu, popup-menu windows for their painting, popups for their shadows). Any number of
// hooks may sit on one window: the window is subclassed once, by the shared hook procedure, and
// its hooks form a chain, newest first, that ends at the window's prior procedure. When the
// window is destroyed, WM_NCDESTROY detaches every hook of it, so owners that outlive their
// window find their hooks detached. UI thread only: the window map is not locked.
#pragma once

#include "classlib/core/Object.h"

#include <windows.h>

class CWnd;

class CUVWndHook : public CObject {
    DECLARE_DYNAMIC(CUVWndHook)
public:
    CUVWndHook() = default;
    CUVWndHook(const CUVWndHook&) = delete;
    CUVWndHook& operator=(const CUVWndHook&) = delete;
    ~CUVWndHook() override;

    virtual BOOL IsHooked() const { return m_hWnd != nullptr; }
    // Attaches the hook to `hwnd` as its newest hook; NULL detaches it from its window. TRUE.
    virtual BOOL HookWindow(HWND hwnd);
    virtual BOOL HookWindowPtr(CWnd* wnd);
    // Default handling: the next hook on the window, or the prior procedure after the oldest.
    // Subclasses do their work and end with this.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    HWND GetHookedWindow() const { return m_hWnd; }

protected:
    HWND m_hWnd = nullptr;

private:
    void Attach(HWND hwnd);
    void Detach();
    static LRESULT CALLBACK HookWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnPrior = nullptr;  // the same for every hook on the window
    CUVWndHook* m_pNext = nullptr;
};
