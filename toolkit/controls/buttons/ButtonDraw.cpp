// CUVButton's painting: border by style, then caption, icon and bitmap.
#include "toolkit/bars/look/DrawHelpers.h"
#include <algorithm>
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/controls/buttons/Button.h"

namespace {

// XP-look roles of the toolkit colour table.
constexpr int kXPHotFill = 31;
constexpr int kXPPressedFill = 33;
constexpr int kXPPressedText = 47;

}  // namespace

COLORREF CUVButton::XPBorder() const
{
    return m_bCustomXPColors ? m_clrXPBorder : GetUVColor(COLOR_HIGHLIGHT);
}

COLORREF CUVButton::XPFill(BOOL pressed) const
{
    if (m_bCustomXPColors)
        return pressed ? m_clrXPPressedFill : m_clrXPHotFill;
    return GetUVColor(pressed ? kXPPressedFill : kXPHotFill);
}

void CUVButton::DrawBorder(CDC* dc, const RECT& rect, BOOL pressed)
{
    if (m_dwStyle & UVBTN_FLAT) {
        if (pressed)
            DrawFrame3d(dc, rect, m_clrShadow, m_clrHighlight);
        else if (m_bHot)
            DrawFrame3d(dc, rect, m_clrHighlight, m_clrShadow);
    } else if (m_dwStyle & UVBTN_XP) {
        if (m_bHot || pressed) {
            const COLORREF border = XPBorder();
            DrawFrame3d(dc, rect, border, border);
            RECT inside = rect;
            InflateRect(&inside, -1, -1);
            const COLORREF fill = XPFill(pressed);
            dc->FillSolidRect(&inside, fill);
            dc->SetBkColor(fill);
        }
    } else if (m_dwStyle & UVBTN_THIN3D) {
        const COLORREF light = GetUVColor(COLOR_BTNHIGHLIGHT);
        const COLORREF dark = GetUVColor(COLOR_BTNSHADOW);
        if (pressed)
            DrawFrame3d(dc, rect, dark, light);
        else
            DrawFrame3d(dc, rect, light, dark);
    } else {
        const COLORREF darkest = GetUVColor(COLOR_3DDKSHADOW);
        RECT inner = rect;
        InflateRect(&inner, -1, -1);
        if (pressed) {
            DrawFrame3d(dc, rect, darkest, m_clrHighlight);
            DrawFrame3d(dc, inner, m_clrShadow, m_clrFace);
        } else {
            DrawFrame3d(dc, rect, m_clrHighlight, darkest);
            DrawFrame3d(dc, inner, m_clrFace, m_clrShadow);
        }
    }
}

void CUVButton::DrawItem(DRAWITEMSTRUCT* draw)
{
    CDC dc;
    dc.Attach(draw->hDC);
    const int saved = ::SaveDC(dc.m_hDC);
    const RECT rect = draw->rcItem;
    const UINT state = draw->itemState;
    const BOOL pressed = (state & ODS_SELECTED) != 0;
    dc.FillSolidRect(&rect, GetFaceColor());
    if (m_dwStyle & UVBTN_DITHERED) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        ::ScreenToClient(m_hWnd, &cursor);
        const BOOL outside = !::PtInRect(&rect, cursor);
        if ((m_bChecked && outside) || (!m_bChecked && pressed))
            FillDitheredRect(&dc, &rect);
    }
    DrawBorder(&dc, rect, pressed);
    dc.SetBkMode(TRANSPARENT);
    DrawCaption(&dc, state, rect);
    DrawIcon(&dc, state, rect);
    DrawBitmap(&dc, state, rect);
    if ((m_dwStyle & UVBTN_FOCUS_RECT) && (state & ODS_FOCUS)) {
        RECT focus = rect;
        InflateRect(&focus, -2, -2);
        dc.SetTextColor(RGB(0, 0, 0));
        ::DrawFocusRect(dc.m_hDC, &focus);
    }
    ::RestoreDC(dc.m_hDC, saved);
    dc.Detach();
}

SIZE CUVButton::CaptionExtent(CDC* dc, const CString& caption) const
{
    SIZE extent{};
    const CString shown = StripMenuAmpersands(caption);
    ::GetTextExtentPoint32W(dc->m_hDC, shown, shown.GetLength(), &extent);
    return extent;
}

