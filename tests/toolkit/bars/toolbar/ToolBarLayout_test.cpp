// The toolkit toolbar in a frame that is never shown: its buttons, its overflow as the frame
// shrinks and grows, its drawing in both looks (read from a memory DC), the colour popup's
// messages, adjust mode and the idle update.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/toolkit/bars/Canvas.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/toolbar/ToolBarPainter.h"
#include "toolkit/controls/customize/CustomizeSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<UINT> VisibleIds(const CUVToolBar& bar)
{
    std::vector<UINT> ids;
    for (int i = 0; i < bar.GetButtonCount(); ++i) {
        if (!(bar.GetButtonState(i) & TBSTATE_HIDDEN))
            ids.push_back(bar.GetItemID(i));
    }
    return ids;
}

TEST(UVToolBar, ButtonsFromTheResourceWithSeparatorWidthByStyle)
{
    OffscreenToolBarFrame flat;
    ASSERT_EQ(flat.bar->GetButtonCount(), 5);
    const UINT expected[] = {101, 0, 102, 103, 104};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(flat.bar->GetItemID(i), expected[i]) << i;
    EXPECT_EQ(flat.bar->GetItemRect(1).Width(), 6) << "flat bar";
    EXPECT_EQ(flat.bar->GetButtonStyle(1) & 0xFF, static_cast<UINT>(BTNS_SEP));
    EXPECT_EQ(flat.bar->GetButtonStyle(0) >> 16, 0u) << "enabled: the disabled bit is clear";
    flat.bar->SetButtonState(0, 0);
    EXPECT_EQ(flat.bar->GetButtonStyle(0) >> 16, static_cast<UINT>(TBSTATE_ENABLED)) << "disabled";
    EXPECT_EQ(flat.bar->CommandToIndex(103), 3);

    OffscreenToolBarFrame raised(0xE882, false);
    SetWindowLongPtrW(raised.bar->m_hWnd, GWL_STYLE, raised.bar->GetStyle() & ~TBSTYLE_FLAT);
    const UINT ids[] = {1, 0, 2};
    ASSERT_TRUE(raised.bar->SetButtons(ids, 3));
    EXPECT_EQ(raised.bar->GetItemRect(1).Width(), 8) << "not flat";
}

TEST(UVToolBar, ShrinkingTheFrameHidesButtonsFromTheEndAndGrowingShowsThemAgain)
{
    OffscreenToolBarFrame t;
    t.Dock();
    Pump();
    EXPECT_EQ(VisibleIds(*t.bar), (std::vector<UINT>{101, 0, 102, 103, 104}));
    // What the bar needs beside its buttons: gripper and borders, and the chevron once any hides.
    RECT window, client;
    t.bar->GetWindowRect(&window);
    t.bar->GetClientRect(&client);
    const int insets = (window.right - window.left) - client.right;
    auto fits = [&](int lastVisible, bool chevron) {
        return t.bar->GetItemRect(lastVisible).right + insets + (chevron ? CUVToolBar::kChevronWidth : 0) + 1;
    };
    const int full = fits(4, false);
    const int upTo103 = fits(3, true);
    const int upTo102 = fits(2, true);
    struct Step {
        int width;
        std::vector<UINT> visible;
    } steps[] = {
        {full + 60, {101, 0, 102, 103, 104}},
        {full, {101, 0, 102, 103, 104}},
        {full - 4, {101, 0, 102, 103}},  // neighbouring bars share their 2-pixel border line
        {upTo103, {101, 0, 102, 103}},
        {upTo103 - 4, {101, 0, 102}},
        {upTo102, {101, 0, 102}},
        {40, {101}},  // at least one button stays
        {10, {101}},
        {upTo102, {101, 0, 102}},
        {full, {101, 0, 102, 103, 104}},
    };
    for (const Step& step : steps) {
        t.SetWidth(step.width);
        Pump();
        EXPECT_EQ(VisibleIds(*t.bar), step.visible) << "frame width " << step.width;
        EXPECT_EQ(t.bar->HasHiddenButtons(), step.visible.size() < 5) << "frame width " << step.width;
    }
}

