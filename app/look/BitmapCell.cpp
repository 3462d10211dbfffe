#include "app/look/BitmapCell.h"

#include <optional>

BOOL GetCachedBitmapSize(CBitmapCell* cell, int* width, int* height)
{
    if (cell->width == 0) {
        BITMAP info{};
        if (!cell->bitmap.GetSafeHandle() ||
            GetObjectW(cell->bitmap.GetSafeHandle(), sizeof(info), &info) != sizeof(info))
            return FALSE;
        cell->width = info.bmWidth;
        cell->height = info.bmHeight;
    }
    *width = cell->width;
    *height = cell->height;
    return TRUE;
}

BOOL ExtractBitmapCell(HBITMAP source, int cellCount, int index, CBitmap* bitmap, CDC* dc)
{
    BITMAP info{};
    if (!source || cellCount <= 0 || index < 0 || index >= cellCount ||
        GetObjectW(source, sizeof(info), &info) != sizeof(info))
        return FALSE;
    const int cellWidth = info.bmWidth / cellCount;
    // The screen's own DC: a bitmap compatible with a fresh memory DC would have one bit per pixel.
    std::optional<CClientDC> screen;
    if (!dc)
        dc = &screen.emplace(nullptr);
    CDC sourceDC;
    CDC cellDC;
    CBitmap cell;
    if (cellWidth <= 0 || !sourceDC.CreateCompatibleDC(dc) || !cellDC.CreateCompatibleDC(dc) ||
        !cell.CreateCompatibleBitmap(*dc, cellWidth, info.bmHeight))
        return FALSE;
    {
        const CSelectedObject selectedSource(sourceDC, source);
        const CSelectedObject selectedCell(cellDC, cell);
        cellDC.BitBlt(0, 0, cellWidth, info.bmHeight, &sourceDC, index * cellWidth, 0, SRCCOPY);
    }
    bitmap->Attach(cell.Detach());
    return TRUE;
}
