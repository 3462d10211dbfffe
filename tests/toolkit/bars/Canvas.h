// A screen-compatible memory bitmap selected into a DC, filled with a colour no painter uses, for
// tests that draw and read pixels back.
#pragma once

#include "classlib/ui/Gdi.h"

struct Canvas {
    static constexpr COLORREF kBackground = RGB(1, 2, 3);
    CDC dc;
    CBitmap bitmap;
    HGDIOBJ old = nullptr;
    Canvas(int cx, int cy, COLORREF fill = kBackground)
    {
        CClientDC screen(nullptr);
        dc.CreateCompatibleDC(&screen);
        bitmap.CreateCompatibleBitmap(screen.m_hDC, cx, cy);
        old = dc.SelectObject(&bitmap);
        const RECT all{0, 0, cx, cy};
        dc.FillSolidRect(&all, fill);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() { dc.SelectObject(old); }
    COLORREF At(int x, int y) const { return dc.GetPixel(x, y); }
};
