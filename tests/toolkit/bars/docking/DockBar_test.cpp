// The toolkit dock bar in real frames: docking windows (a test stand-in) sharing a row's length,
// the splitter strips between them dragged with the mouse to their limits or cancelled, bars
// dragged by their grippers to each side, to the middle, with Ctrl, and into a second frame,
// and delayed layout requests coming to one layout.
#include "UVTestBar.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "classlib/ui/View.h"
#include "tests/classlib/ui/BarInput.h"
#include "toolkit/bars/docking/BarDragContext.h"
#include "toolkit/bars/docking/DockBar.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 400;
constexpr UINT kFirstId = 0xE8B0;

// Counts its layouts.
class CCountingFrame : public CFrameWnd {
public:
    void RecalcLayout(BOOL notify = TRUE) override
    {
        ++layouts;
        CFrameWnd::RecalcLayout(notify);
    }
    int layouts = 0;
};

class UVDockBar : public ::testing::Test {
protected:
    void TearDown() override
    {
        MouseTo(POINT{5, 1000});
        bars.clear();
        for (CFrameWnd* frame : frames)
            frame->DestroyWindow();
        PumpInput(20);
    }
    CCountingFrame* MakeFrame(POINT at, bool visible, DWORD sides = CBRS_ALIGN_ANY)
    {
        auto* frame = new CCountingFrame;
        EXPECT_TRUE(frame->Create(nullptr, L"dock", WS_POPUP | WS_CLIPCHILDREN,
                                  RECT{at.x, at.y, at.x + kWidth, at.y + kHeight}, nullptr, nullptr, 0, nullptr));
        EnableUVDocking(frame, sides, UVDB_KEEP_BAR_BORDERS);
        frame->RecalcLayout();
        if (visible) {
            frame->ShowWindow(SW_SHOW);
            SetForegroundWindow(frame->m_hWnd);
        }
        frames.push_back(frame);
        return frame;
    }
    template <class Bar, class... Args>
    Bar* Make(CFrameWnd* frame, DWORD side, Args... args)
    {
        auto bar = std::make_unique<Bar>(args...);
        EXPECT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | side | CBRS_GRIPPER, frame,
                                   kFirstId + static_cast<UINT>(bars.size())));
        bar->EnableDocking(CBRS_ALIGN_ANY);
        Bar* raw = bar.get();
        bars.push_back(std::move(bar));
        return raw;
    }
    // Docks `bar` at the end of the row of `after` (a new row when null) on `frame`'s dock bar `side`.
    void DockAfter(CFrameWnd* frame, CControlBar* bar, UINT side, CControlBar* after)
    {
        if (!after) {
            frame->DockControlBar(bar, side);
        } else {
            RECT rect;
            after->GetWindowRect(&rect);
            const bool horz = side == AFX_IDW_DOCKBAR_TOP || side == AFX_IDW_DOCKBAR_BOTTOM;
            const RECT at = horz ? RECT{rect.right + 1, rect.top, rect.right + 20, rect.bottom}
                                 : RECT{rect.left, rect.bottom + 1, rect.right, rect.bottom + 20};
            frame->DockControlBar(bar, side, &at);
        }
        frame->RecalcLayout();
    }
    static RECT Rect(CWnd* wnd, CWnd* frame)
    {
        RECT rect;
        wnd->GetWindowRect(&rect);
        ::MapWindowPoints(nullptr, frame->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    static int Length(CUVTestDockWindow* window, bool horz)
    {
        return horz ? window->GetDockedSize().cx : window->GetDockedSize().cy;
    }

    std::vector<CFrameWnd*> frames;
    std::vector<std::unique_ptr<CControlBar>> bars;
};

TEST_F(UVDockBar, DockingWindowsShareTheirRowsLength)
{
    struct Case {
        const char* name;
        std::vector<int> lengths;  // in row order; with a newcomer, it comes last
        std::vector<int> grippers;
        bool newcomer;
        std::vector<int> expected;
    } cases[] = {
        // The row is 500 long and two 6-pixel strips lie in it: 488 to share.
        {"10 pixels too many: -3, -3, -4", {164, 166, 168}, {20, 20, 20}, false, {161, 163, 164}},
        {"10 pixels too few: +3, +3, +4", {160, 160, 158}, {20, 20, 20}, false, {163, 163, 162}},
        {"a newcomer keeps its length where there is room", {100, 100, 150}, {20, 20, 20}, true, {169, 169, 150}},
        {"others shrink no further than their grippers, the newcomer takes the rest",
         {200, 200, 150},
         {180, 180, 30},
         true,
         {180, 180, 128}},
    };
    for (const auto& c : cases) {
        CCountingFrame* frame = MakeFrame(POINT{0, 0}, false);
        std::vector<CUVTestDockWindow*> windows;
        for (size_t i = 0; i < c.lengths.size(); ++i)
            windows.push_back(Make<CUVTestDockWindow>(frame, CBRS_TOP, SIZE{c.lengths[i], 60}, c.grippers[i]));
        const size_t settled = c.newcomer ? windows.size() - 1 : windows.size();
        for (size_t i = 0; i < settled; ++i)
            DockAfter(frame, windows[i], AFX_IDW_DOCKBAR_TOP, i ? windows[i - 1] : nullptr);
        // Their sizes as the test wants them, and no longer newly placed.
        for (size_t i = 0; i < settled; ++i) {
            windows[i]->SetDockedSize(SIZE{c.lengths[i], 60});
            windows[i]->m_dwStyleEx &= ~UVBS_NEWLY_PLACED;
        }
        if (c.newcomer) {
            frame->RecalcLayout();
            for (size_t i = 0; i < settled; ++i)
                windows[i]->SetDockedSize(SIZE{c.lengths[i], 60});
            windows.back()->SetDockedSize(SIZE{c.lengths.back(), 60});
            DockAfter(frame, windows.back(), AFX_IDW_DOCKBAR_TOP, windows[settled - 1]);
        } else {
            frame->RecalcLayout();
        }
        std::vector<int> lengths;
        for (CUVTestDockWindow* window : windows)
            lengths.push_back(Length(window, true));
        EXPECT_EQ(lengths, c.expected) << c.name;
        // Laid out in that order with a 6-pixel strip between neighbours.
        for (size_t i = 1; i < windows.size(); ++i) {
            EXPECT_EQ(Rect(windows[i], frame).left - Rect(windows[i - 1], frame).right, kUVStripSize)
                << c.name << ", before window " << i;
            EXPECT_EQ(Rect(windows[i], frame).right - Rect(windows[i], frame).left, c.expected[i]) << c.name;
        }
        EXPECT_FALSE(windows[0]->onlyInRow) << c.name;
        frame->DestroyWindow();
        frames.pop_back();
    }
}

TEST_F(UVDockBar, TheLastRowsBordersAndWhatItAddsToTheDockBar)
{
    constexpr DWORD L = CBRS_BORDER_LEFT, T = CBRS_BORDER_TOP, B = CBRS_BORDER_BOTTOM;
    struct Case {
        const char* name;
        UINT side;
        DWORD frameSides;
        int thickness;  // the dock bar across its side
        DWORD borders;  // the docking window's border bits after the layout
    } cases[] = {
        // A window 60 high (80 wide on a side dock bar) that fills its row.
        {"top: a strip below the row", AFX_IDW_DOCKBAR_TOP, CBRS_ALIGN_ANY, 60 + 6, L | T},
        {"bottom: a strip above the row and one pixel below it", AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_ANY, 6 + 60 + 1, L},
        {"left: a strip shown 4 pixels wide", AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_ANY, 80 + 4, L | T | B},
        {"left of a frame without a bottom dock bar", AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT | CBRS_ALIGN_TOP, 80 + 4,
         L | T},
        {"right: a strip left of the row", AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_ANY, 6 + 80, T | B},
    };
    for (const Case& c : cases) {
        CCountingFrame* frame = MakeFrame(POINT{0, 0}, false, c.frameSides);
        auto* window = Make<CUVTestDockWindow>(frame, CBRS_TOP, SIZE{80, 60}, 20);
        DockAfter(frame, window, c.side, nullptr);
        frame->RecalcLayout();
        const RECT dock = Rect(frame->GetControlBar(c.side), frame);
        const bool horz = c.side == AFX_IDW_DOCKBAR_TOP || c.side == AFX_IDW_DOCKBAR_BOTTOM;
        EXPECT_EQ(horz ? dock.bottom - dock.top : dock.right - dock.left, c.thickness) << c.name;
        EXPECT_EQ(window->GetBarStyle() & CBRS_BORDER_ANY, c.borders) << c.name;
        bars.clear();
        frame->DestroyWindow();
        frames.pop_back();
    }
}

TEST_F(UVDockBar, AStripBetweenAToolbarAndADockingWindowMovesTheWindowsEdge)
{
    CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
    auto* bar = Make<CUVTestBar>(frame, CBRS_TOP);
    auto* first = Make<CUVTestDockWindow>(frame, CBRS_TOP, SIZE{150, 60}, 40);
    auto* second = Make<CUVTestDockWindow>(frame, CBRS_TOP, SIZE{150, 60}, 40);
    DockAfter(frame, bar, AFX_IDW_DOCKBAR_TOP, nullptr);
    DockAfter(frame, first, AFX_IDW_DOCKBAR_TOP, bar);
    DockAfter(frame, second, AFX_IDW_DOCKBAR_TOP, first);
    frame->RecalcLayout();
    const int barRight = Rect(bar, frame).right;
    ASSERT_EQ(Rect(first, frame).left - barRight, kUVStripSize) << "a strip between the toolbar and the window";
    const int firstBefore = Length(first, true);
    const int secondBefore = Length(second, true);

    RECT rect;
    first->GetWindowRect(&rect);
    const POINT strip{rect.left - 3, rect.top + 20};
    DragWithMouse(strip, POINT{strip.x + 30, strip.y});
    frame->RecalcLayout();
    // The toolbar keeps its length: the window gives up 30, which the row shares out again.
    EXPECT_EQ(Rect(bar, frame).right, barRight);
    EXPECT_LT(Length(first, true), firstBefore) << "the window's edge moved";
    EXPECT_EQ(Length(first, true) + Length(second, true), firstBefore + secondBefore) << "the row stays full";
}

TEST_F(UVDockBar, AnExpandedWindowTakesWhatTheOthersOfItsRowGiveUp)
{
    CCountingFrame* frame = MakeFrame(POINT{0, 0}, false);
    std::vector<CUVTestDockWindow*> windows;
    for (int length : {161, 163, 164}) {
        windows.push_back(Make<CUVTestDockWindow>(frame, CBRS_TOP, SIZE{length, 60}, 20));
        DockAfter(frame, windows.back(), AFX_IDW_DOCKBAR_TOP,
                  windows.size() > 1 ? windows[windows.size() - 2] : nullptr);
    }
    for (size_t i = 0; i < windows.size(); ++i) {
        windows[i]->SetDockedSize(SIZE{std::vector<int>{161, 163, 164}[i], 60});
        windows[i]->m_dwStyleEx &= ~UVBS_NEWLY_PLACED;
    }
    frame->RecalcLayout();
    auto* dockBar = static_cast<CUVDockBar*>(frame->GetControlBar(AFX_IDW_DOCKBAR_TOP));
    const auto widths = [&] {
        std::vector<int> result;
        for (CUVTestDockWindow* window : windows)
            result.push_back(Rect(window, frame).right - Rect(window, frame).left);
        return result;
    };
    dockBar->Expand(windows[1], TRUE);
    EXPECT_EQ(widths(), (std::vector<int>{20, 163 + 141 + 144, 20})) << "the others keep their grippers";
    EXPECT_TRUE(windows[1]->IsExpanded());
    frame->RecalcLayout();
    EXPECT_EQ(widths(), (std::vector<int>{20, 448, 20})) << "a new layout keeps the row expanded";
    dockBar->Contract(windows[1], TRUE);
    EXPECT_EQ(widths(), (std::vector<int>{161, 163, 164}));
    EXPECT_FALSE(windows[1]->IsExpanded());
}

TEST_F(UVDockBar, AStripBetweenTwoWindowsMovesLengthFromOneToTheOther)
{
    struct Case {
        const char* name;
        int drag;  // pixels down
        bool cancel;
        int first, second;
    } cases[] = {
        {"30 pixels down", 30, false, 180, 214},
        {"far down: the second keeps its gripper", 1000, false, 354, 40},
        {"far up: the first keeps its gripper", -1000, false, 40, 354},
        {"cancelled", 30, true, 150, 244},
    };
    for (const auto& c : cases) {
        CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
        auto* first = Make<CUVTestDockWindow>(frame, CBRS_LEFT, SIZE{80, 150}, 40);
        auto* second = Make<CUVTestDockWindow>(frame, CBRS_LEFT, SIZE{80, 244}, 40);
        DockAfter(frame, first, AFX_IDW_DOCKBAR_LEFT, nullptr);
        DockAfter(frame, second, AFX_IDW_DOCKBAR_LEFT, first);
        first->SetDockedSize(SIZE{80, 150});
        second->SetDockedSize(SIZE{80, 244});
        first->m_dwStyleEx &= ~UVBS_NEWLY_PLACED;
        second->m_dwStyleEx &= ~UVBS_NEWLY_PLACED;
        frame->RecalcLayout();
        ASSERT_EQ(Rect(second, frame).top - Rect(first, frame).bottom, kUVStripSize) << c.name;
        EXPECT_TRUE(first->onlyInRow == FALSE && second->onlyInRow == FALSE) << c.name;

        RECT rect;
        first->GetWindowRect(&rect);
        const POINT strip{rect.left + 20, rect.bottom + 3};
        auto* dockBar = static_cast<CUVDockBar*>(frame->GetControlBar(AFX_IDW_DOCKBAR_LEFT));
        ASSERT_EQ(dockBar->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(strip.x, strip.y)), HTBORDER) << c.name;
        if (c.cancel) {
            MouseTo(strip);
            PumpInput(30);
            MouseButton(MOUSEEVENTF_LEFTDOWN);
            PumpInput(100);
            MouseTo(POINT{strip.x, strip.y + c.drag});
            PumpInput(100);
            EXPECT_TRUE(dockBar->IsTracking()) << c.name;
            dockBar->SendMessage(WM_COMMAND, IDCANCEL);
            MouseButton(MOUSEEVENTF_LEFTUP);
            PumpInput(100);
            EXPECT_FALSE(dockBar->IsTracking()) << c.name;
            EXPECT_EQ(::GetCapture(), nullptr) << c.name;
        } else {
            DragWithMouse(strip, POINT{strip.x, strip.y + c.drag});
        }
        frame->RecalcLayout();
        EXPECT_EQ(Length(first, false), c.first) << c.name;
        EXPECT_EQ(Length(second, false), c.second) << c.name;
        EXPECT_EQ(Rect(first, frame).bottom - Rect(first, frame).top, c.first) << c.name;
        frame->DestroyWindow();
        frames.pop_back();
    }
}

