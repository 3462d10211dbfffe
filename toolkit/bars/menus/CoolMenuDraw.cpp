// Measuring and drawing of the cool menu's owner-drawn items, in the classic and the XP look.
#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/CoolMenu.h"
#include "toolkit/bars/menus/MenuState.h"

#include <algorithm>

namespace {

constexpr int kXPMarginWidth = 24;
constexpr int kMinItemWidth = 100;

void Frame(CDC* dc, const RECT& rect, COLORREF colour)
{
    CBrush brush(colour);
    FrameRect(*dc, &rect, brush);
}

void Pixel(CDC* dc, int x, int y, COLORREF colour)
{
    SetPixelV(*dc, x, y, colour);
}

HFONT ItemFont(const CUVMenuItemRecord& record)
{
    return uvAfxData.m_fonts[(record.state & MFS_DEFAULT) ? CUVGlobalData::fontMenuBold : CUVGlobalData::fontMenu];
}

bool IsChevron(const CUVMenuItemRecord& record)
{
    return record.id == ID_UV_DISPLAY_FULL_MENUS || record.text == kUVChevronText;
}

}  // namespace

BOOL CUVCoolMenu::IsShownHidden(const CUVMenuItemRecord& record) const
{
    return record.IsInfrequent() && GetUVMenuState().expandRequested;
}

BOOL CUVCoolMenu::IsBetweenShownHidden(const CUVMenuItemRecord& record) const
{
    if (!GetUVMenuState().expandRequested)
        return FALSE;
    const CUVMenuItemRecord* before = RecordOf(record.menu, record.position - 1);
    const CUVMenuItemRecord* after = RecordOf(record.menu, record.position + 1);
    return before && after && before->IsInfrequent() && after->IsInfrequent();
}

BOOL CUVCoolMenu::MeasureItem(MEASUREITEMSTRUCT* measure)
{
    if (!measure || measure->CtlType != ODT_MENU)
        return FALSE;
    const CUVMenuItemRecord* record = FindUVMenuItemRecord(measure->itemData);
    if (!record)
        return FALSE;
    const BOOL xp = uvAfxData.m_bXPLook;
    const int cyMenu = GetSystemMetrics(SM_CYMENU);
    if (record->IsSeparator()) {
        // In the XP look an expanded menu's run of shown-hidden items carries no line of its own.
        measure->itemHeight = xp && IsBetweenShownHidden(*record) ? 0 : 3;
        measure->itemWidth = 0;
        return TRUE;
    }
    if (IsChevron(*record)) {
        measure->itemHeight = static_cast<UINT>(xp ? m_sizeImage.cy : cyMenu + 1);
        measure->itemWidth = kMinItemWidth;
        return TRUE;
    }
    int width = kMinItemWidth;
    int height = cyMenu;
    if (!record->text.IsEmpty()) {
        CString text = record->text;
        text.Replace(L"\t", L"XXX");
        // One memory DC for every measurement: a screen DC per item costs more than the text.
        static CDC measureDC;
        if (!measureDC.GetSafeHdc())
            measureDC.CreateCompatibleDC(nullptr);
        const CSelectedObject font(measureDC, ItemFont(*record));
        SIZE extent{};
        GetTextExtentPoint32W(measureDC, text, text.GetLength(), &extent);
        width = xp ? extent.cx + m_sizeImage.cx + 28 : extent.cx + 2 * m_sizeImage.cx + 2;
        height = m_sizeImage.cy + 4 + (xp ? 3 : 0);
    }
    if (xp && IsShownHidden(*record) && (record->flags & CUVMenuItemRecord::prevNotInfrequent))
        ++height;
    measure->itemWidth = static_cast<UINT>(std::max(width, kMinItemWidth));
    measure->itemHeight = static_cast<UINT>(std::max(height, cyMenu));
    return TRUE;
}

