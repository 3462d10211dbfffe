#include "toolkit/bars/docking/MiniDockFrameWnd.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/Gdi.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/look/GlobalData.h"

#include <commctrl.h>
#include <windowsx.h>

IMPLEMENT_DYNAMIC(CUVMiniDockFrameWnd, CMiniDockFrameWnd)

BEGIN_MESSAGE_MAP(CUVMiniDockFrameWnd, CMiniDockFrameWnd)
ON_MESSAGE(CUVMiniDockFrameWnd::kLayoutMessage, &CUVMiniDockFrameWnd::OnLayout)
ON_MESSAGE(WM_NCPAINT, &CUVMiniDockFrameWnd::OnNcPaint)
ON_MESSAGE(WM_NCACTIVATE, &CUVMiniDockFrameWnd::OnNcActivate)
ON_MESSAGE(WM_NCMOUSEMOVE, &CUVMiniDockFrameWnd::OnNcMouseMove)
ON_MESSAGE(WM_NCLBUTTONDOWN, &CUVMiniDockFrameWnd::OnNcLButtonDownUV)
ON_MESSAGE(WM_NCLBUTTONUP, &CUVMiniDockFrameWnd::OnNcLButtonUp)
ON_MESSAGE(WM_DESTROY, &CUVMiniDockFrameWnd::OnDestroy)
END_MESSAGE_MAP()

namespace {

constexpr int kGlyphSize = 10;
constexpr wchar_t kCloseTip[] = L"Close";

// The close glyph: a cross 8 pixels wide, two pixels thick, in a 10 x 10 cell at `origin`.
void DrawCloseGlyph(HDC dc, POINT origin, COLORREF colour)
{
    for (int i = 0; i < 8; ++i) {
        for (int thick = 0; thick < 2; ++thick) {
            SetPixel(dc, origin.x + 1 + i + thick, origin.y + 1 + i, colour);
            SetPixel(dc, origin.x + 8 - i + thick, origin.y + 1 + i, colour);
        }
    }
}

}  // namespace

BOOL CUVMiniDockFrameWnd::Create(CFrameWnd* site, DWORD style)
{
    if (!CMiniDockFrameWnd::Create(site, style))
        return FALSE;
    PostMessage(kLayoutMessage);
    return TRUE;
}

LRESULT CUVMiniDockFrameWnd::OnLayout(WPARAM, LPARAM)
{
    CControlBar* bar = GetFirstBar();
    m_buttons.clear();
    if (bar && bar->IsKindOf(RUNTIME_CLASS(CUVControlBar)) && !static_cast<CUVControlBar*>(bar)->IsMenuBar())
        m_buttons.push_back(CaptionButton{});
    // The caption buttons' tips show where the bar's own tips do.
    if (bar && m_pDockBar)
        m_pDockBar->m_dwStyle = (m_pDockBar->m_dwStyle & ~CBRS_TOOLTIPS) | (bar->m_dwStyle & CBRS_TOOLTIPS);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return 0;
}

RECT CUVMiniDockFrameWnd::GetButtonRect(size_t index) const
{
    RECT window;
    GetWindowRect(&window);
    const int edgeX = GetSystemMetrics(SM_CXSIZEFRAME);
    const int edgeY = GetSystemMetrics(SM_CYSIZEFRAME);
    const SIZE size = uvAfxData.m_sizeSmallCaptionButton;
    const int step = size.cx + (uvAfxData.m_bXPLook ? 0 : 2);
    RECT rect;
    rect.right = window.right - edgeX - static_cast<int>(index) * step - (uvAfxData.m_bXPLook ? 0 : 2);
    rect.left = rect.right - size.cx;
    rect.top = window.top + edgeY;
    rect.bottom = rect.top + size.cy;
    if (!uvAfxData.m_bXPLook)
        InflateRect(&rect, -2, -2);
    if (rect.left < window.left + edgeX)
        SetRectEmpty(&rect);
    return rect;
}

int CUVMiniDockFrameWnd::ButtonAt(POINT point) const
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const RECT rect = GetButtonRect(i);
        if (PtInRect(&rect, point))
            return static_cast<int>(i);
    }
    return -1;
}

