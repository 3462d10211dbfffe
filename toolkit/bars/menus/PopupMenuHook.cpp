#include "toolkit/bars/menus/PopupMenuHook.h"

#include "classlib/ui/Gdi.h"
#include "classlib/ui/Wnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MemDC.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/MenuAnimation.h"
#include "toolkit/bars/menus/MenuItemRecord.h"
#include "toolkit/bars/menus/MenuShadow.h"
#include "toolkit/bars/menus/MenuState.h"
#include "toolkit/bars/menus/PopupJoint.h"

#include <memory>
#include <vector>

namespace {

constexpr DWORD kStylesRemovedInXP = 0xC40000;   // caption, dialog frame, sizing border
constexpr DWORD kExStylesRemovedInXP = 0x20101;  // static, window and dialog-modal edges
constexpr UINT kThemeChangeOnXP = 0xAF;          // the system's own menu restyling message

std::vector<std::unique_ptr<CUVPopupMenuHook>>& PopupHooks()
{
    static std::vector<std::unique_ptr<CUVPopupMenuHook>> hooks;
    return hooks;
}

bool IsXPOrLater()
{
    const OSVERSIONINFOW& os = GetOSVersionInfo();
    return os.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (os.dwMajorVersion > 5 || (os.dwMajorVersion == 5 && os.dwMinorVersion >= 1));
}

LRESULT CALLBACK PopupCbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    static bool busy = false;
    if (busy)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    busy = true;
    const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    UVMenuState& state = GetUVMenuState();
    const HWND hwnd = reinterpret_cast<HWND>(wParam);
    wchar_t className[16] = {};
    if ((code == HCBT_CREATEWND || code == HCBT_DESTROYWND) && GetClassNameW(hwnd, className, 16) &&
        lstrcmpW(className, kUVPopupMenuClass) == 0) {
        auto& hooks = PopupHooks();
        if (code == HCBT_CREATEWND && state.installed) {
            hooks.push_back(std::make_unique<CUVPopupMenuHook>(hwnd));
            CUVPopupMenuHook* hook = hooks.back().get();
            if (state.waitingMenu) {
                hook->SetMenu(state.waitingMenu);
                state.waitingMenu = nullptr;
            } else {
                state.waitingHook = hook;
            }
            if (state.dropRectPending)
                hook->m_dropRect = state.dropRect;
            state.dropRectPending = FALSE;
        } else if (code == HCBT_DESTROYWND) {
            for (auto it = hooks.begin(); it != hooks.end(); ++it) {
                if ((*it)->m_hPopup == hwnd) {
                    if (state.waitingHook == it->get())
                        state.waitingHook = nullptr;
                    hooks.erase(it);
                    break;
                }
            }
        }
    }
    busy = false;
    return result;
}

// Keys pressed inside the system's menu loop never reach the frame's window procedure; the loop
// shows them to message filters, so the keyboard clears the mouse-moved flag here.
LRESULT CALLBACK MenuKeyFilterProc(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_MENU && msg && msg->message == WM_KEYDOWN)
        GetUVMenuState().mouseMoved = FALSE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Owns the thread's hooks; the function-static instance removes them at exit.
class PopupWatch {
public:
    PopupWatch()
        : m_cbt(SetWindowsHookExW(WH_CBT, &PopupCbtProc, nullptr, GetCurrentThreadId())),
          m_keys(SetWindowsHookExW(WH_MSGFILTER, &MenuKeyFilterProc, nullptr, GetCurrentThreadId()))
    {}
    PopupWatch(const PopupWatch&) = delete;
    PopupWatch& operator=(const PopupWatch&) = delete;
    ~PopupWatch()
    {
        for (HHOOK hook : {m_cbt, m_keys})
            if (hook)
                UnhookWindowsHookEx(hook);
    }

private:
    HHOOK m_cbt;
    HHOOK m_keys;
};

}  // namespace

void InstallUVPopupMenuWatch()
{
    static PopupWatch watch;
}

CUVPopupMenuHook* FindUVPopupMenuHook(HWND popup)
{
    for (auto& hook : PopupHooks())
        if (hook->m_hPopup == popup)
            return hook.get();
    return nullptr;
}

