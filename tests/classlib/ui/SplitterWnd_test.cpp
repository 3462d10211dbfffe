// The static splitter as a frame's pane: layout from row and column info, hit tests of bars and
// crossings, the active pane, and a bar dragged with the real mouse (the tracker follows it and
// the release sets the new size; Esc cancels).
#include "BarInput.h"
#include "SplitterTestFrame.h"

#include "classlib/ui/SplitterWnd.h"
#include "classlib/ui/View.h"

namespace {

class CPaneView : public CView {
    DECLARE_DYNCREATE(CPaneView)
protected:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CPaneView, CView)

constexpr int kBorder = 2;
constexpr int kGap = 7;

// A 2 x 2 splitter of views whose ideal size is 150 x 100.
class SplitterWnd : public SplitterFrameTest<CSplitterWnd> {
protected:
    SplitterWnd() : SplitterFrameTest({RUNTIME_CLASS(CPaneView), {150, 150}, {100, 100}}) {}
    RECT PaneRect(int row, int column) const { return RectIn(frame->splitter, *frame->splitter.GetPane(row, column)); }
    int RowSize(int row) const
    {
        int current, minimum;
        frame->splitter.GetRowInfo(row, current, minimum);
        return current;
    }
};

TEST_F(SplitterWnd, PanesTakeTheirIdealSizesInOrderAndTheLastTakesTheRest)
{
    CSplitterWnd& splitter = frame->splitter;
    EXPECT_EQ(RectIn(*frame, splitter.m_hWnd).right, kFrameWidth);
    EXPECT_EQ(splitter.GetPane(1, 1)->GetDlgCtrlID(), static_cast<int>(AFX_IDW_PANE_FIRST) + 17);
    EXPECT_TRUE(SameRect(PaneRect(0, 0), RECT{kBorder, kBorder, kBorder + 150, kBorder + 100}));
    EXPECT_TRUE(SameRect(PaneRect(1, 1), RECT{kBorder + 150 + kGap, kBorder + 100 + kGap, kFrameWidth - kBorder,
                                              kFrameHeight - kBorder}));

    // A row whose ideal size is below its minimum is not shown; the next takes its place.
    splitter.SetRowInfo(0, 20, 30);
    splitter.RecalcLayout();
    EXPECT_EQ(RowSize(0), 0);
    EXPECT_EQ(PaneRect(1, 0).top, kBorder + kGap);
    // An ideal size past the room there is leaves the last row nothing.
    splitter.SetRowInfo(0, 1000, 0);
    splitter.RecalcLayout();
    EXPECT_EQ(RowSize(0), kFrameHeight - 2 * kBorder - kGap);
    EXPECT_EQ(RowSize(1), 0);
}

TEST_F(SplitterWnd, HitTestsNameBarsAndCrossings)
{
    const int rowBar = kBorder + 100 + 3;
    const int columnBar = kBorder + 150 + 3;
    const struct {
        POINT point;
        int hit;
    } cases[] = {
        {{50, rowBar}, CSplitterWnd::vSplitterBar1},
        {{columnBar, 50}, CSplitterWnd::hSplitterBar1},
        {{columnBar, rowBar}, CSplitterWnd::splitterIntersection1},
        {{50, 50}, CSplitterWnd::noHit},
        {{0, rowBar}, CSplitterWnd::noHit},  // the border is not a bar
        {{kBorder + 150, 50}, CSplitterWnd::hSplitterBar1},
        {{kBorder + 150 + kGap, 50}, CSplitterWnd::noHit},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frame->splitter.HitTest(c.point), c.hit) << c.point.x << "," << c.point.y;
}

TEST_F(SplitterWnd, ActivePaneIsTheFramesActiveViewInTheSplitter)
{
    CSplitterWnd& splitter = frame->splitter;
    EXPECT_EQ(splitter.GetActivePane(), nullptr);
    splitter.SetActivePane(1, 0);
    int row = -1, column = -1;
    EXPECT_EQ(splitter.GetActivePane(&row, &column), splitter.GetPane(1, 0));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(static_cast<CWnd*>(frame->GetActiveView()), splitter.GetPane(1, 0));
}

TEST_F(SplitterWnd, DraggingARowBarWithTheMouseSetsItsSizeAndEscapeCancels)
{
    frame->ShowWindow(SW_SHOWNA);
    ::SetForegroundWindow(frame->m_hWnd);
    PumpInput(50);
    POINT origin{0, 0};
    ::ClientToScreen(frame->splitter.m_hWnd, &origin);
    const int rowBar = kBorder + 100 + 3;
    MouseTo(POINT{origin.x + 60, origin.y + rowBar});
    PumpInput(50);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    PumpInput(100);
    EXPECT_EQ(::GetCapture(), frame->splitter.m_hWnd);
    MouseTo(POINT{origin.x + 60, origin.y + 160});
    PumpInput(100);
    // Nothing moves before the release: the tracker only shows where the bar goes.
    EXPECT_EQ(RowSize(0), 100);
    MouseButton(MOUSEEVENTF_LEFTUP);
    PumpInput(100);
    // The tracker is centred on the mouse; the row ends where the tracker starts.
    EXPECT_EQ(RowSize(0), 160 - kGap / 2 - kBorder);
    EXPECT_EQ(::GetCapture(), nullptr);

    const int moved = kBorder + RowSize(0) + 3;
    MouseTo(POINT{origin.x + 60, origin.y + moved});
    PumpInput(50);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    PumpInput(100);
    MouseTo(POINT{origin.x + 60, origin.y + 60});
    PumpInput(100);
    KeyInput(VK_ESCAPE, false);
    KeyInput(VK_ESCAPE, true);
    PumpInput(100);
    MouseButton(MOUSEEVENTF_LEFTUP);
    PumpInput(100);
    EXPECT_EQ(RowSize(0), 160 - kGap / 2 - kBorder);
}

}  // namespace
