// The toolbar's painting: an off-screen DC in the bar's background; the control paints its
// buttons into it and asks the bar (custom draw) for each one, which the bar hands to the XP
// painter or draws in the classic look itself.
#include "toolkit/bars/toolbar/ToolBar.h"

#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MemDC.h"
#include "toolkit/bars/look/PaintTheme.h"
#include "toolkit/bars/look/UVColors.h"

LRESULT CUVToolBar::OnToolbarPaint(WPARAM wParam, LPARAM)
{
    // A DC in wParam is painted into as the control itself does (and as tests render the bar).
    PAINTSTRUCT ps{};
    HDC target = wParam ? reinterpret_cast<HDC>(wParam) : BeginPaint(m_hWnd, &ps);
    {
        CDC dc;
        dc.Attach(target);
        RECT client;
        GetClientRect(&client);
        {
            CUVMemDC mem(&dc, &client, UsesXPLook() ? GetBackColor() : GetSysColor(COLOR_BTNFACE));
            CWnd::DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(mem.GetSafeHdc()), 0);
        }
        dc.Detach();
    }
    if (!wParam)
        EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CUVToolBar::OnCustomDraw(NMTBCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: {
        CDC dc;
        dc.Attach(draw->nmcd.hdc);
        const int index = DrawnButtonIndex(draw->nmcd);
        const BOOL drew = DrawButtonItem(&dc, index, draw->nmcd.uItemState);
        dc.Detach();
        return drew ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
    }
    case CDDS_POSTPAINT:
        DrawSeparators(draw->nmcd.hdc);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

int CUVToolBar::DrawnButtonIndex(const NMCUSTOMDRAW& item)
{
    const int count = GetButtonCount();
    for (int index = 0; index < count; ++index) {
        TBBUTTON button{};
        RECT rect{};
        if (SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) &&
            static_cast<DWORD_PTR>(button.idCommand) == item.dwItemSpec &&
            SendMessage(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)) && rect.left == item.rc.left &&
            rect.top == item.rc.top)
            return index;
    }
    return CommandToIndex(static_cast<UINT>(item.dwItemSpec));
}

BOOL CUVToolBar::DrawButtonItem(CDC* dc, int index, UINT)
{
    TBBUTTON button{};
    RECT rect{};
    if (!SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) ||
        !SendMessage(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)))
        return FALSE;
    const CUVToolBarPainter* painter = GetCurrentPaintTheme()->GetToolBarPainter();
    if (!UsesXPLook() || !painter) {
        DrawClassicButton(dc, index, rect);
        return TRUE;
    }
    UVToolButtonLook look;
    look.rect = rect;
    look.background = GetBackColor();
    look.enabled = (button.fsState & TBSTATE_ENABLED) != 0;
    look.checked = (button.fsState & TBSTATE_CHECKED) != 0;
    look.indeterminate = (button.fsState & TBSTATE_INDETERMINATE) != 0;
    // The state: pressed, else hot (plain while another button's popup is open), with the
    // pointer and the left button deciding as the pointer is over the button.
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_hWnd, &cursor);
    const bool underPointer = SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&cursor)) == index;
    const bool hot = SendMessage(TB_GETHOTITEM) == index && m_nDroppedCommand == -1;
    if (button.fsState & TBSTATE_PRESSED)
        look.state = UVToolButtonLook::pressed;
    else if (hot && underPointer && !GetCapture() && GetKeyState(VK_LBUTTON) < 0)
        look.state = UVToolButtonLook::pressed;
    else if (hot && (underPointer || GetCapture() == m_hWnd))
        look.state = UVToolButtonLook::hot;
    if (IsButtonDropped(index))
        look.state = UVToolButtonLook::dropped;
    const DWORD extended = static_cast<DWORD>(SendMessage(TB_GETEXTENDEDSTYLE));
    look.splitArrow = (extended & TBSTYLE_EX_DRAWDDARROWS) && (button.fsStyle & BTNS_DROPDOWN) &&
                      !(button.fsStyle & BTNS_WHOLEDROPDOWN);
    look.wholeDropDown = (button.fsStyle & BTNS_WHOLEDROPDOWN) != 0;
    look.listStyle = (GetStyle() & TBSTYLE_LIST) != 0;
    look.image = button.iBitmap >= 0 ? GetUVCommandImages().Lookup(static_cast<UINT>(button.idCommand), TRUE) : nullptr;
    look.imageSize = m_sizeImage;
    look.text = GetButtonText(static_cast<UINT>(button.idCommand));
    look.font = static_cast<HFONT>(m_fontRegular.m_hObject);
    if (const CUVToolBarButtonInfo* info = FindButtonInfo(static_cast<UINT>(button.idCommand));
        info && (info->flags & CUVToolBarButtonInfo::hasColorSwatch) &&
        info->selectedColor != CUVToolBarButtonInfo::kNoColor)
        look.swatch = info->selectedColor;
    painter->FillButton(dc, rect, look.background);
    painter->DrawButton(dc, look);
    return TRUE;
}

