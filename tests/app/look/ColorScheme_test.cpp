// The colour scheme: its 82 colours for two sets of system colours, the darker faces of dark and
// black faces, what Load gives (with and without "banner.bmp") and the index edges of its tables.
#include "app/CarrowfoldApp.h"
#include "app/look/ColorScheme.h"
#include "app/resource.h"
#include "tests/app/look/Pixels.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

// Two sets of system colours; every other system colour gets a value no entry may show.
struct SystemColors {
    COLORREF face, highlightText, buttonHighlight, buttonShadow, highlight;
};
constexpr SystemColors kClassic{0xC8D0D4, 0xFFFFFF, 0xFFFFFF, 0x808080, 0x6A240A};
constexpr SystemColors kOther{0xF0E8E0, 0x102030, 0xFAFAFA, 0x606870, 0xCC9933};

std::vector<COLORREF> SystemTable(const SystemColors& s)
{
    std::vector<COLORREF> sys(kSystemColorCount);
    for (int i = 0; i < kSystemColorCount; ++i)
        sys[static_cast<size_t>(i)] = 0x0A0B00 + static_cast<COLORREF>(i);
    sys[COLOR_BTNFACE] = s.face;
    sys[COLOR_HIGHLIGHTTEXT] = s.highlightText;
    sys[COLOR_BTNHIGHLIGHT] = s.buttonHighlight;
    sys[COLOR_BTNSHADOW] = s.buttonShadow;
    sys[COLOR_HIGHLIGHT] = s.highlight;
    return sys;
}

struct Entry {
    int index;
    COLORREF classic;
    COLORREF other;
};

// face - 0x1A1A1A and face - 0x313131 of each set, worked out by hand.
const Entry kEntries[kSchemeColorCount] = {
    {0, 0x545454, 0x545454},  {1, 0x545454, 0x545454},  {2, 0x996600, 0x996600},  {3, 0x444444, 0x444444},
    {4, 0xFFFFFF, 0xFFFFFF},  {5, 0xFFCC99, 0xFFCC99},  {6, 0x2952CE, 0x2952CE},  {7, 0xFFAA42, 0xFFAA42},
    {8, 0x2952CE, 0x2952CE},  {9, 0x000000, 0x000000},  {10, 0x666666, 0x666666}, {11, 0x000000, 0x000000},
    {12, 0x424542, 0x424542}, {13, 0x000000, 0x000000}, {14, 0x545454, 0x545454}, {15, 0xC8D0D4, 0xF0E8E0},
    {16, 0xFFFFFF, 0xFFFFFF}, {17, 0x33CCCC, 0x33CCCC}, {18, 0x18FF52, 0x18FF52}, {19, 0xFFAA42, 0xFFAA42},
    {20, 0xFFFFFF, 0x102030}, {21, 0x000000, 0x000000}, {22, 0xC8D0D4, 0xF0E8E0}, {23, 0xC8D0D4, 0xF0E8E0},
    {24, 0x993300, 0x993300}, {25, 0x003366, 0x003366}, {26, 0x00FF00, 0x00FF00}, {27, 0x000000, 0x000000},
    {28, 0x000000, 0x000000}, {29, 0x996600, 0x996600}, {30, 0x666666, 0x666666}, {31, 0x000000, 0x000000},
    {32, 0xAEB6BA, 0xD6CEC6}, {33, 0x979FA3, 0xBFB7AF}, {34, 0x669999, 0x669999}, {35, 0x000000, 0x000000},
    {36, 0x8C8A8C, 0x8C8A8C}, {37, 0x000000, 0x000000}, {38, 0xC8D0D4, 0xF0E8E0}, {39, 0x000000, 0x000000},
    {40, 0x888888, 0x888888}, {41, 0x9C6500, 0x9C6500}, {42, 0x545454, 0x545454}, {43, 0x32B2FF, 0x32B2FF},
    {44, 0x18FF52, 0x18FF52}, {45, 0x18FF52, 0x18FF52}, {46, 0x006600, 0x006600}, {47, 0x000000, 0x000000},
    {48, 0xFFFFFF, 0xFAFAFA}, {49, 0x808080, 0x606870}, {50, 0xFFFFFF, 0xFFFFFF}, {51, 0xC8D0D4, 0xF0E8E0},
    {52, 0x545454, 0x545454}, {53, 0x545454, 0x545454}, {54, 0xC8D0D4, 0xF0E8E0}, {55, 0x545454, 0x545454},
    {56, 0x9B9B9B, 0x9B9B9B}, {57, 0xFFCC99, 0xFFCC99}, {58, 0xAD9279, 0xAD9279}, {59, 0xCCB695, 0xCCB695},
    {60, 0xB38D55, 0xB38D55}, {61, 0xC0A069, 0xC0A069}, {62, 0xFFFFFF, 0xFAFAFA}, {63, 0xC8D0D4, 0xF0E8E0},
    {64, 0x808080, 0x606870}, {65, 0x666666, 0x666666}, {66, 0x9C6500, 0x9C6500}, {67, 0xFFFFFF, 0xFFFFFF},
    {68, 0x32B2FF, 0x32B2FF}, {69, 0xFFFFFF, 0xFFFFFF}, {70, 0x000000, 0x000000}, {71, 0xCCCCCC, 0xCCCCCC},
    {72, 0xCCB695, 0xCCB695}, {73, 0x6A240A, 0xCC9933}, {74, 0xC8D0D4, 0xF0E8E0}, {75, 0x000000, 0x000000},
    {76, 0x000000, 0x000000}, {77, 0xC8D0D4, 0xF0E8E0}, {78, 0x545454, 0x545454}, {79, 0x545454, 0x545454},
    {80, 0x0303DE, 0x0303DE}, {81, 0x00D8FF, 0x00D8FF},
};

