#include "classlib/ui/ControlBar.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/DockState.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Gdi.h"

#include <windowsx.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_SIZEPARENT, &CControlBar::OnSizeParent)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &CControlBar::OnIdleUpdateCmdUI)
ON_MESSAGE(WM_PAINT, &CControlBar::OnPaint)
ON_MESSAGE(WM_LBUTTONDOWN, &CControlBar::OnLButtonDown)
ON_MESSAGE(WM_LBUTTONDBLCLK, &CControlBar::OnLButtonDblClk)
ON_MESSAGE(WM_TIMER, &CControlBar::OnFlyByTimer)
END_MESSAGE_MAP()

namespace {

// A gripper strip: its border, the raised line and the border on its far side.
constexpr int kGripperSpace = 7;

// While a fly-by text shows, this timer watches for the mouse leaving the bar (no message says so
// for a window that does not track the mouse).
constexpr UINT_PTR kFlyByTimer = 0xE000;
constexpr UINT kFlyByInterval = 200;

// One tooltip window serves every bar of the thread; it names the bar and tool it shows.
struct ToolTipState {
    HWND window = nullptr;
    HWND bar = nullptr;
    INT_PTR tool = -1;
};
thread_local ToolTipState t_toolTip;

HWND ThreadToolTip(HWND bar)
{
    if (t_toolTip.window && ::IsWindow(t_toolTip.window))
        return t_toolTip.window;
    // Owned by the bar's top-level window, so that it goes with the frame it serves.
    HWND owner = ::GetAncestor(bar, GA_ROOT);
    t_toolTip.window =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
    t_toolTip.bar = nullptr;
    t_toolTip.tool = -1;
    return t_toolTip.window;
}

bool IsMouseMessage(UINT message)
{
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK);
}

}  // namespace

void AfxRepositionWindow(AFX_SIZEPARENTPARAMS* layout, HWND hwnd, const RECT& rect)
{
    if (!layout->hDWP)
        return;
    // A window already in place is left alone: under Wine every move costs a server round trip.
    RECT current;
    ::GetWindowRect(hwnd, &current);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&current), 2);
    if (EqualRect(&current, &rect))
        return;
    // The rectangle is in the client coordinates of the window's parent. The erasing waits for the
    // paint that follows (or for the frame's own resize to end): under Wine every move that erases
    // at once erases the whole frame again, each pass a DC and display look-ups per window.
    layout->hDWP = ::DeferWindowPos(layout->hDWP, hwnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top, SWP_NOACTIVATE | SWP_NOZORDER | SWP_DEFERERASE);
}

CControlBar::~CControlBar()
{
    // A bar destroyed with its object (a member of its frame) leaves no stale pointers behind.
    if (m_hWnd)
        DestroyWindow();
    delete m_pDockContext;
}

