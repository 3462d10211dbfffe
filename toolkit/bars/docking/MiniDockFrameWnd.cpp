#include "toolkit/bars/docking/MiniDockFrameWnd.h"

#include "classlib/ui/AfxIds.h"
#include "classlib/ui/DockBar.h"
#include "classlib/ui/Gdi.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/BarMenu.h"
#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/docking/DockWindow.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/toolbar/ExpMenuWnd.h"

#include <commctrl.h>
#include <windowsx.h>

IMPLEMENT_DYNAMIC(CUVMiniDockFrameWnd, CMiniDockFrameWnd)

BEGIN_MESSAGE_MAP(CUVMiniDockFrameWnd, CMiniDockFrameWnd)
ON_MESSAGE(CUVMiniDockFrameWnd::kLayoutMessage, &CUVMiniDockFrameWnd::OnLayout)
ON_MESSAGE(CUVMiniDockFrameWnd::kPopupClosedMessage, &CUVMiniDockFrameWnd::OnPopupClosed)
ON_MESSAGE(WM_NCPAINT, &CUVMiniDockFrameWnd::OnNcPaint)
ON_MESSAGE(WM_NCACTIVATE, &CUVMiniDockFrameWnd::OnNcActivate)
ON_MESSAGE(WM_NCHITTEST, &CUVMiniDockFrameWnd::OnNcHitTest)
ON_MESSAGE(WM_NCMOUSEMOVE, &CUVMiniDockFrameWnd::OnNcMouseMove)
ON_MESSAGE(WM_NCLBUTTONDOWN, &CUVMiniDockFrameWnd::OnNcLButtonDownUV)
ON_MESSAGE(WM_NCLBUTTONUP, &CUVMiniDockFrameWnd::OnNcLButtonUp)
ON_MESSAGE(WM_SETTEXT, &CUVMiniDockFrameWnd::OnSetText)
ON_MESSAGE(WM_ERASEBKGND, &CUVMiniDockFrameWnd::OnEraseBkgnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &CUVMiniDockFrameWnd::OnIdleUpdate)
ON_MESSAGE(WM_DESTROY, &CUVMiniDockFrameWnd::OnDestroy)
ON_COMMAND(ID_UV_CUSTOMIZE_BAR, &CUVMiniDockFrameWnd::OnCustomize)
END_MESSAGE_MAP()

namespace {

constexpr int kGlyphSize = 10;
constexpr UINT kCaptionGlyphs = 4656;
// The frame's activation follows its owner's (the framework's rule then applies).
constexpr DWORD kSyncActive = 0x0100;
constexpr wchar_t kCloseTip[] = L"Close";
constexpr wchar_t kOptionsTip[] = L"Toolbar Options";
// Redraws the frame where it is (after its styles or its text changed).
constexpr UINT kFrameOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;

}  // namespace

BOOL CUVMiniDockFrameWnd::IsBarWindow(CWnd* window)
{
    return window && ::IsWindow(window->m_hWnd) && window->IsKindOf(RUNTIME_CLASS(CControlBar));
}

BOOL CUVMiniDockFrameWnd::IsToolkitBar(CWnd* window)
{
    return IsBarWindow(window) && window->IsKindOf(RUNTIME_CLASS(CUVControlBar));
}

BOOL CUVMiniDockFrameWnd::IsToolBar(CWnd* window)
{
    return IsBarWindow(window) && window->IsKindOf(RUNTIME_CLASS(CUVToolBar));
}

BOOL CUVMiniDockFrameWnd::IsMenuBar(CWnd* window)
{
    return IsToolkitBar(window) && static_cast<CUVControlBar*>(window)->IsMenuBar();
}

BOOL CUVMiniDockFrameWnd::IsDockingWindow(CWnd* window)
{
    return IsBarWindow(window) && window->IsKindOf(RUNTIME_CLASS(CUVDockWindow));
}

BOOL CUVMiniDockFrameWnd::Create(CFrameWnd* site, DWORD style)
{
    if (!CMiniDockFrameWnd::Create(site, style))
        return FALSE;
    PostMessage(kLayoutMessage);
    return TRUE;
}

CUVToolBar* CUVMiniDockFrameWnd::FirstToolBar() const
{
    CControlBar* bar = GetFirstBar();
    return IsToolBar(bar) ? static_cast<CUVToolBar*>(bar) : nullptr;
}

