#include "toolkit/bars/toolbar/ExpButton.h"

#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/toolbar/ExpMenuWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <algorithm>
#include <array>

IMPLEMENT_DYNAMIC(CUVExpButton, CUVButton)

BEGIN_MESSAGE_MAP(CUVExpButton, CUVButton)
ON_MESSAGE(WM_LBUTTONDOWN, &CUVExpButton::OnLButtonDownExp)
ON_MESSAGE(WM_LBUTTONDBLCLK, &CUVExpButton::OnLButtonDownExp)
ON_MESSAGE(WM_CANCELMODE, &CUVExpButton::OnCancelMode)
ON_MESSAGE(WM_UV_EXP_MENU_CLOSED, &CUVExpButton::OnPopupClosed)
ON_MESSAGE(WM_COMMAND, &CUVExpButton::OnCommandMessage)
END_MESSAGE_MAP()

namespace {

// WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_FLAT | BS_OWNERDRAW.
constexpr DWORD kButtonStyle = 0x4600800B;
constexpr int kEdgeGap = 2;
constexpr int kXPOpenFrame = 43;

// A glyph as rows of pixels ('X' ink).
struct Glyph {
    int width;
    int height;
    std::array<const char*, 8> rows;
};

// The double chevron of a horizontal bar (pointing along it) and of a vertical one (pointing down).
constexpr Glyph kChevronHorz{8, 5, {"XX..XX..", ".XX..XX.", "..XX..XX", ".XX..XX.", "XX..XX.."}};
constexpr Glyph kChevronVert{
    8, 8, {".X...X..", ".XX.XX..", "..XXX...", "...X....", ".X...X..", ".XX.XX..", "..XXX...", "...X...."}};
// The customise arrow of a horizontal bar (pointing down) and of a vertical one (pointing right).
constexpr Glyph kArrowHorz{5, 3, {"XXXXX", ".XXX.", "..X.."}};
constexpr Glyph kArrowVert{3, 5, {"X..", "XX.", "XXX", "XX.", "X.."}};

void PaintGlyph(CDC* dc, const Glyph& glyph, POINT at, COLORREF colour)
{
    for (int y = 0; y < glyph.height; ++y) {
        for (int x = 0; x < glyph.width; ++x) {
            if (glyph.rows[static_cast<size_t>(y)][x] == 'X')
                ::SetPixelV(dc->m_hDC, at.x + x, at.y + y, colour);
        }
    }
}

// Disabled glyphs are embossed, as DrawState's DSS_DISABLED draws them.
void DrawGlyph(CDC* dc, const Glyph& glyph, POINT at, BOOL disabled)
{
    if (!disabled) {
        PaintGlyph(dc, glyph, at, GetUVColor(COLOR_BTNTEXT));
        return;
    }
    PaintGlyph(dc, glyph, POINT{at.x + 1, at.y + 1}, GetUVColor(COLOR_BTNHIGHLIGHT));
    PaintGlyph(dc, glyph, at, GetUVColor(COLOR_BTNSHADOW));
}

}  // namespace

CUVExpButton::CUVExpButton(CUVToolBar* bar) : m_pBar(bar) {}

CUVExpButton::~CUVExpButton()
{
    if (m_pPopup && m_pPopup->m_hWnd)
        m_pPopup->DestroyWindow();
}

BOOL CUVExpButton::Create(const RECT& rect)
{
    return CWnd::Create(L"BUTTON", L"", kButtonStyle, rect, m_pBar, ID_UV_CUSTOMIZE_BAR);
}

// The button of a horizontal bar is a narrow column at the bar's end: the chevron at its top,
// the arrow at its bottom; a vertical bar's is a short row: the chevron at its left, the arrow
// at its right. (Side by side in a 13-pixel column the two would overlap.)
POINT CUVExpButton::ChevronOrigin(SIZE size, BOOL horz)
{
    if (horz)
        return POINT{std::max(0L, (size.cx - kChevronHorz.width) / 2), kEdgeGap};
    return POINT{kEdgeGap, std::max(0L, (size.cy - kChevronVert.height) / 2)};
}

