// Draws a bitmap with one colour left out: where the bitmap has that colour the target shows
// through. All the work happens in memory, so the target is written once (no flicker), and it
// works in any mapping mode of the target.
#pragma once

#include "classlib/ui/Gdi.h"

// Draws `bitmap` at (x, y), logical units of `dc`, leaving its pixels of `transparentColour`
// out. The bitmap's pixels are read, never selected: it must not be selected into a DC. Nothing
// is drawn when the bitmap cannot be read or the memory it needs cannot be had.
void DrawTransparentBitmap(CDC* dc, HBITMAP bitmap, int x, int y, COLORREF transparentColour);
