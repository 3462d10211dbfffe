// CUVMDIFrameWnd: the toolkit's MDI main frame (CUVFrameImpl over the class library's MDI frame):
// docking, bar layout, cool menus, the menu bar in place of the frame's Windows menu and hidden
// commands.
//
// Not handled here yet: the Customize dialog and the window list dialog of
// "More Windows..." (they come with the customisation dialogs; until then their commands have no
// handler).
#pragma once

#include "classlib/ui/MDIFrameWnd.h"
#include "toolkit/bars/frames/FrameImpl.h"

class CUVMDIFrameWnd : public CUVFrameImpl<CMDIFrameWnd> {
    DECLARE_DYNCREATE(CUVMDIFrameWnd)
public:
    CUVMDIFrameWnd() = default;

    // The frame's menu bar (the control bar with the menu bar's id), or null.
    CUVMenuBar* FindMenuBar() const { return UVFindMenuBar(this); }
};
