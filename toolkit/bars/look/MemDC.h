// CUVMemDC: an off-screen device context over a rectangle of a target DC. Painting into it lands
// in a compatible bitmap at the rectangle's coordinates; the destructor copies the bitmap to the
// target (SRCCOPY) and frees the DC and bitmap. Used over the client rectangle in WM_PAINT to
// paint without flicker.
#pragma once

#include "classlib/ui/Gdi.h"

class CUVMemDC : public CDC {
public:
    // An empty rectangle means the target's clip box; `fill` 0xFFFFFFFF leaves the bitmap unfilled.
    CUVMemDC(CDC* target, const RECT* rect, COLORREF fill);
    ~CUVMemDC() override;

    BOOL IsValid() const { return m_bValid; }

private:
    CDC* m_pTarget;
    CRect m_rect;
    CBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    BOOL m_bValid = FALSE;
};