class Looks : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { uvAfxData.m_bXPLook = GetParam(); }
    void TearDown() override { uvAfxData.m_bXPLook = FALSE; }
};

TEST_P(Looks, DroppedButtonArrowAndSwatch)
{
    OffscreenToolBarFrame t;
    t.Dock();
    CUVToolBar& bar = *t.bar;
    MakeDropDown(bar, 2, 0, CUVToolBarButtonInfo::hasColorSwatch, RGB(250, 0, 0));
    bar.SetButtonDropped(2, TRUE);
    Pump();
    const CRect button = bar.GetItemRect(2);
    ASSERT_GT(button.Width(), 23) << "room for the arrow part";
    RECT client;
    bar.GetClientRect(&client);
    Canvas canvas(client.right, client.bottom);
    bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc.GetSafeHdc()));
    const bool xp = GetParam();
    if (xp) {
        EXPECT_EQ(canvas.At(button.left, button.top + 5), GetUVColor(43)) << "dropped frame";
    }
    const RECT arrow{button.right - CUVToolBarPainter::kArrowPartWidth, button.top, button.right, button.bottom};
    const int arrowX = (arrow.left + arrow.right - 5) / 2 + 2;
    const int arrowY = (arrow.top + arrow.bottom - 3) / 2 + 1;
    EXPECT_EQ(canvas.At(arrowX, arrowY), xp ? GetUVColor(46) : GetSysColor(COLOR_BTNTEXT)) << "arrow glyph";
    EXPECT_EQ(canvas.At(button.left + 4, button.bottom - 6), RGB(250, 0, 0)) << "colour swatch";
}

TEST_P(Looks, ASeparatorOfAColumnIsARowOfItsWidthWithALineAcrossAtMidHeight)
{
    OffscreenToolBarFrame t;
    t.bar->EnableDocking(CBRS_ALIGN_ANY);
    t.frame->DockControlBar(t.bar.get(), AFX_IDW_DOCKBAR_LEFT);
    t.frame->RecalcLayout();
    Pump();
    CUVToolBar& bar = *t.bar;
    const CRect first = bar.GetItemRect(0);
    const CRect separator = bar.GetItemRect(1);
    const CRect second = bar.GetItemRect(2);
    EXPECT_EQ(separator.top, first.bottom);
    EXPECT_EQ(separator.Height(), 6) << "a flat bar's separator is 6 wide: its row is 6 high";
    EXPECT_EQ(second.top, separator.bottom);
    RECT client;
    bar.GetClientRect(&client);
    Canvas canvas(client.right, client.bottom);
    bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc.GetSafeHdc()));
    const bool xp = GetParam();
    const int middle = separator.top + 3;
    const COLORREF line = xp ? GetUVColor(39) : GetSysColor(COLOR_BTNSHADOW);
    const COLORREF back = xp ? bar.GetBackColor() : GetSysColor(COLOR_BTNFACE);
    for (int x : {0, static_cast<int>(client.right) / 2, static_cast<int>(client.right) - 1}) {
        EXPECT_EQ(canvas.At(x, middle), line) << "across the bar at x " << x;
        EXPECT_EQ(canvas.At(x, middle - 2), back) << "above the line at x " << x;
    }
    if (!xp) {
        EXPECT_EQ(canvas.At(client.right / 2, middle + 1), GetSysColor(COLOR_BTNHIGHLIGHT)) << "etched";
    }
}

