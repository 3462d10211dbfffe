// Real mouse input for OLE drags (SendInput; Wine 8's drag loop follows it). The press must land
// on one of the test's windows and be received before the drag starts, as in a view that starts
// the drag from its button-down handler: the drag loop reads the thread's own key state. The rest
// of the drag comes from another thread while the loop runs.
#pragma once

#include <windows.h>

#include <thread>

namespace fixtures {

inline void SendMouse(DWORD flags, int x, int y)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

// Presses the left button at the screen point and pumps until this thread has received it.
inline void PressOnSource(int x, int y)
{
    SendMouse(0, x, y);
    SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    const DWORD start = GetTickCount();
    while (!(GetKeyState(VK_LBUTTON) & 0x8000) && GetTickCount() - start < 2000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }
}

// Moves from (fromX, fromY) to (toX, toY) in ten steps and releases the button there.
inline std::thread DropFromThread(int fromX, int fromY, int toX, int toY)
{
    return std::thread([=] {
        for (int step = 1; step <= 10; ++step) {
            Sleep(30);
            SendMouse(0, fromX + (toX - fromX) * step / 10, fromY + (toY - fromY) * step / 10);
        }
        Sleep(100);
        SendMouse(MOUSEEVENTF_LEFTUP, toX, toY);
    });
}

}  // namespace fixtures
