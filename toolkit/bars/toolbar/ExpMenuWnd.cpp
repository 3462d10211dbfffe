#include "toolkit/bars/toolbar/ExpMenuWnd.h"

#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/MenuShadow.h"
#include "toolkit/bars/menus/PopupJoint.h"

#include <algorithm>
#include <iterator>
#include <vector>

IMPLEMENT_DYNAMIC(CUVHiddenButtonsToolbar, CUVToolBar)
IMPLEMENT_DYNAMIC(CUVExpMenuWnd, CWnd)

BEGIN_MESSAGE_MAP(CUVExpMenuWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_NCPAINT, &CUVExpMenuWnd::OnNcPaint)
ON_MESSAGE(WM_ERASEBKGND, &CUVExpMenuWnd::OnEraseBkgnd)
ON_MESSAGE(WM_WINDOWPOSCHANGED, &CUVExpMenuWnd::OnWindowPosChanged)
ON_MESSAGE(WM_ACTIVATE, &CUVExpMenuWnd::OnActivate)
ON_MESSAGE(WM_ACTIVATEAPP, &CUVExpMenuWnd::OnActivateApp)
ON_MESSAGE(CUVExpMenuWnd::kCloseRequest, &CUVExpMenuWnd::OnCloseRequest)
ON_COMMAND(ID_UV_CUSTOMIZE_BAR, &CUVExpMenuWnd::OnCustomize)
END_MESSAGE_MAP()

namespace {

constexpr wchar_t kCustomizeText[] = L"Customize...";
// XP-look roles of the toolkit colour table.
constexpr int kXPJoint = 30;
constexpr int kXPBackground = 41;
constexpr int kXPFrame = 43;
// The frame styles the XP look trades for a thin border.
constexpr DWORD kFrameStyles = 0xC40000;
constexpr DWORD kFrameExStyles = 0x20101;
constexpr UINT kHiddenBarId = 1;
constexpr UINT kCustomizeBarId = 2;

TBBUTTON ButtonOf(const CWnd& bar, int index)
{
    TBBUTTON button{};
    ::SendMessageW(bar.m_hWnd, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    return button;
}

}  // namespace

SIZE CUVHiddenButtonsToolbar::GetContentSize() const
{
    SIZE size{0, 0};
    const int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        RECT rect{};
        if (!(ButtonOf(*this, i).fsState & TBSTATE_HIDDEN) &&
            SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect))) {
            size.cx = std::max(size.cx, rect.right);
            size.cy = std::max(size.cy, rect.bottom);
        }
    }
    return size;
}

LRESULT CUVHiddenButtonsWndHook::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCACTIVATE:
        // The owner keeps its active caption while its popup has the activation.
        return CUVWndHook::WindowProc(message, TRUE, lParam);
    case WM_COMMAND: {
        // A child control of the hidden buttons reports to the owner without closing the popup.
        CUVHiddenButtonsToolbar* hidden = m_pPopup->GetHiddenToolBar();
        if (hidden && hidden->m_hWnd && ::GetDlgItem(hidden->m_hWnd, LOWORD(wParam)))
            break;
        const LRESULT result = CUVWndHook::WindowProc(message, wParam, lParam);
        m_pPopup->Close();
        return result;
    }
    case WM_UV_COLOR_POPUP_CLOSED: {
        const LRESULT result = CUVWndHook::WindowProc(message, wParam, lParam);
        m_pPopup->Close();
        return result;
    }
    default:
        break;
    }
    return CUVWndHook::WindowProc(message, wParam, lParam);
}