BOOL CUVCoolMenu::DrawItem(DRAWITEMSTRUCT* draw)
{
    if (!draw || draw->CtlType != ODT_MENU)
        return FALSE;
    const CUVMenuItemRecord* record = FindUVMenuItemRecord(draw->itemData);
    if (!record)
        return FALSE;
    CDC dc;
    dc.Attach(draw->hDC);
    const int savedDC = SaveDC(dc);
    dc.SetBkMode(TRANSPARENT);
    if (IsChevron(*record))
        DrawChevron(&dc, draw->rcItem, (draw->itemState & ODS_SELECTED) != 0);
    else if (uvAfxData.m_bXPLook)
        DrawXPItem(&dc, *draw, *record);
    else
        DrawClassicItem(&dc, *draw, *record);
    GetUVMenuState().chevronSelected = IsChevron(*record) && (draw->itemState & ODS_SELECTED);
    RestoreDC(dc, savedDC);
    dc.Detach();
    return TRUE;
}

void CUVCoolMenu::DrawXPItem(CDC* dc, const DRAWITEMSTRUCT& draw, const CUVMenuItemRecord& record)
{
    const RECT& item = draw.rcItem;
    const BOOL selected = (draw.itemState & ODS_SELECTED) != 0;
    const BOOL disabled = (draw.itemState & ODS_GRAYED) != 0;
    const BOOL checked = (draw.itemState & ODS_CHECKED) != 0;
    const BOOL shownHidden = IsShownHidden(record);
    dc->FillSolidRect(&item, GetUVColor(41));
    const RECT margin{item.left, item.top, item.left + kXPMarginWidth, item.bottom};
    dc->FillSolidRect(&margin, GetUVColor(shownHidden ? 42 : 30));
    if (record.IsSeparator()) {
        const int y = (item.top + item.bottom) / 2;
        const RECT line{item.left + m_sizeImage.cx + 8, y, item.right, y + 1};
        dc->FillSolidRect(&line, GetUVColor(39));
        return;
    }
    // A disabled item is highlighted only while the keyboard moves the selection.
    const BOOL highlight = selected && (!disabled || !GetUVMenuState().mouseMoved);
    if (highlight) {
        RECT body{item.left + 1, item.top, item.right - 1, item.bottom};
        dc->FillSolidRect(&body, disabled ? GetUVColor(41) : GetUVColor(31));
        Frame(dc, body, GetUVColor(32));
    }
    const int cellLeft = item.left + (kXPMarginWidth - m_sizeCell.cx) / 2;
    const RECT cell{cellLeft, item.top + (item.bottom - item.top - m_sizeCell.cy) / 2, cellLeft + m_sizeCell.cx,
                    item.top + (item.bottom - item.top - m_sizeCell.cy) / 2 + m_sizeCell.cy};
    const int imageX = cell.left + (m_sizeCell.cx - m_sizeImage.cx) / 2;
    const int imageY = cell.top + (m_sizeCell.cy - m_sizeImage.cy) / 2;
    const CUVCommandImage* image = GetUVCommandImages().Lookup(record.id, FALSE);
    if (checked) {
        if (image) {
            Frame(dc, cell, GetUVColor(disabled ? 43 : 37));
            RECT inside = cell;
            InflateRect(&inside, -1, -1);
            dc->FillSolidRect(&inside, GetUVColor(selected ? 33 : 36));
        } else {
            DrawCheckMark(dc, cell, selected, disabled, (record.type & MFT_RADIOCHECK) != 0);
        }
    }
    if (image) {
        UVImageState state = UVImageState::rest;
        if (disabled)
            state = UVImageState::disabled;
        else if (checked)
            state = UVImageState::normal;
        else if (selected)
            state = UVImageState::hot;
        DrawCommandImage(dc, *image, imageX, imageY, m_sizeImage.cx, m_sizeImage.cy, state, GetUVColor(40));
    }
    const COLORREF colour = GetUVColor(disabled ? 35 : (selected ? 45 : 44));
    RECT textRect{item.left + kXPMarginWidth + 8, item.top, item.right - 20, item.bottom};
    DrawItemText(dc, draw, record, textRect, colour);
}

