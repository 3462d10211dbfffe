// A frame with docking and a toolkit toolbar docked at its top, made from the test resource 320
// (buttons 101, separator, 102, 103, 104), for the toolbar tests and the toolbar benchmark; and a
// toolbar whose control refuses a batch of buttons.
#pragma once

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <memory>
#include <thread>
#include <vector>

class CToolBarFrame : public CFrameWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_UV_COLOR_CHOSEN || message == WM_UV_COLOR_POPUP_CLOSED)
            colourMessages.push_back({message, wParam, lParam});
        else if (message >= WM_UV_COLOR_POPUP_FIRST && message <= WM_UV_COLOR_POPUP_LAST)
            forwarded.push_back(message);
        if (message == WM_UV_TOOLBAR_RESIZED)
            resized.push_back({message, wParam, lParam});
        if (message == WM_COMMAND)
            commands.push_back(LOWORD(wParam));
        if (message == WM_SETMESSAGESTRING)
            statusIds.push_back(static_cast<UINT>(wParam));
        const LRESULT result = CFrameWnd::WindowProc(message, wParam, lParam);
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TTN_NEEDTEXTW) {
            const auto* text = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            tipTexts.push_back(text->lpszText && !IS_INTRESOURCE(text->lpszText) && *text->lpszText
                                   ? CString(text->lpszText)
                                   : CString(text->szText));
        }
        return result;
    }
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> colourMessages;
    std::vector<UINT> forwarded;   // the colour popup's other messages
    std::vector<Message> resized;  // 0x89E6 from a bar whose parent this is
    std::vector<UINT> commands;    // menu and toolbar commands that reached the frame
    std::vector<UINT> statusIds;   // fly-by texts asked for
    std::vector<CString> tipTexts;
};

// Away from the screen's corner, where other tests' windows appear.
inline constexpr RECT kFrameRect{320, 560, 920, 860};

struct ToolBarFrame {
    explicit ToolBarFrame(RECT rect = kFrameRect, UINT id = 0xE881, bool loadResource = true)
    {
        frame = new CToolBarFrame;
        frame->Create(nullptr, L"toolbar", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, rect, nullptr, nullptr, 0, nullptr);
        frame->EnableDocking(CBRS_ALIGN_ANY);
        bar = std::make_unique<CUVToolBar>();
        bar->CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY,
                      RECT{0, 0, 0, 0}, id);
        if (loadResource)
            bar->LoadToolBar(320);
    }
    ~ToolBarFrame()
    {
        bar.reset();
        if (IsWindow(frame->m_hWnd))
            frame->DestroyWindow();
    }
    void Dock()
    {
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get(), AFX_IDW_DOCKBAR_TOP);
        frame->RecalcLayout();
    }
    // Resizes the frame as the user would; the frame lays its bars out on WM_SIZE.
    void SetWidth(int width)
    {
        RECT rect;
        frame->GetWindowRect(&rect);
        SetWindowPos(frame->m_hWnd, nullptr, 0, 0, width, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
    }

    CToolBarFrame* frame = nullptr;
    std::unique_ptr<CUVToolBar> bar;
};

// A toolbar whose control refuses the next batch of buttons, as a control out of memory would.
class CRefusingToolBar : public CUVToolBar {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == TB_ADDBUTTONSW && refuseNext) {
            refuseNext = false;
            return FALSE;
        }
        return CUVToolBar::WindowProc(message, wParam, lParam);
    }
    bool refuseNext = false;
};

inline INPUT MouseAt(POINT point, DWORD flags = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

// Presses at `from`, moves to `to` in steps and releases there, from another thread with pauses:
// input is routed when it is sent, so each step waits until the bar has taken the capture.
inline void DragBySendInput(POINT from, POINT to)
{
    std::thread mouse([from, to] {
        auto send = [](INPUT input) {
            SendInput(1, &input, sizeof(INPUT));
            Sleep(150);
        };
        send(MouseAt(from));
        send(MouseAt(from, MOUSEEVENTF_LEFTDOWN));
        for (int step = 1; step <= 4; ++step)
            send(MouseAt(POINT{from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4}));
        send(MouseAt(to, MOUSEEVENTF_LEFTUP));
    });
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2500) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::WalkPreTranslateTree(nullptr, &msg))
                DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    mouse.join();
}