BOOL CControlBar::PreTranslateMessage(MSG* msg)
{
    if (!IsMouseMessage(msg->message) || !m_hWnd || !::IsWindowVisible(m_hWnd))
        return FALSE;
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))
        return FALSE;
    // Only the innermost bar under the mouse speaks for it.
    if (CWnd* below = FromHandlePermanent(msg->hwnd);
        below && below != this && below->IsKindOf(RUNTIME_CLASS(CControlBar)))
        return FALSE;
    POINT point = msg->pt;
    ::ScreenToClient(m_hWnd, &point);
    if ((m_dwStyle & CBRS_TOOLTIPS) && !IsDockBar()) {
        HWND tip = ThreadToolTip(m_hWnd);
        TOOLINFOW info{};
        info.cbSize = sizeof(info);
        const INT_PTR hit = OnToolHitTest(point, &info);
        if (tip && (hit != t_toolTip.tool || m_hWnd != t_toolTip.bar)) {
            if (t_toolTip.bar && ::IsWindow(t_toolTip.bar)) {
                TOOLINFOW old{};
                old.cbSize = sizeof(old);
                old.hwnd = t_toolTip.bar;
                old.uId = static_cast<UINT_PTR>(t_toolTip.tool);
                ::SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&old));
            }
            t_toolTip.bar = nullptr;
            t_toolTip.tool = -1;
            if (hit != -1) {
                info.hwnd = m_hWnd;
                info.uId = static_cast<UINT_PTR>(hit);
                info.uFlags &= ~TTF_IDISHWND;
                info.lpszText = LPSTR_TEXTCALLBACKW;
                ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
                t_toolTip.bar = m_hWnd;
                t_toolTip.tool = hit;
            }
        }
        if (tip && hit != -1) {
            // The tooltip tracks its tools in the bar's own coordinates.
            MSG relayed = *msg;
            relayed.hwnd = m_hWnd;
            if (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
                relayed.lParam = MAKELPARAM(point.x, point.y);
            ::SendMessageW(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        }
    }
    if ((m_dwStyle & CBRS_FLYBY) && msg->message == WM_MOUSEMOVE && !IsDockBar()) {
        const INT_PTR hit = OnToolHitTest(point, nullptr);
        if (static_cast<int>(hit) != m_nStatusId) {
            SetStatusText(static_cast<int>(hit));
            if (hit != -1)
                SetTimer(kFlyByTimer, kFlyByInterval);
        }
    }
    return FALSE;
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool forwarded = message == WM_NOTIFY || message == WM_COMMAND || message == WM_DRAWITEM ||
                           message == WM_MEASUREITEM || message == WM_DELETEITEM || message == WM_VKEYTOITEM ||
                           message == WM_CHARTOITEM || message == WM_COMPAREITEM;
    if (!forwarded)
        return CWnd::WindowProc(message, wParam, lParam);
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    CWnd* owner = GetOwner();
    if (owner && owner != this)
        result = owner->SendMessage(message, wParam, lParam);
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && (header->code == TTN_NEEDTEXTW || header->code == TTN_NEEDTEXTA)) {
            bool empty;
            if (header->code == TTN_NEEDTEXTW) {
                const auto* text = reinterpret_cast<NMTTDISPINFOW*>(lParam);
                empty = (!text->lpszText || !*text->lpszText) && !text->szText[0];
            } else {
                const auto* text = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                empty = (!text->lpszText || !*text->lpszText) && !text->szText[0];
            }
            if (empty)
                result = DefWindowProc(message, wParam, lParam);
        }
    }
    return result;
}

INT_PTR CControlBar::OnToolHitTest(POINT point, TOOLINFOW* info) const
{
    HWND child = ::ChildWindowFromPointEx(m_hWnd, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == m_hWnd)
        return -1;
    const INT_PTR id = ::GetDlgCtrlID(child);
    if (info) {
        info->hwnd = m_hWnd;
        info->uId = static_cast<UINT_PTR>(id);
        ::GetWindowRect(child, &info->rect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&info->rect), 2);
        info->lpszText = LPSTR_TEXTCALLBACKW;
    }
    return id;
}

BOOL CControlBar::SetStatusText(int id)
{
    if (id == m_nStatusId)
        return FALSE;
    m_nStatusId = id;
    CWnd* owner = GetOwner();
    if (!owner)
        return FALSE;
    AfxSendStatusText(owner, id);
    return TRUE;
}

