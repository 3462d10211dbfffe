#include "classlib/ui/MiniDockFrameWnd.h"

#include "classlib/ui/ControlBar.h"
#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"

#include <windowsx.h>

IMPLEMENT_DYNAMIC(CMiniDockFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMiniDockFrameWnd, CFrameWnd)
ON_MESSAGE(WM_NCLBUTTONDOWN, &CMiniDockFrameWnd::OnNcLButtonDown)
ON_MESSAGE(WM_NCLBUTTONDBLCLK, &CMiniDockFrameWnd::OnNcLButtonDblClk)
ON_MESSAGE(WM_CLOSE, &CMiniDockFrameWnd::OnClose)
ON_MESSAGE(CMiniDockFrameWnd::kEmptyMessage, &CMiniDockFrameWnd::OnCloseIfEmpty)
END_MESSAGE_MAP()

BOOL CMiniDockFrameWnd::Create(CFrameWnd* site, DWORD style)
{
    m_pDockSite = site;
    const wchar_t* className =
        AfxRegisterWndClass(CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (!CreateEx(kExStyle, className, nullptr, kStyle, 0, 0, 0, 0, site->m_hWnd, nullptr))
        return FALSE;
    m_pDockBar = new CDockBar(TRUE);
    if (!m_pDockBar->Create(this, WS_CHILD | WS_VISIBLE | (style & CBRS_ALIGN_ANY), AFX_IDW_DOCKBAR_FLOAT)) {
        m_pDockBar = nullptr;
        DestroyWindow();
        return FALSE;
    }
    m_pDockBar->m_dwStyle |= style & CBRS_FLOAT_MULTI;
    return TRUE;
}

void CMiniDockFrameWnd::PostNcDestroy()
{
    delete this;
}

CControlBar* CMiniDockFrameWnd::GetFirstBar() const
{
    if (!m_pDockBar)
        return nullptr;
    for (size_t pos = 0; pos < m_pDockBar->m_arrBars.size(); ++pos) {
        if (CControlBar* bar = m_pDockBar->GetDockedControlBar(static_cast<int>(pos)))
            return bar;
    }
    return nullptr;
}

void CMiniDockFrameWnd::RecalcLayout(BOOL)
{
    if (!m_hWnd || !m_pDockBar || m_bInRecalcLayout)
        return;
    m_bInRecalcLayout = TRUE;
    m_nIdleFlags &= ~(idleLayout | idleNotify);
    // The dock bar lays its bars out and says how much room they take; the frame fits around it.
    const SIZE size = m_pDockBar->CalcFixedLayout(FALSE, TRUE);
    RECT window{0, 0, size.cx, size.cy};
    ::AdjustWindowRectEx(&window, GetStyle(), FALSE, GetExStyle());
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(m_pDockBar->m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    CString title;
    m_pDockBar->GetWindowText(title);
    SetWindowText(title);
    // A frame whose bars are all hidden is hidden with them.
    const bool anyVisible = m_pDockBar->GetDockedVisibleCount() != 0;
    if (anyVisible != ((GetStyle() & WS_VISIBLE) != 0))
        ShowWindow(anyVisible ? SW_SHOWNA : SW_HIDE);
    m_bInRecalcLayout = FALSE;
}

LRESULT CMiniDockFrameWnd::OnNcLButtonDown(WPARAM hitTest, LPARAM lParam)
{
    CControlBar* bar = GetFirstBar();
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (!bar || !bar->m_pDockContext)
        return Default();
    if (hitTest == HTCAPTION) {
        ::SetActiveWindow(m_pDockSite ? m_pDockSite->m_hWnd : m_hWnd);
        bar->m_pDockContext->StartDrag(point);
        return 0;
    }
    if (hitTest >= HTLEFT && hitTest <= HTBOTTOMRIGHT && (bar->m_dwStyle & CBRS_SIZE_DYNAMIC)) {
        bar->m_pDockContext->StartResize(static_cast<int>(hitTest), point);
        return 0;
    }
    return Default();
}

LRESULT CMiniDockFrameWnd::OnNcLButtonDblClk(WPARAM hitTest, LPARAM)
{
    CControlBar* bar = GetFirstBar();
    if (hitTest != HTCAPTION || !bar || !bar->m_pDockContext)
        return Default();
    bar->m_pDockContext->ToggleDocking();
    return 0;
}

LRESULT CMiniDockFrameWnd::OnClose(WPARAM, LPARAM)
{
    // Closing a floating frame hides its bars; they can be shown again where they were.
    if (CControlBar* bar = GetFirstBar(); bar && m_pDockSite)
        m_pDockSite->ShowControlBar(bar, FALSE, FALSE);
    ShowWindow(SW_HIDE);
    return 0;
}

LRESULT CMiniDockFrameWnd::OnCloseIfEmpty(WPARAM, LPARAM)
{
    if (!m_pDockBar || m_pDockBar->GetDockedCount() == 0)
        DestroyWindow();
    return 0;
}