CUVExpMenuWnd* CUVExpMenuWnd::Open(CUVToolBar* bar, HWND notify, UINT closedMessage, const RECT& exclude)
{
    auto* popup = new CUVExpMenuWnd;
    popup->m_pSource = bar;
    popup->m_hWndNotify = notify;
    popup->m_nClosedMessage = closedMessage;
    popup->m_rectExclude = exclude;
    const wchar_t* className =
        AfxRegisterWndClass(CS_SAVEBITS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursorW(nullptr, IDC_ARROW));
    // A failed creation has deleted the popup. A tool window: no task-bar entry, and a frame the
    // system draws itself (a window manager would take over a plain popup's dialog frame, and
    // without one that frame is not drawn at all).
    if (!popup->CreateEx(WS_EX_TOOLWINDOW, className, nullptr, WS_POPUP | WS_DLGFRAME, 0, 0, 0, 0, bar->m_hWnd,
                         nullptr))
        return nullptr;
    popup->PlaceNextTo(exclude);
    if (uvAfxData.m_bXPLook && uvAfxData.m_bMenuShadows == 1)
        GetUVMenuShadowManager().ShowShadows(popup->m_hWnd, exclude);
    return popup;
}

int CUVExpMenuWnd::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    // The owner by its handle: the bar may hand out a temporary object for it.
    CWnd* owner = m_pSource->GetOwner();
    m_hWndOwner = owner ? owner->m_hWnd : nullptr;
    m_pHook = std::make_unique<CUVHiddenButtonsWndHook>(this);
    if (m_hWndOwner)
        m_pHook->HookWindow(m_hWndOwner);
    if (uvAfxData.m_bXPLook) {
        ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (GetStyle() & ~kFrameStyles) | WS_BORDER);
        ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, GetExStyle() & ~kFrameExStyles);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    return CreateToolBars() ? 0 : -1;
}

BOOL CUVExpMenuWnd::CreateToolBars()
{
    const DWORD sourceStyle = m_pSource->GetStyle();
    const BOOL classic = uvAfxData.m_bXPLook && !m_pSource->UsesXPLook();
    const auto make = [&](std::unique_ptr<CUVHiddenButtonsToolbar>& bar, DWORD controlStyle, UINT id) {
        bar = std::make_unique<CUVHiddenButtonsToolbar>();
        bar->SetClassicLook(classic);
        if (!bar->CreateEx(this, controlStyle, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, RECT{0, 0, 0, 0}, id))
            return false;
        bar->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(uvAfxData.m_fonts[CUVGlobalData::fontMenu].m_hObject),
                         FALSE);
        return true;
    };
    if (!make(m_pHidden, sourceStyle & (TBSTYLE_FLAT | TBSTYLE_LIST), kHiddenBarId))
        return FALSE;
    m_pHidden->SetOwner(CWnd::FromHandle(m_hWndOwner));
    m_pHidden->m_sizeImage = m_pSource->m_sizeImage;
    m_pHidden->m_sizeButton = m_pSource->m_sizeButton;
    m_pHidden->SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(m_pSource->m_sizeImage.cx, m_pSource->m_sizeImage.cy));
    m_pHidden->SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(m_pSource->m_sizeButton.cx, m_pSource->m_sizeButton.cy));
    m_pHidden->SendMessage(TB_SETEXTENDEDSTYLE, 0, m_pSource->SendMessage(TB_GETEXTENDEDSTYLE));
    if (auto images = reinterpret_cast<HIMAGELIST>(m_pSource->SendMessage(TB_GETIMAGELIST)))
        m_pHidden->SetImageList(images, TRUE);
    CopyHiddenButtons();
    WrapHiddenButtons();
    LendControls();

    if (!m_pSource->IsCustomizable())
        return TRUE;
    if (!make(m_pCustomize, TBSTYLE_FLAT | TBSTYLE_LIST, kCustomizeBarId))
        return FALSE;
    m_pCustomize->SetOwner(this);
    m_pCustomize->SetButtonText(ID_UV_CUSTOMIZE_BAR, kCustomizeText);
    // The control's string list ends with an empty string.
    wchar_t strings[std::size(kCustomizeText) + 1] = {};
    std::copy(std::begin(kCustomizeText), std::end(kCustomizeText), strings);
    const int text = static_cast<int>(m_pCustomize->SendMessage(TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(strings)));
    TBBUTTON customize{};
    customize.iBitmap = I_IMAGENONE;
    customize.idCommand = ID_UV_CUSTOMIZE_BAR;
    customize.fsState = TBSTATE_ENABLED;
    customize.fsStyle = BTNS_SHOWTEXT | BTNS_AUTOSIZE;
    customize.iString = text;
    return m_pCustomize->SendMessage(TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&customize)) != 0;
}

