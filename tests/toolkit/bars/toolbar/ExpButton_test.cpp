// The expand button and its chevron popup in a real frame, driven by the mouse (SendInput): the
// button shows over the chevron's place once buttons hide, a press opens the popup with the
// hidden buttons below it, a hidden button's command reaches the frame and closes the popup, a
// click elsewhere, a hidden button's closing colour popup and WM_CANCELMODE close it too; a
// customisable bar offers "Customize..." (its command goes to the frame through the bar); hidden
// buttons wrap at six buttons' width, or at 250 pixels when a button is wider than 41; the glyphs
// sit at their places in both looks.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/classlib/ui/BarInput.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/toolbar/ExpButton.h"
#include "toolkit/bars/toolbar/ExpMenuWnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace {

RECT ScreenRectOf(HWND hwnd)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    return rect;
}

// A docked bar too short for its last `hidden` buttons.
struct ShortBar : ToolBarFrame {
    explicit ShortBar(int hidden, bool customizable = false)
    {
        if (customizable)
            bar->SetCustomizable(TRUE);
        Dock();
        PumpInput(20);
        const int keep = bar->GetButtonCount() - hidden - 1;
        RECT window, client;
        bar->GetWindowRect(&window);
        bar->GetClientRect(&client);
        const int insets = (window.right - window.left) - client.right;
        SetWidth(bar->GetItemRect(keep).right + insets + CUVToolBar::kChevronWidth + 1);
        PumpInput(50);
    }
    ~ShortBar() { MouseTo(POINT{5, 1000}); }
    CUVExpButton* Button() const { return bar->GetExpandButton(); }
};

std::vector<UINT> ButtonIds(CUVToolBar& bar)
{
    std::vector<UINT> ids;
    for (int i = 0; i < bar.GetButtonCount(); ++i)
        ids.push_back(bar.GetItemID(i));
    return ids;
}

TEST(UVExpButton, AHiddenButtonsCommandReachesTheFrameAndClosesThePopup)
{
    ShortBar t(2);
    ASSERT_EQ(t.bar->GetHiddenButtons().size(), 2u);
    CUVExpButton* button = t.Button();
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->IsWindowVisible());
    RECT bar, client, place;
    t.bar->GetClientRect(&client);
    MapWindowPoints(t.bar->m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    place = ScreenRectOf(button->m_hWnd);
    bar = client;
    EXPECT_EQ(place.right, bar.right) << "at the bar's end";
    EXPECT_EQ(place.right - place.left, CUVToolBar::kChevronWidth);
    EXPECT_EQ(place.bottom - place.top, bar.bottom - bar.top);

    ClickAt(CenterOf(place));
    CUVExpMenuWnd* popup = button->GetPopup();
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(popup->IsWindowVisible());
    EXPECT_EQ(ButtonIds(*popup->GetHiddenToolBar()), (std::vector<UINT>{103, 104}));
    EXPECT_EQ(popup->GetCustomizeToolBar(), nullptr) << "not customisable";
    const RECT shown = ScreenRectOf(popup->m_hWnd);
    EXPECT_EQ(shown.top, place.bottom - 1) << "below the button (classic look)";

    RECT item = popup->GetHiddenToolBar()->GetItemRect(1);
    MapWindowPoints(popup->GetHiddenToolBar()->m_hWnd, nullptr, reinterpret_cast<POINT*>(&item), 2);
    t.frame->commands.clear();
    ClickAt(CenterOf(item));
    EXPECT_EQ(t.frame->commands, (std::vector<UINT>{104}));
    EXPECT_EQ(button->GetPopup(), nullptr) << "closed";

    // Open again; a click on the frame away from the popup takes the activation and closes it.
    ClickAt(CenterOf(place));
    ASSERT_NE(button->GetPopup(), nullptr);
    ClickAt(POINT{kFrameRect.left + 300, kFrameRect.bottom - 40});
    EXPECT_EQ(button->GetPopup(), nullptr);

    // A hidden button's colour popup that closes (reporting to the bar's owner) closes it too.
    ClickAt(CenterOf(place));
    ASSERT_NE(button->GetPopup(), nullptr);
    t.frame->SendMessage(WM_UV_COLOR_POPUP_CLOSED, 0, 103);
    PumpInput(50);
    EXPECT_EQ(button->GetPopup(), nullptr);

    // WM_CANCELMODE on the button closes it as well.
    ClickAt(CenterOf(place));
    ASSERT_NE(button->GetPopup(), nullptr);
    button->SendMessage(WM_CANCELMODE);
    PumpInput(50);
    EXPECT_EQ(button->GetPopup(), nullptr);
}