TEST_F(UVDockBar, ARowStripStopsAtItsLimits)
{
    CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
    auto* window = Make<CUVTestDockWindow>(frame, CBRS_LEFT, SIZE{80, 400}, 40);
    DockAfter(frame, window, AFX_IDW_DOCKBAR_LEFT, nullptr);
    EXPECT_TRUE(window->onlyInRow);
    EXPECT_EQ(Length(window, false), kHeight) << "alone, it takes the row's whole length";
    auto* dockBar = static_cast<CUVDockBar*>(frame->GetControlBar(AFX_IDW_DOCKBAR_LEFT));
    ASSERT_EQ(dockBar->Trackers().size(), 1u) << "a row strip right of the left row";
    const RECT strip = dockBar->Trackers()[0].rect;
    EXPECT_EQ(strip.right - strip.left, kUVStripSize);
    RECT dock;
    dockBar->GetWindowRect(&dock);
    const POINT at{dock.left + strip.left + 3, dock.top + 200};

    // Right to the frame's edge and beyond: as thick as the row plus all the pane had.
    const int pane = kWidth - (dock.right - dock.left);
    DragWithMouse(at, POINT{at.x + 1000, at.y});
    EXPECT_EQ(window->GetDockedSize().cx, 80 + pane);
    frame->RecalcLayout();
    // Left beyond the row: never thinner than 2 pixels.
    dockBar->GetWindowRect(&dock);
    const POINT again{dock.left + dockBar->Trackers()[0].rect.left + 3, dock.top + 200};
    DragWithMouse(again, POINT{again.x - 1000, again.y});
    EXPECT_EQ(window->GetDockedSize().cx, 2);
}