LRESULT CUVMiniDockFrameWnd::OnLayout(WPARAM, LPARAM)
{
    m_bXPLayout = uvAfxData.m_bXPLook;
    if (!m_images.GetSafeHandle())
        LoadGlyphImages(m_images, kCaptionGlyphs, kGlyphSize);
    CControlBar* bar = GetFirstBar();
    m_buttons.clear();
    m_bMenuBarForm = IsMenuBar(bar);
    if (m_bMenuBarForm) {
        ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle() | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    } else if (IsToolkitBar(bar)) {
        m_buttons.push_back(CaptionButton{});
        if (CUVToolBar* toolBar = FirstToolBar(); toolBar && toolBar->IsCustomizable())
            m_buttons.push_back(CaptionButton{CaptionButton::toolbarOptions});
    }
    // The caption buttons' tips show where the bar's own tips do.
    if (bar && m_pDockBar)
        m_pDockBar->m_dwStyle = (m_pDockBar->m_dwStyle & ~CBRS_TOOLTIPS) | (bar->m_dwStyle & CBRS_TOOLTIPS);
    RecalcLayout();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, kFrameOnly);
    return 0;
}

RECT CUVMiniDockFrameWnd::GetButtonRect(size_t index) const
{
    RECT window;
    GetWindowRect(&window);
    const int edgeX = GetSystemMetrics(SM_CXSIZEFRAME);
    const int edgeY = GetSystemMetrics(SM_CYSIZEFRAME);
    const SIZE size = uvAfxData.m_sizeSmallCaptionButton;
    const int step = size.cx + (m_bXPLayout ? 0 : 2);
    RECT rect;
    rect.right = window.right - edgeX - static_cast<int>(index) * step - (m_bXPLayout ? 0 : 2);
    rect.left = rect.right - size.cx;
    rect.top = window.top + edgeY;
    rect.bottom = rect.top + size.cy;
    if (!m_bXPLayout)
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
        const bool pushed = (button.pressed && button.hover) || button.drawnPressed;
        dc.FillSolidRect(&rect, GetSysColor(COLOR_BTNFACE));
        if (button.hover || pushed) {
            const COLORREF light = GetUVBarColor(UVBarColor::highlight);
            const COLORREF dark = GetUVBarColor(UVBarColor::shadow);
            DrawFrame3d(&dc, rect, pushed ? dark : light, pushed ? light : dark);
        }
        const int shift = pushed ? 1 : 0;
        const int x = rect.left + (rect.right - rect.left - kGlyphSize) / 2 + shift;
        const int y = rect.top + (rect.bottom - rect.top - kGlyphSize) / 2 + shift;
        const int image = button.kind == CaptionButton::close ? kCloseImage : kOptionsImage;
        DrawMonoImage(&dc, m_images.GetSafeHandle(), image, x, y, SIZE{kGlyphSize, kGlyphSize},
                      GetSysColor(COLOR_BTNTEXT));
    }
}

void CUVMiniDockFrameWnd::RedrawCaption()
{
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
}

LRESULT CUVMiniDockFrameWnd::OnNcPaint(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    DrawButtons();
    return result;
}

LRESULT CUVMiniDockFrameWnd::OnNcActivate(WPARAM active, LPARAM)
{
    if (GetStyle() & kSyncActive)
        return Default();
    // The system's own caption drawing would cover the buttons: it runs with the window marked
    // hidden (it then only records the state), and the frame repaints its non-client area.
    const DWORD style = GetStyle();
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~WS_VISIBLE);
    const LRESULT result = Default();
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
    m_bActive = active != FALSE;
    RedrawCaption();
    return result;
}

