// CUVPopupMenuHook: the toolkit's hold on one popup-menu window ("#32768") while it is open. A
// thread-wide WH_CBT hook attaches one to every popup-menu window as it is created and drops it as
// the window is destroyed. For menus that hold the cool menu's items it paints the window itself
// (through WM_PRINTCLIENT into an off-screen DC), gives it the XP border and the joint to the
// button it drops from, shows it the first time through the menu animation and casts its
// shadows. While any of them lives, the system's own menu animation and drop shadow are off for
// the session (never written to the user's profile) and come back when the last one goes.
// UI thread only.
#pragma once

#include "toolkit/bars/hooks/WndHook.h"

#include <windows.h>

class CDC;

class CUVPopupMenuHook : public CUVWndHook {
public:
    explicit CUVPopupMenuHook(HWND popup);
    ~CUVPopupMenuHook() override;

    // The menu this window shows; applies the XP style in the XP look.
    void SetMenu(HMENU menu);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND m_hPopup;
    HMENU m_hMenu = nullptr;
    BOOL m_bFirstPosChange = TRUE;
    int m_nNarrowing = 0;  // what the XP border takes off the width the system gives the popup
    BOOL m_bShown = FALSE;
    RECT m_dropRect{};  // screen rectangle of the button it drops from; empty for none

private:
    mutable BOOL m_bToolkitItems = FALSE;
    BOOL HoldsToolkitItems() const;
    void ApplyXPStyle();
    void Paint();
    void ShowFirstTime(CDC* client);
    // The XP border on the window's outer pixel ring, open where it touches its button.
    void DrawXPBorder(HDC dc, const RECT& window);
};

// Sets the thread's WH_CBT hook that attaches popup hooks (once; removed at process exit). It
// attaches nothing until a cool menu is installed.
void InstallUVPopupMenuWatch();
// The hook on a popup-menu window, or NULL.
CUVPopupMenuHook* FindUVPopupMenuHook(HWND popup);

// Private message on which every item of the menu is written back, so the system redraws it
// owner drawn.
inline constexpr UINT WM_UV_REFRESH_MENU_ITEMS = 0x800A;
// Private message on which a popup that has been shown casts its shadows.
inline constexpr UINT WM_UV_SHOW_SHADOWS = 0x800B;
