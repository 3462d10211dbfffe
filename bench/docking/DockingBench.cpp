// Docking layout figure, taken inside one Wine process on Xvfb (tools/bench): a visible frame with
// eight docked toolkit bars (three rows at the top, one bar at the bottom, two rows of docking
// windows with a splitter strip at the left and one bar at the right) is resized in 8-pixel steps
// from 1000 x 700 down to 600 x 400 and back; each SetWindowPos sends WM_SIZE, on which the frame
// lays out its dock bars and their bars. Time per resize from the steady clock around the
// call (the layout runs inside it; painting follows later and is not counted). Target: worst at
// most 16 ms. No peer: no other program lays out these bars.
//
// The second figure is taken the same way on a toolkit frame built like the program's main
// frame: three toolbars in one top row, a hidden toolbar, a floating toolbar, two docking
// windows (each hosting a child window) sharing the left side, and a bar at the bottom.
#include "classlib/ui/FrameWnd.h"
#include "tests/toolkit/bars/docking/UVTestBar.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/DockWindow.h"
#include "toolkit/bars/frames/FrameWnd.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

double Now()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// Median and worst time of SetWindowPos over the resize sequence.
std::pair<double, double> TimeResizes(HWND frame)
{
    std::vector<double> times;
    for (int round = 0; round < 3; ++round) {
        for (int step = 0; step <= 100; ++step) {
            // Down to 600 x 400 and back up, 8 pixels (and 6 in height) a step.
            const int k = step <= 50 ? step : 100 - step;
            const double start = Now();
            ::SetWindowPos(frame, nullptr, 0, 0, 1000 - 8 * k, 700 - 6 * k, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            times.push_back(Now() - start);
            Pump();
        }
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

// The main-frame-like figure.
void TimeMainFrame()
{
    auto* frame = new CUVFrameWnd;
    frame->Create(nullptr, L"bench", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, 1000, 700}, nullptr, nullptr, 0, nullptr);
    ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame->m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)), nullptr, nullptr);
    frame->EnableDockingEx(CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
    frame->ShowWindow(SW_SHOW);
    std::vector<std::unique_ptr<CControlBar>> bars;
    for (int i = 0; i < 6; ++i) {
        auto bar = std::make_unique<CUVTestBar>(i == 5 ? 600 : 220, i == 5 ? 22 : 28);
        bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_BORDER_ANY, frame,
                       0xE8E0 + static_cast<UINT>(i));
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get(), i == 5 ? AFX_IDW_DOCKBAR_BOTTOM : AFX_IDW_DOCKBAR_TOP);
        if (i == 1 || i == 2)
            frame->DockControlBarLeftOf(bar.get(), bars.back().get());
        bars.push_back(std::move(bar));
    }
    frame->ShowControlBar(bars[3].get(), FALSE, FALSE);
    frame->FloatControlBar(bars[4].get(), POINT{1050, 100});
    for (int i = 0; i < 2; ++i) {
        auto window = std::make_unique<CUVDockWindow>();
        window->Create(frame, 0xE8F0 + static_cast<UINT>(i), L"Window", SIZE{200, 250}, WS_VISIBLE | CBRS_LEFT);
        window->EnableDocking(CBRS_ALIGN_ANY);
        HWND child = ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window->m_hWnd,
                                       nullptr, nullptr, nullptr);
        window->SetChild(CWnd::FromHandle(child));
        RECT at{};
        if (i == 1) {
            bars.back()->GetWindowRect(&at);
            at = RECT{at.left, at.bottom + 1, at.right, at.bottom + 20};
        }
        frame->DockControlBar(window.get(), AFX_IDW_DOCKBAR_LEFT, i == 1 ? &at : nullptr);
        frame->RecalcLayout();
        bars.push_back(std::move(window));
    }
    Pump();
    const auto [median, worst] = TimeResizes(frame->m_hWnd);
    std::printf("toolkit main frame (3 toolbars in a row, a hidden and a floating one, 2 docking windows, a bottom "
                "bar) laid out on WM_SIZE, 303 resizes: median %.3f ms, worst %.3f ms (target: worst at most 16 ms; "
                "timed in-process around SetWindowPos, no peer)\n",
                median, worst);
    bars.clear();
    frame->DestroyWindow();
}

}  // namespace

int main()
{
    auto* frame = new CFrameWnd;
    frame->Create(nullptr, L"bench", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, 1000, 700}, nullptr, nullptr, 0, nullptr);
    ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame->m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)), nullptr, nullptr);
    EnableUVDocking(frame, CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
    frame->ShowWindow(SW_SHOW);
    std::vector<std::unique_ptr<CControlBar>> bars;
    const auto dock = [&](std::unique_ptr<CUVControlBar> bar, UINT side, const RECT* at) {
        bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_BORDER_ANY, frame,
                       0xE8D0 + static_cast<UINT>(bars.size()));
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get(), side, at);
        frame->RecalcLayout();
        bars.push_back(std::move(bar));
    };
    dock(std::make_unique<CUVTestBar>(300, 28), AFX_IDW_DOCKBAR_TOP, nullptr);
    dock(std::make_unique<CUVTestBar>(260, 28), AFX_IDW_DOCKBAR_TOP, nullptr);
    dock(std::make_unique<CUVTestBar>(400, 28), AFX_IDW_DOCKBAR_TOP, nullptr);
    dock(std::make_unique<CUVTestBar>(500, 24), AFX_IDW_DOCKBAR_BOTTOM, nullptr);
    dock(std::make_unique<CUVTestDockWindow>(SIZE{180, 200}, 40), AFX_IDW_DOCKBAR_LEFT, nullptr);
    RECT first;
    bars.back()->GetWindowRect(&first);
    const RECT below{first.left, first.bottom + 1, first.right, first.bottom + 20};
    dock(std::make_unique<CUVTestDockWindow>(SIZE{180, 200}, 40), AFX_IDW_DOCKBAR_LEFT, &below);
    dock(std::make_unique<CUVTestBar>(200, 28), AFX_IDW_DOCKBAR_RIGHT, nullptr);
    dock(std::make_unique<CUVTestBar>(160, 28), AFX_IDW_DOCKBAR_RIGHT, nullptr);
    Pump();

    const auto [median, worst] = TimeResizes(frame->m_hWnd);
    std::printf("docking layout on WM_SIZE, 8 docked bars, 303 resizes: median %.3f ms, worst %.3f ms "
                "(target: worst at most 16 ms; timed in-process around SetWindowPos, no peer)\n",
                median, worst);
    // The same resizes with every bar hidden: what resizing a frame costs here without the bars.
    for (auto& bar : bars)
        frame->ShowControlBar(bar.get(), FALSE, FALSE);
    Pump();
    const auto [bareMedian, bareWorst] = TimeResizes(frame->m_hWnd);
    std::printf("the same resizes with the bars hidden: median %.3f ms, worst %.3f ms (the window system's "
                "share under Wine and Xvfb)\n",
                bareMedian, bareWorst);
    bars.clear();
    frame->DestroyWindow();
    TimeMainFrame();
    return 0;
}
