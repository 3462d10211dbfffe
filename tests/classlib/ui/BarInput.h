// Real input for the docking tests: mouse and keys go in through SendInput (absolute screen
// coordinates), and the thread's queue is pumped through the pre-translation chain as the
// application's loop does, so that modal loops (a bar's drag, a menu) see the input as a user's.
#pragma once

#include "classlib/ui/Wnd.h"

#include <windows.h>

inline void MouseTo(POINT point)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Normalised 0..65535 across the screen, rounded so that the cursor lands on the pixel.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((point.x * 65536LL + width / 2) / width);
    input.mi.dy = static_cast<LONG>((point.y * 65536LL + height / 2) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

inline void MouseButton(DWORD flag)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof(input));
}

inline void KeyInput(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

// Dispatches what arrives for `ms` milliseconds, offering each message to the windows'
// PreTranslateMessage first.
inline void PumpInput(DWORD ms)
{
    const DWORD until = GetTickCount() + ms;
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(5);
    } while (GetTickCount() < until);
}

inline POINT CenterOf(const RECT& rect)
{
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// Moves to `point` and clicks the left button there, letting each step arrive before the next.
inline void ClickAt(POINT point)
{
    MouseTo(point);
    PumpInput(30);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    PumpInput(30);
    MouseButton(MOUSEEVENTF_LEFTUP);
    PumpInput(150);
}

// Presses the left button at `from`, moves in two steps to `to` and lets go there; with `ctrl`
// the Ctrl key is held from before the press to after the release. Only the press is queued
// first: the rest goes in from a timer once the drag loop that the press starts runs (Wine drops
// mouse input queued behind a press on a window's non-client area).
inline void DragWithMouse(POINT from, POINT to, bool ctrl = false)
{
    struct Drag {
        POINT from, to;
        bool ctrl;
    };
    static Drag pending;
    pending = Drag{from, to, ctrl};
    MouseTo(from);
    PumpInput(30);
    if (ctrl)
        KeyInput(VK_CONTROL, false);
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        MouseTo(POINT{pending.from.x + (pending.to.x - pending.from.x) / 2,
                      pending.from.y + (pending.to.y - pending.from.y) / 2});
        MouseTo(pending.to);
        MouseButton(MOUSEEVENTF_LEFTUP);
        if (pending.ctrl)
            KeyInput(VK_CONTROL, true);
    });
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    PumpInput(300);
}

// The thread's visible tooltip window once one shows within `ms` milliseconds (pumping), or null.
inline HWND WaitForToolTip(DWORD ms)
{
    HWND tip = nullptr;
    const DWORD until = GetTickCount() + ms;
    while (GetTickCount() < until && !tip) {
        PumpInput(50);
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM found) -> BOOL {
                wchar_t name[32] = {};
                GetClassNameW(hwnd, name, 32);
                if (lstrcmpiW(name, L"tooltips_class32") == 0 && IsWindowVisible(hwnd)) {
                    *reinterpret_cast<HWND*>(found) = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&tip));
    }
    return tip;
}
