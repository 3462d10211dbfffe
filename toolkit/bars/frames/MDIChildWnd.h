// CUVMDIChildWnd: the toolkit's MDI child frame (CUVFrameImpl over the class library's MDI
// child). Besides the frame helper's cool menu it has one of its own that hooks the child
// window, so the child's own popups (menus it tracks itself) are drawn by the toolkit too once
// the main frame turned cool menus on. Activating the child makes its first view the active view.
//
// Not handled here yet: the Customize dialog for the main window (it comes with the
// customisation dialogs).
#pragma once

#include "classlib/ui/MDIChildWnd.h"
#include "toolkit/bars/frames/FrameImpl.h"

class CUVMDIChildWnd : public CUVFrameImpl<CMDIChildWnd> {
    DECLARE_DYNCREATE(CUVMDIChildWnd)
public:
    CUVMDIChildWnd() = default;

    void ActivateFrame(int showCommand = -1) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CUVCoolMenu& GetChildCoolMenu() { return m_childCoolMenu; }

private:
    CUVCoolMenu m_childCoolMenu;
};
