// The toolkit splitter as a frame's pane: hiding a row or column and showing it again restores
// the panes' order and sizes (and never leaves no row or column), live drags with the real mouse
// lay the panes out while the button is down, style 0x08 blocks dragging, and the flat and the
// framework's look paint their borders and bars at known pixels.
#include "tests/classlib/ui/BarInput.h"
#include "tests/classlib/ui/SplitterTestFrame.h"
#include "tests/toolkit/bars/Canvas.h"
#include "classlib/ui/View.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/splitter/SplitterWnd.h"

#include <vector>

namespace {

class CPaneView : public CView {
    DECLARE_DYNCREATE(CPaneView)
protected:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CPaneView, CView)

class COtherView : public CView {
    DECLARE_DYNCREATE(COtherView)
protected:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(COtherView, CView)

constexpr int kRows = 3;
constexpr int kColumns = 3;

// A 3 x 3 toolkit splitter of views, rows 60 and 80 high and columns 100 and 120 wide before the
// last.
class UVSplitterWnd : public SplitterFrameTest<CUVSplitterWnd> {
protected:
    UVSplitterWnd() : SplitterFrameTest({RUNTIME_CLASS(CPaneView), {100, 120, 0}, {60, 80, 0}}) {}
    // Every pane's window and rectangle, row by row.
    struct Layout {
        std::vector<HWND> panes;
        std::vector<RECT> rects;
    };
    Layout Snapshot() const
    {
        Layout layout;
        CUVSplitterWnd& splitter = frame->splitter;
        for (int row = 0; row < splitter.GetRowCount(); ++row) {
            for (int column = 0; column < splitter.GetColumnCount(); ++column) {
                CWnd* pane = splitter.GetPane(row, column);
                layout.panes.push_back(pane ? pane->m_hWnd : nullptr);
                layout.rects.push_back(pane ? RectIn(splitter, pane->m_hWnd) : RECT{});
            }
        }
        return layout;
    }
    void ExpectSameLayout(const Layout& actual, const Layout& expected) const
    {
        ASSERT_EQ(actual.panes.size(), expected.panes.size());
        for (size_t i = 0; i < actual.panes.size(); ++i) {
            EXPECT_EQ(actual.panes[i], expected.panes[i]) << i;
            EXPECT_TRUE(SameRect(actual.rects[i], expected.rects[i])) << i;
            EXPECT_TRUE(::IsWindowVisible(actual.panes[i]) || !::IsWindowVisible(frame->m_hWnd)) << i;
        }
    }
    int ColumnSize(int column) const
    {
        int current, minimum;
        frame->splitter.GetColumnInfo(column, current, minimum);
        return current;
    }
    // Presses at `from`, moves to `to` and checks `during` while the button is still down, then lets
    // go. Each step goes in after the one before was handled.
    template <class Check>
    void Drag(POINT from, POINT to, Check during)
    {
        POINT origin{0, 0};
        ::ClientToScreen(frame->splitter.m_hWnd, &origin);
        MouseTo(POINT{origin.x + from.x, origin.y + from.y});
        PumpInput(50);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        PumpInput(100);
        MouseTo(POINT{origin.x + to.x, origin.y + to.y});
        PumpInput(150);
        during();
        MouseButton(MOUSEEVENTF_LEFTUP);
        PumpInput(100);
    }
    void Show()
    {
        frame->ShowWindow(SW_SHOWNA);
        ::SetForegroundWindow(frame->m_hWnd);
        PumpInput(50);
    }
};

TEST_F(UVSplitterWnd, HidingAMiddleRowAndShowingItAgainRestoresOrderAndHeights)
{
    CUVSplitterWnd& splitter = frame->splitter;
    const Layout before = Snapshot();
    const HWND middle = splitter.GetPane(1, 0)->m_hWnd;
    const HWND below = splitter.GetPane(2, 0)->m_hWnd;
    const HWND belowRight = splitter.GetPane(2, 2)->m_hWnd;
    splitter.SetActivePane(1, 2);

    splitter.HideRow(1);
    EXPECT_EQ(splitter.GetRowCount(), 2);
    EXPECT_EQ(splitter.GetHiddenRow(), 1);
    EXPECT_EQ(splitter.GetPane(1, 0)->m_hWnd, below);
    EXPECT_FALSE(::GetWindowLongPtrW(middle, GWL_STYLE) & WS_VISIBLE);
    // The hidden row's views wait past the visible ones; the active pane moved to the next row.
    EXPECT_EQ(::GetDlgCtrlID(middle), splitter.IdFromRowCol(2, 0));
    int row = -1, column = -1;
    CWnd* active = splitter.GetActivePane(&row, &column);
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->m_hWnd, belowRight);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 2);
    EXPECT_EQ(RectIn(splitter, below).top, RectIn(splitter, splitter.GetPane(0, 0)->m_hWnd).bottom + 6);

