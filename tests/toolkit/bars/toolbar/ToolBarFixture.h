// A frame with docking and a toolkit toolbar docked at its top, made from the test resource 320
// (buttons 101, separator, 102, 103, 104), for the toolbar tests and the toolbar benchmark.
#pragma once

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <memory>
#include <vector>

class CToolBarFrame : public CFrameWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_UV_COLOR_CHOSEN || message == WM_UV_COLOR_POPUP_CLOSED)
            colourMessages.push_back({message, wParam, lParam});
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> colourMessages;
};

struct ToolBarFrame {
    explicit ToolBarFrame(RECT rect = RECT{100, 100, 700, 400}, UINT id = 0xE881, bool loadResource = true)
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
