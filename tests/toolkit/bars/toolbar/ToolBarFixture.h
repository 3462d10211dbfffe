// A frame with docking and a toolkit toolbar docked at its top, made from the test resource 320
// (buttons 101, separator, 102, 103, 104), shown or never shown (OffscreenToolBarFrame), for the
// toolbar tests; a toolbar whose control refuses a batch of buttons; and the drag by SendInput.
#pragma once

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <atomic>
#include <memory>
#include <thread>
#include <utility>
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
    // `shown` is WS_VISIBLE or 0 (OffscreenToolBarFrame).
    explicit ToolBarFrame(RECT rect = kFrameRect, UINT id = 0xE881, bool loadResource = true, DWORD shown = WS_VISIBLE)
    {
        frame = new CToolBarFrame;
        frame->Create(nullptr, L"toolbar", WS_POPUP | shown | WS_CLIPCHILDREN, rect, nullptr, nullptr, 0, nullptr);
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
    // Resizes the frame as the user would; the frame lays its bars out on WM_SIZE. A frame that is
    // never shown is not activated either: that would take the foreground from another test's window.
    void SetWidth(int width)
    {
        RECT rect;
        frame->GetWindowRect(&rect);
        const UINT activation = (frame->GetStyle() & WS_VISIBLE) ? 0 : SWP_NOACTIVATE;
        SetWindowPos(frame->m_hWnd, nullptr, 0, 0, width, rect.bottom - rect.top,
                     SWP_NOMOVE | SWP_NOZORDER | activation);
    }

    CToolBarFrame* frame = nullptr;
    std::unique_ptr<CUVToolBar> bar;
};

// A frame that is never shown, for tests that lay bars out, send them messages and paint them into
// memory DCs: it covers no other test's windows and takes no input, so those tests run beside the
// ones that use the display (and under Xvfb without a window manager each shown frame costs about
// a second).
struct OffscreenToolBarFrame : ToolBarFrame {
    explicit OffscreenToolBarFrame(UINT id = 0xE881, bool loadResource = true)
        : ToolBarFrame(kFrameRect, id, loadResource, 0)
    {}
};

// Dispatches what is waiting in the thread's queue (posted layouts and the like).
inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Gives button `index` the drop-down style and a record of `flags` (and a menu or a colour).
inline void MakeDropDown(CUVToolBar& bar, int index, UINT menuId, uint32_t flags,
                         uint32_t colour = CUVToolBarButtonInfo::kNoColor)
{
    bar.SetButtonStyle(index, BTNS_DROPDOWN);
    CUVToolBarButtonInfo info;
    info.command = bar.GetItemID(index);
    info.menuId = menuId;
    info.flags = CUVToolBarButtonInfo::isDropDown | flags;
    info.selectedColor = colour;
    bar.SetButtonInfo(info);
}

// The command ids of the bar's buttons in order (0 for a separator).
inline std::vector<UINT> ToolBarIds(const CUVToolBar& bar)
{
    std::vector<UINT> ids;
    for (int i = 0; i < bar.GetButtonCount(); ++i)
        ids.push_back(bar.GetItemID(i));
    return ids;
}

// The bar's state with its third and fourth buttons (102 and 103 of the test resource) swapped.
inline UVToolBarState SwappedState(const CUVToolBar& bar)
{
    UVToolBarState state = bar.CaptureState();
    std::swap(state.buttons[2], state.buttons[3]);
    return state;
}

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
// input is routed when it is sent, so each step waits until the bar has taken the capture. The
// queue is pumped until the release has gone in and nothing more has arrived for a short while.
inline void DragBySendInput(POINT from, POINT to)
{
    std::atomic<bool> released{false};
    std::thread mouse([from, to, &released] {
        auto send = [](INPUT input) {
            SendInput(1, &input, sizeof(INPUT));
            Sleep(150);
        };
        send(MouseAt(from));
        send(MouseAt(from, MOUSEEVENTF_LEFTDOWN));
        for (int step = 1; step <= 4; ++step)
            send(MouseAt(POINT{from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4}));
        send(MouseAt(to, MOUSEEVENTF_LEFTUP));
        released = true;
    });
    constexpr DWORD kQuietMs = 200;
    constexpr DWORD kTimeoutMs = 2500;
    const DWORD start = GetTickCount();
    DWORD lastMessage = start;
    while (GetTickCount() - start < kTimeoutMs && !(released && GetTickCount() - lastMessage >= kQuietMs)) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CWnd::WalkPreTranslateTree(nullptr, &msg))
                DispatchMessageW(&msg);
            lastMessage = GetTickCount();
        }
        Sleep(5);
    }
    mouse.join();
}
