// Bitmaps whose pixels a test sets and reads directly: 32-bit top-down DIB sections, and a
// memory DC over one as a drawing target.
#pragma once

#include "classlib/ui/Gdi.h"

#include <functional>
#include <vector>

namespace looktest {

using PixelPattern = std::function<COLORREF(int x, int y)>;

class PixelBitmap {
public:
    PixelBitmap(int width, int height, const PixelPattern& pattern);

    HBITMAP Handle() const { return m_bitmap; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF Pixel(int x, int y) const;

private:
    CBitmap m_bitmap;
    int m_width;
    int m_height;
    DWORD* m_bits = nullptr;
};

// A drawing target: a memory DC with a PixelBitmap selected.
class PixelTarget {
public:
    PixelTarget(int width, int height, const PixelPattern& pattern);
    ~PixelTarget();

    CDC& DC() { return m_dc; }
    COLORREF Pixel(int x, int y) const;
    int Width() const { return m_bitmap.Width(); }
    int Height() const { return m_bitmap.Height(); }

private:
    PixelBitmap m_bitmap;
    CDC m_dc;
    HGDIOBJ m_old = nullptr;
};

// Sets MM_ANISOTROPIC with `window` logical units to `viewport` pixels in both directions; gives
// the device point of `logical`.
POINT ScaleTarget(CDC& dc, int window, int viewport, POINT logical);

// The pixels of a bitmap the test did not make (a DDB or a DIB), read through GetDIBits.
struct PixelDump {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;  // top row first
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};
PixelDump ReadPixels(HBITMAP bitmap);

}  // namespace looktest
