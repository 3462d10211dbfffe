#include "toolkit/bars/frames/FrameImpl.h"

#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/MiniDockFrameWnd.h"

void UVEnableDockingEx(CFrameWnd* frame, DWORD dockStyle, DWORD dockBarFlags)
{
    EnableUVDocking(frame, dockStyle, 0);
    for (const UINT id : {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT}) {
        CControlBar* bar = frame->GetControlBar(id);
        if (bar && bar->IsKindOf(RUNTIME_CLASS(CUVDockBar)))
            static_cast<CUVDockBar*>(bar)->m_dwDockFlags = dockBarFlags;
    }
}

void UVDockControlBarLeftOf(CFrameWnd* frame, CControlBar* bar, CControlBar* other)
{
    frame->RecalcLayout(TRUE);
    RECT rect;
    other->GetWindowRect(&rect);
    OffsetRect(&rect, 1, 0);
    const DWORD align = other->m_dwStyle;
    UINT dockBar = 0;
    if (align & CBRS_ALIGN_TOP)
        dockBar = AFX_IDW_DOCKBAR_TOP;
    else if (align & CBRS_ALIGN_BOTTOM)
        dockBar = AFX_IDW_DOCKBAR_BOTTOM;
    else if (align & CBRS_ALIGN_LEFT)
        dockBar = AFX_IDW_DOCKBAR_LEFT;
    else if (align & CBRS_ALIGN_RIGHT)
        dockBar = AFX_IDW_DOCKBAR_RIGHT;
    frame->DockControlBar(bar, dockBar, &rect);
}

CMiniDockFrameWnd* UVCreateFloatingFrame(CFrameWnd* frame, DWORD style)
{
    auto* floating = new CUVMiniDockFrameWnd;
    // A failed creation has deleted the frame (it deletes itself after its window).
    return floating->Create(frame, style) ? floating : nullptr;
}
