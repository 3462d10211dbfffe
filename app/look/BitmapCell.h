// A bitmap with its size, read from the bitmap once and then kept; and the cutting of one cell
// out of a strip of equal cells.
#pragma once

#include "classlib/ui/Gdi.h"

struct CBitmapCell {
    CBitmap bitmap;  // owned; empty when nothing was loaded
    int width = 0;   // 0 until the size was read
    int height = 0;
};

// The cell's size, read from its bitmap the first time; FALSE when it cannot be read.
BOOL GetCachedBitmapSize(CBitmapCell* cell, int* width, int* height);

// Cuts cell `index` of `cellCount` cells of equal width (source width / cellCount, full height)
// into a new bitmap compatible with `dc` (the screen when null). FALSE for an index outside the
// strip or when the source cannot be read.
BOOL ExtractBitmapCell(HBITMAP source, int cellCount, int index, CBitmap* bitmap, CDC* dc);
