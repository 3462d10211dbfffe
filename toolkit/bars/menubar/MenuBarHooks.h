// The menu bar's hooks: CUVMBarWndHook on the frame window redirects the menu messages of a
// maximised MDI child's own entries to the child and hands the bar the frame's menu changes;
// CUVMBarMDIWndHook on the MDI client takes WM_MDISETMENU and WM_MDIREFRESHMENU, which would
// otherwise put a Windows menu back on the frame. Both belong to the bar and go with it.
#pragma once

#include "toolkit/bars/hooks/WndHook.h"

class CUVMenuBar;

class CUVMBarWndHook : public CUVWndHook {
    DECLARE_DYNAMIC(CUVMBarWndHook)
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual void AttachBar(CUVMenuBar* bar, HWND hwnd);

protected:
    // The steps both hooks share (MDI client repaint, activation, command 53783, the MDI menu
    // messages); TRUE when the message went no further.
    BOOL HandleShared(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    CUVMenuBar* m_pBar = nullptr;
};

class CUVMBarMDIWndHook : public CUVMBarWndHook {
    DECLARE_DYNAMIC(CUVMBarMDIWndHook)
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Set by the hooks when the last command a frame got was "Display full menus" (53783).
BOOL& UVLastCommandWasFullMenus();
