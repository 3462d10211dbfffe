#include "toolkit/bars/toolbar/ToolBarPainter.h"

#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/PaintTheme.h"
#include "toolkit/bars/look/UVColors.h"

namespace {

constexpr COLORREF kNoFrame = 0xFFFFFFFF;
constexpr COLORREF kNoColor = 0xFF000000;

void Frame(CDC* dc, const RECT& rect, COLORREF colour)
{
    if (colour == kNoFrame)
        return;
    CBrush brush(colour);
    FrameRect(*dc, &rect, brush);
}

struct Colours {
    COLORREF fill;
    COLORREF frame;
    COLORREF text;
};

// The fill, frame and text colour of a button by its kind and state.
Colours ButtonColours(const UVToolButtonLook& look)
{
    const COLORREF text = GetUVColor(46);
    const bool active = look.state == UVToolButtonLook::pressed || look.state == UVToolButtonLook::hot;
    if (look.checked) {
        if (!look.enabled)
            return {GetSysColor(COLOR_BTNFACE), GetUVColor(43), text};
        if (active)
            return {GetUVColor(33), GetUVColor(37), GetUVColor(45)};
        return {GetUVColor(36), GetUVColor(37), text};
    }
    if (look.indeterminate) {
        if (!look.enabled)
            return {uvAfxData.m_colors[4], kNoFrame, text};  // the light face colour
        if (look.state == UVToolButtonLook::pressed)
            return {GetUVColor(33), kNoFrame, GetUVColor(45)};
        if (look.state == UVToolButtonLook::hot)
            return {GetUVColor(31), kNoFrame, text};
        return {look.background, kNoFrame, text};
    }
    if (look.enabled && look.state == UVToolButtonLook::pressed)
        return {GetUVColor(33), GetUVColor(32), GetUVColor(47)};
    if (look.enabled && look.state == UVToolButtonLook::hot)
        return {GetUVColor(31), GetUVColor(32), GetUVColor(45)};
    return {look.background, kNoFrame, text};
}

}  // namespace

void CUVToolBarPainter::FillButton(CDC* dc, const RECT& rect, COLORREF background) const
{
    dc->FillSolidRect(&rect, background);
}

void CUVToolBarPainter::DrawButton(CDC* dc, const UVToolButtonLook& given) const
{
    UVToolButtonLook look = given;
    if (look.state == UVToolButtonLook::pressed && m_pSettings && m_pSettings->m_bNoPressedLook)
        look.state = UVToolButtonLook::hot;
    const Colours colours = ButtonColours(look);
    RECT body = look.rect;
    RECT arrow{};
    if (look.splitArrow) {
        arrow = RECT{body.right - kArrowPartWidth, body.top, body.right, body.bottom};
        body.right = arrow.left;
    }
    dc->FillSolidRect(&look.rect, colours.fill);
    if (look.state == UVToolButtonLook::dropped) {
        Frame(dc, look.rect, GetUVColor(43));
    } else {
        Frame(dc, body, colours.frame);
        if (look.splitArrow)
            Frame(dc, arrow, colours.frame);
    }
    const COLORREF glyph = look.enabled ? GetUVColor(46) : GetUVColor(40);
    if (look.splitArrow)
        DrawArrowGlyph(dc, arrow, glyph);

    // The image: centred in the body, or at its left beside the text in the list style.
    const SIZE image = look.imageSize;
    int x = body.left + (body.right - body.left - image.cx) / 2;
    int y = body.top + 3;
    if (look.listStyle) {
        x = body.left + 3;
        y = body.top + (body.bottom - body.top - image.cy) / 2;
    } else if (look.text.IsEmpty()) {
        y = body.top + (body.bottom - body.top - image.cy) / 2;
    }
    if (look.wholeDropDown && !look.listStyle) {
        // The arrow's part lies 10 pixels left of where a split button's would, under the image.
        const int partRight = body.right - kWholeDropDownArrowShift;
        DrawArrowGlyph(dc, RECT{partRight - kArrowPartWidth, y + image.cy, partRight, y + image.cy + 3}, glyph);
    }
    {
        const int saved = SaveDC(*dc);
        if (look.swatch != kNoColor) {
            // Left 4 pixels in, right 4 before the image's right edge, 7 to 4 above the bottom.
            const RECT bar{body.left + 4, body.bottom - 7, x + image.cx - 4, body.bottom - 4};
            dc->FillSolidRect(&bar, look.enabled ? look.swatch : GetUVColor(40));
            ExcludeClipRect(*dc, bar.left, bar.top, bar.right, bar.bottom);
        }
        if (look.image) {
            UVImageState state = UVImageState::rest;
            if (!look.enabled)
                state = UVImageState::disabled;
            else if (look.state == UVToolButtonLook::pressed || look.checked)
                state = UVImageState::normal;
            else if (look.state == UVToolButtonLook::hot)
                state = UVImageState::hot;
            DrawCommandImage(dc, *look.image, x, y, image.cx, image.cy, state, GetUVColor(40));
        }
        RestoreDC(*dc, saved);
    }
    if (look.text.IsEmpty())
        return;
    const CSelectedObject font(*dc, look.font ? look.font : GetStockObject(DEFAULT_GUI_FONT));
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(look.enabled ? colours.text : GetUVColor(40));
    RECT text = body;
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    if (look.listStyle) {
        text.left = look.image ? x + image.cx + 3 : body.left;
        format |= DT_VCENTER | (look.image ? DT_LEFT : DT_CENTER);
    } else {
        text.top = y + image.cy + 1;
        format |= DT_CENTER | DT_TOP;
    }
    dc->DrawText(look.text, &text, format);
}

void CUVToolBarPainter::DrawSeparator(CDC* dc, const RECT& rect, BOOL wrapped) const
{
    RECT line;
    if (wrapped) {
        const int middle = (rect.top + rect.bottom) / 2;
        line = RECT{rect.left, middle, rect.right, middle + 1};
    } else {
        line = RECT{rect.left + 3, rect.top + 2, rect.left + 4, rect.bottom - 2};
    }
    dc->FillSolidRect(&line, GetUVColor(39));
}

void CUVToolBarPainter::InvalidateButton(HWND toolbar, const RECT& rect) const
{
    const RECT grown{rect.left, rect.top, rect.right + 4, rect.bottom + 4};
    InvalidateRect(toolbar, &grown, TRUE);
}
