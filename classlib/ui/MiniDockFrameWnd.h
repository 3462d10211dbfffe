// CMiniDockFrameWnd: the small popup frame a floating control bar sits in. It holds one floating
// dock bar (id AFX_IDW_DOCKBAR_FLOAT) and sizes itself to fit it. Its caption drags the bar
// (through the bar's dock context), a double click on the caption docks it again, its sizing
// borders resize a bar of dynamic size, and closing it hides the bar. It goes away when its
// last bar leaves.
//
// Not handled here: the toolkit's own caption drawing and caption buttons.
#pragma once

#include "classlib/ui/FrameWnd.h"

class CDockBar;

class CMiniDockFrameWnd : public CFrameWnd {
    DECLARE_DYNAMIC(CMiniDockFrameWnd)
public:
    CMiniDockFrameWnd() = default;

    // A floating frame owned by `site`, whose dock bar lays its bars out with `style`
    // (CBRS_ALIGN_TOP, CBRS_FLOAT_MULTI when several bars may share it).
    virtual BOOL Create(CFrameWnd* site, DWORD style);
    // Sizes the frame to its dock bar's layout.
    void RecalcLayout(BOOL notify = TRUE) override;
    // The first bar docked in the frame, null when it is empty.
    CControlBar* GetFirstBar() const;

    CDockBar* m_pDockBar = nullptr;  // a child window: deleted with it
    CFrameWnd* m_pDockSite = nullptr;

    // Posted to the frame when its last bar left: it goes once nothing brought one back.
    static constexpr UINT kEmptyMessage = WM_USER + 0x100;

    // The styles the frame is made with (and the dock context computes its drag rectangle with).
    static constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
    static constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

protected:
    void PostNcDestroy() override;
    LRESULT OnNcLButtonDown(WPARAM hitTest, LPARAM point);
    LRESULT OnNcLButtonDblClk(WPARAM hitTest, LPARAM point);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnCloseIfEmpty(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};