TEST_F(UVDockBar, ABarDraggedByItsGripperDocksOnEachSideOrFloats)
{
    struct Case {
        const char* name;
        POINT to;  // frame client coordinates
        bool ctrl;
        UINT side;      // 0: floating
        RECT expected;  // the bar's rectangle in the frame, when docked (rows start 1 pixel out)
    } cases[] = {
        {"left", {2, 200}, false, AFX_IDW_DOCKBAR_LEFT, {-1, 0, 27, 120}},
        {"right", {kWidth - 2, 200}, false, AFX_IDW_DOCKBAR_RIGHT, {kWidth - 29, 0, kWidth - 1, 120}},
        {"bottom", {250, kHeight - 2}, false, AFX_IDW_DOCKBAR_BOTTOM, {0, kHeight - 29, 120, kHeight - 1}},
        {"top", {250, 2}, false, AFX_IDW_DOCKBAR_TOP, {0, -1, 120, 27}},
        {"middle", {250, 200}, false, 0, {}},
        {"left with Ctrl held", {2, 200}, true, 0, {}},
    };
    for (const auto& c : cases) {
        CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
        auto* bar = Make<CUVTestBar>(frame, CBRS_TOP);
        frame->DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);
        frame->RecalcLayout();
        if (c.side != AFX_IDW_DOCKBAR_TOP) {
            frame->DockControlBar(bar, AFX_IDW_DOCKBAR_BOTTOM);
            frame->RecalcLayout();
        }
        int starts = 0;
        auto* drag = static_cast<CUVBarDragContext*>(bar->m_pDockContext);
        const auto observer = [](void* count, CUVBarDragContext*, BOOL started) {
            *static_cast<int*>(count) += started ? 1 : 10;
        };
        ASSERT_TRUE(drag->AddDragObserver(observer, &starts));
        RECT window;
        bar->GetWindowRect(&window);
        const POINT gripper = (bar->GetBarStyle() & CBRS_ORIENT_HORZ) ? POINT{window.left + 5, window.top + 12}
                                                                      : POINT{window.left + 12, window.top + 5};
        MouseTo(gripper);
        PumpInput(20);
        EXPECT_TRUE(bar->IsCursorInGripper()) << c.name;
        DragWithMouse(gripper, POINT{100 + c.to.x, 100 + c.to.y}, c.ctrl);
        EXPECT_EQ(starts, 11) << c.name << ": the observer saw the start and the end";
        if (c.side) {
            EXPECT_EQ(static_cast<UINT>(bar->m_pDockBar->GetDlgCtrlID()), c.side) << c.name;
            const RECT rect = Rect(bar, frame);
            EXPECT_TRUE(EqualRect(&rect, &c.expected))
                << c.name << ": (" << rect.left << "," << rect.top << ")-(" << rect.right << "," << rect.bottom << ")";
            EXPECT_EQ(static_cast<CDockBar*>(bar->m_pDockBar)->GetDockedCount(), 1) << c.name;
        } else {
            EXPECT_TRUE(bar->IsFloating()) << c.name;
            EXPECT_TRUE(bar->GetParentFrame()->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd))) << c.name;
        }
        drag->RemoveDragObserver(observer, &starts);
        bars.clear();
        frame->DestroyWindow();
        frames.pop_back();
    }
}