void CUVCoolMenu::DrawClassicItem(CDC* dc, const DRAWITEMSTRUCT& draw, const CUVMenuItemRecord& record)
{
    const RECT& item = draw.rcItem;
    const BOOL selected = (draw.itemState & ODS_SELECTED) != 0;
    const BOOL disabled = (draw.itemState & ODS_GRAYED) != 0;
    const BOOL checked = (draw.itemState & ODS_CHECKED) != 0;
    const BOOL shownHidden = IsShownHidden(record);
    const COLORREF lightFace = uvAfxData.m_colors[4];
    dc->FillSolidRect(&item, shownHidden ? lightFace : GetSysColor(COLOR_MENU));
    if (record.IsSeparator()) {
        RECT line{item.left + 12, (item.top + item.bottom) / 2, item.right - 12, item.bottom};
        DrawEdge(*dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    const RECT cell{item.left, item.top + (item.bottom - item.top - m_sizeCell.cy) / 2, item.left + m_sizeCell.cx,
                    item.top + (item.bottom - item.top - m_sizeCell.cy) / 2 + m_sizeCell.cy};
    const int imageX = cell.left + (m_sizeCell.cx - m_sizeImage.cx) / 2;
    const int imageY = cell.top + (m_sizeCell.cy - m_sizeImage.cy) / 2;
    const CUVCommandImage* image = GetUVCommandImages().Lookup(record.id, FALSE);
    if (selected) {
        RECT band{image || checked ? cell.right + 1 : item.left, item.top, item.right, item.bottom};
        dc->FillSolidRect(&band, GetSysColor(COLOR_HIGHLIGHT));
    }
    if (checked && !image) {
        DrawCheckMark(dc, cell, selected, disabled, (record.type & MFT_RADIOCHECK) != 0);
    } else if (image) {
        RECT frame = cell;
        if (checked) {
            if (!selected) {
                RECT inside = frame;
                InflateRect(&inside, -1, -1);
                FillDitheredRect(dc, &inside);
            }
            DrawEdge(*dc, &frame, BDR_SUNKENOUTER, BF_RECT);
        } else if (selected && !disabled) {
            DrawEdge(*dc, &frame, BDR_RAISEDINNER, BF_RECT);
        }
        if (disabled && !image->disabled.Get()) {
            DrawIconMono(dc, image->normal.Get(), imageX + 1, imageY + 1, m_sizeImage.cx, m_sizeImage.cy,
                         GetSysColor(COLOR_BTNHIGHLIGHT));
            DrawIconMono(dc, image->normal.Get(), imageX, imageY, m_sizeImage.cx, m_sizeImage.cy,
                         GetSysColor(COLOR_BTNSHADOW));
        } else {
            DrawCommandImage(dc, *image, imageX, imageY, m_sizeImage.cx, m_sizeImage.cy,
                             disabled ? UVImageState::disabled : UVImageState::normal, GetSysColor(COLOR_BTNSHADOW));
        }
    }
    RECT textRect{item.left + m_sizeCell.cx + 6, item.top, item.right - m_sizeCell.cx, item.bottom};
    if (disabled) {
        if (!selected) {
            RECT shifted = textRect;
            OffsetRect(&shifted, 1, 1);
            DrawItemText(dc, draw, record, shifted, GetSysColor(COLOR_BTNHIGHLIGHT));
        }
        DrawItemText(dc, draw, record, textRect, GetSysColor(COLOR_GRAYTEXT));
    } else {
        DrawItemText(dc, draw, record, textRect, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    }
}

void CUVCoolMenu::DrawItemText(CDC* dc, const DRAWITEMSTRUCT& draw, const CUVMenuItemRecord& record, RECT textRect,
                               COLORREF colour)
{
    // The system marks items ODS_NOACCEL when it hides keyboard cues and the menu was not
    // opened from the keyboard: no underlined mnemonics then.
    const CString text = (draw.itemState & ODS_NOACCEL) ? StripMenuAmpersands(record.text) : record.text;
    const CSelectedObject font(*dc, ItemFont(record));
    DrawMenuText(dc, textRect, text, colour);
}

void CUVCoolMenu::DrawMenuText(CDC* dc, RECT rect, const CString& text, COLORREF colour)
{
    dc->SetTextColor(colour);
    dc->SetBkMode(TRANSPARENT);
    const int tab = text.Find(L'\t');
    const CString label = tab >= 0 ? text.Left(tab) : text;
    dc->DrawText(label, &rect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (tab >= 0) {
        RECT shortcut = rect;
        dc->DrawText(text.Mid(tab + 1), &shortcut, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    }
}

void CUVCoolMenu::DrawCheckMark(CDC* dc, const RECT& rect, BOOL selected, BOOL disabled, BOOL radio)
{
    const BOOL xp = uvAfxData.m_bXPLook;
    RECT box = rect;
    if (xp) {
        Frame(dc, box, GetUVColor(disabled ? 43 : 37));
        InflateRect(&box, -1, -1);
        dc->FillSolidRect(&box, GetUVColor(selected ? 33 : 36));
    } else {
        if (selected)
            dc->FillSolidRect(&box, GetSysColor(COLOR_MENU));
        else
            FillDitheredRect(dc, &box);
        DrawEdge(*dc, &box, BDR_SUNKENOUTER, BF_RECT);
    }
    const COLORREF colour = xp ? GetUVColor(selected ? 45 : 44) : GetSysColor(COLOR_MENUTEXT);
    const int cx = (rect.left + rect.right) / 2;
    const int cy = (rect.top + rect.bottom) / 2;
    if (radio) {
        // A bullet of five lines: 3, 5, 5, 5, 3 pixels wide.
        static const int widths[5] = {3, 5, 5, 5, 3};
        for (int row = 0; row < 5; ++row) {
            const RECT line{cx - widths[row] / 2, cy - 2 + row, cx + widths[row] / 2 + 1, cy - 1 + row};
            dc->FillSolidRect(&line, colour);
        }
        return;
    }
    // A seven-pixel tick: down two steps, then up five; doubled in the classic look.
    static const int rise[7] = {0, 1, 2, 1, 0, -1, -2};
    const int rows = xp ? 2 : 3;
    for (int i = 0; i < 7; ++i)
        for (int r = 0; r < rows; ++r)
            Pixel(dc, cx - 3 + i, cy - 1 + rise[i] + r, colour);
}

void CUVCoolMenu::DrawChevron(CDC* dc, const RECT& rect, BOOL selected)
{
    const BOOL xp = uvAfxData.m_bXPLook;
    const UVMenuState& state = GetUVMenuState();
    const BOOL wantTimer = selected && !state.menuBarNotTracking && uvAfxData.m_bExpandMenusOnHover == 1;
    if (wantTimer && !m_bChevronTimer) {
        ::SetTimer(m_hWnd, kChevronTimer, kChevronDelayMs, nullptr);
        m_bChevronTimer = TRUE;
    } else if (!wantTimer && m_bChevronTimer) {
        ::KillTimer(m_hWnd, kChevronTimer);
        m_bChevronTimer = FALSE;
    }
    if (xp) {
        dc->FillSolidRect(&rect, GetUVColor(41));
        const RECT margin{rect.left, rect.top, rect.left + kXPMarginWidth, rect.bottom};
        dc->FillSolidRect(&margin, GetUVColor(30));
        if (selected) {
            RECT body{rect.left + 1, rect.top, rect.right - 1, rect.bottom};
            dc->FillSolidRect(&body, GetUVColor(31));
            Frame(dc, body, GetUVColor(32));
        }
    } else if (selected) {
        dc->FillSolidRect(&rect, uvAfxData.m_colors[4]);
        RECT frame = rect;
        DrawEdge(*dc, &frame, BDR_RAISEDINNER, BF_RECT);
    } else {
        dc->FillSolidRect(&rect, GetSysColor(COLOR_MENU));
    }
    const COLORREF colour = xp ? GetUVColor(selected ? 45 : 44) : GetSysColor(COLOR_MENUTEXT);
    // Two downward double arrows, four pixels apart, in the middle.
    const int cx = (rect.left + rect.right) / 2;
    const int top = (rect.top + rect.bottom) / 2 - 3;
    for (int arrow = 0; arrow < 2; ++arrow) {
        const int y0 = top + arrow * 4;
        for (int row = 0; row < 3; ++row) {
            const int half = 2 - row;
            Pixel(dc, cx - half, y0 + row, colour);
            Pixel(dc, cx + half, y0 + row, colour);
            Pixel(dc, cx - half, y0 + row + 1, colour);
            Pixel(dc, cx + half, y0 + row + 1, colour);
        }
    }
}
