#include "tests/app/look/Pixels.h"

namespace looktest {

namespace {

COLORREF FromQuad(DWORD quad)
{
    return RGB((quad >> 16) & 0xFF, (quad >> 8) & 0xFF, quad & 0xFF);
}

BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

PixelBitmap::PixelBitmap(int width, int height, const PixelPattern& pattern) : m_width(width), m_height(height)
{
    const BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    m_bitmap.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_bits = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pattern(x, y);
            m_bits[y * width + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    }
}

COLORREF PixelBitmap::Pixel(int x, int y) const
{
    GdiFlush();
    return FromQuad(m_bits[y * m_width + x]);
}

PixelTarget::PixelTarget(int width, int height, const PixelPattern& pattern) : m_bitmap(width, height, pattern)
{
    m_dc.CreateCompatibleDC(nullptr);
    m_old = m_dc.SelectObject(m_bitmap.Handle());
}

PixelTarget::~PixelTarget()
{
    m_dc.SelectObject(m_old);
}

COLORREF PixelTarget::Pixel(int x, int y) const
{
    return m_bitmap.Pixel(x, y);
}

POINT ScaleTarget(CDC& dc, int window, int viewport, POINT logical)
{
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, window, window, nullptr);
    SetViewportExtEx(dc, viewport, viewport, nullptr);
    LPtoDP(dc, &logical, 1);
    return logical;
}

PixelDump ReadPixels(HBITMAP bitmap)
{
    PixelDump dump;
    BITMAP size{};
    if (GetObjectW(bitmap, sizeof(size), &size) != sizeof(size))
        return dump;
    BITMAPINFO info = TopDown32(size.bmWidth, size.bmHeight);
    std::vector<DWORD> quads(static_cast<size_t>(size.bmWidth) * static_cast<size_t>(size.bmHeight));
    HDC screen = GetDC(nullptr);
    const int lines =
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(size.bmHeight), quads.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != size.bmHeight)
        return dump;
    dump.width = size.bmWidth;
    dump.height = size.bmHeight;
    for (DWORD quad : quads)
        dump.pixels.push_back(FromQuad(quad));
    return dump;
}

}  // namespace looktest
