// The control bar's own behaviour in a real frame: inside rectangle, delayed show and hide
// settled by a layout or at idle time, idle update of its items through the frame's routing,
// and the frame's show/hide commands by bar id.
#include "BarTestFrame.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/Menu.h"

#include <memory>

namespace {

constexpr UINT ID_ITEM_CHECKED = 1101;  // the frame's update handler enables and checks it
constexpr UINT ID_ITEM_NOBODY = 1102;   // no handler anywhere

class CBarFrame : public CFrameWnd {
protected:
    void OnUpdateChecked(CCmdUI* state)
    {
        state->Enable(TRUE);
        state->SetCheck(1);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBarFrame, CFrameWnd)
ON_UPDATE_COMMAND_UI(ID_ITEM_CHECKED, &CBarFrame::OnUpdateChecked)
END_MESSAGE_MAP()

class ControlBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = static_cast<CBarFrame*>(CreateBarTestFrame(new CBarFrame));
        ASSERT_NE(frame, nullptr);
        frame->EnableDocking(CBRS_ALIGN_ANY);
    }
    void TearDown() override
    {
        if (frame)
            frame->DestroyWindow();
    }
    std::unique_ptr<CTestBar> MakeBar(UINT id, UINT itemId = 0)
    {
        auto bar = std::make_unique<CTestBar>(100, 30, itemId);
        EXPECT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP, frame, id));
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get());
        frame->RecalcLayout();
        return bar;
    }
    RECT Pane() const { return RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)); }
    void Idle() const
    {
        frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
        frame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    }

    CBarFrame* frame = nullptr;
};

TEST_F(ControlBar, InsideRectLosesBorderLinesBordersAndGripper)
{
    struct Case {
        const char* name;
        DWORD style;
        BOOL horz;
        RECT expected;  // of {0, 0, 100, 40}; borders 6, 1, 6, 1; border lines 2 pixels
    } cases[] = {
        {"no border lines, horizontal", 0, TRUE, {6, 1, 94, 39}},
        {"four border lines, horizontal", CBRS_BORDER_ANY, TRUE, {8, 3, 92, 37}},
        {"gripper at the left", CBRS_GRIPPER, TRUE, {13, 1, 94, 39}},
        {"a floating bar has no gripper", CBRS_GRIPPER | CBRS_FLOATING, TRUE, {6, 1, 94, 39}},
        {"vertical: borders turn with the bar", 0, FALSE, {1, 6, 99, 34}},
        {"vertical: gripper at the top", CBRS_GRIPPER, FALSE, {1, 13, 99, 34}},
        {"left and bottom lines only", CBRS_BORDER_LEFT | CBRS_BORDER_BOTTOM, TRUE, {8, 1, 94, 37}},
    };
    CTestBar bar(100, 30);
    for (const auto& c : cases) {
        bar.SetBarStyle(c.style);
        RECT rect{0, 0, 100, 40};
        bar.CalcInsideRect(rect, c.horz);
        EXPECT_TRUE(SameRect(rect, c.expected)) << c.name;
    }
}

TEST_F(ControlBar, DelayedHideAndShowWaitForIdleTimeAndQueriesLeaveThemPending)
{
    auto bar = MakeBar(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(SameRect(Pane(), RECT{0, 26, kFrameWidth, kFrameHeight}));

    frame->ShowControlBar(bar.get(), FALSE, TRUE);
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE) << "hidden only at idle time";
    EXPECT_FALSE(bar->IsVisible());
    RECT left;
    frame->RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, CWnd::reposQuery, &left);
    EXPECT_TRUE(SameRect(left, RECT{0, 0, kFrameWidth, kFrameHeight})) << "a query counts the bar as hidden";
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE) << "a query changes nothing";
    EXPECT_FALSE(bar->IsVisible()) << "a query keeps the hide pending";

    Idle();
    EXPECT_FALSE(bar->GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(SameRect(Pane(), RECT{0, 0, kFrameWidth, kFrameHeight})) << "the delayed layout ran";

    frame->ShowControlBar(bar.get(), TRUE, FALSE);
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE) << "shown at once";
    EXPECT_TRUE(SameRect(Pane(), RECT{0, 26, kFrameWidth, kFrameHeight})) << "laid out at once";

    frame->ShowControlBar(bar.get(), FALSE, TRUE);
    frame->ShowControlBar(bar.get(), TRUE, TRUE);
    Idle();
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE) << "a delayed show cancels the pending hide";
}