LRESULT CUVMiniDockFrameWnd::OnNcHitTest(WPARAM, LPARAM)
{
    const LRESULT hit = Default();
    if (!m_bMenuBarForm)
        return hit;
    // A floating menu bar sizes at its left and right ends only.
    switch (hit) {
    case HTTOPLEFT:
    case HTBOTTOMLEFT:
        return HTLEFT;
    case HTTOPRIGHT:
    case HTBOTTOMRIGHT:
        return HTRIGHT;
    case HTTOP:
    case HTBOTTOM:
        return HTBORDER;
    default:
        return hit;
    }
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
        const bool options = m_buttons[static_cast<size_t>(button)].kind == CaptionButton::toolbarOptions;
        tool.lpszText = const_cast<wchar_t*>(options ? kOptionsTip : kCloseTip);
        ::SendMessageW(m_hWndTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
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
    m_nHotButton = under;
    if (changed)
        DrawButtons();
    ShowTip(under);
    return Default();
}

void CUVMiniDockFrameWnd::OpenOptionsPopup(size_t button)
{
    CUVToolBar* toolBar = FirstToolBar();
    if (!toolBar || m_pOptionsPopup)
        return;
    ShowTip(-1);
    m_buttons[button].drawnPressed = TRUE;
    DrawButtons();
    m_pOptionsPopup = CUVExpMenuWnd::Open(toolBar, m_hWnd, kPopupClosedMessage, GetButtonRect(button));
    if (!m_pOptionsPopup) {
        m_buttons[button].drawnPressed = FALSE;
        DrawButtons();
    }
}

LRESULT CUVMiniDockFrameWnd::OnNcLButtonDownUV(WPARAM hitTest, LPARAM lParam)
{
    const int under = ButtonAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (under < 0)
        return OnNcLButtonDown(hitTest, lParam);
    CaptionButton& button = m_buttons[static_cast<size_t>(under)];
    if (button.kind == CaptionButton::toolbarOptions) {
        // Opens at the press, unless a popup is open or the customise session drags a button.
        if (!m_pOptionsPopup && ::GetCapture() == nullptr)
            OpenOptionsPopup(static_cast<size_t>(under));
        return 0;
    }
    button.pressed = TRUE;
    button.hover = TRUE;
    DrawButtons();
    return 0;
}

LRESULT CUVMiniDockFrameWnd::OnNcLButtonUp(WPARAM, LPARAM lParam)
{
    const int under = ButtonAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    bool closing = false;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        closing |= m_buttons[i].pressed && static_cast<int>(i) == under && m_buttons[i].kind == CaptionButton::close;
        m_buttons[i].pressed = FALSE;
    }
    DrawButtons();
    ShowTip(-1);
    if (closing)
        SendMessage(WM_CLOSE);
    return 0;
}

LRESULT CUVMiniDockFrameWnd::OnPopupClosed(WPARAM, LPARAM)
{
    bool changed = false;
    for (CaptionButton& button : m_buttons) {
        changed |= button.hover || button.pressed || button.drawnPressed;
        button = CaptionButton{button.kind};
    }
    m_pOptionsPopup = nullptr;
    m_nHotButton = -1;
    if (changed)
        RedrawCaption();
    return 0;
}

void CUVMiniDockFrameWnd::OnCustomize()
{
    for (CaptionButton& button : m_buttons) {
        if (button.kind == CaptionButton::toolbarOptions)
            button = CaptionButton{button.kind};
    }
    RedrawCaption();
    if (CControlBar* bar = GetFirstBar())
        bar->PostMessage(WM_COMMAND, ID_UV_CUSTOMIZE_BAR);
}

LRESULT CUVMiniDockFrameWnd::OnSetText(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, kFrameOnly);
    return result;
}

LRESULT CUVMiniDockFrameWnd::OnEraseBkgnd(WPARAM dc, LPARAM)
{
    CControlBar* bar = GetFirstBar();
    if (!IsToolkitBar(bar))
        return Default();
    RECT client;
    GetClientRect(&client);
    CDC target;
    target.Attach(reinterpret_cast<HDC>(dc));
    target.FillSolidRect(&client, static_cast<CUVControlBar*>(bar)->GetBackColor());
    target.Detach();
    return 1;
}

LRESULT CUVMiniDockFrameWnd::OnIdleUpdate(WPARAM wParam, LPARAM lParam)
{
    // A button left drawn pressed after the pointer went (and no popup holds it) comes back up.
    POINT cursor;
    ::GetCursorPos(&cursor);
    RECT window;
    GetWindowRect(&window);
    if (!PtInRect(&window, cursor) && !m_pOptionsPopup) {
        bool changed = false;
        for (CaptionButton& button : m_buttons) {
            if (button.drawnPressed || button.hover) {
                button = CaptionButton{button.kind};
                changed = true;
            }
        }
        if (changed)
            RedrawCaption();
    }
    return OnIdleUpdateCmdUI(wParam, lParam);
}

LRESULT CUVMiniDockFrameWnd::OnDestroy(WPARAM, LPARAM)
{
    if (m_hWndTip)
        ::DestroyWindow(m_hWndTip);
    m_hWndTip = nullptr;
    return Default();
}
