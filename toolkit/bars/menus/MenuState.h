// The process-wide state of the toolkit's popup menus, shared by the cool menu, the popup-menu
// hooks, the toolkit's popup menu and the menu bar. One UI thread reads and writes it, without
// locks, like every toolkit object.
#pragma once

#include <windows.h>

class CUVPopupMenuHook;

// Replaces the built-in animation when set (same arguments as UVAnimatePopup).
using UVAnimateFn = void (*)(HDC screen, HDC image, const RECT& rect, int kind, int steps, int durationMs);

// How popups appear. Kinds: 0 as the system is set, 1 random, 2 unfold, 3 slide, 4 fade; any
// other value (the main frame sets 5, "none") shows the popup at once.
struct UVMenuAnimation {
    int kind = 0;
    int steps = 5;
    int durationMs = 100;
    UVAnimateFn replacement = nullptr;
};

struct UVMenuState {
    BOOL installed = FALSE;          // a cool menu is installed
    BOOL expandRequested = FALSE;    // the user chose "Display full menus"
    BOOL toolkitPopupAlive = FALSE;  // a CUVPopupMenu exists
    BOOL chevronSelected = FALSE;
    int livePopupHooks = 0;
    BOOL savedMenuAnimation = FALSE;  // the system settings while toolkit popups are up
    BOOL savedDropShadow = FALSE;
    CUVPopupMenuHook* waitingHook = nullptr;  // popup window waiting for its menu handle
    HMENU waitingMenu = nullptr;              // menu handle waiting for its popup window
    RECT dropRect{};                          // button the next popup drops from (screen)
    BOOL dropRectPending = FALSE;
    int passInitMenuPopup = 0;  // WM_INITMENUPOPUP messages to leave alone
    BOOL mouseMoved = FALSE;
    POINT lastCursor{};
    BOOL menuBarNotTracking = TRUE;  // cleared while the menu bar tracks one of its drop-downs
    UVMenuAnimation animation;
    SIZE popupBorder{1, 1};  // 4 x 3 in the XP look
};

UVMenuState& GetUVMenuState();
// The place the main frame sets the animation kind, steps and duration.
inline UVMenuAnimation& GetUVMenuAnimation()
{
    return GetUVMenuState().animation;
}

// Command id and text of the chevron item that expands a personalised menu.
inline constexpr UINT ID_UV_DISPLAY_FULL_MENUS = 53783;
inline constexpr wchar_t kUVChevronText[] = L">> chevron";
// Window class of the system's popup-menu windows.
inline constexpr wchar_t kUVPopupMenuClass[] = L"#32768";