CUVPopupMenuHook::CUVPopupMenuHook(HWND popup) : m_hPopup(popup)
{
    UVMenuState& state = GetUVMenuState();
    if (state.livePopupHooks++ == 0) {
        // The pointer counts as moved only once it moves while menus are open.
        GetCursorPos(&state.lastCursor);
        state.mouseMoved = FALSE;
        SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &state.savedMenuAnimation, 0);
        SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &state.savedDropShadow, 0);
        SystemParametersInfoW(SPI_SETMENUANIMATION, 0, nullptr, 0);
        SystemParametersInfoW(SPI_SETDROPSHADOW, 0, nullptr, 0);
    }
    HookWindow(popup);
}

CUVPopupMenuHook::~CUVPopupMenuHook()
{
    HookWindow(nullptr);
    UVMenuState& state = GetUVMenuState();
    if (--state.livePopupHooks == 0) {
        SystemParametersInfoW(SPI_SETMENUANIMATION, 0,
                              reinterpret_cast<void*>(static_cast<UINT_PTR>(state.savedMenuAnimation)), 0);
        SystemParametersInfoW(SPI_SETDROPSHADOW, 0,
                              reinterpret_cast<void*>(static_cast<UINT_PTR>(state.savedDropShadow)), 0);
    }
}

void CUVPopupMenuHook::SetMenu(HMENU menu)
{
    m_hMenu = menu;
    m_bToolkitItems = FALSE;
    if (uvAfxData.m_bXPLook && HoldsToolkitItems())
        ApplyXPStyle();
}