void AfxSendStatusText(CWnd* frame, int id)
{
    if (id == -1)
        frame->SendMessage(WM_POPMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    else
        frame->SendMessage(WM_SETMESSAGESTRING, static_cast<WPARAM>(id));
}

LRESULT CControlBar::OnFlyByTimer(WPARAM id, LPARAM)
{
    if (id != kFlyByTimer)
        return Default();
    POINT cursor;
    ::GetCursorPos(&cursor);
    RECT window;
    GetWindowRect(&window);
    if (!PtInRect(&window, cursor) || !IsWindowVisible()) {
        KillTimer(kFlyByTimer);
        SetStatusText(-1);
    }
    return 0;
}

LRESULT CControlBar::OnPaint(WPARAM, LPARAM)
{
    CPaintDC dc(this);
    DoPaint(&dc);
    return 0;
}

void CControlBar::DoPaint(CDC* dc)
{
    RECT rect;
    GetClientRect(&rect);
    DrawBorders(dc, rect);
    DrawGripper(dc, rect);
}

void CControlBar::DrawBorderLines(CDC* dc, RECT& rect, COLORREF outer, COLORREF inner)
{
    const DWORD style = m_dwStyle;
    const int cx = GetSystemMetrics(SM_CXBORDER);
    const int cy = GetSystemMetrics(SM_CYBORDER);
    // Each border is two lines deep: the outer line, and the inner one for CBRS_BORDER_3D.
    const auto lines = [&](COLORREF colour, int depth) {
        const RECT r = rect;
        if (style & CBRS_BORDER_LEFT) {
            const RECT line{r.left + depth * cx, r.top, r.left + (depth + 1) * cx, r.bottom};
            dc->FillSolidRect(&line, colour);
        }
        if (style & CBRS_BORDER_TOP) {
            const RECT line{r.left, r.top + depth * cy, r.right, r.top + (depth + 1) * cy};
            dc->FillSolidRect(&line, colour);
        }
        if (style & CBRS_BORDER_RIGHT) {
            const RECT line{r.right - (depth + 1) * cx, r.top, r.right - depth * cx, r.bottom};
            dc->FillSolidRect(&line, colour);
        }
        if (style & CBRS_BORDER_BOTTOM) {
            const RECT line{r.left, r.bottom - (depth + 1) * cy, r.right, r.bottom - depth * cy};
            dc->FillSolidRect(&line, colour);
        }
    };
    lines(outer, 0);
    if (style & CBRS_BORDER_3D)
        lines(inner, 1);
    if (style & CBRS_BORDER_LEFT)
        rect.left += 2 * cx;
    if (style & CBRS_BORDER_TOP)
        rect.top += 2 * cy;
    if (style & CBRS_BORDER_RIGHT)
        rect.right -= 2 * cx;
    if (style & CBRS_BORDER_BOTTOM)
        rect.bottom -= 2 * cy;
}

void CControlBar::DrawBorders(CDC* dc, RECT& rect)
{
    DrawBorderLines(dc, rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
}

void CControlBar::DrawGripper(CDC* dc, const RECT& rect)
{
    if ((m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) != CBRS_GRIPPER)
        return;
    DrawRaisedStrip(dc, GripperStrip(rect, 2, 3), GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW),
                    GetSysColor(COLOR_BTNFACE));
}

void CControlBar::DrawRaisedStrip(CDC* dc, const RECT& strip, COLORREF light, COLORREF shadow, COLORREF face)
{
    // Light on the leading sides, shadow left standing on the trailing ones.
    dc->FillSolidRect(&strip, shadow);
    const RECT lit{strip.left, strip.top, strip.right - 1, strip.bottom - 1};
    dc->FillSolidRect(&lit, light);
    const RECT inside{strip.left + 1, strip.top + 1, strip.right - 1, strip.bottom - 1};
    if (inside.left < inside.right && inside.top < inside.bottom)
        dc->FillSolidRect(&inside, face);
}

RECT CControlBar::GripperStrip(const RECT& rect, int offset, int width) const
{
    // Along the bar's short side, between its borders, 2 pixels in from each.
    if (m_dwStyle & CBRS_ORIENT_HORZ)
        return RECT{rect.left + offset, rect.top + m_cyTopBorder + 2, rect.left + offset + width,
                    rect.bottom - m_cyBottomBorder - 2};
    return RECT{rect.left + m_cyTopBorder + 2, rect.top + offset, rect.right - m_cyBottomBorder - 2,
                rect.top + offset + width};
}

LRESULT CControlBar::OnLButtonDown(WPARAM, LPARAM lParam)
{
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (!m_pDockContext || OnToolHitTest(point, nullptr) != -1)
        return Default();
    ::ClientToScreen(m_hWnd, &point);
    m_pDockContext->StartDrag(point);
    return 0;
}

LRESULT CControlBar::OnLButtonDblClk(WPARAM, LPARAM lParam)
{
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (!m_pDockContext || OnToolHitTest(point, nullptr) != -1)
        return Default();
    m_pDockContext->ToggleDocking();
    return 0;
}

BOOL CControlBar::CreateBar(const wchar_t* className, DWORD style, CWnd* parent, UINT id)
{
    m_dwStyle = style & CBRS_ALL;
    if (!className)
        className = AfxRegisterWndClass(CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW),
                                        reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    return Create(className, nullptr, (style & ~CBRS_ALL) | WS_CHILD | WS_CLIPSIBLINGS, RECT{0, 0, 0, 0}, parent, id);
}

void CControlBar::PostNcDestroy()
{
    if (m_bAutoDelete)
        delete this;
}

int CControlBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    // A bar created straight in a frame belongs to that frame's layout and bar list.
    CWnd* parent = GetParent();
    if (parent && parent->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        m_pDockSite = static_cast<CFrameWnd*>(parent);
        m_pDockSite->AddControlBar(this);
    }
    return 0;
}

void CControlBar::OnDestroy()
{
    if (m_pDockBar) {
        m_pDockBar->RemoveControlBar(this);
        m_pDockBar = nullptr;
    }
    if (m_pDockSite) {
        m_pDockSite->RemoveControlBar(this);
        m_pDockSite = nullptr;
    }
    CWnd::OnDestroy();
}

void CControlBar::SetBorders(int left, int top, int right, int bottom)
{
    m_cxLeftBorder = left;
    m_cyTopBorder = top;
    m_cxRightBorder = right;
    m_cyBottomBorder = bottom;
}

