// The menu bar's items: sizes, mnemonics and drawing in the classic and the XP look.
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menubar/MenuBar.h"

#include <algorithm>

namespace {

// XP-look roles of the toolkit colour table.
constexpr int kXPTrackedFill = 30;
constexpr int kXPHotFill = 31;
constexpr int kXPPressedFill = 33;
constexpr int kXPTrackedFrame = 43;
constexpr int kXPPressedGlyph = 47;
constexpr int kGlyphSize = 10;

SIZE SmallItemSize()
{
    if (uvAfxData.m_bXPLook)
        return SIZE{16, 15};
    return SIZE{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON) - 1};
}

}  // namespace

BOOL FindMenuMnemonic(const CString& text, wchar_t* mnemonic, int* index)
{
    const int length = text.GetLength();
    int shown = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] != L'&') {
            ++shown;
            continue;
        }
        if (i + 1 >= length)
            return FALSE;
        if (text[i + 1] == L'&') {
            ++i;
            ++shown;
            continue;
        }
        *mnemonic = text[i + 1];
        if (index)
            *index = shown;
        return TRUE;
    }
    return FALSE;
}

BOOL CUVMenuBarItem::GetMnemonic(wchar_t*) const
{
    return FALSE;
}

RECT CUVMenuBarItem::GetRect(BOOL horz) const
{
    const SIZE size = GetSize();
    return horz ? RECT{m_pt.x, m_pt.y, m_pt.x + size.cx, m_pt.y + size.cy}
                : RECT{m_pt.x, m_pt.y, m_pt.x + size.cy, m_pt.y + size.cx};
}

BOOL CUVMenuBarIcon::IsHidden() const
{
    return !m_pBar->m_hWndMaxChild || !m_pBar->m_bShowMDIItems;
}

SIZE CUVMenuBarIcon::GetSize() const
{
    return SmallItemSize();
}

void CUVMenuBarIcon::Open()
{
    m_pBar->OpenSystemMenu(this);
}

