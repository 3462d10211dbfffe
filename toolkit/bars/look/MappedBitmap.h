// Toolbar and menu bitmaps drawn in the standard colours (black, dark grey, light grey, white)
// follow the user's colour scheme: LoadMappedBitmap swaps those colours of the bitmap's colour
// table for the current button colours.
#pragma once

#include <windows.h>

// A screen-compatible bitmap of the DIB resource with black as COLOR_BTNTEXT, RGB(128, 128, 128)
// as COLOR_BTNSHADOW, RGB(192, 192, 192) as COLOR_BTNFACE and white as COLOR_BTNHIGHLIGHT; the
// caller deletes it. `flags` 0 is the one mapping there is. NULL when the resource is missing or
// not a DIB this can read.
HBITMAP LoadMappedBitmap(HINSTANCE module, UINT resourceId, UINT flags = 0);