    splitter.ShowRow();
    EXPECT_EQ(splitter.GetHiddenRow(), -1);
    ExpectSameLayout(Snapshot(), before);
}

TEST_F(UVSplitterWnd, HidingAColumnWhileAnotherIsHiddenShowsTheFirstAgain)
{
    CUVSplitterWnd& splitter = frame->splitter;
    const Layout before = Snapshot();
    const HWND first = splitter.GetPane(0, 0)->m_hWnd;
    splitter.HideColumn(0);
    EXPECT_EQ(splitter.GetColumnCount(), 2);
    EXPECT_NE(splitter.GetPane(0, 0)->m_hWnd, first);
    splitter.HideColumn(1);
    EXPECT_EQ(splitter.GetHiddenColumn(), 1);
    EXPECT_EQ(splitter.GetPane(0, 0)->m_hWnd, first);
    EXPECT_EQ(splitter.GetColumnCount(), 2);
    splitter.ShowColumn();
    ExpectSameLayout(Snapshot(), before);
}

TEST_F(UVSplitterWnd, HidingTheOnlyVisibleRowOrColumnOrOneOutOfRangeDoesNothing)
{
    CUVSplitterWnd& splitter = frame->splitter;
    const Layout before = Snapshot();
    const struct {
        const char* name;
        int row;
        int column;
    } cases[] = {{"row -1", -1, 0}, {"row 3", 3, 0}, {"column -1", 0, -1}, {"column 7", 0, 7}};
    for (const auto& c : cases) {
        if (c.row != 0)
            splitter.HideRow(c.row);
        else
            splitter.HideColumn(c.column);
        EXPECT_EQ(splitter.GetRowCount(), kRows) << c.name;
        EXPECT_EQ(splitter.GetColumnCount(), kColumns) << c.name;
        EXPECT_EQ(splitter.GetHiddenRow(), -1) << c.name;
        EXPECT_EQ(splitter.GetHiddenColumn(), -1) << c.name;
        ExpectSameLayout(Snapshot(), before);
    }

    // A single-row splitter keeps its row.
    CUVSplitterWnd single;
    ASSERT_TRUE(single.CreateStatic(frame, 1, 2, WS_CHILD, AFX_IDW_PANE_FIRST + 100));
    ASSERT_TRUE(single.CreateView(0, 0, RUNTIME_CLASS(CPaneView), SIZE{50, 50}, nullptr));
    single.HideRow(0);
    EXPECT_EQ(single.GetRowCount(), 1);
    EXPECT_EQ(single.GetHiddenRow(), -1);
    single.HideColumn(1);
    EXPECT_EQ(single.GetColumnCount(), 1);
    single.HideRow(0);
    EXPECT_EQ(single.GetRowCount(), 1);
    single.DestroyWindow();
}