void CControlBar::CalcInsideRect(RECT& rect, BOOL horz) const
{
    const int cxLine = 2 * GetSystemMetrics(SM_CXBORDER);
    const int cyLine = 2 * GetSystemMetrics(SM_CYBORDER);
    if (m_dwStyle & CBRS_BORDER_LEFT)
        rect.left += cxLine;
    if (m_dwStyle & CBRS_BORDER_TOP)
        rect.top += cyLine;
    if (m_dwStyle & CBRS_BORDER_RIGHT)
        rect.right -= cxLine;
    if (m_dwStyle & CBRS_BORDER_BOTTOM)
        rect.bottom -= cyLine;
    const bool gripper = (m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) == CBRS_GRIPPER;
    // A vertical bar turns its borders with it: the long sides keep the long borders.
    if (horz) {
        rect.left += m_cxLeftBorder + (gripper ? kGripperSpace : 0);
        rect.top += m_cyTopBorder;
        rect.right -= m_cxRightBorder;
        rect.bottom -= m_cyBottomBorder;
    } else {
        rect.left += m_cyTopBorder;
        rect.top += m_cxLeftBorder + (gripper ? kGripperSpace : 0);
        rect.right -= m_cyBottomBorder;
        rect.bottom -= m_cxRightBorder;
    }
}

SIZE CControlBar::CalcFixedLayout(BOOL stretch, BOOL horz)
{
    return SIZE{stretch && horz ? 32767 : 0, stretch && !horz ? 32767 : 0};
}

SIZE CControlBar::CalcDynamicLayout(int, DWORD mode)
{
    return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
}

void CControlBar::DelayShow(BOOL show)
{
    m_nStateFlags &= ~(delayHide | delayShow);
    const bool visible = (GetStyle() & WS_VISIBLE) != 0;
    if (show && !visible)
        m_nStateFlags |= delayShow;
    else if (!show && visible)
        m_nStateFlags |= delayHide;
}

BOOL CControlBar::IsVisible() const
{
    if (m_nStateFlags & delayHide)
        return FALSE;
    return (m_nStateFlags & delayShow) || (GetStyle() & WS_VISIBLE);
}

