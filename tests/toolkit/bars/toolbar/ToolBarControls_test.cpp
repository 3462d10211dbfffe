// Child controls over toolbar buttons in a real frame: a combo box laid over the button of its
// id (the button turns into a separator of the combo's width), hidden and shown again with its
// button as the frame shrinks and grows, lent to the chevron popup while its button is hidden,
// and kept wide when the bar's state is applied again.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/classlib/ui/BarInput.h"
#include "toolkit/bars/toolbar/ExpButton.h"
#include "toolkit/bars/toolbar/ExpMenuWnd.h"

#include <gtest/gtest.h>

namespace {

constexpr int kComboWidth = 90;

struct ComboBar : ToolBarFrame {
    ComboBar()
    {
        Dock();
        combo = CreateWindowExW(0, L"COMBOBOX", nullptr, WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, kComboWidth,
                                120, bar->m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(103)), nullptr, nullptr);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"First"));
        PumpInput(20);
    }
    ~ComboBar() { MouseTo(POINT{5, 1000}); }
    RECT ComboRect() const
    {
        RECT rect;
        GetWindowRect(combo, &rect);
        MapWindowPoints(nullptr, GetParent(combo), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // Lays the combo over its button and notes where every button ends while all show.
    bool Place()
    {
        if (!bar->PositionControl(CWnd::FromHandle(combo)))
            return false;
        PumpInput(30);
        RECT window, client;
        bar->GetWindowRect(&window);
        bar->GetClientRect(&client);
        insets = (window.right - window.left) - client.right;
        for (int i = 0; i < bar->GetButtonCount(); ++i)
            rights.push_back(bar->GetItemRect(i).right);
        return true;
    }
    // Wide enough for the buttons up to `index` and the chevron.
    void FitUpTo(int index)
    {
        SetWidth(rights[static_cast<size_t>(index)] + insets + CUVToolBar::kChevronWidth + 1);
        PumpInput(30);
    }
    HWND combo = nullptr;
    int insets = 0;
    std::vector<LONG> rights;
};

TEST(ToolBarControls, AComboLiesOverItsButtonCentredAndFollowsItsHiddenState)
{
    ComboBar t;
    ASSERT_TRUE(t.Place());
    EXPECT_EQ(t.bar->GetControl(103), t.combo);
    EXPECT_EQ(t.bar->GetButtonStyle(3) & 0xFF, static_cast<UINT>(BTNS_SEP)) << "the button became a separator";
    EXPECT_EQ(t.bar->GetItemID(3), 103u) << "of the control's id";
    const CRect item = t.bar->GetItemRect(3);
    EXPECT_EQ(item.Width(), kComboWidth);
    const RECT combo = t.ComboRect();
    EXPECT_EQ(combo.left, item.left);
    EXPECT_EQ(combo.right, item.right);
    EXPECT_LE(std::abs((combo.top + combo.bottom) - (item.top + item.bottom)), 1) << "centred on the button";
    EXPECT_TRUE(IsWindowVisible(t.combo));
    EXPECT_EQ(t.bar->GetItemRect(4).left, item.right) << "the next button moved past it";

    struct Step {
        int keepUpTo;
        bool shown;
    } steps[] = {{2, false}, {4, true}, {0, false}, {4, true}};
    for (const Step& step : steps) {
        t.FitUpTo(step.keepUpTo);
        EXPECT_EQ(IsWindowVisible(t.combo) != FALSE, step.shown) << "buttons up to " << step.keepUpTo;
        if (step.shown) {
            const RECT shownAt = t.ComboRect();
            EXPECT_EQ(shownAt.left, t.bar->GetItemRect(3).left);
        }
    }

    // A button hidden by its state hides its control as well.
    t.bar->SetButtonState(3, TBSTATE_ENABLED | TBSTATE_HIDDEN);
    EXPECT_FALSE(IsWindowVisible(t.combo));
    t.bar->SetButtonState(3, TBSTATE_ENABLED);
    EXPECT_TRUE(IsWindowVisible(t.combo));

    // No button bears the id: nothing to lie over.
    HWND stray = CreateWindowExW(0, L"EDIT", nullptr, WS_CHILD, 0, 0, 40, 20, t.bar->m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(999)), nullptr, nullptr);
    EXPECT_FALSE(t.bar->PositionControl(CWnd::FromHandle(stray)));
    DestroyWindow(stray);
}

TEST(ToolBarControls, AControlOverAHiddenButtonMovesIntoTheChevronPopupAndBack)
{
    ComboBar t;
    ASSERT_TRUE(t.Place());
    t.FitUpTo(2);
    ASSERT_FALSE(IsWindowVisible(t.combo));
    CUVExpButton* button = t.bar->GetExpandButton();
    ASSERT_TRUE(button && button->IsWindowVisible());
    RECT place;
    GetWindowRect(button->m_hWnd, &place);
    ClickAt(CenterOf(place));
    CUVExpMenuWnd* popup = button->GetPopup();
    ASSERT_NE(popup, nullptr);
    CUVHiddenButtonsToolbar* hidden = popup->GetHiddenToolBar();
    EXPECT_EQ(GetParent(t.combo), hidden->m_hWnd) << "lent to the popup";
    EXPECT_TRUE(IsWindowVisible(t.combo));
    const int index = hidden->CommandToIndex(103);
    ASSERT_GE(index, 0);
    EXPECT_EQ(hidden->GetItemRect(index).Width(), kComboWidth) << "as wide in the popup";
    EXPECT_EQ(t.ComboRect().left, hidden->GetItemRect(index).left);

    // A choice in the combo reaches the frame and leaves the popup open.
    t.frame->commands.clear();
    SendMessageW(hidden->m_hWnd, WM_COMMAND, MAKEWPARAM(103, CBN_SELCHANGE), reinterpret_cast<LPARAM>(t.combo));
    PumpInput(30);
    EXPECT_EQ(t.frame->commands, (std::vector<UINT>{103}));
    EXPECT_NE(button->GetPopup(), nullptr);

    button->SendMessage(WM_CANCELMODE);
    PumpInput(50);
    ASSERT_EQ(button->GetPopup(), nullptr);
    ASSERT_TRUE(IsWindow(t.combo)) << "the popup's end does not take the control with it";
    EXPECT_EQ(GetParent(t.combo), t.bar->m_hWnd) << "back on the bar";
    EXPECT_FALSE(IsWindowVisible(t.combo)) << "its button is still hidden";
    t.FitUpTo(4);
    EXPECT_TRUE(IsWindowVisible(t.combo));
}

TEST(ToolBarControls, AControlsSeparatorKeepsItsWidthWhenAStateIsApplied)
{
    ComboBar t;
    ASSERT_TRUE(t.Place());
    UVToolBarState state = t.bar->CaptureState();
    std::swap(state.buttons[0], state.buttons[2]);
    ASSERT_TRUE(t.bar->ApplyState(state));
    PumpInput(30);
    const int index = t.bar->CommandToIndex(103);
    ASSERT_EQ(index, 3);
    EXPECT_EQ(t.bar->GetItemRect(index).Width(), kComboWidth);
    EXPECT_EQ(t.bar->GetItemRect(1).Width(), 6) << "a plain separator keeps its own width";
    EXPECT_EQ(t.ComboRect().left, t.bar->GetItemRect(index).left) << "the control followed its button";
}

}  // namespace
