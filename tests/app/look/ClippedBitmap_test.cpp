// The clipped copy: never more than the bitmap nor than the room given, in MM_TEXT and scaled.
#include "app/look/ClippedBitmap.h"
#include "tests/app/look/Pixels.h"

#include <gtest/gtest.h>

namespace {

using looktest::PixelBitmap;
using looktest::PixelTarget;
using looktest::ScaleTarget;

constexpr COLORREF kBackground = RGB(10, 20, 30);

struct ClippedCase {
    const char* name;
    int window, viewport;           // extents in both directions
    int x, y;                       // logical
    int maxWidth, maxHeight;        // logical
    int copiedWidth, copiedHeight;  // device pixels
};

const ClippedCase kCases[] = {
    {"narrower and lower than the bitmap", 1, 1, 4, 6, 5, 3, 5, 3},
    {"more room than the bitmap", 1, 1, 4, 6, 100, 100, 16, 16},
    {"no height", 1, 1, 4, 6, 16, 0, 0, 0},
    {"two pixels a logical unit", 1, 2, 3, 2, 5, 100, 10, 16},
    {"two logical units a pixel", 2, 1, 8, 4, 100, 10, 16, 5},
};

TEST(DrawBitmapClipped, CopiesTheBitmapIntoAtMostTheRoomGiven)
{
    for (const ClippedCase& c : kCases) {
        SCOPED_TRACE(c.name);
        PixelBitmap bitmap(16, 16, [](int x, int y) { return RGB(100 + x, 50 + y, 200); });
        PixelTarget target(64, 48, [](int, int) { return kBackground; });
        CDC& dc = target.DC();
        const POINT device = ScaleTarget(dc, c.window, c.viewport, {c.x, c.y});

        DrawBitmapClipped(bitmap.Handle(), &dc, c.x, c.y, c.maxWidth, c.maxHeight);

        int differing = 0;
        for (int y = 0; y < target.Height(); ++y) {
            for (int x = 0; x < target.Width(); ++x) {
                const int bx = x - device.x;
                const int by = y - device.y;
                const bool copied = bx >= 0 && by >= 0 && bx < c.copiedWidth && by < c.copiedHeight;
                const COLORREF expected = copied ? bitmap.Pixel(bx, by) : kBackground;
                if (target.Pixel(x, y) != expected && differing++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << target.Pixel(x, y)
                                  << " instead of " << expected;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

}  // namespace
