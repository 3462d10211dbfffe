#include "app/look/TransparentBitmap.h"

#include "app/look/TargetMapping.h"

namespace {

// Destination AND NOT source: clears what the mask marks.
constexpr DWORD kRopDSna = 0x220326;

}  // namespace

void DrawTransparentBitmap(CDC* dc, HBITMAP bitmap, int x, int y, COLORREF transparentColour)
{
    CDC sourceDC;
    CDC maskDC;
    CDC pictureDC;
    CDC backgroundDC;
    if (!dc || !bitmap || !sourceDC.CreateCompatibleDC(dc) || !maskDC.CreateCompatibleDC(dc) ||
        !pictureDC.CreateCompatibleDC(dc) || !backgroundDC.CreateCompatibleDC(dc))
        return;
    for (CDC* memory : {&sourceDC, &maskDC, &pictureDC, &backgroundDC})
        TakeTargetMapping(*memory, *dc);
    LogicalBitmapExtent extent{};
    if (!GetLogicalBitmapExtent(sourceDC, bitmap, &extent))
        return;
    const SIZE pixels = extent.pixels;
    CBitmap mask;
    CBitmap picture;
    CBitmap background;
    if (!mask.CreateBitmap(pixels.cx, pixels.cy, 1, 1, nullptr) ||
        !picture.CreateCompatibleBitmap(*dc, pixels.cx, pixels.cy) ||
        !background.CreateCompatibleBitmap(*dc, pixels.cx, pixels.cy))
        return;
    const CSelectedObject selectedSource(sourceDC, bitmap);
    const CSelectedObject selectedMask(maskDC, mask);
    const CSelectedObject selectedPicture(pictureDC, picture);
    const CSelectedObject selectedBackground(backgroundDC, background);
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
