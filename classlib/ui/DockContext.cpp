#include "classlib/ui/DockContext.h"

#include "classlib/ui/ControlBar.h"
#include "classlib/ui/DockBar.h"
#include "classlib/ui/FrameWnd.h"

#include <algorithm>

namespace {

// The window style a floating frame's rectangle is computed with: caption and sizing border.
constexpr DWORD kFloatingFrameStyle = WS_CAPTION | WS_THICKFRAME;

// Moves `rect` the least distance that puts `point` inside it.
void MoveOver(RECT& rect, POINT point)
{
    if (point.x < rect.left)
        OffsetRect(&rect, point.x - rect.left, 0);
    else if (point.x >= rect.right)
        OffsetRect(&rect, point.x - rect.right + 1, 0);
    if (point.y < rect.top)
        OffsetRect(&rect, 0, point.y - rect.top);
    else if (point.y >= rect.bottom)
        OffsetRect(&rect, 0, point.y - rect.bottom + 1);
}

// Inverts a frame `thickness` wide along the inside of `rect` with the halftone pattern.
void InvertFrame(HDC dc, const RECT& rect, int thickness)
{
    static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP bits = ::CreateBitmap(8, 8, 1, 1, pattern);
    HBRUSH brush = ::CreatePatternBrush(bits);
    HGDIOBJ old = ::SelectObject(dc, brush);
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    ::PatBlt(dc, rect.left, rect.top, w, thickness, PATINVERT);
    ::PatBlt(dc, rect.left, rect.bottom - thickness, w, thickness, PATINVERT);
    ::PatBlt(dc, rect.left, rect.top + thickness, thickness, h - 2 * thickness, PATINVERT);
    ::PatBlt(dc, rect.right - thickness, rect.top + thickness, thickness, h - 2 * thickness, PATINVERT);
    ::SelectObject(dc, old);
    ::DeleteObject(brush);
    ::DeleteObject(bits);
}

constexpr UINT kSideIds[] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT};

}  // namespace

CDockContext::CDockContext(CControlBar* bar) : m_pBar(bar), m_pDockSite(bar->m_pDockSite) {}

CFrameWnd* CDockContext::FloatingFrame() const
{
    CDockBar* dockBar = m_pBar->m_pDockBar;
    return dockBar && dockBar->m_bFloating ? dockBar->GetParentFrame() : nullptr;
}

void CDockContext::RecordPlace()
{
    if (CFrameWnd* floating = FloatingFrame()) {
        RECT window;
        floating->GetWindowRect(&window);
        m_ptMRUFloatPos = POINT{window.left, window.top};
        m_dwMRUFloatStyle = m_pBar->m_pDockBar->m_dwStyle;
        m_bHasFloatPos = TRUE;
    } else if (m_pBar->m_pDockBar) {
        m_uMRUDockID = static_cast<UINT>(m_pBar->m_pDockBar->GetDlgCtrlID());
        m_pBar->GetWindowRect(&m_rectMRUDockPos);
    }
}

void CDockContext::StartDrag(POINT point)
{
    if (!m_pDockSite)
        m_pDockSite = m_pBar->m_pDockSite;
    if (!m_pDockSite || ::GetCapture())
        return;
    m_bDragging = TRUE;
    InitLoop();
    InitDragRects(point);
    Move(point, m_bForceFrame);
    Track();
}