TEST(UVExpButton, ACustomisableBarWithNothingHiddenOffersOnlyCustomize)
{
    ShortBar t(0, true);
    ASSERT_FALSE(t.bar->HasHiddenButtons());
    CUVExpButton* button = t.Button();
    ASSERT_TRUE(button->IsWindowVisible()) << "a customisable bar always has its expand button";
    ClickAt(CenterOf(ScreenRectOf(button->m_hWnd)));
    CUVExpMenuWnd* popup = button->GetPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetHiddenToolBar()->GetButtonCount(), 0);
    ASSERT_NE(popup->GetCustomizeToolBar(), nullptr);
    EXPECT_EQ(ButtonIds(*popup->GetCustomizeToolBar()), (std::vector<UINT>{ID_UV_CUSTOMIZE_BAR}));
    RECT customize = ScreenRectOf(popup->GetCustomizeToolBar()->m_hWnd);
    EXPECT_EQ(customize.bottom - customize.top, uvAfxData.m_cyMenu);

    t.frame->commands.clear();
    ClickAt(CenterOf(customize));
    EXPECT_EQ(std::count(t.frame->commands.begin(), t.frame->commands.end(), ID_UV_CUSTOMIZE_BAR), 1)
        << "through the bar to its owner";
    EXPECT_EQ(button->GetPopup(), nullptr);
    t.bar->SetCustomizable(FALSE);
}

TEST(UVExpButton, HiddenButtonsWrapAtSixButtonsOrAt250PixelsForWideOnes)
{
    struct Case {
        const char* name;
        SIZE button;
        size_t perRow;
    } cases[] = {
        {"23 wide: six to a row", {23, 22}, 6},
        {"50 wide: 250 pixels, five to a row", {50, 22}, 5},
    };
    for (const Case& c : cases) {
        ToolBarFrame t(kFrameRect, 0xE881, false);
        std::vector<UINT> ids;
        for (UINT id = 201; id <= 215; ++id)
            ids.push_back(id);
        t.bar->SetButtons(ids.data(), static_cast<int>(ids.size()));
        t.bar->SetSizes(c.button, SIZE{16, 15});
        t.Dock();
        // Room for one button of either size and the expand button.
        t.SetWidth(100);
        PumpInput(50);
        const size_t hidden = t.bar->GetHiddenButtons().size();
        ASSERT_GT(hidden, c.perRow) << c.name << ": more than a row hidden";
        ClickAt(CenterOf(ScreenRectOf(t.bar->GetExpandButton()->m_hWnd)));
        CUVExpMenuWnd* popup = t.bar->GetExpandButton()->GetPopup();
        ASSERT_NE(popup, nullptr) << c.name;
        std::vector<size_t> rows;
        LONG top = -1;
        for (int i = 0; i < popup->GetHiddenToolBar()->GetButtonCount(); ++i) {
            const LONG itemTop = popup->GetHiddenToolBar()->GetItemRect(i).top;
            if (itemTop != top)
                rows.push_back(0);
            top = itemTop;
            ++rows.back();
        }
        std::vector<size_t> expected(hidden / c.perRow, c.perRow);
        if (hidden % c.perRow)
            expected.push_back(hidden % c.perRow);
        EXPECT_EQ(rows, expected) << c.name;
        popup->Close();
        PumpInput(30);
        MouseTo(POINT{5, 1000});
    }
}