void CUVPopupMenuHook::ApplyXPStyle()
{
    const LONG_PTR style = GetWindowLongPtrW(m_hPopup, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(m_hPopup, GWL_EXSTYLE);
    const LONG_PTR newStyle = style & ~static_cast<LONG_PTR>(kStylesRemovedInXP);
    const LONG_PTR newExStyle = (exStyle & ~static_cast<LONG_PTR>(kExStylesRemovedInXP)) | WS_EX_STATICEDGE;
    if (newStyle == style && newExStyle == exStyle)
        return;
    // The thin border gives back what the old frame took: the popup narrows by that much, 4
    // pixels where the system framed its menus in a dialog frame. A system that draws the frame
    // inside the client gives nothing back, and its items keep the width it laid them out in.
    const auto frameWidth = [](LONG_PTR frameStyle, LONG_PTR frameExStyle) {
        RECT rect{0, 0, 0, 0};
        AdjustWindowRectEx(&rect, static_cast<DWORD>(frameStyle), FALSE, static_cast<DWORD>(frameExStyle));
        return static_cast<int>(rect.right - rect.left);
    };
    m_nNarrowing = frameWidth(style, exStyle) - frameWidth(newStyle, newExStyle);
    SetWindowLongPtrW(m_hPopup, GWL_STYLE, newStyle);
    SetWindowLongPtrW(m_hPopup, GWL_EXSTYLE, newExStyle);
    SetWindowPos(m_hPopup, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

BOOL CUVPopupMenuHook::HoldsToolkitItems() const
{
    // Once converted, a popup's items stay the toolkit's while it is open: asked on every message.
    if (m_bToolkitItems)
        return TRUE;
    if (!m_hMenu)
        return FALSE;
    const int count = GetMenuItemCount(m_hMenu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        if (GetMenuItemInfoW(m_hMenu, i, TRUE, &info) && FindUVMenuItemRecord(info.dwItemData)) {
            m_bToolkitItems = TRUE;
            return TRUE;
        }
    }
    return FALSE;
}

void CUVPopupMenuHook::DrawXPBorder(HDC dc, const RECT& window)
{
    RECT frame{0, 0, window.right - window.left, window.bottom - window.top};
    CBrush border(GetUVColor(43));
    FrameRect(dc, &frame, border);
    if (!IsRectEmpty(&m_dropRect))
        FillPopupJoint(dc, GetUVColor(30), m_dropRect, window);
}

void CUVPopupMenuHook::ShowFirstTime(CDC* client)
{
    RECT window{};
    GetWindowRect(m_hPopup, &window);
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    RECT clientRect{};
    GetClientRect(m_hPopup, &clientRect);
    const UVMenuAnimation& animation = GetUVMenuState().animation;
    const int kind = ResolveMenuAnimationKind(animation.kind);
    const bool animated = animation.replacement || (kind >= 2 && kind <= 4);
    // Without an animation or a frame around the client, the client's own copy is the whole
    // picture: the paint that follows shows it, with no second trip to the screen.
    if (animated || clientRect.right != w || clientRect.bottom != h) {
        CWindowDC screen(CWnd::FromHandle(m_hPopup));
        // The whole window's picture: the non-client part, then the client from the memory DC.
        CDC image;
        image.CreateCompatibleDC(&screen);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(screen, w, h);
        const CSelectedObject selected(image, bitmap);
        SendMessageW(m_hPopup, WM_PRINT, reinterpret_cast<WPARAM>(image.m_hDC), PRF_NONCLIENT);
        POINT clientOrigin{0, 0};
        ClientToScreen(m_hPopup, &clientOrigin);
        image.BitBlt(clientOrigin.x - window.left, clientOrigin.y - window.top, clientRect.right, clientRect.bottom,
                     client, 0, 0, SRCCOPY);
        if (uvAfxData.m_bXPLook)
            DrawXPBorder(image, window);
        const RECT at{0, 0, w, h};
        UVAnimatePopup(screen, image, at, animation.replacement ? animation.kind : kind, animation.steps,
                       animation.durationMs);
        screen.BitBlt(0, 0, w, h, &image, 0, 0, SRCCOPY);
    }
    m_bShown = TRUE;
    // The shadows follow as soon as the menu loop is idle again: the popup itself shows first.
    if (uvAfxData.m_bMenuShadows == 1)
        PostMessageW(m_hPopup, WM_UV_SHOW_SHADOWS, 0, 0);
}

void CUVPopupMenuHook::Paint()
{
    CPaintDC target(CWnd::FromHandle(m_hPopup));
    RECT client{};
    GetClientRect(m_hPopup, &client);
    {
        CUVMemDC mem(&target, &client, uvAfxData.m_bXPLook ? GetUVColor(41) : GetSysColor(COLOR_MENU));
        SendMessageW(m_hPopup, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.m_hDC), PRF_CLIENT);
        RECT window{};
        GetWindowRect(m_hPopup, &window);
        // A popup without a non-client area gets its XP border on the client's outer ring.
        if (uvAfxData.m_bXPLook && client.right == window.right - window.left &&
            client.bottom == window.bottom - window.top)
            DrawXPBorder(mem, window);
        if (!m_bShown)
            ShowFirstTime(&mem);
    }
}

LRESULT CUVPopupMenuHook::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!HoldsToolkitItems())
        return CUVWndHook::WindowProc(message, wParam, lParam);
    UVMenuState& state = GetUVMenuState();
    if (message != WM_KEYDOWN) {
        POINT cursor{};
        GetCursorPos(&cursor);
        if (cursor.x != state.lastCursor.x || cursor.y != state.lastCursor.y)
            state.mouseMoved = TRUE;
        state.lastCursor = cursor;
    }
    const BOOL xp = uvAfxData.m_bXPLook;
    switch (message) {
    case WM_NCPAINT:
        if (!m_bShown)
            return 0;
        if (xp) {
            RECT window{};
            GetWindowRect(m_hPopup, &window);
            CWindowDC dc(CWnd::FromHandle(m_hPopup));
            DrawXPBorder(dc, window);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_UV_SHOW_SHADOWS: {
        RECT none{};
        GetUVMenuShadowManager().ShowShadows(m_hPopup, xp ? m_dropRect : none);
        return 0;
    }
    case WM_UV_REFRESH_MENU_ITEMS: {
        const int count = GetMenuItemCount(m_hMenu);
        for (int i = 0; i < count; ++i) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_DATA;
            if (GetMenuItemInfoW(m_hMenu, i, TRUE, &info))
                SetMenuItemInfoW(m_hMenu, i, TRUE, &info);
        }
        return 0;
    }
    default:
        break;
    }
    const LRESULT result = CUVWndHook::WindowProc(message, wParam, lParam);
    if (!xp)
        return result;
    if (message == WM_WINDOWPOSCHANGING) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!(pos->flags & SWP_NOSIZE))
            pos->cx -= m_nNarrowing;
        if (m_bFirstPosChange && !(pos->flags & SWP_NOMOVE) && state.livePopupHooks > 1 && pos->x > 1) {
            m_bFirstPosChange = FALSE;
            pos->x += 1;
            pos->y += 2;
        }
    } else if (message == WM_WINDOWPOSCHANGED) {
        ApplyXPStyle();
    } else if (message == kThemeChangeOnXP && IsXPOrLater()) {
        PostMessageW(m_hPopup, WM_UV_REFRESH_MENU_ITEMS, 0, 0);
    }
    return result;
}
