// CUVFrameWnd: the toolkit's single-document main frame. It docks toolkit bars (CUVDockBar on
// each side, in the order top, bottom, left, right), docks a bar just right of (or below)
// another, floats bars in toolkit floating frames (CUVMiniDockFrameWnd), and keeps its bar layout with its docking
// windows' sizes between runs (FrameBarState.h).
//
// Not handled here yet: the menu bar and cool menus, user tools, the Customize dialog, view
// replacement and the icon-bearing window class.
#pragma once

#include "classlib/ui/FrameWnd.h"

class CUVFrameWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CUVFrameWnd)
public:
    CUVFrameWnd() = default;

    // Toolkit dock bars on the sides of `dockStyle` that have none yet.
    void EnableDocking(DWORD dockStyle);
    // The same, and every dock bar takes `dockBarFlags` (UVDB_*).
    void EnableDockingEx(DWORD dockStyle, DWORD dockBarFlags);
    virtual void LoadBarState(const wchar_t* profileName);
    virtual void SaveBarState(const wchar_t* profileName);
    // Docks `bar` just right of (or below) `other`, in its row, on the dock bar of `other`'s side.
    virtual void DockControlBarLeftOf(CControlBar* bar, CControlBar* other);
    CMiniDockFrameWnd* CreateFloatingFrame(DWORD style) override;
};
