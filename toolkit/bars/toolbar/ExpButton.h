// CUVExpButton: the expand button at the end of every toolbar (command id 53782). It shows a
// double chevron while buttons are hidden for lack of room and a small arrow when the bar can be
// customised; a press opens the chevron popup (CUVExpMenuWnd) with the hidden buttons and, for a
// customisable bar, "Customize...". The glyphs are drawn here, pixel by pixel, at their fixed
// sizes: the double chevron 8 x 5 (8 x 8 on a vertical bar), the arrow 5 x 3 (3 x 5).
//
// Not handled here: keyboard access to the popup (it opens by the mouse only).
#pragma once

#include "toolkit/bars/docking/BarMenu.h"
#include "toolkit/controls/buttons/Button.h"

class CUVToolBar;
class CUVExpMenuWnd;

// Sent by the chevron popup to its expand button as it closes.
inline constexpr UINT WM_UV_EXP_MENU_CLOSED = 0x89DF;

class CUVExpButton : public CUVButton {
    DECLARE_DYNAMIC(CUVExpButton)
public:
    explicit CUVExpButton(CUVToolBar* bar);
    ~CUVExpButton() override;

    // A child of `bar` with the style of a flat owner-drawn push button and no text.
    BOOL Create(const RECT& rect);
    void DrawItem(DRAWITEMSTRUCT* draw) override;

    // Opens the chevron popup below (or beside) the button unless one is open.
    void OpenPopup();
    CUVExpMenuWnd* GetPopup() const { return m_pPopup; }
    CUVToolBar* GetToolBar() const { return m_pBar; }

    // Where the glyphs of a `horz` bar go in a button of `size`: the chevron's and the arrow's
    // top-left corners.
    static POINT ChevronOrigin(SIZE size, BOOL horz);
    static POINT ArrowOrigin(SIZE size, BOOL horz);

protected:
    void DrawGlyphs(CDC* dc, const RECT& rect, BOOL pressed, BOOL disabled);

    LRESULT OnLButtonDownExp(WPARAM, LPARAM);
    LRESULT OnCancelMode(WPARAM, LPARAM);
    LRESULT OnPopupClosed(WPARAM, LPARAM);
    LRESULT OnCommandMessage(WPARAM, LPARAM);

    CUVToolBar* m_pBar;
    CUVExpMenuWnd* m_pPopup = nullptr;  // deletes itself with its window

    DECLARE_MESSAGE_MAP()
};