// A command may stand on several buttons (a user's bar can hold one twice): each is drawn in its
// own place, not only the first.
TEST_P(Looks, EveryButtonOfARepeatedCommandIsDrawnInItsPlace)
{
    OffscreenToolBarFrame t;
    CUVToolBar& bar = *t.bar;
    const UINT ids[] = {101, 102, 101};
    ASSERT_TRUE(bar.SetButtons(ids, 3));
    t.Dock();
    Pump();
    RECT client;
    bar.GetClientRect(&client);
    Canvas canvas(client.right, client.bottom);
    bar.SendMessage(WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc.GetSafeHdc()));
    const auto colours = [&](const CRect& rect) {
        std::vector<COLORREF> seen;
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                if (std::find(seen.begin(), seen.end(), canvas.At(x, y)) == seen.end())
                    seen.push_back(canvas.At(x, y));
            }
        }
        return seen.size();
    };
    const CRect first = bar.GetItemRect(0);
    const CRect again = bar.GetItemRect(2);
    ASSERT_GT(colours(first), 1u) << "the first button shows its image";
    EXPECT_GT(colours(again), 1u) << "the second button of the command shows its image too";
    if (GetParam()) {
        // The XP look draws a command's image by command: the two buttons look alike.
        for (int y = 0; y < first.Height(); ++y) {
            for (int x = 0; x < first.Width(); ++x)
                ASSERT_EQ(canvas.At(again.left + x, again.top + y), canvas.At(first.left + x, first.top + y))
                    << "at " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ClassicAndXP, Looks, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "XP" : "Classic"; });

// The colour popup's stand-in: remembers what it was opened with.
struct ColourPopupDouble {
    static inline CUVToolBar* owner = nullptr;
    static inline UINT command = 0;
    static inline RECT button{};
    static CWnd* Create(CUVToolBar* bar, COLORREF, UINT id, const RECT& rect)
    {
        owner = bar;
        command = id;
        button = rect;
        return bar;  // any window: the toolbar only remembers that one is open
    }
};

TEST(UVToolBar, ColourPopupReportsChoiceAndCloseThroughTheBarToItsOwner)
{
    OffscreenToolBarFrame t;
    t.Dock();
    CUVToolBar& bar = *t.bar;
    MakeDropDown(bar, 3, 0, CUVToolBarButtonInfo::hasColorSwatch);
    GetUVColorPopupFactory() = &ColourPopupDouble::Create;
    NMTOOLBARW notify{};
    notify.hdr.hwndFrom = bar.m_hWnd;
    notify.hdr.code = TBN_DROPDOWN;
    notify.iItem = 103;
    bar.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    EXPECT_EQ(ColourPopupDouble::owner, &bar);
    EXPECT_EQ(ColourPopupDouble::command, 103u);
    EXPECT_TRUE(bar.IsButtonDropped(3));
    ColourPopupDouble::owner = nullptr;
    bar.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    EXPECT_EQ(ColourPopupDouble::owner, nullptr) << "a second drop-down while open does nothing";

    bar.SendMessage(WM_UV_COLOR_CHOSEN, RGB(1, 200, 3), 103);
    bar.SendMessage(WM_UV_COLOR_POPUP_CLOSED, 0, 103);
    GetUVColorPopupFactory() = nullptr;
    EXPECT_EQ(bar.FindButtonInfo(103)->selectedColor, static_cast<uint32_t>(RGB(1, 200, 3)));
    EXPECT_FALSE(bar.IsButtonDropped(3));
    ASSERT_EQ(t.frame->colourMessages.size(), 2u);
    EXPECT_EQ(t.frame->colourMessages[0].message, WM_UV_COLOR_CHOSEN);
    EXPECT_EQ(t.frame->colourMessages[0].wParam, static_cast<WPARAM>(RGB(1, 200, 3)));
    EXPECT_EQ(t.frame->colourMessages[0].lParam, 103);
    EXPECT_EQ(t.frame->colourMessages[1].message, WM_UV_COLOR_POPUP_CLOSED);
    EXPECT_EQ(t.frame->colourMessages[1].lParam, 103);
}

NMTOOLBARW Notification(const CUVToolBar& bar, UINT code, int item)
{
    NMTOOLBARW notify{};
    notify.hdr.hwndFrom = bar.m_hWnd;
    notify.hdr.code = code;
    notify.iItem = item;
    return notify;
}

