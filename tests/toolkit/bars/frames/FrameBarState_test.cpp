// A toolkit main frame's bar layout across runs: with its menu bar (menu 99) and status bar,
// three toolbars in one row, a hidden and a floating bar and two docking windows sharing the left
// side are saved under "Control Bar State", and a second run of the program (this binary again,
// in a process of its own) gets back their places, visibility, the floating place (in a toolkit
// floating frame) and the docking windows' sizes. A layout saved before a docking window existed
// is not applied; one naming a bar that no longer exists applies without it.
#include "classlib/ui/DockBar.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "tests/toolkit/bars/docking/UVTestBar.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/DockWindow.h"
#include "toolkit/bars/docking/MiniDockFrameWnd.h"
#include "toolkit/bars/frames/FrameBarState.h"
#include "toolkit/bars/frames/FrameWnd.h"
#include "toolkit/bars/state/DockState.h"
#include "toolkit/bars/status/StatusBar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 450;
constexpr UINT kToolBarId = 0xE880;
constexpr UINT kWindowId = 0xE890;
constexpr wchar_t kProfile[] = L"Control Bar State";
constexpr UINT kMainMenu = 99;

// A frame like the program's main frame: its menu bar first on top, a status bar, toolbars
// 0-2 in one top row, toolbar 3 hidden, toolbar 4 floating, docking windows 0 and 1 on the
// left. `withThirdWindow` adds a docking window that an older layout does not know;
// `toolBars` leaves out the last ones.
struct MainFrame {
    explicit MainFrame(bool withThirdWindow = false, size_t toolBars = 5)
    {
        frame = new CUVFrameWnd;
        EXPECT_TRUE(frame->Create(nullptr, L"main", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, kWidth, kHeight}, nullptr,
                                  nullptr, 0, nullptr));
        CUVMenuBar& menuBar = frame->GetMenuBar();
        EXPECT_TRUE(menuBar.CreateEx(frame));
        EXPECT_TRUE(menuBar.LoadMenuBar(kMainMenu));
        EXPECT_TRUE(status.Create(frame));
        frame->EnableDockingEx(CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
        menuBar.EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(&menuBar, AFX_IDW_DOCKBAR_TOP);
        for (UINT i = 0; i < toolBars; ++i) {
            auto bar = std::make_unique<CUVTestBar>(90 + 10 * static_cast<int>(i), 26);
            EXPECT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER, frame, kToolBarId + i));
            bar->EnableDocking(CBRS_ALIGN_ANY);
            frame->DockControlBar(bar.get(), AFX_IDW_DOCKBAR_TOP);
            toolBarsMade.push_back(std::move(bar));
        }
        for (UINT i = 0; i < (withThirdWindow ? 3u : 2u); ++i) {
            auto window = std::make_unique<CUVDockWindow>();
            EXPECT_TRUE(window->Create(frame, kWindowId + i, L"Window", SIZE{160, 150}, WS_VISIBLE | CBRS_LEFT));
            window->EnableDocking(CBRS_ALIGN_ANY);
            frame->DockControlBar(window.get(), AFX_IDW_DOCKBAR_LEFT);
            windows.push_back(std::move(window));
        }
        frame->RecalcLayout();
    }
    ~MainFrame()
    {
        for (auto& bar : toolBarsMade)
            bar->DestroyWindow();
        for (auto& window : windows)
            window->DestroyWindow();
        status.DestroyWindow();
        frame->DestroyWindow();
        PumpInput(10);
    }
    void Arrange()
    {
        frame->DockControlBarLeftOf(toolBarsMade[1].get(), toolBarsMade[0].get());
        frame->DockControlBarLeftOf(toolBarsMade[2].get(), toolBarsMade[1].get());
        frame->ShowControlBar(toolBarsMade[3].get(), FALSE, FALSE);
        frame->FloatControlBar(toolBarsMade[4].get(), POINT{700, 500});
        RECT first;
        windows[0]->GetWindowRect(&first);
        const RECT below{first.left, first.bottom + 1, first.right, first.bottom + 20};
        frame->DockControlBar(windows[1].get(), AFX_IDW_DOCKBAR_LEFT, &below);
        frame->RecalcLayout();
        // The user moved the strip between the two and widened the column.
        windows[0]->SetDockedSize(SIZE{210, 140});
        windows[1]->SetDockedSize(SIZE{210, windows[1]->GetDockedHeight() + windows[0]->GetDockedHeight() - 140});
        frame->RecalcLayout();
    }
    RECT InFrame(CWnd* wnd) const
    {
        RECT rect;
        wnd->GetWindowRect(&rect);
        ::MapWindowPoints(nullptr, frame->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    UINT SideOf(CControlBar* bar) const
    {
        return bar->m_pDockBar ? static_cast<UINT>(bar->m_pDockBar->GetDlgCtrlID()) : 0;
    }

    CUVFrameWnd* frame = nullptr;
    CUVStatusBar status;
    std::vector<std::unique_ptr<CUVTestBar>> toolBarsMade;
    std::vector<std::unique_ptr<CUVDockWindow>> windows;
};

using UVFrameBarState = TestProfile;

// What a run sees of the layout, by name: rectangles in the frame (the floating frame's on the
// screen), visibility, the floating place and the docking windows' sizes. The second run prints
// it as lines "layout <name> <numbers>"; the first reads them back.
using LayoutReport = std::map<std::string, std::vector<long>>;

LayoutReport Report(MainFrame& run)
{
    const auto rect = [](const RECT& r) { return std::vector<long>{r.left, r.top, r.right, r.bottom}; };
    LayoutReport report;
    report["menubar"] = rect(run.InFrame(&run.frame->GetMenuBar()));
    report["status"] = rect(run.InFrame(&run.status));
    report["status-visible"] = {(run.status.GetStyle() & WS_VISIBLE) != 0};
    for (size_t i = 0; i < 3; ++i)
        report["toolbar" + std::to_string(i)] = rect(run.InFrame(run.toolBarsMade[i].get()));
    report["toolbar3-visible"] = {(run.toolBarsMade[3]->GetStyle() & WS_VISIBLE) != 0};
    CControlBar* floating = run.toolBarsMade[4].get();
    if (floating->m_pDockBar && floating->m_pDockBar->m_bFloating) {
        CFrameWnd* floatingFrame = floating->m_pDockBar->GetParentFrame();
        RECT place;
        floatingFrame->GetWindowRect(&place);
        report["toolbar4-floating-at"] = {place.left, place.top};
        // A toolkit floating frame, with its close button.
        const auto* toolkitFrame = dynamic_cast<CUVMiniDockFrameWnd*>(floatingFrame);
        report["toolbar4-caption-buttons"] = {toolkitFrame ? static_cast<long>(toolkitFrame->Buttons().size()) : -1};
    }
    for (size_t i = 0; i < run.windows.size(); ++i) {
        const std::string name = "window" + std::to_string(i);
        report[name] = rect(run.InFrame(run.windows[i].get()));
        report[name + "-size"] = {run.windows[i]->GetDockedWidth(), run.windows[i]->GetDockedHeight()};
    }
    return report;
}

LayoutReport ParseReport(const std::string& output)
{
    LayoutReport report;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string tag;
        std::string name;
        if (!(words >> tag >> name) || tag != "layout")
            continue;
        std::vector<long>& numbers = report[name];
        for (long n = 0; words >> n;)
            numbers.push_back(n);
    }
    return report;
}

