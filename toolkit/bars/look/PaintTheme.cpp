#include "toolkit/bars/look/PaintTheme.h"

#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MemDC.h"
#include "toolkit/bars/look/UVColors.h"

namespace {

void Frame(CDC* dc, const RECT& rect, COLORREF colour)
{
    CBrush brush(colour);
    FrameRect(*dc, &rect, brush);
}

constexpr int kListImageSize = 16;

}  // namespace

CUVPaintTheme::CUVPaintTheme(bool xp) : m_bXP(xp) {}

const CUVPaintTheme* GetCurrentPaintTheme()
{
    static const CUVPaintTheme xp(true);
    static const CUVPaintTheme classic(false);
    return uvAfxData.m_bXPLook ? &xp : &classic;
}

void CUVFlatBorderPainter::DrawBorder(CDC* dc, const RECT& client, BOOL hotOrFocused, BOOL enabled) const
{
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    RECT rect = client;
    Frame(dc, rect, enabled ? window : face);
    InflateRect(&rect, 1, 1);
    Frame(dc, rect, hotOrFocused ? GetUVColor(32) : window);
    InflateRect(&rect, 1, 1);
    Frame(dc, rect, face);
}

void CUVComboButtonPainter::DrawButton(CDC* dc, const RECT& client, State state) const
{
    if (state == hot && m_pSettings->m_bNoPressedLook)
        state = plain;
    Frame(dc, client, GetSysColor(COLOR_BTNFACE));
    RECT button{client.right - ButtonWidth(), client.top, client.right, client.bottom};
    COLORREF frame = GetSysColor(COLOR_WINDOW);
    COLORREF fill = GetSysColor(COLOR_BTNFACE);
    COLORREF arrow = GetUVColor(44);
    if (state == dropped) {
        frame = GetUVColor(32);
        fill = GetUVColor(33);
        arrow = GetUVColor(47);
    } else if (state == hot) {
        frame = GetUVColor(32);
        fill = GetUVColor(31);
    }
    Frame(dc, button, frame);
    InflateRect(&button, -1, -1);
    dc->FillSolidRect(&button, fill);
    DrawArrowGlyph(dc, button, arrow);
}

void CUVListPainter::DrawItem(CDC* dc, const RECT& item, const CString& text, UINT command, BOOL selected,
                              int marginWidth, HFONT font) const
{
    dc->FillSolidRect(&item, GetUVColor(41));
    RECT margin{item.left, item.top, item.left + marginWidth, item.bottom};
    dc->FillSolidRect(&margin, GetUVColor(30));
    if (selected) {
        dc->FillSolidRect(&item, GetUVColor(31));
        Frame(dc, item, GetUVColor(32));
    }
    const COLORREF textColour = GetUVColor(selected ? 45 : 44);
    RECT textRect{item.left + marginWidth + 6, item.top, item.right - marginWidth, item.bottom};
    {
        const CSelectedObject fontInDc(*dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(textColour);
        dc->DrawText(text, &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    const CUVCommandImage* image = command ? GetUVCommandImages().Lookup(command, TRUE) : nullptr;
    if (image) {
        const int x = item.left + (marginWidth - kListImageSize) / 2;
        const int y = item.top + (item.bottom - item.top - kListImageSize) / 2;
        DrawCommandImage(dc, *image, x, y, kListImageSize, kListImageSize,
                         selected ? UVImageState::hot : UVImageState::rest, GetUVColor(40));
    } else if (!command) {
        // A right-pointing triangle of five vertical lines, 9 down to 1 pixel high.
        const int middle = (item.top + item.bottom) / 2;
        for (int i = 0; i < 5; ++i) {
            const RECT line{item.right - 11 + i, middle - 4 + i, item.right - 10 + i, middle + 5 - i};
            dc->FillSolidRect(&line, GetUVColor(44));
        }
    }
}

void CUVListPainter::PaintMarginWindow(CDC* dc, const RECT& client, int marginWidth,
                                       const std::function<void(CDC*)>& paint) const
{
    CUVMemDC mem(dc, &client, GetUVColor(41));
    RECT margin{client.left, client.top, client.left + marginWidth, client.bottom};
    mem.FillSolidRect(&margin, GetUVColor(30));
    paint(&mem);
}