POINT CUVExpButton::ArrowOrigin(SIZE size, BOOL horz)
{
    if (horz)
        return POINT{std::max(0L, (size.cx - kArrowHorz.width) / 2), size.cy - kEdgeGap - kArrowHorz.height};
    return POINT{size.cx - kEdgeGap - kArrowVert.width, std::max(0L, (size.cy - kArrowVert.height) / 2)};
}

void CUVExpButton::DrawGlyphs(CDC* dc, const RECT& rect, BOOL pressed, BOOL disabled)
{
    const BOOL horz = !m_pBar->IsVertDocked();
    const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
    const int shift = pressed && !m_pBar->UsesXPLook() ? 1 : 0;
    if (m_pBar->HasHiddenButtons()) {
        POINT at = ChevronOrigin(size, horz);
        DrawGlyph(dc, horz ? kChevronHorz : kChevronVert, POINT{rect.left + at.x + shift, rect.top + at.y + shift},
                  disabled);
    }
    if (m_pBar->IsCustomizable()) {
        POINT at = ArrowOrigin(size, horz);
        DrawGlyph(dc, horz ? kArrowHorz : kArrowVert, POINT{rect.left + at.x + shift, rect.top + at.y + shift},
                  disabled);
    }
}

void CUVExpButton::DrawItem(DRAWITEMSTRUCT* draw)
{
    const BOOL xp = m_pBar->UsesXPLook();
    m_dwStyle = xp ? UVBTN_XP : UVBTN_FLAT;
    m_bChecked = m_pPopup != nullptr;
    const BOOL pressed = (draw->itemState & ODS_SELECTED) || m_pPopup;
    const BOOL disabled = (draw->itemState & ODS_DISABLED) != 0;
    CDC dc;
    dc.Attach(draw->hDC);
    if (xp && m_pPopup) {
        // Open: the bar's background, framed like the popup it joins.
        dc.FillSolidRect(&draw->rcItem, m_pBar->GetBackColor());
        DrawGlyphs(&dc, draw->rcItem, TRUE, disabled);
        CBrush frame(GetUVColor(kXPOpenFrame));
        ::FrameRect(dc.m_hDC, &draw->rcItem, static_cast<HBRUSH>(frame.m_hObject));
    } else {
        DRAWITEMSTRUCT shown = *draw;
        if (pressed)
            shown.itemState |= ODS_SELECTED;
        if (!xp)
            SetFaceColor(GetUVColor(COLOR_BTNFACE));
        else
            SetFaceColor(m_pBar->GetBackColor());
        CUVButton::DrawItem(&shown);
        DrawGlyphs(&dc, draw->rcItem, pressed, disabled);
    }
    dc.Detach();
}

void CUVExpButton::OpenPopup()
{
    if (m_pPopup)
        return;
    // The part of the button that shows: clipped by every parent's client area.
    RECT visible;
    GetWindowRect(&visible);
    for (HWND child = m_hWnd; ::GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD;) {
        const HWND parent = ::GetParent(child);
        if (!parent)
            break;
        RECT client;
        ::GetClientRect(parent, &client);
        ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
        ::IntersectRect(&visible, &visible, &client);
        child = parent;
    }
    m_pPopup = CUVExpMenuWnd::Open(m_pBar, m_hWnd, WM_UV_EXP_MENU_CLOSED, visible);
    Invalidate();
    UpdateWindow();
}

LRESULT CUVExpButton::OnLButtonDownExp(WPARAM, LPARAM)
{
    // The press opens the popup at once; the button takes no capture, so no click follows.
    OpenPopup();
    return 0;
}

LRESULT CUVExpButton::OnCancelMode(WPARAM, LPARAM)
{
    if (m_pPopup)
        m_pPopup->Close();
    return Default();
}

LRESULT CUVExpButton::OnPopupClosed(WPARAM, LPARAM)
{
    m_pPopup = nullptr;
    Invalidate();
    return 0;
}

LRESULT CUVExpButton::OnCommandMessage(WPARAM wParam, LPARAM lParam)
{
    // "Customize..." goes to the toolbar's customisation.
    if (LOWORD(wParam) == ID_UV_CUSTOMIZE_BAR)
        return m_pBar->SendMessage(WM_COMMAND, wParam, lParam);
    return Default();
}
