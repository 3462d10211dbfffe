// The XP toolbar painter: fill, frame and glyph colours at known pixels for every button state.
#include "toolkit/bars/toolbar/ToolBarPainter.h"

#include "tests/toolkit/bars/Canvas.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/PaintTheme.h"
#include "toolkit/bars/look/UVColors.h"

#include <gtest/gtest.h>

namespace {

class XPLook {
public:
    XPLook() : m_saved(uvAfxData.m_bXPLook) { uvAfxData.m_bXPLook = TRUE; }
    ~XPLook() { uvAfxData.m_bXPLook = m_saved; }

private:
    BOOL m_saved;
};

constexpr COLORREF kBar = RGB(200, 210, 220);
constexpr COLORREF kNone = 0xFFFFFFFF;  // no frame: the fill runs to the edge

const CUVToolBarPainter& Painter()
{
    return *GetCurrentPaintTheme()->GetToolBarPainter();
}

// The light face colour: the face colour with 15 added to each channel, at most 255.
COLORREF LightFace()
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const auto lighter = [](int channel) { return static_cast<BYTE>(channel + 15 > 255 ? 255 : channel + 15); };
    return RGB(lighter(GetRValue(face)), lighter(GetGValue(face)), lighter(GetBValue(face)));
}

TEST(UVToolBarPainter, ButtonStatesFillAndFrame)
{
    const XPLook xp;
    ASSERT_NE(GetCurrentPaintTheme()->GetToolBarPainter(), nullptr);
    using L = UVToolButtonLook;
    struct Case {
        const char* name;
        L::State state;
        BOOL enabled, checked, indeterminate;
        COLORREF fill, frame;
    } cases[] = {
        {"plain", L::plain, TRUE, FALSE, FALSE, kBar, kNone},
        {"hot", L::hot, TRUE, FALSE, FALSE, GetUVColor(31), GetUVColor(32)},
        {"pressed", L::pressed, TRUE, FALSE, FALSE, GetUVColor(33), GetUVColor(32)},
        {"dropped", L::dropped, TRUE, FALSE, FALSE, kBar, GetUVColor(43)},
        {"disabled", L::hot, FALSE, FALSE, FALSE, kBar, kNone},
        {"checked", L::plain, TRUE, TRUE, FALSE, GetUVColor(36), GetUVColor(37)},
        {"checked hot", L::hot, TRUE, TRUE, FALSE, GetUVColor(33), GetUVColor(37)},
        {"checked disabled", L::plain, FALSE, TRUE, FALSE, GetSysColor(COLOR_BTNFACE), GetUVColor(43)},
        {"indeterminate", L::plain, TRUE, FALSE, TRUE, kBar, kNone},
        {"indeterminate hot", L::hot, TRUE, FALSE, TRUE, GetUVColor(31), kNone},
        {"indeterminate pressed", L::pressed, TRUE, FALSE, TRUE, GetUVColor(33), kNone},
        {"indeterminate disabled", L::plain, FALSE, FALSE, TRUE, LightFace(), kNone},
    };
    for (const Case& c : cases) {
        Canvas canvas(40, 30);
        L look;
        look.rect = RECT{5, 4, 28, 26};
        look.state = c.state;
        look.enabled = c.enabled;
        look.checked = c.checked;
        look.indeterminate = c.indeterminate;
        look.background = kBar;
        Painter().DrawButton(&canvas.dc, look);
        EXPECT_EQ(canvas.At(10, 8), c.fill) << c.name;
        EXPECT_EQ(canvas.At(5, 15), c.frame == kNone ? c.fill : c.frame) << c.name << ": left edge";
        EXPECT_EQ(canvas.At(27, 25), c.frame == kNone ? c.fill : c.frame) << c.name << ": bottom-right";
        EXPECT_EQ(canvas.At(4, 15), Canvas::kBackground) << c.name << ": outside left alone";
    }
}

TEST(UVToolBarPainter, SplitArrowSwatchAndSeparator)
{
    const XPLook xp;
    Canvas canvas(80, 30);
    UVToolButtonLook look;
    look.rect = RECT{0, 0, 37, 22};
    look.state = UVToolButtonLook::hot;
    look.splitArrow = TRUE;
    look.swatch = RGB(255, 0, 0);
    look.background = kBar;
    Painter().DrawButton(&canvas.dc, look);
    const int arrowLeft = 37 - CUVToolBarPainter::kArrowPartWidth;
    EXPECT_EQ(canvas.At(arrowLeft, 10), GetUVColor(32)) << "the arrow part has a frame of its own";
    EXPECT_EQ(canvas.At(arrowLeft - 1, 10), GetUVColor(32)) << "and so has the body";
    EXPECT_EQ(canvas.At(arrowLeft + 6, 10), GetUVColor(46)) << "arrow glyph, top row";
    EXPECT_EQ(canvas.At(arrowLeft + 2, 12), GetUVColor(31)) << "beside the glyph's point";
    EXPECT_EQ(canvas.At(4, 22 - 7), RGB(255, 0, 0)) << "swatch, top-left";
    EXPECT_EQ(canvas.At(4, 22 - 5), RGB(255, 0, 0)) << "swatch, bottom row";
    EXPECT_EQ(canvas.At(4, 22 - 4), GetUVColor(31)) << "below the swatch";

    Painter().DrawSeparator(&canvas.dc, RECT{50, 0, 56, 22}, FALSE);
    EXPECT_EQ(canvas.At(53, 10), GetUVColor(39));
    EXPECT_EQ(canvas.At(53, 1), Canvas::kBackground) << "2 pixels short of the top";
    EXPECT_EQ(canvas.At(54, 10), Canvas::kBackground);
}

TEST(UVToolBarPainter, WholeDropDownArrowSitsBelowTheImage)
{
    const XPLook xp;
    Canvas canvas(40, 30);
    UVToolButtonLook look;
    look.rect = RECT{0, 0, 37, 22};
    look.wholeDropDown = TRUE;
    look.background = kBar;
    Painter().DrawButton(&canvas.dc, look);
    // The image row is 3 to 18 (15 high, centred); the arrow's part runs from 13 to 27 (10
    // pixels left of the right-hand 14), the 5 x 3 glyph centred in it from x 17 and y 18.
    EXPECT_EQ(canvas.At(17, 18), GetUVColor(46)) << "the glyph's top row, under the image";
    EXPECT_EQ(canvas.At(21, 18), GetUVColor(46));
    EXPECT_EQ(canvas.At(19, 20), GetUVColor(46)) << "its point";
    EXPECT_EQ(canvas.At(17, 20), kBar);
    for (int x = 26; x < 37; ++x)
        for (int y = 0; y < 22; ++y)
            ASSERT_EQ(canvas.At(x, y), kBar) << "nothing beside the image: " << x << "," << y;
}

}  // namespace