TEST_F(UVSplitterWnd, PaneViewsCanBeReplacedByANewViewOfAnotherClass)
{
    CUVSplitterWnd& splitter = frame->splitter;
    CWnd* old = splitter.GetPane(0, 1);
    const RECT place = RectIn(splitter, old->m_hWnd);
    EXPECT_EQ(splitter.CreatePaneView(0, 1, RUNTIME_CLASS(CPaneView)), nullptr) << "same class: nothing happens";
    EXPECT_EQ(splitter.CreatePaneView(0, 1, RUNTIME_CLASS(COtherView)), old);
    CWnd* created = splitter.GetPane(0, 1);
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->IsKindOf(RUNTIME_CLASS(COtherView)));
    EXPECT_TRUE(SameRect(RectIn(splitter, created->m_hWnd), place));
    EXPECT_EQ(old->GetDlgCtrlID(), 0);
    EXPECT_FALSE(old->GetStyle() & WS_VISIBLE);

    // Giving the old view its place back returns the new one, hidden.
    EXPECT_EQ(splitter.ReplacePaneView(0, 1, old), created);
    EXPECT_EQ(splitter.GetPane(0, 1), old);
    EXPECT_FALSE(created->GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(SameRect(RectIn(splitter, old->m_hWnd), place));
}

TEST_F(UVSplitterWnd, FullWindowDragLaysThePanesOutWhileTheButtonIsDown)
{
    CUVSplitterWnd& splitter = frame->splitter;
    ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    splitter.SetSplitterStyle(0);
    ASSERT_TRUE(splitter.IsFullWindowDrag());
    Show();
    const HWND second = splitter.GetPane(0, 1)->m_hWnd;
    // Column 0's bar starts at 2 + 100 and is 6 wide; dragged to x = 203 (the tracker centred on it).
    Drag(POINT{105, 30}, POINT{203, 30}, [&] {
        EXPECT_EQ(::GetCapture(), splitter.m_hWnd);
        EXPECT_EQ(ColumnSize(0), 203 - 3 - 2);
        EXPECT_EQ(RectIn(splitter, second).left, 203 - 3 + 6);
    });
    EXPECT_EQ(ColumnSize(0), 198);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(UVSplitterWnd, WithoutFullWindowDragOnlyTheTrackerMovesUntilTheRelease)
{
    CUVSplitterWnd& splitter = frame->splitter;
    ASSERT_EQ(splitter.GetSplitterStyle(), CUVSplitterWnd::styleNoFullDrag);
    ASSERT_FALSE(splitter.IsFullWindowDrag());
    Show();
    Drag(POINT{105, 30}, POINT{203, 30}, [&] {
        EXPECT_EQ(::GetCapture(), splitter.m_hWnd);
        EXPECT_EQ(ColumnSize(0), 100);
    });
    EXPECT_EQ(ColumnSize(0), 198);
}

// A frame whose client is a 1 x 2 toolkit splitter with a 2 x 1 one in its right pane.
class CNestedFrame : public CFrameWnd {
public:
    CUVSplitterWnd outer;
    CUVSplitterWnd inner;

protected:
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* context) override
    {
        if (!outer.CreateStatic(this, 1, 2) ||
            !outer.CreateView(0, 0, RUNTIME_CLASS(CPaneView), SIZE{150, 0}, context) ||
            !inner.CreateStatic(&outer, 2, 1, WS_CHILD | WS_VISIBLE, outer.IdFromRowCol(0, 1)))
            return FALSE;
        return inner.CreateView(0, 0, RUNTIME_CLASS(CPaneView), SIZE{0, 100}, context) &&
               inner.CreateView(1, 0, RUNTIME_CLASS(CPaneView), SIZE{0, 0}, context);
    }
};

