// The open joint between a popup and the button it drops from: where the two share a one-pixel
// line, the popup's border is painted in the button's colour, so the two read as one shape.
#pragma once

#include <windows.h>

// `button` and `popup` in screen coordinates; `dc` paints in the popup's window coordinates.
// Fills the overlap of the two when it is exactly one pixel thick, shortened by one pixel at
// both ends; nothing otherwise.
void FillPopupJoint(HDC dc, COLORREF colour, const RECT& button, const RECT& popup);
