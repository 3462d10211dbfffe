// LoadMappedBitmap on real bitmap resources in the standard colours.
#include "toolkit/bars/look/MappedBitmap.h"

#include "classlib/ui/Gdi.h"

#include <gtest/gtest.h>

namespace {

COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    CDC mem;
    mem.CreateCompatibleDC(nullptr);
    const CSelectedObject selected(mem, bitmap);
    return mem.GetPixel(x, y);
}

TEST(LoadMappedBitmap, StandardColoursBecomeTheButtonColours)
{
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.Attach(LoadMappedBitmap(GetModuleHandleW(nullptr), 311)));
    struct Case {
        const char* name;
        int x;
        COLORREF expected;
    } cases[] = {
        {"black", 0, GetSysColor(COLOR_BTNTEXT)},      {"dark grey", 1, GetSysColor(COLOR_BTNSHADOW)},
        {"light grey", 2, GetSysColor(COLOR_BTNFACE)}, {"white", 3, GetSysColor(COLOR_BTNHIGHLIGHT)},
        {"another colour stays", 4, RGB(200, 30, 30)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PixelOf(bitmap, c.x, 0), c.expected) << c.name;
    // The check means something only where the scheme differs from the standard colours.
    EXPECT_NE(GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192));
}

TEST(LoadMappedBitmap, BlackAndWhiteBitmapTakesTextAndHighlightColours)
{
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.Attach(LoadMappedBitmap(GetModuleHandleW(nullptr), 310)));
    BITMAP info{};
    GetObjectW(bitmap.m_hObject, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(PixelOf(bitmap, 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(PixelOf(bitmap, 7, 1), GetSysColor(COLOR_BTNTEXT));
}

TEST(LoadMappedBitmap, MissingResourceGivesNoBitmap)
{
    EXPECT_EQ(LoadMappedBitmap(GetModuleHandleW(nullptr), 398), nullptr);
}

}  // namespace