DWORD CControlBar::RecalcDelayShow(AFX_SIZEPARENTPARAMS* layout)
{
    DWORD style = (GetStyle() & WS_VISIBLE) | (m_dwStyle & (CBRS_ALIGN_ANY | CBRS_BORDER_ANY));
    const bool visible = (style & WS_VISIBLE) != 0;
    UINT change = 0;
    if ((m_nStateFlags & delayHide) && visible)
        change = SWP_HIDEWINDOW;
    else if ((m_nStateFlags & delayShow) && !visible)
        change = SWP_SHOWWINDOW;
    if (!change) {
        m_nStateFlags &= ~(delayHide | delayShow);
        return style;
    }
    style ^= WS_VISIBLE;
    if (layout->hDWP) {
        m_nStateFlags &= ~(delayHide | delayShow);
        layout->hDWP = ::DeferWindowPos(layout->hDWP, m_hWnd, nullptr, 0, 0, 0, 0,
                                        change | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return style;
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam)
{
    auto* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    const DWORD style = RecalcDelayShow(layout);
    if (!(style & WS_VISIBLE) || !(style & CBRS_ALIGN_ANY))
        return 0;
    RECT rect = layout->rect;
    DWORD mode = layout->bStretch ? LM_STRETCH : 0;
    if ((m_dwStyle & CBRS_SIZE_DYNAMIC) && (m_dwStyle & CBRS_FLOATING))
        mode |= LM_HORZ | LM_MRUWIDTH;
    else if (style & CBRS_ORIENT_HORZ)
        mode |= LM_HORZ | LM_HORZDOCK;
    else
        mode |= LM_VERTDOCK;
    SIZE size = CalcDynamicLayout(-1, mode);
    size.cx = std::min<LONG>(size.cx, rect.right - rect.left);
    size.cy = std::min<LONG>(size.cy, rect.bottom - rect.top);
    if (style & CBRS_ORIENT_HORZ) {
        layout->sizeTotal.cy += size.cy;
        layout->sizeTotal.cx = std::max(layout->sizeTotal.cx, size.cx);
        if (style & CBRS_ALIGN_TOP) {
            layout->rect.top += size.cy;
        } else {
            rect.top = rect.bottom - size.cy;
            layout->rect.bottom -= size.cy;
        }
    } else {
        layout->sizeTotal.cx += size.cx;
        layout->sizeTotal.cy = std::max(layout->sizeTotal.cy, size.cy);
        if (style & CBRS_ALIGN_LEFT) {
            layout->rect.left += size.cx;
        } else {
            rect.left = rect.right - size.cx;
            layout->rect.right -= size.cx;
        }
    }
    rect.right = rect.left + size.cx;
    rect.bottom = rect.top + size.cy;
    AfxRepositionWindow(layout, m_hWnd, rect);
    return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM)
{
    const bool visible = (GetStyle() & WS_VISIBLE) != 0;
    UINT change = 0;
    if ((m_nStateFlags & delayHide) && visible)
        change = SWP_HIDEWINDOW;
    else if ((m_nStateFlags & delayShow) && !visible)
        change = SWP_SHOWWINDOW;
    m_nStateFlags &= ~(delayHide | delayShow);
    if (change)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, change | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Items of a bar nobody sees (itself or its dock bar hidden) are not worth updating.
    if (!(GetStyle() & WS_VISIBLE) || (m_pDockBar && !(m_pDockBar->GetStyle() & WS_VISIBLE)))
        return 0;
    CWnd* owner = GetOwner();
    CFrameWnd* target =
        owner && owner->IsKindOf(RUNTIME_CLASS(CFrameWnd)) ? static_cast<CFrameWnd*>(owner) : GetParentFrame();
    if (target)
        OnUpdateCmdUI(target, static_cast<BOOL>(disableIfNoHandler));
    return 0;
}

void CControlBar::EnableDocking(DWORD dockStyle)
{
    m_dwDockStyle = dockStyle;
    if (!m_pDockContext)
        m_pDockContext = CreateDockContext();
    if (!m_hWndOwner)
        m_hWndOwner = ::GetParent(m_hWnd);
}

CDockContext* CControlBar::CreateDockContext()
{
    return new CDockContext(this);
}

CFrameWnd* CControlBar::GetDockingFrame() const
{
    return GetParentFrame();
}

void CControlBar::GetBarInfo(CControlBarInfo* info)
{
    info->m_nBarID = static_cast<UINT>(GetDlgCtrlID());
    info->m_pBar = this;
    info->m_bVisible = IsVisible();
    info->m_nMRUWidth = m_nMRUWidth;
    if (m_pDockBar) {
        RECT rect;
        GetWindowRect(&rect);
        ::MapWindowPoints(nullptr, m_pDockBar->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        info->m_pointPos = POINT{rect.left, rect.top};
    }
    info->m_bDocking = m_pDockContext != nullptr;
    if (m_pDockContext) {
        info->m_uMRUDockID = m_pDockContext->m_uMRUDockID;
        info->m_rectMRUDockPos = m_pDockContext->m_rectMRUDockPos;
        info->m_dwMRUFloatStyle = m_pDockContext->m_dwMRUFloatStyle;
        info->m_ptMRUFloatPos = m_pDockContext->m_ptMRUFloatPos;
    }
}

void CControlBar::SetBarInfo(CControlBarInfo* info, CFrameWnd*)
{
    m_nMRUWidth = info->m_nMRUWidth;
    if (info->m_bDocking && m_pDockContext) {
        m_pDockContext->m_uMRUDockID = info->m_uMRUDockID;
        m_pDockContext->m_rectMRUDockPos = info->m_rectMRUDockPos;
        m_pDockContext->m_dwMRUFloatStyle = info->m_dwMRUFloatStyle;
        m_pDockContext->m_ptMRUFloatPos = info->m_ptMRUFloatPos;
        // A bar that has floated has a floating style (at least its alignment); one that never
        // did floats where it stands when toggled.
        m_pDockContext->m_bHasFloatPos = info->m_dwMRUFloatStyle != 0;
    }
    UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (info->m_bVisible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    POINT place{};
    if (m_pDockBar) {
        // Each coordinate that was saved; -1 (none, or a bar that sat one pixel over its dock
        // bar's edge) keeps the one the bar has.
        RECT rect;
        GetWindowRect(&rect);
        ::MapWindowPoints(nullptr, m_pDockBar->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        place = POINT{info->m_pointPos.x != -1 ? info->m_pointPos.x : rect.left,
                      info->m_pointPos.y != -1 ? info->m_pointPos.y : rect.top};
    } else {
        flags |= SWP_NOMOVE;
    }
    ::SetWindowPos(m_hWnd, nullptr, place.x, place.y, 0, 0, flags);
    DelayShow(info->m_bVisible);
}
