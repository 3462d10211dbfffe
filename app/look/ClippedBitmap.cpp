#include "app/look/ClippedBitmap.h"

#include "app/look/TargetMapping.h"

#include <algorithm>

void DrawBitmapClipped(HBITMAP bitmap, CDC* dc, int x, int y, int maxWidth, int maxHeight)
{
    CDC memory;
    if (!dc || !bitmap || !memory.CreateCompatibleDC(dc))
        return;
    TakeTargetMapping(memory, *dc);
    LogicalBitmapExtent extent{};
    if (!GetLogicalBitmapExtent(memory, bitmap, &extent))
        return;
    const CSelectedObject selected(memory, bitmap);
    dc->BitBlt(x, y, std::min<LONG>(maxWidth, extent.size.x), std::min<LONG>(maxHeight, extent.size.y), &memory,
               extent.origin.x, extent.origin.y, SRCCOPY);
}