LRESULT Send(CUVToolBar& bar, NMTOOLBARW& notify)
{
    return bar.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

TEST(UVToolBar, AdjustModeShowsHiddenButtonsAndOffersTheBuiltButtonsWithTheirTexts)
{
    OffscreenToolBarFrame t;
    t.Dock();
    t.SetWidth(60);
    Pump();
    ASSERT_TRUE(t.bar->HasHiddenButtons());
    NMTOOLBARW query = Notification(*t.bar, TBN_QUERYDELETE, 4);
    EXPECT_EQ(Send(*t.bar, query), FALSE) << "a hidden button cannot be deleted";
    query.iItem = 0;
    EXPECT_EQ(Send(*t.bar, query), TRUE);
    NMTOOLBARW begin = Notification(*t.bar, TBN_BEGINADJUST, 0);
    Send(*t.bar, begin);
    Pump();
    EXPECT_FALSE(t.bar->HasHiddenButtons());
    EXPECT_EQ(VisibleIds(*t.bar).size(), 5u);

    t.bar->SetButtonText(103, L"Halt");
    struct Case {
        int item;
        UINT command;
        const wchar_t* text;
    } cases[] = {{0, 101, L"Play"}, {1, 0, L""}, {3, 103, L"Halt"}, {4, 104, L"Record"}};
    for (const Case& c : cases) {
        wchar_t text[64] = L"x";
        NMTOOLBARW info = Notification(*t.bar, TBN_GETBUTTONINFOW, c.item);
        info.pszText = text;
        info.cchText = 64;
        EXPECT_EQ(Send(*t.bar, info), TRUE) << c.item;
        EXPECT_EQ(static_cast<UINT>(info.tbButton.idCommand), c.command) << c.item;
        EXPECT_STREQ(text, c.text) << c.item;
    }
    NMTOOLBARW past = Notification(*t.bar, TBN_GETBUTTONINFOW, 5);
    EXPECT_EQ(Send(*t.bar, past), FALSE) << "past the end of the list";
}

TEST(UVToolBar, IdleUpdateDisablesButtonsWithoutHandlersUnlessCustomising)
{
    OffscreenToolBarFrame t;
    t.Dock();
    t.bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_FALSE(t.bar->GetButtonState(0) & TBSTATE_ENABLED) << "no handler anywhere";
    t.bar->SetCustomizable(TRUE);
    CUVCustomizeSession::GetInstance()->SetCustomizeMode(TRUE);
    t.bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_TRUE(t.bar->GetButtonState(0) & TBSTATE_ENABLED) << "every button stays enabled while customising";
    CUVCustomizeSession::GetInstance()->SetCustomizeMode(FALSE);
    t.bar->SetCustomizable(FALSE);
}

}  // namespace

// Every separator has command id 0: a separator hidden for lack of room is told apart from the
// others only by its place on the bar.
// The control's own state of a button, read by its place.
BYTE StateAt(const CUVToolBar& bar, int index)
{
    TBBUTTON button{};
    bar.SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    return button.fsState;
}

TEST(UVToolBar, ASecondSeparatorHiddenForLackOfRoomComesBackInAdjustMode)
{
    OffscreenToolBarFrame t;
    const UINT ids[] = {101, 0, 102, 0, 103, 104};
    ASSERT_TRUE(t.bar->SetButtons(ids, 6));
    t.Dock();
    Pump();
    // Narrow enough that 103, 104 and the separator before them go.
    RECT window, client;
    t.bar->GetWindowRect(&window);
    t.bar->GetClientRect(&client);
    t.SetWidth(t.bar->GetItemRect(2).right + (window.right - window.left) - client.right + CUVToolBar::kChevronWidth +
               1);
    Pump();
    ASSERT_TRUE(StateAt(*t.bar, 3) & TBSTATE_HIDDEN);
    ASSERT_FALSE(StateAt(*t.bar, 1) & TBSTATE_HIDDEN);

    NMTOOLBARW query = Notification(*t.bar, TBN_QUERYDELETE, 3);
    EXPECT_EQ(Send(*t.bar, query), FALSE) << "the hidden separator cannot be deleted";
    query.iItem = 1;
    EXPECT_EQ(Send(*t.bar, query), TRUE) << "the visible one can";

    NMTOOLBARW begin = Notification(*t.bar, TBN_BEGINADJUST, 0);
    Send(*t.bar, begin);
    Pump();
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(StateAt(*t.bar, i) & TBSTATE_HIDDEN) << i;
}
