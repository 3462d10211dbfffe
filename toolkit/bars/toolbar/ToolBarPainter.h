// The XP look's toolbar painter: draws one toolbar button from a description of it (its state as
// the toolbar resolved it, its parts and image), and the toolbar's separators. The classic theme
// has none; a toolbar in the classic look draws its buttons itself.
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

class CDC;
struct CUVCommandImage;
struct CUVPaintSettings;

struct UVToolButtonLook {
    enum State { plain, hot, pressed, dropped };

    RECT rect{};
    State state = plain;
    BOOL enabled = TRUE;
    BOOL checked = FALSE;
    BOOL indeterminate = FALSE;
    BOOL splitArrow = FALSE;     // an arrow part of its own at the right
    BOOL wholeDropDown = FALSE;  // an arrow inside the button
    BOOL listStyle = FALSE;      // text beside the image
    const CUVCommandImage* image = nullptr;
    SIZE imageSize{16, 15};
    CString text;
    HFONT font = nullptr;
    COLORREF swatch = 0xFF000000;  // the colour swatch, or none
    COLORREF background = 0;       // the bar's background
};

class CUVToolBarPainter {
public:
    static constexpr int kArrowPartWidth = 14;
    static constexpr int kWholeDropDownArrowShift = 10;

    explicit CUVToolBarPainter(const CUVPaintSettings* settings) : m_pSettings(settings) {}

    const CUVPaintSettings* GetSettings() const { return m_pSettings; }
    void FillButton(CDC* dc, const RECT& rect, COLORREF background) const;
    void DrawButton(CDC* dc, const UVToolButtonLook& look) const;
    // A vertical line at x + 3, or across the bar at mid-height for a separator ending a row.
    void DrawSeparator(CDC* dc, const RECT& rect, BOOL wrapped) const;
    // Nothing to add in the XP look.
    void FinishDroppedButton(CDC*, const RECT&) const {}
    // The button's rectangle grown by 4 to the right and bottom.
    void InvalidateButton(HWND toolbar, const RECT& rect) const;

private:
    const CUVPaintSettings* m_pSettings;
};