TEST(ColorScheme, GivesAll82ColoursForTwoSetsOfSystemColours)
{
    CColorScheme classic;
    CColorScheme other;
    classic.ComputeColors(SystemTable(kClassic).data());
    other.ComputeColors(SystemTable(kOther).data());
    for (const Entry& e : kEntries) {
        EXPECT_EQ(classic.GetColor(e.index), e.classic) << "entry " << e.index << " (classic)";
        EXPECT_EQ(other.GetColor(e.index), e.other) << "entry " << e.index << " (other)";
    }
}

struct DarkFace {
    const char* name;
    COLORREF face;
    COLORREF darker;   // entry 32
    COLORREF darkest;  // entry 33
};

// Each channel stops at 0 on its own: no borrow reaches the next channel or beyond the colour.
const DarkFace kDarkFaces[] = {
    {"one low channel", 0x404010, 0x262600, 0x0F0F00},
    {"black", 0x000000, 0x000000, 0x000000},
    {"every channel at 0x31", 0x313131, 0x171717, 0x000000},
    {"every channel at 0x31 or more", 0x7F3A31, 0x652017, 0x4E0900},
    {"channels between 0x1A and 0x31", 0x201A30, 0x060016, 0x000000},
};

TEST(ColorScheme, DarkerFacesStopEachChannelAtZero)
{
    for (const DarkFace& d : kDarkFaces) {
        SCOPED_TRACE(d.name);
        SystemColors colors = kClassic;
        colors.face = d.face;
        CColorScheme scheme;
        scheme.ComputeColors(SystemTable(colors).data());
        EXPECT_EQ(scheme.GetColor(32), d.darker);
        EXPECT_EQ(scheme.GetColor(33), d.darkest);
    }
}

// The test binary's folder, which holds the "banner.bmp" the build ships beside the program.
CString TestProgramFolder()
{
    return CCarrowfoldApp::GetProgramFolder();
}

TEST(ColorScheme, LoadsEverythingButTheBannerWhenTheProgramFolderHasNone)
{
    fixtures::TempDir empty(L"colour-scheme");
    CColorScheme scheme;
    scheme.Load(CString(empty.Path().c_str()) + L"\\");

    CBitmapCell* cell = nullptr;
    EXPECT_FALSE(scheme.GetSkinBitmap(9, &cell));
    for (int i = 0; i <= 8; ++i)
        EXPECT_TRUE(scheme.GetSkinBitmap(i, &cell)) << "skin " << i;
    for (int i = 0; i <= 11; ++i)
        EXPECT_TRUE(scheme.GetCellBitmap(i, &cell) && cell->bitmap.GetSafeHandle()) << "cell " << i;
    HBITMAP button = nullptr;
    for (int kind = 1; kind <= 3; ++kind)
        EXPECT_TRUE(scheme.GetButtonBitmap(kind, &button)) << "kind " << kind;
    // The colours were computed from the system's.
    EXPECT_EQ(scheme.GetColor(15), GetSysColor(COLOR_BTNFACE));
}

TEST(ColorScheme, LoadsTheBannerFromTheProgramFolder)
{
    CColorScheme scheme;
    scheme.Load(TestProgramFolder());

    CBitmapCell* cell = nullptr;
    ASSERT_TRUE(scheme.GetSkinBitmap(9, &cell));
    int width = 0;
    int height = 0;
    ASSERT_TRUE(GetCachedBitmapSize(cell, &width, &height));
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(cell->bitmap.GetSafeHandle(), sizeof(info), &info));
    EXPECT_EQ(width, info.bmWidth);
    EXPECT_EQ(height, info.bmHeight);
    EXPECT_GT(width, 0);
}

