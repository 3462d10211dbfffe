#include "classlib/ui/ControlBar.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/FrameWnd.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_SIZEPARENT, &CControlBar::OnSizeParent)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &CControlBar::OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

namespace {

// A gripper strip: its border, the raised line and the border on its far side.
constexpr int kGripperSpace = 7;

}  // namespace

void AfxRepositionWindow(AFX_SIZEPARENTPARAMS* layout, HWND hwnd, const RECT& rect)
{
    if (!layout->hDWP)
        return;
    // The rectangle is in the client coordinates of the window's parent.
    layout->hDWP = ::DeferWindowPos(layout->hDWP, hwnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top, SWP_NOACTIVATE | SWP_NOZORDER);
}

CControlBar::~CControlBar()
{
    // A bar destroyed with its object (a member of its frame) leaves no stale pointers behind.
    if (m_hWnd)
        DestroyWindow();
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
    if (!m_hWndOwner)
        m_hWndOwner = ::GetParent(m_hWnd);
}

CFrameWnd* CControlBar::GetDockingFrame() const
{
    return GetParentFrame();
}
