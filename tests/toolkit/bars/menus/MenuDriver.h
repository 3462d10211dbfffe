// Real popup menus of a real frame with a cool menu installed, driven while they are open: each
// step runs from a thread timer inside the system's menu loop (keys go in through keybd_event,
// pixels are read from the screen), and the menu is closed after the last step. Shared by the
// menu tests and the gallery.
#pragma once

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/menus/CoolMenu.h"

#include <functional>
#include <string>
#include <memory>
#include <vector>

class MenuFrame : public CFrameWnd {
public:
    MenuFrame() { m_bAutoMenuEnable = FALSE; }
    // A white client, so that shadows read as known greys.
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::vector<UINT> commands;    // every WM_COMMAND from a menu, in order
    std::vector<UINT_PTR> timers;  // every WM_TIMER that reached the frame itself
};

using MenuStep = std::function<void(HWND popup)>;

class MenuDriver {
public:
    // A visible frame at `frameRect` (screen) with the cool menu installed on it; away from the
    // screen's corner, where windows of other programs under test appear.
    explicit MenuDriver(const RECT& frameRect = RECT{520, 380, 1220, 1000});
    MenuDriver(const MenuDriver&) = delete;
    MenuDriver& operator=(const MenuDriver&) = delete;
    ~MenuDriver();

    // Tracks `menu` at `at` (frame client coordinates; `exclude` too) (through a CUVPopupMenu when `toolkitPopup`,
    // which makes the menus personalised, else the plain system call) and runs the steps one per `stepMs` while it is
    // open; `popup` is the newest visible popup-menu window. Returns the chosen command.
    UINT Track(HMENU menu, POINT at, bool toolkitPopup, std::vector<MenuStep> steps, const RECT* exclude = nullptr,
               UINT stepMs = 60);

    MenuFrame* frame = nullptr;
    CUVCoolMenu cool;
};

// Posts a key press (WM_KEYDOWN, WM_KEYUP) or a typed character (WM_CHAR) to the thread's queue,
// where the menu loop reads it whatever window has the focus.
void PostKey(HWND to, UINT key);
void PostChar(HWND to, wchar_t ch);
// The colour on the screen at (x, y) (screen coordinates).
COLORREF ScreenPixel(int x, int y);
// The newest visible popup-menu window (NULL when none).
HWND TopPopupMenu();
// The screen rectangle of item `position` of `menu` in its popup window.
RECT ItemRect(HWND popup, HMENU menu, int position);
// Writes the screen rectangle to a 24-bit BMP file.
bool SaveScreenBmp(const RECT& rect, const std::wstring& path);
