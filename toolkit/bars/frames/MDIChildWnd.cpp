#include "toolkit/bars/frames/MDIChildWnd.h"

#include "classlib/ui/View.h"

IMPLEMENT_DYNCREATE(CUVMDIChildWnd, CMDIChildWnd)

void CUVMDIChildWnd::ActivateFrame(int showCommand)
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (auto* view = dynamic_cast<CView*>(CWnd::FromHandlePermanent(child))) {
            SetActiveView(view);
            break;
        }
    }
    CUVFrameImpl<CMDIChildWnd>::ActivateFrame(showCommand);
}

LRESULT CUVMDIChildWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CUVFrameImpl<CMDIChildWnd>::WindowProc(message, wParam, lParam);
    // Only hooked: whether popups are drawn cool stays the main frame's choice.
    if (message == WM_CREATE && result != -1)
        m_childCoolMenu.HookWindowPtr(this);
    return result;
}
