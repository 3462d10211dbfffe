// The paint themes: which painters each theme has, and the XP painters' pixels.
#include "toolkit/bars/look/PaintTheme.h"

#include "tests/toolkit/bars/Canvas.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

#include <gtest/gtest.h>

namespace {

class XPLook {
public:
    explicit XPLook(BOOL on) : m_saved(uvAfxData.m_bXPLook) { uvAfxData.m_bXPLook = on; }
    ~XPLook() { uvAfxData.m_bXPLook = m_saved; }

private:
    BOOL m_saved;
};

TEST(UVPaintTheme, ClassicThemeHasNoPaintersAndXPThemeHasThem)
{
    {
        const XPLook classic(FALSE);
        const CUVPaintTheme* theme = GetCurrentPaintTheme();
        EXPECT_EQ(theme->GetFlatBorderPainter(), nullptr);
        EXPECT_EQ(theme->GetComboButtonPainter(), nullptr);
        EXPECT_EQ(theme->GetListPainter(), nullptr);
    }
    const XPLook xp(TRUE);
    const CUVPaintTheme* theme = GetCurrentPaintTheme();
    EXPECT_NE(theme->GetFlatBorderPainter(), nullptr);
    EXPECT_NE(theme->GetComboButtonPainter(), nullptr);
    EXPECT_NE(theme->GetListPainter(), nullptr);
}

TEST(UVPaintTheme, FlatBorderIsThreeNestedFrames)
{
    const XPLook xp(TRUE);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    struct Case {
        const char* name;
        BOOL hot;
        BOOL enabled;
        COLORREF client, middle, outer;
    } cases[] = {
        {"plain", FALSE, TRUE, window, window, face},
        {"hot or focused", TRUE, TRUE, window, GetUVColor(32), face},
        {"disabled", FALSE, FALSE, face, window, face},
    };
    for (const Case& c : cases) {
        Canvas canvas(40, 30);
        const RECT client{5, 5, 35, 25};
        GetCurrentPaintTheme()->GetFlatBorderPainter()->DrawBorder(&canvas.dc, client, c.hot, c.enabled);
        EXPECT_EQ(canvas.At(5, 15), c.client) << c.name;
        EXPECT_EQ(canvas.At(4, 15), c.middle) << c.name;
        EXPECT_EQ(canvas.At(3, 15), c.outer) << c.name;
        EXPECT_EQ(canvas.At(34, 24), c.client) << c.name << ": bottom-right corner";
        EXPECT_EQ(canvas.At(2, 15), Canvas::kBackground) << c.name;
        EXPECT_EQ(canvas.At(10, 15), Canvas::kBackground) << c.name << ": inside left alone";
    }
}

TEST(UVPaintTheme, ComboButtonStatesFrameFillAndArrow)
{
    const XPLook xp(TRUE);
    struct Case {
        const char* name;
        CUVComboButtonPainter::State state;
        COLORREF frame, fill, arrow;
    } cases[] = {
        {"plain", CUVComboButtonPainter::plain, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_BTNFACE), GetUVColor(44)},
        {"hot", CUVComboButtonPainter::hot, GetUVColor(32), GetUVColor(31), GetUVColor(44)},
        {"dropped", CUVComboButtonPainter::dropped, GetUVColor(32), GetUVColor(33), GetUVColor(47)},
    };
    const int width = CUVComboButtonPainter::ButtonWidth();
    for (const Case& c : cases) {
        Canvas canvas(100, 21);
        const RECT client{0, 0, 100, 21};
        GetCurrentPaintTheme()->GetComboButtonPainter()->DrawButton(&canvas.dc, client, c.state);
        const int left = 100 - width;
        const int centreX = left + width / 2;
        EXPECT_EQ(canvas.At(0, 10), GetSysColor(COLOR_BTNFACE)) << c.name << ": client frame";
        EXPECT_EQ(canvas.At(left, 10), c.frame) << c.name;
        EXPECT_EQ(canvas.At(left + 2, 3), c.fill) << c.name;
        EXPECT_EQ(canvas.At(centreX, 10), c.arrow) << c.name << ": arrow middle";
        EXPECT_EQ(canvas.At(centreX, 12), c.fill) << c.name << ": below the 3-row arrow";
    }
}

TEST(UVPaintTheme, ListItemDrawsLikeAMenuItem)
{
    const XPLook xp(TRUE);
    struct Case {
        const char* name;
        BOOL selected;
        COLORREF body, margin, edge, triangle;
    } cases[] = {
        {"plain", FALSE, GetUVColor(41), GetUVColor(30), GetUVColor(41), GetUVColor(44)},
        {"selected", TRUE, GetUVColor(31), GetUVColor(31), GetUVColor(32), GetUVColor(44)},
    };
    for (const Case& c : cases) {
        Canvas canvas(160, 22);
        const RECT item{0, 0, 160, 22};
        GetCurrentPaintTheme()->GetListPainter()->DrawItem(&canvas.dc, item, L"", 0, c.selected, 24, nullptr);
        EXPECT_EQ(canvas.At(100, 3), c.body) << c.name;
        EXPECT_EQ(canvas.At(10, 3), c.margin) << c.name;
        EXPECT_EQ(canvas.At(100, 0), c.edge) << c.name;
        EXPECT_EQ(canvas.At(160 - 11, 11), c.triangle) << c.name << ": triangle's tallest line";
        EXPECT_EQ(canvas.At(160 - 11, 6), c.body) << c.name << ": above the triangle";
    }
}

TEST(UVPaintTheme, MarginWindowPaintsTheWindowOverBothColours)
{
    const XPLook xp(TRUE);
    Canvas canvas(100, 50);
    const RECT client{0, 0, 100, 50};
    GetCurrentPaintTheme()->GetListPainter()->PaintMarginWindow(&canvas.dc, client, 24, [](CDC* dc) {
        const RECT own{50, 20, 60, 30};
        dc->FillSolidRect(&own, RGB(9, 9, 9));
    });
    EXPECT_EQ(canvas.At(5, 5), GetUVColor(30));
    EXPECT_EQ(canvas.At(80, 5), GetUVColor(41));
    EXPECT_EQ(canvas.At(55, 25), RGB(9, 9, 9));
}

}  // namespace
