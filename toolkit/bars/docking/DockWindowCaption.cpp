// The docking window's caption: where its strip and buttons lie by the side it is docked on,
// and its drawing (filled or gradient title band, grip lines, the title) in both looks.
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/DockWindow.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/look/GlobalData.h"

#include <algorithm>

namespace {

constexpr int kGradientSteps = 64;
constexpr int kGripLine = 3;

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps)
{
    auto channel = [&](int a, int b) { return a + (b - a) * step / std::max(steps - 1, 1); };
    return RGB(channel(GetRValue(from), GetRValue(to)), channel(GetGValue(from), GetGValue(to)),
               channel(GetBValue(from), GetBValue(to)));
}

bool GradientCaptionsOn()
{
    BOOL on = FALSE;
    return ::SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &on, 0) && on;
}

}  // namespace

int CUVDockWindow::CaptionButtonCount() const
{
    if (!(m_dwStyleEx & UVBS_CAPTION))
        return 0;
    return ((m_dwStyleEx & UVBS_CLOSE_BUTTON) ? 1 : 0) + ((m_dwStyleEx & UVBS_EXPAND_BUTTON) ? 1 : 0);
}

void CUVDockWindow::GetCaptionButtonRect(RECT& rect) const
{
    RECT client;
    GetClientRect(&client);
    if (IsHorzDocked()) {
        rect = RECT{3, 3, 3 + kCaptionButtonSize, 3 + kCaptionButtonSize};
        if (uvAfxData.m_bXPLook)
            OffsetRect(&rect, -2, 0);
    } else {
        rect = RECT{client.right - 29, 6, client.right - 29 + kCaptionButtonSize, 6 + kCaptionButtonSize};
        if (uvAfxData.m_bXPLook)
            OffsetRect(&rect, 0, 2);
    }
}

void CUVDockWindow::GetCaptionRect(RECT& rect) const
{
    RECT client;
    GetClientRect(&client);
    const int buttons = CaptionButtonCount();
    const int gripper = GetGripperSize();
    if (IsHorzDocked()) {
        // A strip down the left side, below the buttons; the title reads upward in it.
        const int top = buttons == 0 ? 1 : 3 + buttons * kCaptionButtonStep;
        rect = RECT{client.left + 3, client.top + top, client.left + gripper - 2, client.bottom - 4};
    } else {
        // A strip along the top, left of the buttons.
        const int right = buttons == 0 ? 2 : buttons * kCaptionButtonStep;
        rect = RECT{client.left + 4, client.top + 4, client.right - right, client.top + gripper - 3};
    }
    if (rect.right < rect.left)
        rect.right = rect.left;
    if (rect.bottom < rect.top)
        rect.bottom = rect.top;
}