void CUVMenuBarIcon::DoubleClick()
{
    if (m_pBar->m_hWndMaxChild)
        ::PostMessageW(m_pBar->m_hWndMaxChild, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CUVMenuBarIcon::Draw(CDC* dc)
{
    HWND child = m_pBar->m_hWndMaxChild;
    if (!child)
        return;
    HICON icon = reinterpret_cast<HICON>(::SendMessageW(child, WM_GETICON, ICON_SMALL, 0));
    if (!icon)
        icon = reinterpret_cast<HICON>(::GetClassLongPtrW(child, GCLP_HICONSM));
    if (!icon)
        icon = ::LoadIconW(nullptr, IDI_WINLOGO);
    const int cx = ::GetSystemMetrics(SM_CXSMICON);
    const int cy = ::GetSystemMetrics(SM_CYSMICON);
    const RECT rect = GetRect(m_pBar->IsHorizontal());
    const int x = std::max(0, static_cast<int>(rect.left + (rect.right - rect.left - cx) / 2));
    const int y = std::max(0, static_cast<int>(rect.top + (rect.bottom - rect.top - cy) / 2));
    ::DrawIconEx(dc->m_hDC, x, y, icon, cx, cy, 0, nullptr, DI_NORMAL);
}

BOOL CUVMenuBarEntry::GetMnemonic(wchar_t* mnemonic) const
{
    return FindMenuMnemonic(m_strText, mnemonic);
}

void CUVMenuBarEntry::Open()
{
    m_pBar->OpenEntry(this);
}

void CUVMenuBarEntry::Draw(CDC* dc)
{
    CUVMenuBar* bar = m_pBar;
    const BOOL horz = bar->IsHorizontal();
    const int saved = ::SaveDC(dc->m_hDC);
    ::SetGraphicsMode(dc->m_hDC, GM_ADVANCED);
    RECT rect = GetRect(horz);
    RECT clip;
    dc->GetClipBox(&clip);
    ::IntersectRect(&rect, &rect, &clip);
    const BOOL tracking = bar->m_nState == CUVMenuBar::stateTracking;
    const bool hot = bar->IndexOf(this) == bar->m_nHotItem && bar->m_bActive;
    int shift = 0;
    if (hot) {
        if (uvAfxData.m_bXPLook) {
            dc->FillSolidRect(&rect, GetUVColor(tracking ? kXPTrackedFill : kXPHotFill));
            const COLORREF frame = tracking ? GetUVColor(kXPTrackedFrame) : GetUVColor(COLOR_HIGHLIGHT);
            DrawFrame3d(dc, rect, frame, frame);
        } else if (tracking) {
            DrawFrame3d(dc, rect, GetUVColor(COLOR_BTNSHADOW), GetUVColor(COLOR_BTNHIGHLIGHT));
            shift = 1;
        } else {
            DrawFrame3d(dc, rect, GetUVColor(COLOR_BTNHIGHLIGHT), GetUVColor(COLOR_BTNSHADOW));
        }
    }
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(GetUVColor(bar->m_bActive ? COLOR_MENUTEXT : COLOR_GRAYTEXT));
    ::OffsetRect(&rect, shift, shift);
    const CString shown = StripMenuAmpersands(m_strText);
    if (horz) {
        CSelectedObject font(*dc, uvAfxData.m_fonts[CUVGlobalData::fontMenu]);
        if (bar->CuesShown())
            dc->DrawText(m_strText, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        else
            dc->DrawText(shown, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    } else {
        CSelectedObject font(*dc, uvAfxData.m_fonts[CUVGlobalData::fontVert270]);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc->m_hDC, shown, shown.GetLength(), &extent);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        // Turned a quarter clockwise, the text's top faces right: its origin is its top-right.
        const int x = extent.cy > width ? rect.right - 1 : rect.left + (width + extent.cy) / 2;
        const int y = extent.cx > height ? rect.top + 1 : rect.top + (height - extent.cx) / 2;
        RECT box{x - extent.cy, y, x, y + extent.cx};
        ::ExtTextOutW(dc->m_hDC, x, y, 0, &box, shown, static_cast<UINT>(shown.GetLength()), nullptr);
        wchar_t mnemonic = 0;
        int at = 0;
        if (bar->CuesShown() && FindMenuMnemonic(m_strText, &mnemonic, &at)) {
            SIZE before{}, character{};
            ::GetTextExtentPoint32W(dc->m_hDC, shown, at, &before);
            ::GetTextExtentPoint32W(dc->m_hDC, &mnemonic, 1, &character);
            const RECT line{x - extent.cy, y + before.cx, x - extent.cy + 1, y + before.cx + character.cx};
            dc->FillSolidRect(&line, dc->GetTextColor());
        }
    }
    ::RestoreDC(dc->m_hDC, saved);
}

BOOL CUVMenuBarMDIButton::IsHidden() const
{
    return !m_pBar->m_hWndMaxChild || !m_pBar->m_bShowMDIItems;
}

SIZE CUVMenuBarMDIButton::GetSize() const
{
    return SmallItemSize();
}

void CUVMenuBarMDIButton::Draw(CDC* dc)
{
    CUVMenuBar* bar = m_pBar;
    HWND child = bar->m_hWndMaxChild;
    if (!child)
        return;
    if (bar->m_hWndTips)
        ::SendMessageW(bar->m_hWndTips, TTM_POP, 0, 0);
    const int index = bar->IndexOf(this);
    const bool pressed = bar->m_nMDIButtonPressed == index && bar->m_bOverPressedButton;
    const bool hot = bar->m_nMDIButtonPressed < 0 && bar->m_nHotItem == index;
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE));
    RECT rect = GetRect(bar->IsHorizontal());
    // A child that can neither minimize nor maximize shows only its close button; one that can do
    // one of them shows the other grayed. The classic look draws a push button with our glyph on
    // it: the caption glyphs of DrawFrameControl come from the Marlett font, which Wine lacks.
    bool grayed = false;
    if (m_nKind == kMinimize && !(style & WS_MINIMIZEBOX)) {
        if (!(style & WS_MAXIMIZEBOX))
            return;
        grayed = true;
    } else if (m_nKind == kRestore && !(style & WS_MAXIMIZEBOX)) {
        if (!(style & WS_MINIMIZEBOX))
            return;
        grayed = true;
    }
    const bool xp = uvAfxData.m_bXPLook && !grayed;
    if (!xp) {
        ::DrawFrameControl(dc->m_hDC, &rect, DFC_BUTTON,
                           DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (grayed ? DFCS_INACTIVE : 0));
    } else {
        dc->FillSolidRect(&rect, pressed ? GetUVColor(kXPPressedFill)
                                 : hot   ? GetUVColor(kXPHotFill)
                                         : GetUVColor(COLOR_BTNFACE));
        if (hot || pressed)
            DrawFrame3d(dc, rect, GetUVColor(COLOR_HIGHLIGHT), GetUVColor(COLOR_HIGHLIGHT));
    }
    const int width = rect.right - rect.left;
    if (width > kGlyphSize && bar->m_mdiImages.GetSafeHandle()) {
        COLORREF glyph = GetUVColor(bar->m_bActive && !grayed ? COLOR_MENUTEXT : COLOR_GRAYTEXT);
        if (pressed && xp)
            glyph = GetUVColor(kXPPressedGlyph);
        const int shift = pressed && !xp ? 1 : 0;
        const int x = rect.left + (width - kGlyphSize) / 2 + shift;
        const int y = rect.top + (rect.bottom - rect.top - kGlyphSize) / 2 + shift;
        DrawMonoImage(dc, bar->m_mdiImages, m_nKind, x, y, SIZE{kGlyphSize, kGlyphSize}, glyph);
    }
    bar->UpdateMDIButtonTips();
}

void CUVMenuBar::DoPaint(CDC* dc)
{
    for (int index : VisibleItems())
        m_items[static_cast<size_t>(index)]->Draw(dc);
}