void CDockContext::InitDragRects(POINT point)
{
    RECT window;
    m_pBar->GetWindowRect(&window);
    m_ptLast = point;
    const bool dynamic = (m_pBar->m_dwStyle & CBRS_SIZE_DYNAMIC) != 0;
    const SIZE horz = m_pBar->CalcDynamicLayout(0, LM_HORZ | LM_HORZDOCK);
    const SIZE vert = m_pBar->CalcDynamicLayout(0, LM_VERTDOCK);
    const SIZE floating = dynamic ? m_pBar->CalcDynamicLayout(0, LM_HORZ | LM_MRUWIDTH) : horz;
    if (dynamic) {
        // A bar that sizes itself keeps its place under the cursor.
        m_rectDragHorz = RECT{window.left, window.top, window.left + horz.cx, window.top + horz.cy};
        m_rectDragVert = RECT{window.left, window.top, window.left + vert.cx, window.top + vert.cy};
    } else {
        // A fixed bar is centred on the cursor along its length.
        m_rectDragHorz = RECT{point.x - horz.cx / 2, window.top, point.x - horz.cx / 2 + horz.cx, window.top + horz.cy};
        m_rectDragVert =
            RECT{window.left, point.y - vert.cy / 2, window.left + vert.cx, point.y - vert.cy / 2 + vert.cy};
    }
    m_rectFrameDrag = RECT{m_rectDragHorz.left, m_rectDragHorz.top, m_rectDragHorz.left + floating.cx,
                           m_rectDragHorz.top + floating.cy};
    ::AdjustWindowRectEx(&m_rectFrameDrag, kFloatingFrameStyle, FALSE, WS_EX_TOOLWINDOW);
    ::InflateRect(&m_rectFrameDrag, -GetSystemMetrics(SM_CXBORDER), -GetSystemMetrics(SM_CYBORDER));
    MoveOver(m_rectDragHorz, point);
    MoveOver(m_rectDragVert, point);
    MoveOver(m_rectFrameDrag, point);
}

void CDockContext::InitLoop()
{
    m_bCancelled = FALSE;
    m_bLastShown = FALSE;
    m_pOverDockBar = nullptr;
    m_bForceFrame = GetKeyState(VK_CONTROL) < 0;
    // The drag rectangle is drawn over every window: nothing may repaint under it meanwhile.
    ::LockWindowUpdate(::GetDesktopWindow());
}

void CDockContext::CancelLoop()
{
    DrawFocusRect(TRUE);
    if (::GetCapture() == m_pBar->m_hWnd)
        ::ReleaseCapture();
    ::LockWindowUpdate(nullptr);
}

BOOL CDockContext::Track()
{
    ::SetCapture(m_pBar->m_hWnd);
    while (::GetCapture() == m_pBar->m_hWnd) {
        MSG msg;
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        switch (msg.message) {
        case WM_LBUTTONUP:
            if (m_bDragging)
                EndDrag();
            else
                EndResize();
            return TRUE;
        case WM_MOUSEMOVE:
            if (m_bDragging)
                Move(msg.pt, (msg.wParam & MK_CONTROL) != 0);
            else
                Stretch(msg.pt);
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (msg.wParam == VK_ESCAPE) {
                m_bCancelled = TRUE;
                CancelLoop();
                return FALSE;
            }
            if (msg.wParam == VK_CONTROL && m_bDragging)
                Move(m_ptLast, msg.message == WM_KEYDOWN);
            break;
        case WM_RBUTTONDOWN:
            m_bCancelled = TRUE;
            CancelLoop();
            return FALSE;
        default:
            ::DispatchMessageW(&msg);
            break;
        }
    }
    m_bCancelled = TRUE;
    CancelLoop();
    return FALSE;
}

void CDockContext::Move(POINT point, BOOL ctrl)
{
    const int dx = point.x - m_ptLast.x;
    const int dy = point.y - m_ptLast.y;
    OffsetRect(&m_rectDragHorz, dx, dy);
    OffsetRect(&m_rectDragVert, dx, dy);
    OffsetRect(&m_rectFrameDrag, dx, dy);
    m_ptLast = point;
    m_bForceFrame = ctrl;
    m_pOverDockBar = m_bForceFrame ? nullptr : FindDockBar();
    DrawFocusRect();
}

CDockBar* CDockContext::FindDockBarIn(CFrameWnd* frame, const RECT& rect, DWORD sides) const
{
    for (UINT id : kSideIds) {
        CControlBar* found = frame->GetControlBar(id);
        if (!found || !found->IsDockBar() || !(found->m_dwStyle & sides & CBRS_ALIGN_ANY) || !found->IsWindowVisible())
            continue;
        auto* dockBar = static_cast<CDockBar*>(found);
        RECT area;
        dockBar->GetWindowRect(&area);
        // An empty side is still a target: it counts as 8 pixels thick, within the frame.
        if (area.right - area.left == 0 || area.bottom - area.top == 0) {
            InflateRect(&area, area.right == area.left ? 4 : 0, area.bottom == area.top ? 4 : 0);
            RECT client;
            ::GetClientRect(::GetParent(dockBar->m_hWnd), &client);
            ::MapWindowPoints(::GetParent(dockBar->m_hWnd), nullptr, reinterpret_cast<POINT*>(&client), 2);
            IntersectRect(&area, &area, &client);
        }
        RECT overlap;
        if (IntersectRect(&overlap, &area, &rect))
            return dockBar;
    }
    return nullptr;
}

