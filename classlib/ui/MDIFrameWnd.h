// CMDIFrameWnd: a frame whose pane is the system's MDI client window, which holds the MDI child
// frames (CMDIChildWnd). The frame's own menu (m_hMenuDefault, loaded with the frame) shows while
// no child is active; an active child puts its type's shared menu in its place through
// WM_MDISETMENU, and the client keeps the window list at the end of the menu's window popup.
// Messages the frame leaves alone go to DefFrameProc; commands go to the active child first.
// Not handled here: the window-menu commands (new window, cascade, tile, arrange).
#pragma once

#include "classlib/ui/FrameWnd.h"

class CMDIChildWnd;

class CMDIFrameWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMDIFrameWnd)
public:
    BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context) override;
    // Makes the MDI client (id AFX_IDW_PANE_FIRST) that lists its children in `windowMenu`.
    virtual BOOL CreateClient(LPCREATESTRUCT cs, HMENU windowMenu);
    // The popup of `menuBar` that holds a window-menu command (AFX_IDM_WINDOW_FIRST..LAST), or null.
    virtual HMENU GetWindowMenuPopup(HMENU menuBar) const;
    // Shows the active child's shared menu, or `alternative`, or the frame's own menu.
    virtual void OnUpdateFrameMenu(HMENU alternative);

    CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
    // WM_MDISETMENU to the client; the menu it showed before.
    HMENU MDISetMenu(HMENU frameMenu, HMENU windowMenu);
    void MDIActivate(CWnd* child) const;
    void MDIMaximize(CWnd* child) const;
    void MDIRestore(CWnd* child) const;

    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND m_hWndMDIClient = nullptr;
    HMENU m_hMenuDefault = nullptr;

protected:
    LRESULT OnDestroyMessage(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