struct IndexEdge {
    int index;
    bool skin;  // with the banner loaded
    bool cell;
};

const IndexEdge kIndexEdges[] = {
    {-1, false, false}, {0, true, true},   {8, true, true},    {9, true, true},
    {10, false, true},  {11, false, true}, {12, false, false}, {INT_MIN, false, false},
};

TEST(ColorScheme, RefusesIndexesOutsideItsTables)
{
    CColorScheme scheme;
    scheme.Load(TestProgramFolder());
    for (const IndexEdge& e : kIndexEdges) {
        CBitmapCell* cell = nullptr;
        EXPECT_EQ(!!scheme.GetSkinBitmap(e.index, &cell), e.skin) << "skin " << e.index;
        cell = nullptr;
        EXPECT_EQ(!!scheme.GetCellBitmap(e.index, &cell), e.cell) << "cell " << e.index;
        EXPECT_EQ(cell != nullptr, e.cell) << "cell " << e.index;
    }
}

// `cell` holds, pixel for pixel, cell `index` (of `cellWidth` pixels) of the strip.
void ExpectCellOfStrip(HBITMAP cell, const looktest::PixelDump& strip, int index, int cellWidth)
{
    const looktest::PixelDump pixels = looktest::ReadPixels(cell);
    ASSERT_EQ(pixels.width, cellWidth);
    ASSERT_EQ(pixels.height, strip.height);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            ASSERT_EQ(pixels.At(x, y), strip.At(index * cellWidth + x, y)) << x << "," << y;
}

// The kinds and the cells of the button strip (four cells) they are cut from.
struct ButtonKind {
    int kind;
    int stripCell;  // -1: none
};

const ButtonKind kButtonKinds[] = {{0, -1}, {1, 1}, {2, 0}, {3, 2}, {4, -1}};

TEST(ColorScheme, GivesEachButtonKindItsCellOfTheStrip)
{
    CColorScheme scheme;
    scheme.Load(TestProgramFolder());
    CBitmap strip;
    ASSERT_TRUE(strip.LoadBitmap(IDB_BUTTON_STRIP));
    const looktest::PixelDump stripPixels = looktest::ReadPixels(strip);
    ASSERT_EQ(stripPixels.width % 4, 0);
    const int cellWidth = stripPixels.width / 4;
    for (const ButtonKind& b : kButtonKinds) {
        SCOPED_TRACE(b.kind);
        HBITMAP button = nullptr;
        ASSERT_EQ(!!scheme.GetButtonBitmap(b.kind, &button), b.stripCell >= 0);
        if (b.stripCell < 0)
            continue;
        ExpectCellOfStrip(button, stripPixels, b.stripCell, cellWidth);
    }
}

TEST(ColorScheme, CutsTheRowImagesIntoTwelveCellsOf16By16)
{
    CColorScheme scheme;
    scheme.Load(TestProgramFolder());
    CBitmap rows;
    ASSERT_TRUE(rows.LoadBitmap(IDB_ROW_IMAGES));
    const looktest::PixelDump rowPixels = looktest::ReadPixels(rows);
    ASSERT_EQ(rowPixels.width, 12 * 16);
    for (int i = 0; i < kSchemeBitmapCells; ++i) {
        SCOPED_TRACE(i);
        CBitmapCell* cell = nullptr;
        ASSERT_TRUE(scheme.GetCellBitmap(i, &cell));
        ExpectCellOfStrip(cell->bitmap, rowPixels, i, 16);
    }
}

TEST(ColorScheme, SkinsAreSizedForTheCornersTheyFill)
{
    CColorScheme scheme;
    scheme.Load(TestProgramFolder());
    struct Size {
        int skin, width, height;
    };
    // The playlist's and the catalog's top bars (100 x 23) and the timeline's corner inside its grid.
    for (const Size& s : {Size{5, 100, 23}, Size{6, 100, 23}, Size{7, 99, 19}}) {
        CBitmapCell* cell = nullptr;
        int width = 0;
        int height = 0;
        ASSERT_TRUE(scheme.GetSkinBitmap(s.skin, &cell));
        ASSERT_TRUE(GetCachedBitmapSize(cell, &width, &height));
        EXPECT_EQ(width, s.width) << "skin " << s.skin;
        EXPECT_EQ(height, s.height) << "skin " << s.skin;
    }
}

}  // namespace