class ExpLooks : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        uvAfxData.m_bXPLook = GetParam();
        RefreshUVColors();
    }
    void TearDown() override
    {
        uvAfxData.m_bXPLook = FALSE;
        RefreshUVColors();
    }
};

TEST_P(ExpLooks, TheGlyphsAndTheOpenFrameAtTheirPixels)
{
    ShortBar t(2, true);
    CUVExpButton* button = t.Button();
    RECT client;
    button->GetClientRect(&client);
    const SIZE size{client.right, client.bottom};
    const POINT chevron = CUVExpButton::ChevronOrigin(size, TRUE);
    const POINT arrow = CUVExpButton::ArrowOrigin(size, TRUE);
    EXPECT_EQ(chevron.y, 2);
    EXPECT_EQ(arrow.y, size.cy - 2 - 3);
    auto pixel = [&](int x, int y) {
        button->Invalidate();
        button->UpdateWindow();
        HDC dc = GetDC(button->m_hWnd);
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(button->m_hWnd, dc);
        return colour;
    };
    const COLORREF ink = GetUVColor(COLOR_BTNTEXT);
    EXPECT_EQ(pixel(chevron.x, chevron.y), ink) << "the chevron's first stroke";
    EXPECT_NE(pixel(chevron.x + 2, chevron.y), ink) << "the gap between the strokes";
    EXPECT_EQ(pixel(arrow.x, arrow.y), ink) << "the arrow's top row";
    EXPECT_EQ(pixel(arrow.x + 2, arrow.y + 2), ink) << "the arrow's tip";
    EXPECT_NE(pixel(arrow.x, arrow.y + 2), ink);

    ClickAt(CenterOf(ScreenRectOf(button->m_hWnd)));
    ASSERT_NE(button->GetPopup(), nullptr);
    // The popup's frame stands out from the bar: the XP border, or a raised edge.
    {
        HWND popup = button->GetPopup()->m_hWnd;
        RedrawWindow(popup, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        PumpInput(50);
        const RECT window = ScreenRectOf(popup);
        const int middle = (window.top + window.bottom) / 2;
        HDC screen = GetDC(nullptr);
        const COLORREF left = GetPixel(screen, window.left, middle);
        const COLORREF right = GetPixel(screen, window.right - 1, middle);
        const COLORREF rightInner = GetPixel(screen, window.right - 2, middle);
        ReleaseDC(nullptr, screen);
        if (GetParam()) {
            EXPECT_EQ(left, GetUVColor(43)) << "XP border";
            EXPECT_EQ(right, GetUVColor(43)) << "XP border";
        } else {
            EXPECT_EQ(left, GetSysColor(COLOR_3DLIGHT)) << "raised edge, outer light line";
            EXPECT_EQ(right, GetSysColor(COLOR_3DDKSHADOW)) << "raised edge, outer dark line";
            EXPECT_EQ(rightInner, GetSysColor(COLOR_BTNSHADOW)) << "raised edge, inner dark line";
        }
    }
    if (GetParam()) {
        EXPECT_EQ(pixel(0, size.cy / 2), GetUVColor(43)) << "framed while open";
        EXPECT_EQ(pixel(chevron.x, chevron.y), ink) << "the glyphs stay in place";
    } else {
        EXPECT_NE(pixel(chevron.x, chevron.y), ink) << "pressed: one pixel right and down";
        EXPECT_EQ(pixel(chevron.x + 1, chevron.y + 1), ink);
    }
    button->GetPopup()->Close();
    PumpInput(30);
    t.bar->SetCustomizable(FALSE);
}

INSTANTIATE_TEST_SUITE_P(ClassicAndXP, ExpLooks, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "XP" : "Classic"; });

}  // namespace
