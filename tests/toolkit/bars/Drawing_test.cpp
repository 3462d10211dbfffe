// Drawing into memory DCs, read back pixel by pixel.
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/Icon.h"
#include "toolkit/bars/look/MemDC.h"
#include "tests/toolkit/bars/Canvas.h"

#include <gtest/gtest.h>

namespace {

TEST(UVMemDC, PaintsOffScreenAndCopiesToTheTargetRectangleAtTheEnd)
{
    Canvas target(40, 40);
    const RECT rect{10, 10, 30, 30};
    {
        CUVMemDC mem(&target.dc, &rect, RGB(200, 0, 0));
        ASSERT_TRUE(mem.IsValid());
        const RECT inner{15, 15, 20, 20};  // the rectangle's own coordinates
        mem.FillSolidRect(&inner, RGB(0, 0, 200));
        EXPECT_EQ(target.dc.GetPixel(12, 12), RGB(1, 2, 3));  // nothing on the target yet
    }
    EXPECT_EQ(target.dc.GetPixel(12, 12), RGB(200, 0, 0));
    EXPECT_EQ(target.dc.GetPixel(16, 16), RGB(0, 0, 200));
    EXPECT_EQ(target.dc.GetPixel(5, 5), RGB(1, 2, 3));  // outside the rectangle
    EXPECT_EQ(target.dc.GetPixel(30, 30), RGB(1, 2, 3));
}

TEST(UVMemDC, NoFillLeavesTheBitmapAsItWasMade)
{
    Canvas target(20, 20);
    const RECT rect{0, 0, 20, 20};
    {
        CUVMemDC mem(&target.dc, &rect, 0xFFFFFFFF);
        ASSERT_TRUE(mem.IsValid());
        const RECT part{0, 0, 5, 5};
        mem.FillSolidRect(&part, RGB(9, 9, 9));
    }
    EXPECT_EQ(target.dc.GetPixel(2, 2), RGB(9, 9, 9));
}

TEST(FillDitheredRect, AlternatesFaceAndHighlightColours)
{
    Canvas target(16, 16);
    const RECT rect{0, 0, 16, 16};
    FillDitheredRect(&target.dc, &rect);
    const COLORREF a = target.dc.GetPixel(0, 0);
    const COLORREF b = target.dc.GetPixel(1, 0);
    EXPECT_NE(a, b);
    EXPECT_TRUE((a == uvAfxData.m_colors[0] && b == uvAfxData.m_colors[3]) ||
                (a == uvAfxData.m_colors[3] && b == uvAfxData.m_colors[0]));
    EXPECT_EQ(target.dc.GetPixel(0, 1), b);  // next row shifted by one
    EXPECT_EQ(target.dc.GetPixel(2, 0), a);
}

HICON MakeIcon(int cx, int cy)
{
    CClientDC screen(nullptr);
    CBitmap colour;
    colour.CreateCompatibleBitmap(screen.m_hDC, cx, cy);
    CBitmap mask;
    mask.CreateBitmap(cx, cy, 1, 1, nullptr);
    ICONINFO info{TRUE, 0, 0, static_cast<HBITMAP>(mask.m_hObject), static_cast<HBITMAP>(colour.m_hObject)};
    return CreateIconIndirect(&info);
}

TEST(UVIcon, ScalingKeepsTheAspectRatio)
{
    CUVIconHandle wide(MakeIcon(32, 16));
    ASSERT_NE(wide.Get(), nullptr);
    EXPECT_EQ(CUVIcon(wide.Get()).GetExtent().cx, 32);
    EXPECT_EQ(CUVIcon(wide.Get()).GetExtent().cy, 16);
    EXPECT_EQ(CUVIcon(wide.Get()).CreateScaledIcon(0, 0), nullptr);
    CUVIconHandle scaled(CUVIcon(wide.Get()).CreateScaledIcon(16, 16));
    ASSERT_NE(scaled.Get(), nullptr);
    const SIZE size = CUVIcon(scaled.Get()).GetExtent();
    EXPECT_EQ(size.cx, 16);
    EXPECT_EQ(size.cy, 8);
}

TEST(DrawDisabledImage, DrawsShadowAtTheImageAndHighlightOneDown)
{
    CUVImageList images;
    ASSERT_TRUE(images.Create(8, 8, ILC_COLOR24 | ILC_MASK, 1, 0));
    // A black square image with an opaque mask.
    CUVIconHandle icon(MakeIcon(8, 8));
    ASSERT_GE(images.AddIcon(icon.Get()), 0);
    Canvas target(20, 20);
    DrawDisabledImage(&target.dc, &images, 0, 4, 4, FALSE);
    EXPECT_EQ(target.dc.GetPixel(4, 4), uvAfxData.m_colors[1]);    // shadow over the glyph
    EXPECT_EQ(target.dc.GetPixel(12, 12), uvAfxData.m_colors[3]);  // highlight below-right of it
    EXPECT_EQ(target.dc.GetPixel(1, 1), RGB(1, 2, 3));             // untouched elsewhere
}

}  // namespace