TEST_F(UVDockBar, ABarDraggedOverAnotherFrameDocksThere)
{
    CCountingFrame* home = MakeFrame(POINT{50, 100}, true);
    CCountingFrame* other = MakeFrame(POINT{650, 100}, true);
    auto* bar = Make<CUVTestBar>(home, CBRS_TOP);
    home->DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);
    home->RecalcLayout();
    const int homeLayouts = home->layouts;
    const int otherLayouts = other->layouts;
    RECT window;
    bar->GetWindowRect(&window);
    DragWithMouse(POINT{window.left + 5, window.top + 12}, POINT{652, 300});
    EXPECT_EQ(bar->GetParentFrame(), other);
    EXPECT_EQ(static_cast<UINT>(bar->m_pDockBar->GetDlgCtrlID()), AFX_IDW_DOCKBAR_LEFT);
    EXPECT_EQ(other->GetControlBar(bar->GetDlgCtrlID()), bar) << "the other frame lists it";
    EXPECT_EQ(home->GetControlBar(bar->GetDlgCtrlID()), nullptr) << "its first frame no longer";
    EXPECT_EQ(bar->m_pDockContext->m_pDockSite, other);
    EXPECT_GT(home->layouts, homeLayouts) << "both frames laid out again";
    EXPECT_GT(other->layouts, otherLayouts);
}

