// Small drawing and text helpers of the toolkit.
#pragma once

#include "classlib/core/String.h"
#include "classlib/ui/Gdi.h"
#include "classlib/ui/ImageList.h"

// Removes every '&' mnemonic marker; a doubled "&&" survives as one '&'.
CString StripMenuAmpersands(const CString& text);
// Draws image `index` as an embossed disabled glyph: highlight at (x+1, y+1), shadow at (x, y).
// The image is first drawn over white into a monochrome bitmap, or a colour one when `colour`.
void DrawDisabledImage(CDC* dc, CImageList* images, int index, int x, int y, BOOL colour);
// A one-pixel frame inside `rect`: top and left in `topLeft`, right and bottom in `bottomRight`
// (raised with light top-left, sunken with dark).
void DrawFrame3d(CDC* dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight);
// Fills the rectangle with the 8 x 8 checker of the face and highlight colours.
void FillDitheredRect(CDC* dc, const RECT* rect);
// Paints the opaque pixels of image `index` (of `size`) at (x, y) in `colour`: monochrome glyphs
// of an image list drawn in any colour.
void DrawMonoImage(CDC* dc, HIMAGELIST images, int index, int x, int y, SIZE size, COLORREF colour);
// Fills `list` with the glyphs of bitmap resource `bitmapId` of the toolkit's resources: square
// images of `size` pixels on magenta (transparent). FALSE when the bitmap cannot be loaded.
BOOL LoadGlyphImages(CImageList& list, UINT bitmapId, int size);
// The 5 x 3 downward arrow of drop-down and combo buttons, centred in `box`.
void DrawArrowGlyph(CDC* dc, const RECT& box, COLORREF colour);
// A 32-bit top-down DIB section; *bits receives its pixels, row by row (0xAARRGGBB). NULL when it
// cannot be made.
HBITMAP CreateDIB32(int width, int height, DWORD** bits);