void CUVMiniDockFrameWnd::DrawButtons()
{
    if (m_buttons.empty())
        return;
    CWindowDC dc(this);
    RECT window;
    GetWindowRect(&window);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        RECT rect = GetButtonRect(i);
        if (IsRectEmpty(&rect))
            continue;
        OffsetRect(&rect, -window.left, -window.top);
        const CaptionButton& button = m_buttons[i];
        const bool pushed = button.pressed && button.hover;
        dc.FillSolidRect(&rect, GetSysColor(COLOR_BTNFACE));
        if (button.hover || pushed) {
            const COLORREF light = GetUVBarColor(UVBarColor::highlight);
            const COLORREF dark = GetUVBarColor(UVBarColor::shadow);
            const COLORREF topLeft = pushed ? dark : light;
            const COLORREF bottomRight = pushed ? light : dark;
            const RECT top{rect.left, rect.top, rect.right, rect.top + 1};
            const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom};
            const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
            const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
            dc.FillSolidRect(&top, topLeft);
            dc.FillSolidRect(&left, topLeft);
            dc.FillSolidRect(&bottom, bottomRight);
            dc.FillSolidRect(&right, bottomRight);
        }
        const POINT origin{rect.left + (rect.right - rect.left - kGlyphSize) / 2 + (pushed ? 1 : 0),
                           rect.top + (rect.bottom - rect.top - kGlyphSize) / 2 + (pushed ? 1 : 0)};
        DrawCloseGlyph(dc.m_hDC, origin, GetSysColor(COLOR_BTNTEXT));
    }
}

LRESULT CUVMiniDockFrameWnd::OnNcPaint(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    DrawButtons();
    return result;
}

LRESULT CUVMiniDockFrameWnd::OnNcActivate(WPARAM, LPARAM)
{
    // The system redraws its caption on activation: the buttons go on top again.
    const LRESULT result = Default();
    DrawButtons();
    return result;
}

void CUVMiniDockFrameWnd::ShowTip(int button)
{
    if (button == m_nTipButton)
        return;
    m_nTipButton = button;
    const bool wanted = button >= 0 && m_pDockBar && (m_pDockBar->m_dwStyle & CBRS_TOOLTIPS);
    if (wanted && !m_hWndTip) {
        m_hWndTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0, 0, 0,
                                      m_hWnd, nullptr, nullptr, nullptr);
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        tool.hwnd = m_hWnd;
        tool.uId = 1;
        tool.lpszText = const_cast<wchar_t*>(kCloseTip);
        ::SendMessageW(m_hWndTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (!m_hWndTip)
        return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = 1;
    if (wanted) {
        const RECT rect = GetButtonRect(static_cast<size_t>(button));
        ::SendMessageW(m_hWndTip, TTM_TRACKPOSITION, 0, MAKELPARAM(rect.left, rect.bottom + 2));
    }
    ::SendMessageW(m_hWndTip, TTM_TRACKACTIVATE, wanted, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CUVMiniDockFrameWnd::OnNcMouseMove(WPARAM, LPARAM lParam)
{
    const int under = ButtonAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    bool changed = false;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const BOOL hover = static_cast<int>(i) == under;
        changed |= m_buttons[i].hover != hover;
        m_buttons[i].hover = hover;
    }
    if (changed)
        DrawButtons();
    ShowTip(under);
    return Default();
}

LRESULT CUVMiniDockFrameWnd::OnNcLButtonDownUV(WPARAM hitTest, LPARAM lParam)
{
    const int under = ButtonAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (under < 0)
        return OnNcLButtonDown(hitTest, lParam);
    m_buttons[static_cast<size_t>(under)].pressed = TRUE;
    m_buttons[static_cast<size_t>(under)].hover = TRUE;
    DrawButtons();
    return 0;
}

LRESULT CUVMiniDockFrameWnd::OnNcLButtonUp(WPARAM, LPARAM lParam)
{
    const int under = ButtonAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    bool closing = false;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        closing |= m_buttons[i].pressed && static_cast<int>(i) == under && m_buttons[i].kind == 0;
        m_buttons[i].pressed = FALSE;
    }
    DrawButtons();
    ShowTip(-1);
    if (closing)
        SendMessage(WM_CLOSE);
    return 0;
}

LRESULT CUVMiniDockFrameWnd::OnDestroy(WPARAM, LPARAM)
{
    if (m_hWndTip)
        ::DestroyWindow(m_hWndTip);
    m_hWndTip = nullptr;
    return Default();
}
