// Docking layout in a real 400 x 300 frame: bars docked on each side and in rows, checked by
// their window rectangles, and the dock bar's array of rows and placeholders.
//
// Layout arithmetic: the first bar of a row starts 2 pixels (the border lines) before the dock
// bar's edge, neighbours overlap by 2, and a row is as thick as its thickest bar less 2.
#include "BarTestFrame.h"

#include "classlib/ui/DockBar.h"

#include <memory>
#include <vector>

namespace {

struct Dock {
    UINT side;     // AFX_IDW_DOCKBAR_*
    bool sameRow;  // docked just right of (below) the bar before it
    int length;
    int thickness;
    RECT expected;  // in the frame's client coordinates
};

struct Scenario {
    const char* name;
    std::vector<Dock> docks;
    RECT pane;
};

DWORD AlignOf(UINT side)
{
    switch (side) {
    case AFX_IDW_DOCKBAR_TOP:
        return CBRS_ALIGN_TOP;
    case AFX_IDW_DOCKBAR_BOTTOM:
        return CBRS_ALIGN_BOTTOM;
    case AFX_IDW_DOCKBAR_LEFT:
        return CBRS_ALIGN_LEFT;
    default:
        return CBRS_ALIGN_RIGHT;
    }
}

class DockBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = CreateBarTestFrame(new CFrameWnd);
        ASSERT_NE(frame, nullptr);
        frame->EnableDocking(CBRS_ALIGN_ANY);
    }
    void TearDown() override
    {
        bars.clear();
        if (frame)
            frame->DestroyWindow();
        frame = nullptr;
    }
    CTestBar* Add(int length, int thickness, DWORD align)
    {
        bars.push_back(std::make_unique<CTestBar>(length, thickness));
        CTestBar* bar = bars.back().get();
        EXPECT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | align, frame, 0xE880 + static_cast<UINT>(bars.size())));
        bar->EnableDocking(CBRS_ALIGN_ANY);
        return bar;
    }
    CDockBar* Side(UINT id) const { return static_cast<CDockBar*>(frame->GetControlBar(id)); }

    CFrameWnd* frame = nullptr;
    std::vector<std::unique_ptr<CTestBar>> bars;
};

TEST_F(DockBar, BarsDockOnEachSideAndInRows)
{
    const Scenario scenarios[] = {
        {"one bar on each side: top and bottom run the full width, left and right fit between",
         {{AFX_IDW_DOCKBAR_TOP, false, 100, 30, {-2, -2, 98, 28}},
          {AFX_IDW_DOCKBAR_BOTTOM, false, 120, 20, {-2, 282, 118, 302}},
          {AFX_IDW_DOCKBAR_LEFT, false, 80, 24, {-2, 24, 22, 104}},
          {AFX_IDW_DOCKBAR_RIGHT, false, 60, 24, {378, 24, 402, 84}}},
         {20, 26, 380, 284}},
        {"two bars in a row, a third in a new row",
         {{AFX_IDW_DOCKBAR_TOP, false, 100, 30, {-2, -2, 98, 28}},
          {AFX_IDW_DOCKBAR_TOP, true, 50, 20, {96, -2, 146, 18}},
          {AFX_IDW_DOCKBAR_TOP, false, 80, 24, {-2, 26, 78, 50}}},
         {0, 48, 400, 300}},
        {"a bar that would start past the row's end wraps into a new row",
         {{AFX_IDW_DOCKBAR_TOP, false, 150, 30, {-2, -2, 148, 28}},
          {AFX_IDW_DOCKBAR_TOP, true, 150, 30, {146, -2, 296, 28}},
          {AFX_IDW_DOCKBAR_TOP, true, 150, 30, {294, -2, 444, 28}},
          {AFX_IDW_DOCKBAR_TOP, true, 150, 30, {-2, 26, 148, 56}}},
         {0, 54, 400, 300}},
        {"two columns on the left",
         {{AFX_IDW_DOCKBAR_LEFT, false, 100, 30, {-2, -2, 28, 98}},
          {AFX_IDW_DOCKBAR_LEFT, true, 40, 30, {-2, 96, 28, 136}},
          {AFX_IDW_DOCKBAR_LEFT, false, 70, 20, {26, -2, 46, 68}}},
         {44, 0, 400, 300}},
    };
    for (const auto& s : scenarios) {
        TearDown();
        SetUp();
        CTestBar* previous = nullptr;
        for (const auto& d : s.docks) {
            CTestBar* bar = Add(d.length, d.thickness, AlignOf(d.side));
            if (d.sameRow && previous) {
                RECT rect;
                previous->GetWindowRect(&rect);
                OffsetRect(&rect, 1, 1);
                frame->DockControlBar(bar, d.side, &rect);
            } else {
                frame->DockControlBar(bar, d.side);
            }
            frame->RecalcLayout();
            previous = bar;
        }
        for (size_t i = 0; i < s.docks.size(); ++i) {
            EXPECT_TRUE(SameRect(RectIn(*frame, bars[i]->m_hWnd), s.docks[i].expected)) << s.name << ", bar " << i;
            EXPECT_EQ(bars[i]->m_pDockBar, Side(s.docks[i].side)) << s.name << ", bar " << i;
            EXPECT_EQ(bars[i]->GetBarStyle() & CBRS_ALIGN_ANY, AlignOf(s.docks[i].side)) << s.name << ", bar " << i;
        }
        EXPECT_TRUE(SameRect(RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)), s.pane)) << s.name;
    }
}

