// Wrapping a toolbar into rows: the model's breaks (after a row's last separator, else before
// the button), fitting a width or a height by bisection, and a real floating toolbar that its
// frame's sizing border narrows into rows (the control's own layout read back).
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/classlib/ui/BarInput.h"
#include "toolkit/bars/toolbar/ToolBarWrap.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr UVWrapItem B{20, false, false};
constexpr UVWrapItem S{6, true, false};
constexpr UVWrapItem H{20, false, true};

TEST(ToolBarWrapModel, RowsBreakAfterTheLastSeparatorElseBeforeTheButton)
{
    struct Case {
        std::vector<UVWrapItem> items;
        int length;
        int rows;
        std::vector<bool> wraps;
    } cases[] = {
        {{B, B, S, B, B}, 100, 1, {0, 0, 0, 0, 0}},
        {{B, B, S, B, B}, 50, 2, {0, 0, 1, 0, 0}},  // after the separator, not before the button
        {{B, B, S, B, B}, 30, 4, {1, 0, 1, 1, 0}},
        {{B, B, S, B, B}, 0, 4, {1, 0, 1, 1, 0}},  // fully wrapped: a separator ends its row
        {{B, H, S, B}, 25, 2, {0, 0, 1, 0}},       // hidden items take no room
        {{B, S}, 20, 1, {0, 0}},                   // the last item ends the last row unwrapped
        {{B, B, B, S, B, B, B}, 70, 2, {0, 0, 0, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<bool> wraps;
        EXPECT_EQ(WrapItems(c.items, c.length, wraps), c.rows) << "length " << c.length;
        EXPECT_EQ(wraps, c.wraps) << "length " << c.length;
    }
}

TEST(ToolBarWrapModel, FittingAWidthBalancesTheRowsAndAHeightTakesTheNarrowestThatFits)
{
    const std::vector<UVWrapItem> six{B, B, B, B, B, B};
    const UVWrapMetrics metrics{22, 5};
    std::vector<bool> wraps;
    EXPECT_EQ(FitWidth(six, 100, wraps), 2);
    EXPECT_EQ(WrappedSize(six, wraps, metrics).cx, 60) << "three and three, not five and one";
    EXPECT_EQ(FitWidth(six, 500, wraps), 1);
    EXPECT_EQ(WrappedSize(six, wraps, metrics).cx, 120);

    struct Case {
        int height;
        int rows;
        LONG width;
    } cases[] = {{22, 1, 120}, {44, 2, 60}, {65, 2, 60}, {66, 3, 40}, {200, 6, 20}, {10, 1, 120}};
    for (const Case& c : cases) {
        EXPECT_EQ(FitHeight(six, c.height, metrics, wraps), c.rows) << "height " << c.height;
        const SIZE size = WrappedSize(six, wraps, metrics);
        EXPECT_EQ(size.cx, c.width) << "height " << c.height;
        if (c.rows > 1) {
            EXPECT_LE(size.cy, c.height);
        }
    }
    // A row that a separator ends is followed by the separator's gap.
    const std::vector<UVWrapItem> split{B, B, S, B};
    EXPECT_EQ(WrapItems(split, 50, wraps), 2);
    EXPECT_EQ(WrappedSize(split, wraps, metrics).cy, 22 + 5 + 22);
    EXPECT_EQ(WrappedSize(split, wraps, metrics).cx, 46);
}

// The rows of the control's own layout: the tops of its buttons.
size_t RowCount(CUVToolBar& bar)
{
    std::set<LONG> tops;
    for (int i = 0; i < bar.GetButtonCount(); ++i) {
        if (!(bar.GetButtonStyle(i) & BTNS_SEP))
            tops.insert(bar.GetItemRect(i).top);
    }
    return tops.size();
}

// Twelve buttons in three groups, floating in a frame whose sizing border resizes the bar.
struct FloatingBar : ToolBarFrame {
    FloatingBar() : ToolBarFrame(kFrameRect, 0xE884, false)
    {
        const UINT ids[] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 10};
        bar->SetButtons(ids, 12);
        bar->SetBarStyle(bar->GetBarStyle() | CBRS_SIZE_DYNAMIC);
        Dock();
        frame->FloatControlBar(bar.get(), POINT{300, 150});
        PumpInput(50);
    }
    ~FloatingBar() { MouseTo(POINT{5, 1000}); }
    bool AllInside()
    {
        RECT client;
        bar->GetClientRect(&client);
        for (int i = 0; i < bar->GetButtonCount(); ++i) {
            const CRect item = bar->GetItemRect(i);
            if (item.right > client.right || item.bottom > client.bottom)
                return false;
        }
        return true;
    }
};

TEST(ToolBarWrap, AFloatingBarNarrowedByItsFrameWrapsAfterASeparator)
{
    FloatingBar t;
    CFrameWnd* floating = t.bar->GetParentFrame();
    ASSERT_NE(floating, t.frame);
    EXPECT_EQ(RowCount(*t.bar), 1u);
    RECT window;
    floating->GetWindowRect(&window);
    const int width = window.right - window.left;
    // The right sizing border, dragged a quarter of the way in: the third group no longer fits
    // beside the others, the first two still fit side by side.
    const POINT border{window.right - 2, (window.top + window.bottom) / 2};
    DragWithMouse(border, POINT{border.x - width / 4, border.y});
    PumpInput(50);
    EXPECT_EQ(RowCount(*t.bar), 2u);
    EXPECT_TRUE(t.bar->GetButtonState(7) & TBSTATE_WRAP) << "the row ends at the second separator";
    EXPECT_TRUE(t.AllInside());
    RECT narrowed;
    floating->GetWindowRect(&narrowed);
    EXPECT_LT(narrowed.right - narrowed.left, width);
    EXPECT_GT(narrowed.bottom - narrowed.top, window.bottom - window.top) << "taller by a row";
}

TEST(ToolBarWrap, AHeightAskedOfAFloatingBarGivesTheNarrowestRowsThatFit)
{
    FloatingBar t;
    RECT inside{0, 0, 0, 0};
    t.bar->CalcInsideRect(inside, TRUE);
    const int insets = inside.top - inside.bottom;
    const int rowHeight = t.bar->GetItemSize().cy;
    for (int rows : {3, 2, 1}) {
        const int height = insets + rows * rowHeight + 2 * CUVToolBar::kWrappedSeparatorGap;
        ValidateRect(t.bar->m_hWnd, nullptr);
        const SIZE size = t.bar->CalcDynamicLayout(height, LM_HORZ | LM_LENGTHY | LM_COMMIT);
        // Buttons that moved to another row paint there, not only the ones whose wrap changed.
        RECT update{}, client{};
        GetUpdateRect(t.bar->m_hWnd, &update, FALSE);
        t.bar->GetClientRect(&client);
        EXPECT_TRUE(EqualRect(&update, &client)) << rows << " rows";
        t.bar->GetParentFrame()->RecalcLayout();
        PumpInput(30);
        EXPECT_LE(size.cy, height) << rows << " rows";
        EXPECT_EQ(RowCount(*t.bar), static_cast<size_t>(rows)) << rows << " rows";
        EXPECT_TRUE(t.AllInside()) << rows << " rows";
    }
}

TEST(ToolBarWrap, TheSizeADockedBarGivesForFloatingIsTheSizeItTakesWhenFloated)
{
    ToolBarFrame t(kFrameRect, 0xE885, false);
    const UINT ids[] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 10};
    t.bar->SetButtons(ids, 12);
    t.bar->SetBarStyle(t.bar->GetBarStyle() | CBRS_SIZE_DYNAMIC);
    t.Dock();
    PumpInput(30);
    // The floating width remembered from an earlier resize: three rows.
    t.bar->m_nMRUWidth = 100;
    const SIZE asked = t.bar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
    EXPECT_EQ(RowCount(*t.bar), 1u) << "the docked bar itself stays one row";
    t.frame->FloatControlBar(t.bar.get(), POINT{300, 150});
    PumpInput(50);
    RECT window;
    t.bar->GetWindowRect(&window);
    EXPECT_EQ(window.right - window.left, asked.cx);
    EXPECT_EQ(window.bottom - window.top, asked.cy);
}

}  // namespace