// Presses the left button at `from`, moves to `via`, then a while later to `to` and lets go there
// (each move from a timer once the drag loop runs, so that the loop sees both).
void DragVia(POINT from, POINT via, POINT to)
{
    static POINT s_via;
    static POINT s_to;
    s_via = via;
    s_to = to;
    MouseTo(from);
    PumpInput(30);
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        MouseTo(s_via);
        SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR next, DWORD) {
            KillTimer(nullptr, next);
            MouseTo(s_to);
            MouseButton(MOUSEEVENTF_LEFTUP);
        });
    });
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    PumpInput(500);
}

TEST_F(UVDockBar, AFrameTheDragReachedIntoLaysOutAgainWhereverTheBarLands)
{
    CCountingFrame* home = MakeFrame(POINT{50, 100}, true);
    CCountingFrame* other = MakeFrame(POINT{650, 100}, true);
    auto* bar = Make<CUVTestBar>(home, CBRS_TOP);
    home->DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);
    home->RecalcLayout();
    const int otherLayouts = other->layouts;
    RECT window;
    bar->GetWindowRect(&window);
    // Over the other frame's left side, then back to the home frame's bottom.
    DragVia(POINT{window.left + 5, window.top + 12}, POINT{652, 300}, POINT{300, 100 + kHeight - 2});
    EXPECT_EQ(bar->GetParentFrame(), home);
    EXPECT_EQ(static_cast<UINT>(bar->m_pDockBar->GetDlgCtrlID()), AFX_IDW_DOCKBAR_BOTTOM);
    EXPECT_GT(other->layouts, otherLayouts) << "the frame the drag passed through laid out again";
}

