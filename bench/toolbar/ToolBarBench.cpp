// Toolbar figures, taken inside one Wine process on Xvfb (tools/bench): a toolbar of 100 buttons
// (a separator after every tenth) docked at the top of its frame, the frame shrunk from 1000
// pixels wide to 40 in 8-pixel steps and grown back, in the XP look, three rounds. Each step is
// one relayout: the frame's resize sends WM_SIZE, on which the frame lays out its dock bars and
// the toolbar hides or shows buttons from its end. Timed with the performance counter: the
// relayout (the frame's RecalcLayout on WM_SIZE: the dock bar's and the toolbar's layouts and the
// moves of their windows; the target, worst at most 16 ms, is judged on each step's best round,
// bench/common/LayoutFigures.h), the toolbar's own part of it (what the dock bar asks of it: its
// size, hiding and showing buttons), and the whole step beside them (the resize with what the
// window system does for it, and the paint that follows). A fourth round counts the messages sent
// and the windows moved per step. No peer: no other toolbar on this machine hides buttons to fit.
#include "bench/common/LayoutFigures.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kRounds = 3;

// The toolbar with a clock around its own layout (what the dock bar asks of it on each resize).
class CTimedToolBar : public CUVToolBar {
public:
    SIZE CalcDynamicLayout(int length, DWORD mode) override
    {
        const double start = bench::NowMs();
        const SIZE size = CUVToolBar::CalcDynamicLayout(length, mode);
        spent += bench::NowMs() - start;
        return size;
    }
    double spent = 0;
};

std::vector<int> Widths()
{
    std::vector<int> widths;
    for (int width = 1000; width >= 40; width -= 8)
        widths.push_back(width);
    for (int width = 40; width <= 1000; width += 8)
        widths.push_back(width);
    return widths;
}

}  // namespace

int main()
{
    RefreshUVColors();
    uvAfxData.m_bXPLook = TRUE;
    auto* frame = new bench::CLayoutTimedFrame;
    frame->Create(nullptr, L"bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 1000, 200}, nullptr, nullptr,
                  0, nullptr);
    frame->EnableDocking(CBRS_ALIGN_ANY);
    auto bar = std::make_unique<CTimedToolBar>();
    bar->CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER, RECT{0, 0, 0, 0}, 0xE881);
    bar->LoadToolBar(320);
    std::vector<UINT> ids;
    for (UINT i = 1; ids.size() < 110; ++i) {
        ids.push_back(1000 + i);
        if (i % 10 == 0)
            ids.push_back(0);
    }
    bar->SetButtons(ids.data(), static_cast<int>(ids.size()));
    bar->EnableDocking(CBRS_ALIGN_ANY);
    frame->DockControlBar(bar.get(), AFX_IDW_DOCKBAR_TOP);
    frame->RecalcLayout();
    bench::Pump();

    const std::vector<int> widths = Widths();
    std::vector<std::vector<double>> relayouts(kRounds), own(kRounds), steps(kRounds);
    int hiddenAtNarrowest = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int width : widths) {
            frame->spent = 0;
            bar->spent = 0;
            const double start = bench::NowMs();
            SetWindowPos(frame->m_hWnd, nullptr, 0, 0, width, 200, SWP_NOMOVE | SWP_NOZORDER);
            relayouts[round].push_back(frame->spent);
            own[round].push_back(bar->spent);
            bench::Pump();
            UpdateWindow(frame->m_hWnd);
            RedrawWindow(bar->m_hWnd, nullptr, nullptr, RDW_UPDATENOW);
            steps[round].push_back(bench::NowMs() - start);
            if (width == 40 && hiddenAtNarrowest == 0) {
                for (int i = 0; i < bar->GetButtonCount(); ++i)
                    hiddenAtNarrowest += (bar->GetButtonState(i) & TBSTATE_HIDDEN) ? 1 : 0;
            }
        }
    }
    const bench::Counts counts = bench::CountPerStep(static_cast<int>(widths.size()), [&](int i) {
        SetWindowPos(frame->m_hWnd, nullptr, 0, 0, widths[static_cast<size_t>(i)], 200, SWP_NOMOVE | SWP_NOZORDER);
    });
    const bench::Figures relayout = bench::Summarise(bench::BestOfRounds(relayouts));
    const bench::Figures relayoutAll = bench::Summarise(bench::Joined(relayouts));
    const bench::Figures ownBest = bench::Summarise(bench::BestOfRounds(own));
    const bench::Figures step = bench::Summarise(bench::BestOfRounds(steps));
    const bench::Figures stepAll = bench::Summarise(bench::Joined(steps));
    std::printf("toolbar relayout, 100 buttons docked, 8-pixel steps 1000 -> 40 -> 1000 px (%zu steps x %d rounds, %d "
                "buttons hidden at 40 px; one-minute load average %.1f on %lu processors):\n",
                widths.size(), kRounds, hiddenAtNarrowest, bench::MachineLoad(),
                GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
    std::printf(
        "  relayout on WM_SIZE, best round of each step: median %.2f ms, worst %.2f ms (target: worst <= 16 ms) "
        "[%s]\n",
        relayout.median, relayout.worst, relayout.worst <= 16.0 ? "met" : "MISSED");
    std::printf("    every relayout as timed: median %.2f ms, 95th percentile %.2f ms, worst %.2f ms\n",
                relayoutAll.median, relayoutAll.p95, relayoutAll.worst);
    std::printf("  the toolbar's own part (sizes, hiding and showing), best round: median %.2f ms, worst %.2f ms\n",
                ownBest.median, ownBest.worst);
    std::printf("  the whole step (resize by the window system, relayout, paint), best round: median %.2f ms, worst "
                "%.2f ms; as timed: median %.2f ms, 95th percentile %.2f ms, worst %.2f ms\n",
                step.median, step.worst, stepAll.median, stepAll.p95, stepAll.worst);
    std::printf("  per step: %.1f messages sent, %.1f windows moved\n", counts.messages, counts.moves);
    bar.reset();
    frame->DestroyWindow();
    return 0;
}