TEST(UVSplitterWndNested, SplitRestsFourPixelsAboveTheTrackersBottomOnRelease)
{
    auto* nested = new CNestedFrame;
    ASSERT_TRUE(nested->Create(nullptr, L"nested", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, kFrameWidth, kFrameHeight},
                               nullptr, nullptr, 0, nullptr));
    ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    nested->inner.SetSplitterStyle(0);
    nested->ShowWindow(SW_SHOWNA);
    ::SetForegroundWindow(nested->m_hWnd);
    PumpInput(50);
    POINT origin{0, 0};
    ::ClientToScreen(nested->inner.m_hWnd, &origin);
    auto rowSize = [&] {
        int current, minimum;
        nested->inner.GetRowInfo(0, current, minimum);
        return current;
    };
    // Row 0's bar starts at 2 + 100; the tracker (6 high) is centred on y = 163: 160 to 166.
    MouseTo(POINT{origin.x + 40, origin.y + 105});
    PumpInput(50);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    PumpInput(100);
    MouseTo(POINT{origin.x + 40, origin.y + 163});
    PumpInput(150);
    EXPECT_EQ(rowSize(), 160 - 2);
    MouseButton(MOUSEEVENTF_LEFTUP);
    PumpInput(100);
    EXPECT_EQ(rowSize(), 166 - 4 - 2);
    nested->DestroyWindow();
}

TEST_F(UVSplitterWnd, FullWindowDragFollowsTheSystemSettingThroughTheFramesSettingChange)
{
    CUVSplitterWnd& splitter = frame->splitter;
    splitter.SetSplitterStyle(0);
    for (const BOOL full : {FALSE, TRUE}) {
        ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, full, nullptr, 0);
        frame->SendMessage(WM_SETTINGCHANGE, SPI_SETDRAGFULLWINDOWS, 0);
        EXPECT_EQ(splitter.IsFullWindowDrag(), full) << full;
    }
    // Style 0x02 keeps it off whatever the system says.
    splitter.SetSplitterStyle(CUVSplitterWnd::styleNoFullDrag);
    EXPECT_FALSE(splitter.IsFullWindowDrag());
}

TEST_F(UVSplitterWnd, NoDragStyleBlocksDragging)
{
    CUVSplitterWnd& splitter = frame->splitter;
    ::SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
    splitter.SetSplitterStyle(CUVSplitterWnd::styleNoDrag);
    Show();
    EXPECT_EQ(splitter.HitTest(POINT{105, 30}), HTBORDER);
    Drag(POINT{105, 30}, POINT{203, 30}, [&] { EXPECT_EQ(::GetCapture(), nullptr); });
    EXPECT_EQ(ColumnSize(0), 100);
}

TEST_F(UVSplitterWnd, FlatAndFrameworkLooksPaintBordersAndBarsAtKnownPixels)
{
    CUVSplitterWnd& splitter = frame->splitter;
    const COLORREF light = GetUVBarColor(UVBarColor::highlight);
    const COLORREF dark = GetUVBarColor(UVBarColor::shadow);
    const COLORREF face = GetUVBarColor(UVBarColor::face);
    const struct {
        const char* look;
        BOOL flat;
        DWORD style;
        int gap;
        COLORREF outer;
        COLORREF inner;
    } looks[] = {
        {"flat", TRUE, 0, 6, light, dark},
        {"framework", FALSE, 0, 7, dark, light},
        {"flat without border", TRUE, CUVSplitterWnd::styleNoBorder, 6, Canvas::kBackground, Canvas::kBackground},
    };
    for (const auto& look : looks) {
        splitter.EnableFlatLook(look.flat);
        splitter.SetSplitterStyle(look.style);
        const RECT pane = RectIn(splitter, splitter.GetPane(0, 0)->m_hWnd);
        const RECT next = RectIn(splitter, splitter.GetPane(0, 1)->m_hWnd);
        EXPECT_EQ(next.left - pane.right, look.gap) << look.look;
        Canvas canvas(kFrameWidth, kFrameHeight);
        splitter.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc.GetSafeHdc()), PRF_CLIENT);
        EXPECT_EQ(canvas.At(pane.left - 2, pane.top + 10), look.outer) << look.look;
        EXPECT_EQ(canvas.At(pane.left - 1, pane.top + 10), look.inner) << look.look;
        // The middle of the bar between the two panes is the face colour.
        EXPECT_EQ(canvas.At((pane.right + next.left) / 2, pane.top + 10), face) << look.look;
    }
}

}  // namespace