constexpr wchar_t kSecondRunKey[] = L"CARROWFOLD_FRAME_LAYOUT_KEY";

// The second run, in a process of its own: this binary started by the test below with the
// registry key of its profile in the environment. It builds the same frame, loads the layout
// and prints what it sees.
class UVFrameBarStateSecondRun : public TestProfile {
protected:
    void SetUp() override
    {
        wchar_t company[256] = {};
        if (!GetEnvironmentVariableW(kSecondRunKey, company, static_cast<DWORD>(std::size(company))))
            GTEST_SKIP() << "runs only as the second run of ASecondRunGetsBack...";
        m_company = company;
        m_app.SetRegistryKey(m_company);
    }
    // The profile is the first run's, which checks and removes it.
    void TearDown() override {}
};

TEST_F(UVFrameBarStateSecondRun, LoadsTheLayoutAndReportsIt)
{
    MainFrame second;
    second.frame->LoadBarState(kProfile);
    PumpInput(50);
    second.frame->RecalcLayout();
    for (const auto& [name, numbers] : Report(second)) {
        std::printf("layout %s", name.c_str());
        for (long n : numbers)
            std::printf(" %ld", n);
        std::printf("\n");
    }
    std::fflush(stdout);
}

TEST_F(UVFrameBarState, ASecondRunGetsBackPlacesVisibilityFloatingFramesAndDockingWindowSizes)
{
    LayoutReport saved;
    {
        MainFrame first;
        first.Arrange();
        PumpInput(50);
        saved = Report(first);
        ASSERT_EQ(saved["toolbar1"][1], saved["toolbar0"][1]) << "one row";
        ASSERT_EQ(saved["toolbar2"][1], saved["toolbar0"][1]) << "one row";
        ASSERT_LT(saved["menubar"][3], saved["toolbar0"][3]) << "the menu bar's row comes first";
        ASSERT_EQ(saved["toolbar3-visible"], std::vector<long>{0});
        ASSERT_EQ(saved["toolbar4-floating-at"].size(), 2u);
        ASSERT_EQ(saved["toolbar4-caption-buttons"], std::vector<long>{1});
        ASSERT_EQ(saved["window0-size"][0], 210) << "the widened column";
        first.frame->SaveBarState(kProfile);
    }

    // This binary again, in a process of its own, running only the second run.
    SetEnvironmentVariableW(kSecondRunKey, m_company);
    std::string output;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const int exitCode = RunProgram(
        L"\"" + std::wstring(self) + L"\" --gtest_brief=1 --gtest_filter=UVFrameBarStateSecondRun.*", &output);
    SetEnvironmentVariableW(kSecondRunKey, nullptr);
    ASSERT_EQ(exitCode, 0) << output;
    const LayoutReport restored = ParseReport(output);
    for (const auto& [name, numbers] : saved) {
        const auto found = restored.find(name);
        if (found == restored.end())
            ADD_FAILURE() << name << " not reported:\n" << output;
        else
            EXPECT_EQ(found->second, numbers) << name;
    }
    EXPECT_EQ(restored.size(), saved.size()) << output;

    // Each docking window's sizes are its section's "Bar Position", 44 bytes.
    CString section;
    for (int n = 0; n < 12; ++n) {
        section.Format(L"%s-Bar%d", kProfile, n);
        if (RegQuery(section).find("BarID    REG_DWORD    0xe890") != std::string::npos)
            break;
    }
    const std::string listing = RegQuery(section);
    const size_t at = listing.find("Bar Position");
    ASSERT_NE(at, std::string::npos) << listing;
    const size_t data = listing.find("REG_BINARY", at);
    ASSERT_NE(data, std::string::npos);
    std::string hex;
    for (size_t i = data + 10; i < listing.size() && listing[i] != '\r' && listing[i] != '\n'; ++i) {
        if (listing[i] != ' ')
            hex += listing[i];
    }
    EXPECT_EQ(hex.size(), 88u) << hex;
}