TEST_F(UVDockBar, ADraggedBarTogglesBetweenItsPlacesBeforeAndAfterTheDrag)
{
    CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
    auto* bar = Make<CUVTestBar>(frame, CBRS_TOP);
    frame->DockControlBar(bar, AFX_IDW_DOCKBAR_LEFT);
    frame->RecalcLayout();
    RECT window;
    bar->GetWindowRect(&window);
    DragWithMouse(POINT{window.left + 12, window.top + 5}, POINT{350, 300});
    ASSERT_TRUE(bar->IsFloating());
    RECT floating;
    bar->GetParentFrame()->GetWindowRect(&floating);
    bar->m_pDockContext->ToggleDocking();
    ASSERT_FALSE(bar->IsFloating());
    EXPECT_EQ(static_cast<UINT>(bar->m_pDockBar->GetDlgCtrlID()), AFX_IDW_DOCKBAR_LEFT) << "docked where it was";
    bar->m_pDockContext->ToggleDocking();
    ASSERT_TRUE(bar->IsFloating());
    RECT again;
    bar->GetParentFrame()->GetWindowRect(&again);
    EXPECT_EQ(again.left, floating.left) << "floating where the drag left it";
    EXPECT_EQ(again.top, floating.top);
}

// A view that only has to exist: the active view of a frame inside another.
class CBlankView : public CView {
protected:
    void OnDraw(CDC*) override {}
};

