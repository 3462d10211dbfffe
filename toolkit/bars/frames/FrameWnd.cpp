#include "toolkit/bars/frames/FrameWnd.h"

#include "classlib/ui/AfxIds.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/MiniDockFrameWnd.h"
#include "toolkit/bars/frames/FrameBarState.h"

IMPLEMENT_DYNCREATE(CUVFrameWnd, CFrameWnd)

void CUVFrameWnd::EnableDocking(DWORD dockStyle)
{
    EnableUVDocking(this, dockStyle, 0);
}

void CUVFrameWnd::EnableDockingEx(DWORD dockStyle, DWORD dockBarFlags)
{
    EnableDocking(dockStyle);
    for (const UINT id : {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT}) {
        CControlBar* bar = GetControlBar(id);
        if (bar && bar->IsKindOf(RUNTIME_CLASS(CUVDockBar)))
            static_cast<CUVDockBar*>(bar)->m_dwDockFlags = dockBarFlags;
    }
}

void CUVFrameWnd::LoadBarState(const wchar_t* profileName)
{
    UVLoadBarState(this, profileName);
}

void CUVFrameWnd::SaveBarState(const wchar_t* profileName)
{
    UVSaveBarState(this, profileName);
}

void CUVFrameWnd::DockControlBarLeftOf(CControlBar* bar, CControlBar* other)
{
    RecalcLayout(TRUE);
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
    DockControlBar(bar, dockBar, &rect);
}

CMiniDockFrameWnd* CUVFrameWnd::CreateFloatingFrame(DWORD style)
{
    auto* floating = new CUVMiniDockFrameWnd;
    // A failed creation has deleted the frame (it deletes itself after its window).
    return floating->Create(this, style) ? floating : nullptr;
}