TEST_F(DockBar, RowsKeepPlaceHoldersOfBarsThatLeft)
{
    CTestBar* a = Add(100, 30, CBRS_ALIGN_TOP);
    CTestBar* b = Add(100, 30, CBRS_ALIGN_TOP);
    CDockBar* top = Side(AFX_IDW_DOCKBAR_TOP);
    frame->DockControlBar(a);
    frame->DockControlBar(b);
    void* const idA = CDockBar::PlaceHolderFor(static_cast<UINT>(a->GetDlgCtrlID()));
    using Bars = std::vector<void*>;
    EXPECT_EQ(top->m_arrBars, (Bars{nullptr, a, nullptr, b, nullptr}));

    EXPECT_TRUE(top->RemoveControlBar(a, -1, TRUE));
    EXPECT_EQ(top->m_arrBars, (Bars{nullptr, idA, nullptr, b, nullptr})) << "the place holder keeps the row";
    EXPECT_EQ(top->GetDockedCount(), 1);
    EXPECT_EQ(top->GetDockedControlBar(1), nullptr);
    frame->RecalcLayout();
    EXPECT_TRUE(SameRect(RectIn(*frame, b->m_hWnd), RECT{-2, -2, 98, 28})) << "an empty row takes no room";

    a->m_pDockBar = nullptr;
    frame->DockControlBar(a, AFX_IDW_DOCKBAR_TOP);
    EXPECT_EQ(top->m_arrBars, (Bars{nullptr, b, nullptr, a, nullptr})) << "docking again drops the place holder";

    EXPECT_TRUE(top->RemoveControlBar(b));
    EXPECT_EQ(top->m_arrBars, (Bars{nullptr, a, nullptr})) << "a row left empty goes";
    EXPECT_FALSE(top->RemoveControlBar(b));

    frame->DockControlBar(b, AFX_IDW_DOCKBAR_LEFT);
    EXPECT_EQ(top->m_arrBars, (Bars{nullptr, a, nullptr}));
    EXPECT_EQ(Side(AFX_IDW_DOCKBAR_LEFT)->m_arrBars, (Bars{nullptr, b, nullptr}));
    EXPECT_EQ(b->GetBarStyle() & (CBRS_ALIGN_ANY | CBRS_BORDER_ANY), CBRS_ALIGN_LEFT | CBRS_BORDER_ANY);
}

TEST_F(DockBar, DockingWaitsForIdleTimeToLayOut)
{
    CTestBar* bar = Add(100, 30, CBRS_ALIGN_BOTTOM);
    frame->DockControlBar(bar);
    const RECT pane = RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST));
    EXPECT_TRUE(SameRect(pane, RECT{0, 0, kFrameWidth, kFrameHeight})) << "not yet laid out";
    frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_TRUE(SameRect(RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)),
                         RECT{0, 0, kFrameWidth, kFrameHeight - 26}));
    EXPECT_TRUE(SameRect(RectIn(*frame, Side(AFX_IDW_DOCKBAR_BOTTOM)->m_hWnd),
                         RECT{0, kFrameHeight - 26, kFrameWidth, kFrameHeight}));
}

TEST_F(DockBar, DockingWithoutADockBarOnTheBarsSideDoesNothing)
{
    CTestBar* bar = Add(100, 30, CBRS_ALIGN_TOP);
    bar->SetBarStyle(bar->GetBarStyle() & ~CBRS_ALIGN_ANY);
    frame->DockControlBar(bar);
    EXPECT_EQ(bar->m_pDockBar, nullptr);
    EXPECT_EQ(::GetParent(bar->m_hWnd), frame->m_hWnd);
}

}  // namespace

namespace {

TEST(FrameLayout, BarsTakeTheirSidesInCreationOrderAndThePaneTheRest)
{
    CFrameWnd* frame = CreateBarTestFrame(new CFrameWnd);
    ASSERT_NE(frame, nullptr);
    // Made before the dock bars, so laid out first: below the bottom dock bar.
    CTestBar status(100, 20);
    ASSERT_TRUE(status.CreateBar(nullptr, WS_VISIBLE | CBRS_BOTTOM, frame, ID_VIEW_STATUS_BAR));
    frame->EnableDocking(CBRS_ALIGN_ANY);
    CTestBar docked(100, 30);
    ASSERT_TRUE(docked.CreateBar(nullptr, WS_VISIBLE | CBRS_BOTTOM, frame, ID_VIEW_TOOLBAR));
    frame->DockControlBar(&docked);
    frame->RecalcLayout();
    EXPECT_TRUE(SameRect(RectIn(*frame, status.m_hWnd), RECT{0, 280, 100, 300}));
    const auto* bottom = frame->GetControlBar(AFX_IDW_DOCKBAR_BOTTOM);
    EXPECT_TRUE(SameRect(RectIn(*frame, bottom->m_hWnd), RECT{0, 254, kFrameWidth, 280}));
    EXPECT_TRUE(SameRect(RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)), RECT{0, 0, 400, 254}));
    status.DestroyWindow();
    docked.DestroyWindow();
    frame->DestroyWindow();
}

}  // namespace
