#include "toolkit/bars/look/UVColors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace {

using SystemColours = std::array<COLORREF, 28>;
using UVColourTable = std::array<COLORREF, kUVColorCount>;

SystemColours ClassicScheme()
{
    SystemColours sys{};
    for (int i = 1; i <= 27; ++i)
        sys[static_cast<size_t>(i)] = RGB(i * 9, 255 - i * 9, (i * 37) % 256);
    sys[COLOR_BTNFACE] = RGB(212, 208, 200);
    sys[COLOR_WINDOW] = RGB(255, 255, 255);
    sys[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
    sys[COLOR_BTNSHADOW] = RGB(128, 128, 128);
    sys[COLOR_BTNTEXT] = RGB(0, 0, 0);
    sys[COLOR_GRAYTEXT] = RGB(128, 128, 128);
    return sys;
}

// A colour a rule gave beside the one worked out for it; the row's name tells a failure apart.
struct KnownColour {
    const char* name;
    COLORREF got;
    COLORREF expected;
};

void ExpectKnownColours(std::initializer_list<KnownColour> rows)
{
    for (const KnownColour& row : rows)
        EXPECT_EQ(row.got, row.expected) << row.name;
}

// The toolkit's colours of a system scheme. The table starts filled with a value no rule gives,
// so that an entry the computation leaves unwritten shows.
UVColourTable UVColoursOf(const SystemColours& sys, bool paletteDisplay)
{
    UVColourTable table;
    table.fill(0xFFFFFFFF);
    ComputeUVColors(sys.data(), paletteDisplay, table.data());
    return table;
}

TEST(UVColors, BlendWeightBelowHundredIsPercentFromHundredOnPerMille)
{
    const COLORREF first = RGB(200, 100, 50);
    const COLORREF second = RGB(0, 0, 0);
    ExpectKnownColours({
        {"0 %: all second colour", BlendColors(first, second, 0), RGB(0, 0, 0)},
        {"50 %", BlendColors(first, second, 50), RGB(100, 50, 25)},
        {"99 %", BlendColors(first, second, 99), RGB(198, 99, 50)},
        {"100 is per mille: 10 %", BlendColors(first, second, 100), RGB(20, 10, 5)},
        {"500 per mille", BlendColors(first, second, 500), RGB(100, 50, 25)},
        {"1000 per mille: all first colour", BlendColors(first, second, 1000), RGB(200, 100, 50)},
    });
}

TEST(UVColors, PaletteDisplayKeepsEveryDerivedColourAtItsSystemDefault)
{
    const SystemColours sys = ClassicScheme();
    const UVColourTable table = UVColoursOf(sys, true);
    ExpectKnownColours({
        {"colour 30: button face", table[30], sys[COLOR_BTNFACE]},
        {"colour 31: window", table[31], sys[COLOR_WINDOW]},
        {"colour 32: highlight", table[32], sys[COLOR_HIGHLIGHT]},
        {"colour 35: grey text", table[35], sys[COLOR_GRAYTEXT]},
        {"colour 38: button shadow", table[38], sys[COLOR_BTNSHADOW]},
        {"colour 44: window text", table[44], sys[COLOR_WINDOWTEXT]},
        {"colour 46: button text", table[46], sys[COLOR_BTNTEXT]},
        {"colour 48: button face", table[48], sys[COLOR_BTNFACE]},
        {"colour 49: button text", table[49], sys[COLOR_BTNTEXT]},
    });
    for (size_t i = 1; i <= 27; ++i)
        EXPECT_EQ(table[i], sys[i]) << "system colour " << i;
    EXPECT_EQ(table[28], 0u);
    EXPECT_EQ(table[29], 0u);
}

TEST(UVColors, BlackFaceGivesFixedBrightAndDarkColours)
{
    SystemColours sys = ClassicScheme();
    sys[COLOR_BTNFACE] = RGB(0, 0, 0);
    const UVColourTable table = UVColoursOf(sys, false);
    EXPECT_EQ(table[48], RGB(35, 35, 35));
    EXPECT_EQ(table[49], RGB(127, 127, 127));
}

TEST(UVColors, DerivedColoursKeepTheirContrastWithTheMenuBackground)
{
    const UVColourTable table = UVColoursOf(ClassicScheme(), false);
    // The contrast pass guarantees these pairs (target, reference, x) are told apart.
    struct Case {
        int target;
        int reference;
        int x;
    } cases[] = {{31, 30, 50}, {32, 30, 100}, {38, 30, 85}, {46, 30, 180}, {44, 41, 180}};
    for (const auto& c : cases)
        EXPECT_TRUE(IsContrastEnough(table[c.reference], table[c.target], c.x - 1)) << "colour " << c.target;
    // 34 is 31 darkened to three quarters.
    EXPECT_EQ(GetRValue(table[34]), static_cast<int>(GetRValue(table[31]) * 0.75));
    // 48 brightens the face: its largest channel gains 35, the others in proportion.
    EXPECT_EQ(table[48], RGB(247, 242, 233));
}

TEST(UVColors, PushedColourReachesTheThresholdDistance)
{
    const COLORREF reference = RGB(240, 240, 240);
    const COLORREF close = RGB(235, 235, 235);
    ASSERT_FALSE(IsContrastEnough(reference, close, 50));
    const COLORREF pushed = PushColorToContrast(reference, close, 50);
    EXPECT_TRUE(IsContrastEnough(reference, pushed, 48));
    const COLORREF distant = RGB(0, 0, 0);
    const COLORREF pulled = PullColorToDistance(reference, distant, 50);
    EXPECT_FALSE(IsContrastEnough(reference, pulled, 52));
    EXPECT_TRUE(IsContrastEnough(reference, pulled, 48));
}

// The contrast threshold written out from its definition: x doubled against black, x itself
// against colours of weighted length 220 or more.
double ContrastThreshold(COLORREF reference, int x)
{
    const double length = std::floor(std::sqrt(ColorDistanceSquared(reference, RGB(0, 0, 0))));
    return (2.0 - std::min(length, 220.0) / 220.0) * x;
}

// Whichever space the push works in, the pushed colour ends at the threshold distance (within the
// rounding of going back to 8-bit channels). Dark references push in the space mirrored at white.
TEST(UVColors, PushedColourLandsOnTheThresholdInBothSpaces)
{
    const struct {
        const char* name;
        COLORREF reference, colour;
        int x;
    } rows[] = {
        {"mirrored, brighter than a dark grey", RGB(20, 20, 20), RGB(30, 30, 30), 50},
        {"mirrored, brighter than a dark blue", RGB(0, 0, 80), RGB(10, 20, 90), 50},
        {"mirrored, brighter than a dark purple", RGB(40, 10, 60), RGB(50, 30, 60), 40},
        {"mirrored, brighter than mid grey", RGB(128, 128, 128), RGB(140, 140, 140), 50},
        {"mirrored, darker than a dark grey", RGB(30, 30, 30), RGB(20, 20, 20), 50},
        {"mirrored, black against a near black", RGB(10, 10, 10), RGB(0, 0, 0), 50},
        {"mirrored, darker with a wide threshold", RGB(60, 60, 60), RGB(20, 20, 20), 100},
        {"plain, darker than mid grey", RGB(128, 128, 128), RGB(120, 120, 120), 50},
        {"plain, darker than a light grey", RGB(240, 240, 240), RGB(235, 235, 235), 50},
        {"plain, darker than a yellow", RGB(200, 180, 40), RGB(190, 170, 50), 60},
    };
    for (const auto& row : rows) {
        const COLORREF pushed = PushColorToContrast(row.reference, row.colour, row.x);
        const double distance = std::sqrt(ColorDistanceSquared(row.reference, pushed));
        EXPECT_NEAR(distance, ContrastThreshold(row.reference, row.x), 1.0)
            << row.name << ": pushed to " << std::hex << pushed;
    }
    // The hot fill of a dark scheme: a grey pushed off RGB(20, 20, 20), not white.
    EXPECT_EQ(PushColorToContrast(RGB(20, 20, 20), RGB(30, 30, 30), 50), RGB(0x49, 0x49, 0x49));
}

TEST(UVColors, HlsConversionMatchesKnownColoursAndRoundTrips)
{
    struct Case {
        const char* name;
        COLORREF colour;
        double h, s, l;
    } cases[] = {
        {"red", RGB(255, 0, 0), 0.0, 1.0, 0.5},
        {"green", RGB(0, 255, 0), 1.0 / 3.0, 1.0, 0.5},
        {"blue", RGB(0, 0, 255), 2.0 / 3.0, 1.0, 0.5},
        {"grey", RGB(128, 128, 128), 0.0, 0.0, 128.0 / 255.0},
        {"magenta-ish (negative hue wraps)", RGB(255, 0, 128), 1.0 - (128.0 / 255.0) / 6.0, 1.0, 0.5},
    };
    for (const auto& c : cases) {
        double h, s, l;
        RGBToHLS(c.colour, &h, &s, &l);
        EXPECT_NEAR(h, c.h, 1e-9) << c.name;
        EXPECT_NEAR(s, c.s, 1e-9) << c.name;
        EXPECT_NEAR(l, c.l, 1e-9) << c.name;
        const COLORREF back = HLSToRGB(h, s, l);
        EXPECT_NEAR(GetRValue(back), GetRValue(c.colour), 1) << c.name;
        EXPECT_NEAR(GetGValue(back), GetGValue(c.colour), 1) << c.name;
        EXPECT_NEAR(GetBValue(back), GetBValue(c.colour), 1) << c.name;
    }
}

}  // namespace