TEST_F(UVDockBar, WithNoDockBarOfItsFrameUnderTheDragABarDocksInTheActiveViewsFrame)
{
    CCountingFrame* home = MakeFrame(POINT{100, 100}, true, CBRS_ALIGN_TOP);
    // A frame in the home frame's client, as an MDI child lies in its frame's, holding the view.
    auto* inner = new CCountingFrame;
    ASSERT_TRUE(inner->Create(nullptr, L"inner", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, RECT{0, 100, kWidth, kHeight},
                              home, nullptr, 0, nullptr));
    EnableUVDocking(inner, CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
    auto* view = new CBlankView;
    ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, kWidth, kHeight - 100}, inner,
                             AFX_IDW_PANE_FIRST, nullptr));
    inner->RecalcLayout();
    home->SetActiveView(view, FALSE);
    auto* bar = Make<CUVTestBar>(home, CBRS_TOP);
    home->DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);
    home->RecalcLayout();
    RECT window;
    bar->GetWindowRect(&window);
    DragWithMouse(POINT{window.left + 5, window.top + 12}, POINT{100 + 2, 100 + 260});
    EXPECT_EQ(bar->GetParentFrame(), inner);
    ASSERT_NE(bar->m_pDockBar, nullptr);
    EXPECT_EQ(static_cast<UINT>(bar->m_pDockBar->GetDlgCtrlID()), AFX_IDW_DOCKBAR_LEFT);
    home->SetActiveView(nullptr, FALSE);
}

TEST_F(UVDockBar, DelayedLayoutRequestsComeToOneLayout)
{
    CCountingFrame* frame = MakeFrame(POINT{0, 0}, false);
    std::vector<CUVTestBar*> made;
    for (int i = 0; i < 4; ++i) {
        made.push_back(Make<CUVTestBar>(frame, CBRS_TOP));
        frame->DockControlBar(made.back(), AFX_IDW_DOCKBAR_TOP);
    }
    frame->RecalcLayout();
    const int before = frame->layouts;
    for (CUVTestBar* bar : made)
        frame->ShowControlBar(bar, FALSE, TRUE);
    for (CUVTestBar* bar : made)
        frame->ShowControlBar(bar, TRUE, TRUE);
    EXPECT_EQ(frame->layouts, before) << "nothing laid out before idle time";
    frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_EQ(frame->layouts, before + 1);
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[128] = {};
    GetWindowTextW(hwnd, text, 128);
    return text;
}

TEST_F(UVDockBar, ABarsToolsShowTheirTipsAndStatusPrompts)
{
    CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
    HWND status =
        ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame->m_hWnd,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_STATUS_BAR)), nullptr, nullptr);
    auto* bar = Make<CUVTestBar>(frame, CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY);
    frame->DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);
    frame->RecalcLayout();
    RECT client;
    bar->GetClientRect(&client);
    ::MapWindowPoints(bar->m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    // The second tool: 24 to 48 pixels into the client area.
    MouseTo(POINT{client.left + 30, client.top + 8});
    MouseTo(POINT{client.left + 31, client.top + 9});
    HWND tip = WaitForToolTip(3000);
    EXPECT_EQ(WindowText(status), L"Play the second tool");
    ASSERT_NE(tip, nullptr) << "no tooltip showed";
    EXPECT_EQ(WindowText(tip), L"Second tool");
    MouseTo(POINT{client.left + 10, client.top + 300});
    PumpInput(600);
    EXPECT_EQ(WindowText(status), L"Ready");
}

