// The transparent draw against the platform's own TransparentBlt, in scaled mapping modes, and
// with bitmaps that have none or only pixels of the transparent colour.
#include "app/look/TransparentBitmap.h"
#include "tests/app/look/Pixels.h"

#include <gtest/gtest.h>

namespace {

using looktest::PixelBitmap;
using looktest::PixelTarget;
using looktest::ScaleTarget;

constexpr int kTargetWidth = 128;
constexpr int kTargetHeight = 64;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

COLORREF TargetPattern(int x, int y)
{
    return RGB((x * 7) & 0xFF, (y * 11) & 0xFF, ((x + y) * 3) & 0xFF);
}

// Every third diagonal stripe is the key colour; the other pixels are never the key.
looktest::PixelPattern StripedWithKey(COLORREF key)
{
    return [key](int x, int y) {
        if ((x / 3 + y / 2) % 3 == 0)
            return key;
        const COLORREF c = RGB(40 + (x * 13) % 200, 30 + (y * 17) % 200, 20 + ((x ^ y) * 5) % 200);
        return c == key ? RGB(1, 2, 3) : c;
    };
}

struct PlatformCase {
    const char* name;
    int width, height;
    int x, y;
    COLORREF key;
};

const PlatformCase kPlatformCases[] = {
    {"16x16 on white", 16, 16, 5, 7, kWhite},           {"100x23 on red", 100, 23, 10, 20, kRed},
    {"16x16 on black", 16, 16, 0, 0, kBlack},           {"cut at the top left", 16, 16, -5, -3, kWhite},
    {"cut at the bottom right", 100, 23, 60, 50, kRed},
};

TEST(DrawTransparentBitmap, MatchesThePlatformsTransparentBltPixelForPixel)
{
    for (const PlatformCase& c : kPlatformCases) {
        SCOPED_TRACE(c.name);
        PixelBitmap bitmap(c.width, c.height, StripedWithKey(c.key));
        PixelTarget ours(kTargetWidth, kTargetHeight, TargetPattern);
        PixelTarget platform(kTargetWidth, kTargetHeight, TargetPattern);

        DrawTransparentBitmap(&ours.DC(), bitmap.Handle(), c.x, c.y, c.key);
        CDC source;
        ASSERT_TRUE(source.CreateCompatibleDC(nullptr));
        const CSelectedObject selected(source, bitmap.Handle());
        ASSERT_TRUE(TransparentBlt(platform.DC(), c.x, c.y, c.width, c.height, source, 0, 0, c.width, c.height, c.key));

        int differing = 0;
        for (int y = 0; y < kTargetHeight; ++y) {
            for (int x = 0; x < kTargetWidth; ++x) {
                if (ours.Pixel(x, y) != platform.Pixel(x, y) && differing++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << ours.Pixel(x, y) << " instead of "
                                  << platform.Pixel(x, y);
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

// What the draw must give at each device pixel: the bitmap where it is not the key inside the
// device rectangle it covers, the target's own pixel everywhere else.
void ExpectCovers(const PixelTarget& target, const PixelBitmap& bitmap, POINT device, COLORREF key)
{
    int differing = 0;
    for (int y = 0; y < kTargetHeight; ++y) {
        for (int x = 0; x < kTargetWidth; ++x) {
            const int bx = x - device.x;
            const int by = y - device.y;
            const bool inside = bx >= 0 && by >= 0 && bx < bitmap.Width() && by < bitmap.Height();
            const COLORREF expected =
                inside && bitmap.Pixel(bx, by) != key ? bitmap.Pixel(bx, by) : TargetPattern(x, y);
            if (target.Pixel(x, y) != expected && differing++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << target.Pixel(x, y) << " instead of "
                              << expected;
        }
    }
    EXPECT_EQ(differing, 0);
}

struct ScaledCase {
    const char* name;
    int window, viewport;  // extents in both directions
    int x, y;              // logical
};

const ScaledCase kScaledCases[] = {
    {"two logical units a pixel", 2, 1, 20, 10},
    {"two pixels a logical unit", 1, 2, 7, 5},
};

TEST(DrawTransparentBitmap, CoversTheBitmapsOwnPixelsInAScaledMappingMode)
{
    for (const ScaledCase& c : kScaledCases) {
        SCOPED_TRACE(c.name);
        PixelBitmap bitmap(16, 16, StripedWithKey(kWhite));
        PixelTarget target(kTargetWidth, kTargetHeight, TargetPattern);
        CDC& dc = target.DC();
        const POINT device = ScaleTarget(dc, c.window, c.viewport, {c.x, c.y});

        DrawTransparentBitmap(&dc, bitmap.Handle(), c.x, c.y, kWhite);

        ExpectCovers(target, bitmap, device, kWhite);
    }
}

TEST(DrawTransparentBitmap, DrawsABitmapWithoutTheTransparentColourOpaque)
{
    PixelBitmap bitmap(16, 16, StripedWithKey(kWhite));
    PixelBitmap opaque(
        16, 16, [&](int x, int y) { return bitmap.Pixel(x, y) == kWhite ? RGB(9, 99, 199) : bitmap.Pixel(x, y); });
    PixelTarget target(kTargetWidth, kTargetHeight, TargetPattern);

    DrawTransparentBitmap(&target.DC(), opaque.Handle(), 30, 12, kWhite);

    ExpectCovers(target, opaque, {30, 12}, kWhite);
    EXPECT_EQ(target.Pixel(30, 12), RGB(9, 99, 199));
}

TEST(DrawTransparentBitmap, LeavesTheTargetAloneForABitmapAllOfTheTransparentColour)
{
    PixelBitmap bitmap(100, 23, [](int, int) { return kRed; });
    PixelTarget target(kTargetWidth, kTargetHeight, TargetPattern);

    DrawTransparentBitmap(&target.DC(), bitmap.Handle(), 3, 4, kRed);

    ExpectCovers(target, bitmap, {3, 4}, kRed);
}

}  // namespace