namespace {

TEST(UVColors, TintTowardWhiteMixesEachChannelWithWhite)
{
    const COLORREF colour = RGB(100, 0, 200);
    ExpectKnownColours({
        {"none", TintTowardWhite(colour, 0.0), RGB(100, 0, 200)},
        {"half", TintTowardWhite(colour, 0.5), RGB(177, 127, 227)},
        {"all", TintTowardWhite(colour, 1.0), RGB(255, 255, 255)},
    });
}

// Known answers, worked out from the blending, contrast and brightening rules apart from the code:
// the nine system colours the rules read and the twenty colours they give (30 to 49 in order).
TEST(UVColors, DerivedColoursOfThreeSchemesMatchTheirWorkedAnswers)
{
    struct Scheme {
        const char* name;
        // BTNFACE, BTNSHADOW, GRAYTEXT, BTNTEXT, HIGHLIGHT, HIGHLIGHTTEXT, WINDOW, WINDOWTEXT, MENUTEXT
        COLORREF system[9];
        COLORREF derived[kUVDerivedColorCount];
    } schemes[] = {
        {"default (the XP blue scheme): too-light colours pushed darker",
         {RGB(236, 233, 216), RGB(172, 168, 153), RGB(172, 168, 153), RGB(0, 0, 0), RGB(49, 106, 197),
          RGB(255, 255, 255), RGB(255, 255, 255), RGB(0, 0, 0), RGB(0, 0, 0)},
         {RGB(239, 237, 222), RGB(193, 210, 238), RGB(49, 106, 197),  RGB(152, 181, 226), RGB(144, 157, 178),
          RGB(197, 194, 184), RGB(225, 230, 232), RGB(49, 106, 197),  RGB(191, 188, 177), RGB(197, 194, 184),
          RGB(180, 177, 163), RGB(252, 252, 249), RGB(230, 227, 210), RGB(138, 134, 122), RGB(0, 0, 0),
          RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(73, 73, 73),    RGB(255, 251, 233), RGB(129, 126, 114)}},
        {"dark: too-dark colours pushed lighter",
         {RGB(45, 45, 48), RGB(30, 30, 30), RGB(110, 110, 110), RGB(230, 230, 230), RGB(0, 120, 215),
          RGB(255, 255, 255), RGB(30, 30, 30), RGB(240, 240, 240), RGB(240, 240, 240)},
         {RGB(43, 43, 45),    RGB(66, 95, 118),   RGB(52, 148, 223),  RGB(15, 75, 123),   RGB(49, 71, 88),
          RGB(113, 113, 113), RGB(33, 45, 55),    RGB(81, 163, 228),  RGB(125, 125, 125), RGB(91, 91, 91),
          RGB(120, 120, 120), RGB(32, 32, 33),    RGB(44, 44, 46),    RGB(70, 70, 70),    RGB(240, 240, 240),
          RGB(240, 240, 240), RGB(230, 230, 230), RGB(255, 255, 255), RGB(77, 77, 83),    RGB(0, 0, 0)}},
        {"high contrast white: grey text pulled toward the menu",
         {RGB(255, 255, 255), RGB(128, 128, 128), RGB(0, 128, 0), RGB(0, 0, 0), RGB(55, 0, 110), RGB(255, 255, 255),
          RGB(255, 255, 255), RGB(0, 0, 0), RGB(0, 0, 0)},
         {RGB(255, 255, 255), RGB(195, 179, 212), RGB(55, 0, 110),    RGB(155, 128, 183), RGB(146, 134, 159),
          RGB(124, 190, 124), RGB(234, 229, 240), RGB(55, 0, 110),    RGB(160, 160, 160), RGB(166, 166, 166),
          RGB(141, 141, 141), RGB(255, 255, 255), RGB(242, 242, 242), RGB(102, 102, 102), RGB(0, 0, 0),
          RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255), RGB(255, 255, 255), RGB(85, 85, 85)}},
    };
    constexpr int roles[9] = {COLOR_BTNFACE,       COLOR_BTNSHADOW, COLOR_GRAYTEXT,   COLOR_BTNTEXT, COLOR_HIGHLIGHT,
                              COLOR_HIGHLIGHTTEXT, COLOR_WINDOW,    COLOR_WINDOWTEXT, COLOR_MENUTEXT};
    for (const Scheme& scheme : schemes) {
        SystemColours sys{};
        for (size_t i = 0; i < 9; ++i)
            sys[static_cast<size_t>(roles[i])] = scheme.system[i];
        const UVColourTable table = UVColoursOf(sys, false);
        for (int i = 0; i < kUVDerivedColorCount; ++i) {
            const COLORREF got = table[kUVFirstDerivedColor + i];
            const COLORREF want = scheme.derived[i];
            EXPECT_EQ(got, want) << scheme.name << ", colour " << kUVFirstDerivedColor + i << ": got RGB("
                                 << int{GetRValue(got)} << ", " << int{GetGValue(got)} << ", " << int{GetBValue(got)}
                                 << ")";
        }
    }
}

}  // namespace
