// Floating toolbar figure, taken inside one Wine process on Xvfb (tools/bench): a toolbar of 30
// buttons (a separator after every fifth) floating in its frame, resized across 20 widths from
// 700 pixels down to 70 and back, as the frame's sizing border asks it (the width the border
// gives, LM_COMMIT, then the frame's layout), three rounds. Timed with the performance counter:
// the fit (the toolbar's CalcDynamicLayout for the width asked: the bisection between one row
// and a row per button, and the control's wraps set to it; target at most 2 ms a step, judged on
// each step's best round) and the whole step beside it (the frame's layout and its resize by the
// window system, and the paint that follows). No peer: no other toolbar on this machine wraps.
#include "bench/common/LayoutFigures.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr int kRounds = 3;
constexpr int kSteps = 20;

std::vector<int> Widths()
{
    std::vector<int> widths;
    for (int i = 0; i < kSteps / 2; ++i)
        widths.push_back(700 - i * 70);
    for (int i = kSteps / 2 - 1; i >= 0; --i)
        widths.push_back(700 - i * 70);
    return widths;
}

size_t Rows(CUVToolBar& bar)
{
    std::set<LONG> tops;
    for (int i = 0; i < bar.GetButtonCount(); ++i)
        tops.insert(bar.GetItemRect(i).top);
    return tops.size();
}

}  // namespace

int main()
{
    RefreshUVColors();
    uvAfxData.m_bXPLook = TRUE;
    auto* frame = new CFrameWnd;
    frame->Create(nullptr, L"bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 0, 800, 300}, nullptr, nullptr, 0,
                  nullptr);
    frame->EnableDocking(CBRS_ALIGN_ANY);
    auto bar = std::make_unique<CUVToolBar>();
    bar->CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_SIZE_DYNAMIC,
                  RECT{0, 0, 0, 0}, 0xE881);
    bar->LoadToolBar(320);
    std::vector<UINT> ids;
    for (UINT i = 1; ids.size() < 35; ++i) {
        ids.push_back(1000 + i);
        if (i % 5 == 0 && i < 30)
            ids.push_back(0);
    }
    bar->SetButtons(ids.data(), static_cast<int>(ids.size()));
    bar->EnableDocking(CBRS_ALIGN_ANY);
    frame->DockControlBar(bar.get(), AFX_IDW_DOCKBAR_TOP);
    frame->FloatControlBar(bar.get(), POINT{100, 400});
    bench::Pump();
    CFrameWnd* floating = bar->GetParentFrame();

    const std::vector<int> widths = Widths();
    std::vector<std::vector<double>> fits(kRounds), steps(kRounds);
    size_t rowsAtNarrowest = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int width : widths) {
            const double start = bench::NowMs();
            bar->CalcDynamicLayout(width, LM_HORZ | LM_COMMIT);
            fits[round].push_back(bench::NowMs() - start);
            floating->RecalcLayout();
            bench::Pump();
            UpdateWindow(floating->m_hWnd);
            steps[round].push_back(bench::NowMs() - start);
            if (width == widths[kSteps / 2 - 1] && rowsAtNarrowest == 0)
                rowsAtNarrowest = Rows(*bar);
        }
    }
    const bench::Figures fit = bench::Summarise(bench::BestOfRounds(fits));
    const bench::Figures fitAll = bench::Summarise(bench::Joined(fits));
    const bench::Figures step = bench::Summarise(bench::BestOfRounds(steps));
    std::printf("floating toolbar fit, 30 buttons, %d widths 700 -> %d -> 700 px (%d rounds, %zu rows at the "
                "narrowest; one-minute load average %.1f on %lu processors):\n",
                kSteps, widths[kSteps / 2 - 1], kRounds, rowsAtNarrowest, bench::MachineLoad(),
                GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
    std::printf("  fit for the width asked, best round of each step: median %.3f ms, worst %.3f ms (target: worst <= "
                "2 ms) [%s]\n",
                fit.median, fit.worst, fit.worst <= 2.0 ? "met" : "MISSED");
    std::printf("    every fit as timed: median %.3f ms, 95th percentile %.3f ms, worst %.3f ms\n", fitAll.median,
                fitAll.p95, fitAll.worst);
    std::printf("  the whole step (fit, the frame's layout and resize, paint), best round: median %.2f ms, worst "
                "%.2f ms\n",
                step.median, step.worst);
    bar.reset();
    frame->DestroyWindow();
    return 0;
}