TEST_F(UVDockBar, ARightClickOnADockBarOpensTheBarMenuThatShowsAndHidesBars)
{
    CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
    auto* first = Make<CUVTestBar>(frame, CBRS_TOP);
    auto* second = Make<CUVTestBar>(frame, CBRS_TOP);
    first->SetWindowText(L"Transport");
    second->SetWindowText(L"Mixer");
    frame->DockControlBar(first, AFX_IDW_DOCKBAR_TOP);
    frame->DockControlBar(second, AFX_IDW_DOCKBAR_TOP);
    frame->RecalcLayout();
    // A click on the dock bar beside the bars (row one is 120 long).
    RECT dock;
    frame->GetControlBar(AFX_IDW_DOCKBAR_TOP)->GetWindowRect(&dock);
    static std::vector<std::wstring> texts;
    texts.clear();
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND popup = ::FindWindowW(L"#32768", nullptr);
        if (!popup || !IsWindowVisible(popup))
            return;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            texts.emplace_back(text);
        }
        // The first item (the newest bar, "Mixer"): keys posted to the queue drive the menu.
        PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 1);
        PostMessageW(popup, WM_KEYUP, VK_DOWN, 0xC0000001);
        PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageW(popup, WM_KEYUP, VK_RETURN, 0xC0000001);
    });
    MouseTo(POINT{dock.left + 300, dock.top + 10});
    PumpInput(30);
    MouseButton(MOUSEEVENTF_RIGHTDOWN);
    MouseButton(MOUSEEVENTF_RIGHTUP);
    PumpInput(800);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Mixer", L"Transport"}));
    EXPECT_FALSE(second->GetStyle() & WS_VISIBLE) << "the chosen bar hid";
    EXPECT_TRUE(first->GetStyle() & WS_VISIBLE);
}

// A bar that holds its floating frame by a point of its own, as the menu bar does.
class COffsetBar : public CUVTestBar {
public:
    BOOL GetReBarDragOffset(SIZE* offset) override
    {
        *offset = SIZE{30, 12};
        return TRUE;
    }
};

TEST_F(UVDockBar, ABarMayHoldItsFloatingFrameAtAnOffsetOfItsOwn)
{
    CCountingFrame* frame = MakeFrame(POINT{100, 100}, true);
    auto* bar = Make<COffsetBar>(frame, CBRS_TOP);
    frame->DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);
    frame->RecalcLayout();
    RECT window;
    bar->GetWindowRect(&window);
    const POINT drop{350, 300};
    DragWithMouse(POINT{window.left + 5, window.top + 12}, drop);
    ASSERT_TRUE(bar->IsFloating());
    RECT floating;
    bar->GetParentFrame()->GetWindowRect(&floating);
    EXPECT_EQ(floating.left, drop.x - 30);
    EXPECT_EQ(floating.top, drop.y - 12);
}

TEST_F(UVDockBar, ADockBarTakesTheStyleWordOfABarRestyledOnIt)
{
    CCountingFrame* frame = MakeFrame(POINT{0, 0}, false);
    auto* bar = Make<CUVTestBar>(frame, CBRS_TOP);
    frame->DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);
    bar->ModifyBarStyleEx(0x3000, UVBS_DOUBLE_GRIPPER, TRUE);
    auto* dockBar = static_cast<CUVDockBar*>(frame->GetControlBar(AFX_IDW_DOCKBAR_TOP));
    EXPECT_EQ(dockBar->m_dwStyleEx, 0x0007u);
}

}  // namespace
