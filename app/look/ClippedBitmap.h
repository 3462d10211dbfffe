// Copies a bitmap into at most a given width and height of a target, in any mapping mode.
#pragma once

#include "classlib/ui/Gdi.h"

// Copies `bitmap` (SRCCOPY) to (x, y) of `dc`, no wider than min(maxWidth, its width) and no
// higher than min(maxHeight, its height), all in logical units of `dc`. Nothing is drawn when
// the bitmap cannot be read.
void DrawBitmapClipped(HBITMAP bitmap, CDC* dc, int x, int y, int maxWidth, int maxHeight);
