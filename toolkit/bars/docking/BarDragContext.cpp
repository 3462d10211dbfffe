#include "toolkit/bars/docking/BarDragContext.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "classlib/ui/View.h"
#include "toolkit/bars/docking/ControlBar.h"

#include <algorithm>
#include <vector>

void CUVBarDragContext::StartDrag(POINT point)
{
    m_bLoopEnded = FALSE;
    Notify(TRUE);
    CDockContext::StartDrag(point);
    m_bLoopEnded = TRUE;
    // Frames the drag reached into were marked for a layout that their idle time may not bring
    // soon: they lay out now, whether the bar stayed with them or not.
    std::vector<CFrameWnd*> touched;
    touched.swap(m_touchedFrames);
    for (CFrameWnd* frame : touched) {
        if (frame != m_pDockSite && ::IsWindow(frame->m_hWnd))
            frame->RecalcLayout();
    }
    Notify(FALSE);
    if (m_pDockSite)
        m_pDockSite->RecalcLayout();
}

void CUVBarDragContext::TouchFrame(CFrameWnd* frame)
{
    if (std::find(m_touchedFrames.begin(), m_touchedFrames.end(), frame) != m_touchedFrames.end())
        return;
    m_touchedFrames.push_back(frame);
    frame->DelayRecalcLayout();
}

BOOL CUVBarDragContext::AddDragObserver(DragObserver observer, void* context)
{
    for (Slot& slot : m_slots) {
        if (!slot.observer) {
            slot = Slot{context, observer, m_nextSerial++};
            return TRUE;
        }
    }
    return FALSE;
}

void CUVBarDragContext::RemoveDragObserver(DragObserver observer, void* context)
{
    for (Slot& slot : m_slots) {
        if (slot.observer == observer && slot.context == context)
            slot = Slot{};
    }
}

void CUVBarDragContext::Notify(BOOL started)
{
    for (const Slot& slot : m_slots) {
        if (slot.observer)
            slot.observer(slot.context, this, started);
    }
}

void CUVBarDragContext::InitDragRects(POINT point)
{
    CDockContext::InitDragRects(point);
    // A docked bar may hold its floating frame at an offset of its own (the menu bar holds it by
    // the middle of the caption).
    if (m_pBar->m_pDockBar && !m_pBar->m_pDockBar->m_bFloating) {
        SIZE offset{m_rectFrameDrag.right - m_rectFrameDrag.left, 0};
        if (m_pBar->SendMessage(WM_UV_REBAR_DRAGOFFSET, 0, reinterpret_cast<LPARAM>(&offset))) {
            const int width = m_rectFrameDrag.right - m_rectFrameDrag.left;
            const int height = m_rectFrameDrag.bottom - m_rectFrameDrag.top;
            m_rectFrameDrag.left = point.x - offset.cx;
            m_rectFrameDrag.top = point.y - offset.cy;
            m_rectFrameDrag.right = m_rectFrameDrag.left + width;
            m_rectFrameDrag.bottom = m_rectFrameDrag.top + height;
        }
    }
    m_pBar->PostMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(m_pBar->m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

namespace {

struct FrameSearch {
    POINT cursor;
    CFrameWnd* skip;
    std::vector<CFrameWnd*> found;
};

BOOL CALLBACK CollectFrames(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<FrameSearch*>(param);
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd || !wnd->IsKindOf(RUNTIME_CLASS(CFrameWnd)) || wnd->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)) ||
        !::IsWindowVisible(hwnd) || wnd == search->skip)
        return TRUE;
    RECT rect;
    ::GetWindowRect(hwnd, &rect);
    if (PtInRect(&rect, search->cursor))
        search->found.push_back(static_cast<CFrameWnd*>(wnd));
    return TRUE;
}

}  // namespace

CDockBar* CUVBarDragContext::FindDockBar()
{
    const DWORD sides = m_pBar->m_dwDockStyle;
    const RECT cursor{m_ptLast.x, m_ptLast.y, m_ptLast.x + 1, m_ptLast.y + 1};
    const auto search = [&](CFrameWnd* frame) -> CDockBar* {
        // The cursor first, then the drag rectangles; the first hit wins.
        if (CDockBar* dockBar = FindDockBarIn(frame, cursor, sides))
            return dockBar;
        if (CDockBar* dockBar = FindDockBarIn(frame, m_rectDragHorz, sides & CBRS_ORIENT_HORZ))
            return dockBar;
        return FindDockBarIn(frame, m_rectDragVert, sides & CBRS_ORIENT_VERT);
    };
    if (CDockBar* dockBar = search(m_pDockSite))
        return dockBar;
    // Another top-level frame of the application under the cursor (top-level windows come in Z
    // order, so the first is the one the user sees).
    FrameSearch frames{m_ptLast, m_pDockSite, {}};
    EnumThreadWindows(GetCurrentThreadId(), &CollectFrames, reinterpret_cast<LPARAM>(&frames));
    // Then the frame of the active view (an MDI child's own dock bars) and the bar's own frame.
    CView* view = m_pDockSite->GetActiveView();
    for (CFrameWnd* frame : {view ? view->GetParentFrame() : nullptr, m_pBar->GetParentFrame()}) {
        if (frame && frame != m_pDockSite && !frame->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)))
            frames.found.push_back(frame);
    }
    for (CFrameWnd* frame : frames.found) {
        if (CDockBar* dockBar = search(frame)) {
            TouchFrame(frame);
            return dockBar;
        }
    }
    return nullptr;
}