BOOL CUVDockWindow::DrawCaptionBackground(CDC* dc, const RECT& caption)
{
    const BOOL xp = uvAfxData.m_bXPLook;
    const BOOL hasCaption = (m_dwStyleEx & UVBS_CAPTION) != 0;
    const BOOL band = (m_dwStyleEx & UVBS_TITLE_BAND) != 0;
    const BOOL filled = (hasCaption && !xp) || band;
    const BOOL gradient = (m_dwStyleEx & UVBS_GRADIENT) && ((hasCaption && xp) || band) && GradientCaptionsOn();
    const COLORREF from = GetSysColor(m_bCaptionActive ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    if (gradient) {
        const COLORREF to = GetSysColor(m_bCaptionActive ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
        // Along the title: upward in the left strip, rightward in the top one.
        const bool upward = IsHorzDocked() != FALSE;
        const int length = upward ? caption.bottom - caption.top : caption.right - caption.left;
        for (int i = 0; i < kGradientSteps; ++i) {
            const int start = length * i / kGradientSteps;
            const int end = length * (i + 1) / kGradientSteps;
            RECT step = caption;
            if (upward) {
                step.bottom = caption.bottom - start;
                step.top = caption.bottom - end;
            } else {
                step.left = caption.left + start;
                step.right = caption.left + end;
            }
            dc->FillSolidRect(&step, Blend(from, to, i, kGradientSteps));
        }
    } else if (filled) {
        dc->FillSolidRect(&caption, from);
    }
    if (xp && hasCaption) {
        // A band edged in the bar border colour, its corners rounded off in the background.
        const COLORREF edge = GetUVBarColor(UVBarColor::border);
        DrawFrame3d(dc, caption, edge, edge);
        const COLORREF back = GetBackColor();
        for (const POINT corner :
             {POINT{caption.left, caption.top}, POINT{caption.right - 1, caption.top},
              POINT{caption.left, caption.bottom - 1}, POINT{caption.right - 1, caption.bottom - 1}})
            ::SetPixelV(dc->m_hDC, corner.x, corner.y, back);
    }
    return filled || gradient;
}

void CUVDockWindow::DrawCaption(CDC* dc)
{
    RECT caption;
    GetCaptionRect(caption);
    if (IsRectEmpty(&caption))
        return;
    const int saved = ::SaveDC(dc->m_hDC);
    const BOOL filled = DrawCaptionBackground(dc, caption);
    const COLORREF text = filled ? GetSysColor(m_bCaptionActive ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT)
                                 : GetSysColor(COLOR_BTNTEXT);
    const bool upward = IsHorzDocked() != FALSE;

    CString title;
    GetWindowText(title);
    int titleLength = 0;
    if ((m_dwStyleEx & UVBS_CAPTION) && (m_dwStyleEx & UVBS_TITLE) && !title.IsEmpty()) {
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(text);
        if (upward) {
            CSelectedObject font(*dc, m_fontVert);
            SIZE extent{};
            ::GetTextExtentPoint32W(dc->m_hDC, title, title.GetLength(), &extent);
            titleLength = std::min<int>(extent.cx, caption.bottom - caption.top - 2);
            // Upward from the bottom of the strip, centred across it.
            const int x = caption.left + (caption.right - caption.left - extent.cy) / 2;
            ::SetTextAlign(dc->m_hDC, TA_LEFT | TA_TOP);
            ::ExtTextOutW(dc->m_hDC, x, caption.bottom - 2, ETO_CLIPPED, &caption, title, title.GetLength(), nullptr);
        } else {
            CSelectedObject font(*dc, m_fontRegular);
            RECT place = caption;
            place.left += 2;
            SIZE extent{};
            ::GetTextExtentPoint32W(dc->m_hDC, title, title.GetLength(), &extent);
            titleLength = std::min<int>(extent.cx, place.right - place.left);
            dc->DrawText(title, &place, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        }
    }

    // Grip lines after the title, in the classic look.
    if (!uvAfxData.m_bXPLook && (m_dwStyleEx & UVBS_CAPTION) && !(m_dwStyleEx & UVBS_TITLE_BAND)) {
        RECT grip = caption;
        const int skip = titleLength ? titleLength + 5 : 0;
        const int lines = (m_dwStyleEx & UVBS_RAISED_GRIP) ? 2 : 1;
        const int across = upward ? caption.right - caption.left : caption.bottom - caption.top;
        int offset = (across - (lines == 2 ? 2 * kGripLine + 1 : kGripLine)) / 2;
        if (upward)
            grip.bottom -= skip;
        else
            grip.left += skip + 2;
        const COLORREF light = GetUVBarColor(UVBarColor::highlight);
        const COLORREF dark = GetUVBarColor(UVBarColor::shadow);
        for (int line = 0; line < lines; ++line, offset += kGripLine + 1) {
            RECT strip = grip;
            if (upward) {
                strip.left = caption.left + offset;
                strip.right = strip.left + kGripLine;
            } else {
                strip.top = caption.top + offset;
                strip.bottom = strip.top + kGripLine;
            }
            if (strip.left < strip.right && strip.top < strip.bottom)
                DrawFrame3d(dc, strip, light, dark);
        }
    }
    ::RestoreDC(dc->m_hDC, saved);
}

void CUVDockWindow::SetCaptionActive(BOOL active)
{
    if (active == m_bCaptionActive)
        return;
    m_bCaptionActive = active;
    if (m_hWnd && !IsFloating()) {
        RECT caption;
        GetCaptionRect(caption);
        ::InvalidateRect(m_hWnd, &caption, FALSE);
    }
}

void CUVDockWindow::DoPaint(CDC* dc)
{
    if (!IsFloating())
        DrawCaption(dc);
}
