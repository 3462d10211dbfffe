#include "app/look/TransparentBitmap.h"

#include "app/look/TargetMapping.h"

#include <algorithm>
#include <vector>

namespace {

// Destination AND NOT source: clears what the mask marks.
constexpr DWORD kRopDSna = 0x220326;

BITMAPINFO TopDown32(SIZE pixels)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = pixels.cx;
    info.bmiHeader.biHeight = -pixels.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// The memory DCs and work bitmaps of the draw, kept between draws on the thread, each bitmap
// selected in its DC for good. Under Wine, making a compatible bitmap costs about 0.1 ms and so
// does every SelectObject of a colour bitmap, while the blits of a whole draw take a few
// microseconds and reading a small bitmap's pixels less than one (bench_look); the views draw
// many small bitmaps per paint. So the caller's bitmap is never selected: its pixels are read
// into the source DC's own 32-bit bitmap. The bitmaps grow to the largest bitmap drawn, the work
// bitmaps are made again when the target's pixel format changes, and a draw uses their top left
// corner.
class CWorkSurfaces {
    // Declared before the DCs, so that the DCs let them go before they are deleted.
    CBitmap m_source;
    CBitmap m_mask;
    CBitmap m_picture;
    CBitmap m_background;

public:
    // FALSE when the DCs or bitmaps cannot be had.
    BOOL Prepare(CDC& target, SIZE pixels)
    {
        if (!m_sourceDC.GetSafeHdc() && !CreateDCs())
            return FALSE;
        const int format = PixelFormatOf(target);
        if (format == m_format && pixels.cx <= m_size.cx && pixels.cy <= m_size.cy)
            return TRUE;
        const SIZE size{std::max(pixels.cx, m_size.cx), std::max(pixels.cy, m_size.cy)};
        const BITMAPINFO sourceInfo = TopDown32(size);
        void* sourceBits = nullptr;
        CBitmap source;
        CBitmap mask;
        CBitmap picture;
        CBitmap background;
        if (!source.Attach(CreateDIBSection(target, &sourceInfo, DIB_RGB_COLORS, &sourceBits, nullptr, 0)) ||
            !mask.CreateBitmap(size.cx, size.cy, 1, 1, nullptr) ||
            !picture.CreateCompatibleBitmap(target, size.cx, size.cy) ||
            !background.CreateCompatibleBitmap(target, size.cx, size.cy))
            return FALSE;
        // Selecting the new bitmaps lets the old ones go before they are deleted.
        m_sourceDC.SelectObject(&source);
        m_maskDC.SelectObject(&mask);
        m_pictureDC.SelectObject(&picture);
        m_backgroundDC.SelectObject(&background);
        m_source.Attach(source.Detach());
        m_mask.Attach(mask.Detach());
        m_picture.Attach(picture.Detach());
        m_background.Attach(background.Detach());
        m_sourceBits = static_cast<DWORD*>(sourceBits);
        m_size = size;
        m_format = format;
        return TRUE;
    }

    // Puts the pixels of `bitmap` (of `pixels` size) at the top left of the source DC's bitmap.
    BOOL LoadSource(HBITMAP bitmap, SIZE pixels)
    {
        BITMAPINFO info = TopDown32(pixels);
        m_rows.resize(static_cast<size_t>(pixels.cx) * static_cast<size_t>(pixels.cy));
        if (GetDIBits(m_sourceDC, bitmap, 0, static_cast<UINT>(pixels.cy), m_rows.data(), &info, DIB_RGB_COLORS) !=
            pixels.cy)
            return FALSE;
        GdiFlush();
        for (LONG y = 0; y < pixels.cy; ++y)
            std::copy_n(m_rows.data() + y * pixels.cx, pixels.cx, m_sourceBits + y * m_size.cx);
        return TRUE;
    }

    CDC m_sourceDC;
    CDC m_maskDC;
    CDC m_pictureDC;
    CDC m_backgroundDC;

private:
    BOOL CreateDCs()
    {
        CClientDC screen(nullptr);
        if (!m_sourceDC.CreateCompatibleDC(&screen) || !m_maskDC.CreateCompatibleDC(&screen) ||
            !m_pictureDC.CreateCompatibleDC(&screen) || !m_backgroundDC.CreateCompatibleDC(&screen))
            return FALSE;
        m_screenFormat = screen.GetDeviceCaps(BITSPIXEL) * screen.GetDeviceCaps(PLANES);
        return TRUE;
    }

    // Bits per pixel of what the target draws on: its selected bitmap, else the screen (a
    // device's own caps are a round trip to the display under Wine).
    int PixelFormatOf(CDC& target) const
    {
        BITMAP info{};
        if (GetObjectType(target) == OBJ_MEMDC &&
            GetObjectW(GetCurrentObject(target, OBJ_BITMAP), sizeof(info), &info) == sizeof(info))
            return info.bmBitsPixel;
        return m_screenFormat;
    }

    DWORD* m_sourceBits = nullptr;
    std::vector<DWORD> m_rows;
    SIZE m_size{0, 0};
    int m_format = 0;
    int m_screenFormat = 0;
};

}  // namespace

void DrawTransparentBitmap(CDC* dc, HBITMAP bitmap, int x, int y, COLORREF transparentColour)
{
    thread_local CWorkSurfaces work;
    BITMAP info{};
    if (!dc || !bitmap || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info) ||
        !work.Prepare(*dc, SIZE{info.bmWidth, info.bmHeight}))
        return;
    CDC& sourceDC = work.m_sourceDC;
    CDC& maskDC = work.m_maskDC;
    CDC& pictureDC = work.m_pictureDC;
    CDC& backgroundDC = work.m_backgroundDC;
    for (CDC* memory : {&sourceDC, &maskDC, &pictureDC, &backgroundDC})
        TakeTargetMapping(*memory, *dc);
    LogicalBitmapExtent extent{};
    if (!GetLogicalBitmapExtent(sourceDC, bitmap, &extent) || !work.LoadSource(bitmap, extent.pixels))
        return;
    const int cx = extent.size.x;
    const int cy = extent.size.y;

    // A copy to one bit per pixel sets the pixels of the source's background colour, clears the rest.
    sourceDC.SetBkColor(transparentColour);
    maskDC.BitBlt(0, 0, cx, cy, &sourceDC, extent.origin.x, extent.origin.y, SRCCOPY);
    // The memory DCs keep black text on white: the mask's set pixels read as white, the others as black.
    pictureDC.BitBlt(0, 0, cx, cy, &sourceDC, extent.origin.x, extent.origin.y, SRCCOPY);
    pictureDC.BitBlt(0, 0, cx, cy, &maskDC, 0, 0, kRopDSna);
    backgroundDC.BitBlt(0, 0, cx, cy, dc, x, y, SRCCOPY);
    backgroundDC.BitBlt(0, 0, cx, cy, &maskDC, 0, 0, SRCAND);
    backgroundDC.BitBlt(0, 0, cx, cy, &pictureDC, 0, 0, SRCINVERT);
    dc->BitBlt(x, y, cx, cy, &backgroundDC, 0, 0, SRCCOPY);
}