TEST_F(UVFrameBarState, ALayoutSavedWithoutADockingWindowIsNotApplied)
{
    {
        MainFrame first;
        first.Arrange();
        first.frame->SaveBarState(kProfile);
    }
    MainFrame second(true);
    second.frame->LoadBarState(kProfile);
    second.frame->RecalcLayout();
    EXPECT_EQ(second.SideOf(second.toolBarsMade[4].get()), AFX_IDW_DOCKBAR_TOP) << "the bars stay where they are";
    EXPECT_TRUE(second.toolBarsMade[3]->GetStyle() & WS_VISIBLE);
}

TEST_F(UVFrameBarState, ALayoutNamingABarThatIsGoneAppliesWithoutIt)
{
    {
        MainFrame first;
        first.Arrange();
        first.frame->SaveBarState(kProfile);
    }
    MainFrame second(false, 3);
    CUVDockState state;
    state.LoadState(kProfile);
    UVCleanDockState(second.frame, state);
    for (const CControlBarInfo& info : state.m_arrBarInfo) {
        EXPECT_TRUE(info.m_bFloating || second.frame->GetControlBar(info.m_nBarID)) << info.m_nBarID;
        for (UINT id : info.m_arrBarID)
            EXPECT_TRUE(id == 0 || second.frame->GetControlBar(LOWORD(id))) << id;
    }
    second.frame->LoadBarState(kProfile);
    second.frame->RecalcLayout();
    const RECT a = second.InFrame(second.toolBarsMade[0].get());
    const RECT c = second.InFrame(second.toolBarsMade[2].get());
    EXPECT_EQ(a.top, c.top) << "the other toolbars keep their row";
}

TEST_F(UVFrameBarState, ABarDockedLeftOfAnotherLandsRightOfItInItsRow)
{
    MainFrame frame;
    CControlBar* a = frame.toolBarsMade[0].get();
    CControlBar* b = frame.toolBarsMade[3].get();
    frame.frame->DockControlBarLeftOf(b, a);
    frame.frame->RecalcLayout();
    const RECT ra = frame.InFrame(a);
    const RECT rb = frame.InFrame(b);
    EXPECT_EQ(rb.top, ra.top);
    EXPECT_GE(rb.left, ra.right - 4);
    EXPECT_LE(rb.left, ra.right + 4);
}

}  // namespace