TEST_F(ControlBar, IdleUpdateAsksTheFramesRoutingForEachItem)
{
    struct Case {
        const char* name;
        UINT itemId;
        bool visible;
        int updates;
        BOOL enabled;
        int checked;
    } cases[] = {
        {"handled: enabled and checked", ID_ITEM_CHECKED, true, 1, TRUE, 1},
        {"no handler: disabled", ID_ITEM_NOBODY, true, 1, FALSE, 0},
        {"a hidden bar is not updated", ID_ITEM_CHECKED, false, 0, TRUE, 0},
    };
    UINT id = 0xE880;
    for (const auto& c : cases) {
        auto bar = MakeBar(id++, c.itemId);
        if (!c.visible)
            frame->ShowControlBar(bar.get(), FALSE, FALSE);
        Idle();
        EXPECT_EQ(bar->updates, c.updates) << c.name;
        EXPECT_EQ(bar->itemEnabled, c.enabled) << c.name;
        EXPECT_EQ(bar->itemChecked, c.checked) << c.name;
    }
}

TEST_F(ControlBar, BarCommandsShowAndHideTheBarWithThatIdAndCheckItsMenuItem)
{
    auto bar = MakeBar(ID_VIEW_TOOLBAR);
    EXPECT_EQ(frame->GetControlBar(ID_VIEW_TOOLBAR), bar.get());
    EXPECT_TRUE(frame->GetControlBar(AFX_IDW_DOCKBAR_TOP)->IsDockBar());
    EXPECT_EQ(frame->GetControlBar(ID_VIEW_STATUS_BAR), nullptr);

    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AppendMenu(MF_STRING, ID_VIEW_TOOLBAR, L"Toolbar");
    popup.AppendMenu(MF_STRING, ID_VIEW_STATUS_BAR, L"Status Bar");
    const auto menuState = [&](UINT id) {
        frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup.m_hMenu), 0);
        return popup.GetMenuState(id, MF_BYCOMMAND);
    };
    EXPECT_TRUE(menuState(ID_VIEW_TOOLBAR) & MF_CHECKED);
    EXPECT_FALSE(menuState(ID_VIEW_STATUS_BAR) & MF_CHECKED) << "no bar with that id";

    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_FALSE(bar->GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(SameRect(Pane(), RECT{0, 0, kFrameWidth, kFrameHeight}));
    EXPECT_FALSE(menuState(ID_VIEW_TOOLBAR) & MF_CHECKED);

    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(SameRect(Pane(), RECT{0, 26, kFrameWidth, kFrameHeight}));
}

TEST_F(ControlBar, DestroyedBarLeavesTheFramesListAndItsDockBar)
{
    auto bar = MakeBar(ID_VIEW_TOOLBAR);
    auto* dockBar = static_cast<CDockBar*>(frame->GetControlBar(AFX_IDW_DOCKBAR_TOP));
    ASSERT_EQ(bar->m_pDockBar, dockBar);
    bar->DestroyWindow();
    EXPECT_EQ(frame->GetControlBar(ID_VIEW_TOOLBAR), nullptr);
    EXPECT_EQ(dockBar->m_arrBars, std::vector<void*>{nullptr});
    frame->RecalcLayout();
    EXPECT_TRUE(SameRect(Pane(), RECT{0, 0, kFrameWidth, kFrameHeight}));
}

}  // namespace