CDockBar* CDockContext::FindDockBar()
{
    const DWORD sides = m_pBar->m_dwDockStyle;
    if (CDockBar* dockBar = FindDockBarIn(m_pDockSite, m_rectDragHorz, sides & CBRS_ORIENT_HORZ))
        return dockBar;
    return FindDockBarIn(m_pDockSite, m_rectDragVert, sides & CBRS_ORIENT_VERT);
}

void CDockContext::DrawFocusRect(BOOL remove)
{
    HDC dc = ::GetDCEx(::GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (!dc)
        return;
    if (m_bLastShown)
        InvertFrame(dc, m_rectLast, m_sizeLast.cx);
    m_bLastShown = FALSE;
    if (!remove) {
        // A docked drop shows the bar's outline; a floating one the frame's, drawn thicker.
        if (m_pOverDockBar) {
            m_rectLast = (m_pOverDockBar->m_dwStyle & CBRS_ORIENT_HORZ) ? m_rectDragHorz : m_rectDragVert;
            m_sizeLast = SIZE{1, 1};
        } else {
            m_rectLast = m_rectFrameDrag;
            m_sizeLast = SIZE{3, 3};
        }
        InvertFrame(dc, m_rectLast, m_sizeLast.cx);
        m_bLastShown = TRUE;
    }
    ::ReleaseDC(::GetDesktopWindow(), dc);
}

void CDockContext::EndDrag()
{
    CancelLoop();
    RecordPlace();
    if (m_pOverDockBar) {
        CDockBar* dockBar = m_pOverDockBar;
        CFrameWnd* target = dockBar->GetParentFrame();
        const RECT rect = (dockBar->m_dwStyle & CBRS_ORIENT_HORZ) ? m_rectDragHorz : m_rectDragVert;
        CFrameWnd* oldSite = m_pDockSite;
        if (target && target != oldSite)
            MoveToFrame(target);
        m_pDockSite->DockControlBar(m_pBar, dockBar, &rect);
        m_pDockSite->RecalcLayout();
        if (oldSite != m_pDockSite)
            oldSite->RecalcLayout();
        return;
    }
    m_pDockSite->FloatControlBar(m_pBar, POINT{m_rectFrameDrag.left, m_rectFrameDrag.top},
                                 CBRS_ALIGN_TOP | (m_pBar->m_dwDockStyle & CBRS_FLOAT_MULTI));
}

void CDockContext::MoveToFrame(CFrameWnd* frame)
{
    // The bar now belongs to the other frame's layout, bar list and command routing.
    m_pDockSite->RemoveControlBar(m_pBar);
    frame->AddControlBar(m_pBar);
    m_pBar->m_pDockSite = frame;
    m_pBar->SetOwner(frame);
    m_pDockSite = frame;
}

void CDockContext::ToggleDocking()
{
    if (!m_pDockSite)
        m_pDockSite = m_pBar->m_pDockSite;
    if (!m_pDockSite)
        return;
    if (FloatingFrame()) {
        if (!(m_pBar->m_dwDockStyle & CBRS_ALIGN_ANY))
            return;
        const UINT dockId = m_uMRUDockID;
        const RECT dockRect = m_rectMRUDockPos;
        RecordPlace();
        CControlBar* found = dockId ? m_pDockSite->GetControlBar(dockId) : nullptr;
        CDockBar* dockBar = found && found->IsDockBar() ? static_cast<CDockBar*>(found) : nullptr;
        m_pDockSite->DockControlBar(m_pBar, dockBar, dockBar ? &dockRect : nullptr);
        m_pDockSite->RecalcLayout();
        return;
    }
    const BOOL hadFloatPos = m_bHasFloatPos;
    const POINT floatPos = m_ptMRUFloatPos;
    const DWORD floatStyle = m_dwMRUFloatStyle;
    RecordPlace();
    POINT point = floatPos;
    if (!hadFloatPos) {
        RECT window;
        m_pBar->GetWindowRect(&window);
        point = POINT{window.left, window.top};
    }
    m_pDockSite->FloatControlBar(m_pBar, point, CBRS_ALIGN_TOP | (floatStyle & CBRS_FLOAT_MULTI));
}

void CDockContext::StartResize(int hitTest, POINT point)
{
    CFrameWnd* floating = FloatingFrame();
    if (!floating || !(m_pBar->m_dwStyle & CBRS_SIZE_DYNAMIC) || ::GetCapture())
        return;
    m_bDragging = FALSE;
    m_nHitTest = hitTest;
    InitLoop();
    floating->GetWindowRect(&m_rectFrameDrag);
    m_ptLast = point;
    DrawFocusRect();
    Track();
}

void CDockContext::Stretch(POINT point)
{
    const int dx = point.x - m_ptLast.x;
    const int dy = point.y - m_ptLast.y;
    m_ptLast = point;
    const bool left = m_nHitTest == HTLEFT || m_nHitTest == HTTOPLEFT || m_nHitTest == HTBOTTOMLEFT;
    const bool right = m_nHitTest == HTRIGHT || m_nHitTest == HTTOPRIGHT || m_nHitTest == HTBOTTOMRIGHT;
    const bool top = m_nHitTest == HTTOP || m_nHitTest == HTTOPLEFT || m_nHitTest == HTTOPRIGHT;
    const bool bottom = m_nHitTest == HTBOTTOM || m_nHitTest == HTBOTTOMLEFT || m_nHitTest == HTBOTTOMRIGHT;
    RECT wanted = m_rectFrameDrag;
    if (left)
        wanted.left += dx;
    if (right)
        wanted.right += dx;
    if (top)
        wanted.top += dy;
    if (bottom)
        wanted.bottom += dy;
    // The bar answers the length asked of it with the size it can really take.
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, kFloatingFrameStyle, FALSE, WS_EX_TOOLWINDOW);
    const int cxFrame = frame.right - frame.left;
    const int cyFrame = frame.bottom - frame.top;
    // The floating dock bar lays its bar out over its two-pixel border lines at both ends: the
    // bar is that much longer than the frame's client area.
    const int cxLine = 4 * GetSystemMetrics(SM_CXBORDER);
    const int cyLine = 4 * GetSystemMetrics(SM_CYBORDER);
    const bool byHeight = (top || bottom) && !(left || right);
    const int length =
        byHeight ? (wanted.bottom - wanted.top) - cyFrame + cyLine : (wanted.right - wanted.left) - cxFrame + cxLine;
    m_nResizeMode = LM_HORZ | (byHeight ? LM_LENGTHY : 0);
    m_nResizeLength = std::max(length, 0);
    const SIZE size = m_pBar->CalcDynamicLayout(m_nResizeLength, m_nResizeMode);
    // The edge that was not dragged stays.
    RECT result = m_rectFrameDrag;
    if (left)
        result.left = result.right - (size.cx - cxLine + cxFrame);
    else
        result.right = result.left + size.cx - cxLine + cxFrame;
    if (top)
        result.top = result.bottom - (size.cy - cyLine + cyFrame);
    else
        result.bottom = result.top + size.cy - cyLine + cyFrame;
    if (!EqualRect(&result, &m_rectFrameDrag)) {
        m_rectFrameDrag = result;
        DrawFocusRect();
    }
}

void CDockContext::EndResize()
{
    CancelLoop();
    CFrameWnd* floating = FloatingFrame();
    if (!floating || m_nResizeMode == 0)
        return;
    m_pBar->CalcDynamicLayout(m_nResizeLength, m_nResizeMode | LM_COMMIT);
    ::SetWindowPos(floating->m_hWnd, nullptr, m_rectFrameDrag.left, m_rectFrameDrag.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    floating->RecalcLayout();
    m_nResizeMode = 0;
}