void CUVExpMenuWnd::CopyHiddenButtons()
{
    for (const auto& [index, width] : m_pSource->GetHiddenButtons()) {
        TBBUTTON button = ButtonOf(*m_pSource, index);
        button.fsState &= static_cast<BYTE>(~(TBSTATE_HIDDEN | TBSTATE_WRAP));
        button.iString = -1;
        const UINT command = static_cast<UINT>(button.idCommand);
        if (!(button.fsStyle & BTNS_SEP)) {
            if (CUVToolBarButtonInfo* info = m_pSource->FindButtonInfo(command))
                m_pHidden->SetButtonInfo(*info);
            const CString text = m_pSource->GetButtonText(command);
            if (!text.IsEmpty())
                m_pHidden->SetButtonText(command, text);
        }
        m_pHidden->SendMessage(TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
}

void CUVExpMenuWnd::LendControls()
{
    // The controls over hidden buttons move into the popup, over their buttons' places there.
    for (const auto& [index, width] : m_pSource->GetHiddenButtons()) {
        const TBBUTTON button = ButtonOf(*m_pSource, index);
        HWND control =
            (button.fsStyle & BTNS_SEP) ? m_pSource->GetControl(static_cast<UINT>(button.idCommand)) : nullptr;
        if (!control || ::GetParent(control) != m_pSource->m_hWnd)
            continue;
        ::SetParent(control, m_pHidden->m_hWnd);
        m_lentControls.push_back(control);
        m_pHidden->PositionControl(CWnd::FromHandle(control));
    }
}

void CUVExpMenuWnd::ReturnControls()
{
    for (HWND control : m_lentControls) {
        if (!::IsWindow(control))
            continue;
        // Still hidden on the bar: the bar shows it again when its button comes back.
        ::ShowWindow(control, SW_HIDE);
        ::SetParent(control, m_pSource->m_hWnd);
    }
    m_lentControls.clear();
}

void CUVExpMenuWnd::WrapHiddenButtons()
{
    const int count = m_pHidden->GetButtonCount();
    std::vector<int> widths;
    bool wide = false;
    for (int i = 0; i < count; ++i) {
        RECT rect{};
        m_pHidden->SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        widths.push_back(rect.right - rect.left);
        wide |= widths.back() > kWideButton;
    }
    const int wrap = wide ? kWideWrap : kWrapButtons * static_cast<int>(m_pSource->GetItemSize().cx);
    int x = 0;
    for (int i = 0; i < count; ++i) {
        if (x > 0 && x + widths[static_cast<size_t>(i)] > wrap) {
            // By position: a separator's command id is not its own.
            TBBUTTONINFOW info{};
            info.cbSize = sizeof(info);
            info.dwMask = TBIF_BYINDEX | TBIF_STATE;
            info.fsState = static_cast<BYTE>(ButtonOf(*m_pHidden, i - 1).fsState | TBSTATE_WRAP);
            m_pHidden->SendMessage(TB_SETBUTTONINFOW, i - 1, reinterpret_cast<LPARAM>(&info));
            x = 0;
        }
        x += widths[static_cast<size_t>(i)];
    }
}

SIZE CUVExpMenuWnd::ContentSize() const
{
    SIZE size = m_pHidden->GetContentSize();
    if (m_pCustomize) {
        RECT button{};
        m_pCustomize->SendMessage(TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
        size.cx = std::max<LONG>(size.cx, button.right);
        size.cy += uvAfxData.m_cyMenu;
    }
    return size;
}

void CUVExpMenuWnd::PlaceNextTo(const RECT& exclude)
{
    RECT frame{0, 0, 100, 100};
    SendMessage(WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&frame));
    const SIZE content = ContentSize();
    const int width = content.cx + (100 - (frame.right - frame.left)) + 6;
    const int height = content.cy + (100 - (frame.bottom - frame.top)) + 3;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromRect(&exclude, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT screen = monitor.rcWork;
    int x;
    int y;
    if (!m_pSource->IsVertDocked()) {
        // Below the button, toward the inside of the screen.
        x = exclude.left + width <= screen.right ? exclude.left : exclude.right - width;
        y = exclude.bottom - (uvAfxData.m_bXPLook ? 0 : 1);
        if (y + height > screen.bottom)
            y = exclude.top - height;
    } else {
        // Right of the button, or left of it at the screen's edge.
        x = exclude.right + width <= screen.right ? exclude.right : exclude.left - width;
        y = std::min<int>(exclude.top, screen.bottom - height);
    }
    x = std::max<int>(x, screen.left);
    y = std::max<int>(y, screen.top);
    ::SetWindowPos(m_hWnd, HWND_TOP, x, y, width, height, SWP_SHOWWINDOW);
}

LRESULT CUVExpMenuWnd::OnWindowPosChanged(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    RECT client;
    GetClientRect(&client);
    const SIZE hidden = m_pHidden ? m_pHidden->GetContentSize() : SIZE{0, 0};
    if (m_pHidden)
        ::SetWindowPos(m_pHidden->m_hWnd, nullptr, 1, 1, client.right, hidden.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_pCustomize) {
        const int top = hidden.cy == 0 ? 1 : 1 + hidden.cy + 2;
        const int width = client.right - 2;
        ::SetWindowPos(m_pCustomize->m_hWnd, nullptr, 1, top, width, uvAfxData.m_cyMenu, SWP_NOZORDER | SWP_NOACTIVATE);
        // The one item reads as a menu item: as wide as the popup.
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_BYINDEX | TBIF_SIZE;
        info.cx = static_cast<WORD>(std::max(width, 0));
        m_pCustomize->SendMessage(TB_SETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&info));
    }
    return result;
}

LRESULT CUVExpMenuWnd::OnNcPaint(WPARAM, LPARAM)
{
    if (!uvAfxData.m_bXPLook)
        return Default();
    RECT window;
    GetWindowRect(&window);
    HDC dc = ::GetWindowDC(m_hWnd);
    RECT frame{0, 0, window.right - window.left, window.bottom - window.top};
    CBrush brush(GetUVColor(kXPFrame));
    ::FrameRect(dc, &frame, static_cast<HBRUSH>(brush.m_hObject));
    // The line the popup shares with the expand button opens toward it.
    RECT button = m_rectExclude;
    InflateRect(&button, 1, 1);
    FillPopupJoint(dc, GetUVColor(kXPJoint), button, window);
    ::ReleaseDC(m_hWnd, dc);
    return 0;
}

LRESULT CUVExpMenuWnd::OnEraseBkgnd(WPARAM dc, LPARAM)
{
    RECT client;
    GetClientRect(&client);
    CDC target;
    target.Attach(reinterpret_cast<HDC>(dc));
    target.FillSolidRect(&client, uvAfxData.m_bXPLook ? GetUVColor(kXPBackground) : GetSysColor(COLOR_BTNFACE));
    target.Detach();
    return 1;
}

LRESULT CUVExpMenuWnd::OnActivate(WPARAM state, LPARAM)
{
    if (LOWORD(state) == WA_INACTIVE)
        Close();
    return Default();
}

LRESULT CUVExpMenuWnd::OnActivateApp(WPARAM active, LPARAM)
{
    if (!active)
        Close();
    return Default();
}

void CUVExpMenuWnd::Close()
{
    if (m_bClosing || !m_hWnd)
        return;
    m_bClosing = TRUE;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessage(kCloseRequest);
}

LRESULT CUVExpMenuWnd::OnCloseRequest(WPARAM, LPARAM)
{
    DestroyWindow();
    return 0;
}

void CUVExpMenuWnd::OnCustomize()
{
    m_pSource->SendMessage(WM_COMMAND, ID_UV_CUSTOMIZE_BAR, 0);
    Close();
}

void CUVExpMenuWnd::OnDestroy()
{
    ReturnControls();
    if (m_pHook)
        m_pHook->HookWindow(nullptr);
    if (m_hWndNotify && ::IsWindow(m_hWndNotify))
        ::SendMessageW(m_hWndNotify, m_nClosedMessage, 0, 0);
    CWnd::OnDestroy();
}