POINT CUVButton::ImageOrigin(UINT state, const RECT& rect, BOOL hasPushedImage)
{
    POINT origin = m_ptImage;
    if (!m_bCustomPositions) {
        const int width = rect.right - rect.left;
        const int height = rect.bottom - rect.top;
        const DWORD align = GetStyle();
        const CString caption = GetCaption(FALSE);
        origin.x = m_nImageGap;
        if (m_dwStyle & UVBTN_IMAGE_ABOVE)
            origin.x = std::max(0, (width - m_cxImage) / 2);
        origin.y = std::max(0, (height - m_cyImage) / 2);
        const DWORD horizontal = align & BS_CENTER;
        if ((m_dwStyle & UVBTN_IMAGE_ABOVE) && !caption.IsEmpty()) {
            CClientDC screen(this);
            CSelectedObject font(screen, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
            origin.y -= CaptionExtent(&screen, caption).cy / 2 + m_nTextGap / 2;
            if (horizontal == BS_CENTER || horizontal == 0)
                origin.x = (width - m_cxImage) / 2;
            else if (horizontal == BS_RIGHT)
                origin.x = width - m_cxImage - m_nImageGap;
        } else if (!(m_dwStyle & UVBTN_IMAGE_ABOVE) && caption.IsEmpty()) {
            if (horizontal == BS_CENTER)
                origin.x = (width - m_cxImage) / 2;
            if ((align & BS_VCENTER) == BS_VCENTER && height >= m_cyImage)
                origin.y = (height - m_cyImage) / 2;
        }
        origin.x += rect.left;
        origin.y += rect.top;
    }
    if ((state & ODS_SELECTED) && !hasPushedImage) {
        ++origin.x;
        ++origin.y;
    }
    return origin;
}

void CUVButton::DrawIcon(CDC* dc, UINT state, const RECT& rect)
{
    if (!m_hIcon)
        return;
    const BOOL pressed = (state & ODS_SELECTED) != 0;
    HICON icon = pressed && m_hPushedIcon ? m_hPushedIcon : m_hIcon;
    const POINT at = ImageOrigin(state, rect, m_hPushedIcon != nullptr);
    UINT flags = DST_ICON;
    if (state & ODS_DISABLED)
        flags |= DSS_DISABLED;
    ::DrawStateW(dc->m_hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, at.x, at.y, m_cxImage, m_cyImage,
                 flags);
}

void CUVButton::DrawBitmap(CDC* dc, UINT state, const RECT& rect)
{
    const BOOL disabled = (state & ODS_DISABLED) != 0;
    const CBitmap& bitmap = disabled ? m_disabledBitmap : m_bitmap;
    if (!bitmap.m_hObject)
        return;
    const POINT at = ImageOrigin(state, rect, FALSE);
    ::DrawStateW(dc->m_hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap.m_hObject), 0, at.x, at.y, m_cxImage,
                 m_cyImage, DST_BITMAP | (disabled ? DSS_DISABLED : 0));
}

void CUVButton::DrawCaption(CDC* dc, UINT state, const RECT& rect)
{
    const CString caption = GetCaption(FALSE);
    if (caption.IsEmpty())
        return;
    CSelectedObject font(*dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    const SIZE extent = CaptionExtent(dc, caption);
    RECT area = rect;
    InflateRect(&area, -2, 0);
    POINT at = m_ptText;
    if (!m_bCustomPositions) {
        const int height = area.bottom - area.top;
        at.y = area.top + (height - extent.cy) / 2;
        const bool above = (m_dwStyle & UVBTN_IMAGE_ABOVE) != 0;
        if (above)
            at.y += m_nTextGap / 2 + m_cyImage / 2;
        const int imageEnd = above || !m_cxImage ? 0 : m_nImageGap + m_cxImage;
        const DWORD horizontal = GetStyle() & BS_CENTER;
        if (horizontal == BS_CENTER || horizontal == 0)
            at.x = area.left + imageEnd + (area.right - area.left - imageEnd - extent.cx) / 2;
        else if (horizontal == BS_RIGHT)
            at.x = area.right - m_nImageGap - extent.cx;
        else
            at.x = area.left + imageEnd + (imageEnd ? m_nTextGap : 0);
    }
    const BOOL pressed = (state & ODS_SELECTED) != 0;
    const BOOL xp = (m_dwStyle & UVBTN_XP) != 0;
    if (pressed && !xp) {
        ++at.x;
        ++at.y;
    }
    COLORREF colour = m_clrText;
    if (state & ODS_DISABLED)
        colour = GetUVColor(COLOR_GRAYTEXT);
    else if (xp && pressed)
        colour = GetUVColor(kXPPressedText);
    dc->SetTextColor(colour);
    ::DrawStateW(dc->m_hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(static_cast<const wchar_t*>(caption)),
                 caption.GetLength(), at.x, at.y, extent.cx, extent.cy, DST_PREFIXTEXT);
}