void CUVToolBar::DrawSeparators(HDC hdc)
{
    const CUVToolBarPainter* painter = GetCurrentPaintTheme()->GetToolBarPainter();
    const BOOL xp = UsesXPLook() && painter;
    // A column's separators run across the whole bar at mid-height in both looks; in a row the
    // classic look keeps the control's own line.
    const BOOL vertical = (GetStyle() & CCS_VERT) != 0;
    if (!xp && !vertical)
        return;
    RECT client;
    GetClientRect(&client);
    CDC dc;
    dc.Attach(hdc);
    const int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT rect{};
        if (!SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) || !(button.fsStyle & BTNS_SEP) ||
            (button.fsState & TBSTATE_HIDDEN) || !SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect)))
            continue;
        if (vertical) {
            rect.left = client.left;
            rect.right = client.right;
        }
        if (xp) {
            painter->FillButton(&dc, rect, GetBackColor());
            painter->DrawSeparator(&dc, rect, vertical);
            continue;
        }
        dc.FillSolidRect(&rect, GetSysColor(COLOR_BTNFACE));
        RECT line{rect.left, (rect.top + rect.bottom) / 2, rect.right, (rect.top + rect.bottom) / 2 + 2};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    }
    dc.Detach();
}

void CUVToolBar::DrawClassicButton(CDC* dc, int index, const RECT& rect)
{
    TBBUTTON button{};
    SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button));
    dc->FillSolidRect(&rect, GetSysColor(COLOR_BTNFACE));
    const bool hot = SendMessage(TB_GETHOTITEM) == index;
    const bool sunken = (button.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) || IsButtonDropped(index);
    RECT edge = rect;
    if (button.fsState & TBSTATE_INDETERMINATE) {
        RECT inner = rect;
        InflateRect(&inner, -1, -1);
        FillDitheredRect(dc, &inner);
    } else if (button.fsState & TBSTATE_CHECKED) {
        RECT inner = rect;
        InflateRect(&inner, -1, -1);
        if (!hot)
            FillDitheredRect(dc, &inner);
    }
    if (sunken)
        DrawEdge(*dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    else if (hot && (button.fsState & TBSTATE_ENABLED))
        DrawEdge(*dc, &edge, BDR_RAISEDINNER, BF_RECT);
    RECT body = rect;
    const DWORD extended = static_cast<DWORD>(SendMessage(TB_GETEXTENDEDSTYLE));
    const bool split = (extended & TBSTYLE_EX_DRAWDDARROWS) && (button.fsStyle & BTNS_DROPDOWN) &&
                       !(button.fsStyle & BTNS_WHOLEDROPDOWN);
    if (split) {
        RECT arrow{rect.right - CUVToolBarPainter::kArrowPartWidth, rect.top, rect.right, rect.bottom};
        body.right = arrow.left;
        if (hot || sunken)
            DrawEdge(*dc, &arrow, sunken ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        DrawArrowGlyph(dc, arrow, GetSysColor((button.fsState & TBSTATE_ENABLED) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    }
    const int offset = sunken ? 1 : 0;
    const int x = body.left + (body.right - body.left - m_sizeImage.cx) / 2 + offset;
    const int y = body.top + (body.bottom - body.top - m_sizeImage.cy) / 2 + offset;
    if (m_hImages && button.iBitmap >= 0) {
        if (button.fsState & TBSTATE_ENABLED) {
            ImageList_Draw(m_hImages, button.iBitmap, *dc, x, y, ILD_TRANSPARENT);
        } else {
            CImageList view;
            view.Attach(m_hImages);
            DrawDisabledImage(dc, &view, button.iBitmap, x, y, FALSE);
            view.Detach();
        }
    }
    if (const CString text = GetButtonText(static_cast<UINT>(button.idCommand)); !text.IsEmpty()) {
        // Beside the image (or alone) at the left, as the list style places it.
        RECT textRect = body;
        textRect.left = (m_hImages && button.iBitmap >= 0 ? x + m_sizeImage.cx : body.left) + 4 + offset;
        OffsetRect(&textRect, 0, offset);
        CSelectedObject font(*dc, m_fontRegular);
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(GetSysColor((button.fsState & TBSTATE_ENABLED) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        dc->DrawText(text, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
    if (const CUVToolBarButtonInfo* info = FindButtonInfo(static_cast<UINT>(button.idCommand));
        info && (info->flags & CUVToolBarButtonInfo::hasColorSwatch) &&
        info->selectedColor != CUVToolBarButtonInfo::kNoColor) {
        const RECT swatch{body.left + 4, body.bottom - 7, x + m_sizeImage.cx - 4, body.bottom - 4};
        dc->FillSolidRect(&swatch,
                          (button.fsState & TBSTATE_ENABLED) ? info->selectedColor : GetSysColor(COLOR_GRAYTEXT));
    }
}
