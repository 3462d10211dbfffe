// CUVMiniDockFrameWnd: the toolkit's floating frame for a bar. Over the caption the system draws
// it puts caption buttons of its own, drawn by the toolkit at the small caption-button size from
// the caption glyphs (bitmap 4656), hot under the mouse, pushed while pressed: a close button for
// a toolkit bar that is not a menu bar (released over itself it closes the frame, which hides the
// bar) and, for a customisable toolbar, a toolbar-options button left of it that opens the
// toolbar's chevron popup below itself ("Customize..."). Their tooltips, "Close" and "Toolbar
// Options", show when the frame's dock bar shows tooltips (it takes CBRS_TOOLTIPS from its first
// bar). A frame that holds a menu bar sizes at its ends only and clips its children.
//
// Not handled here: a caption of its own (the system draws the caption and its text in both
// looks, so the frame has no font to take).
#pragma once

#include "classlib/ui/ImageList.h"
#include "classlib/ui/MiniDockFrameWnd.h"

#include <vector>

class CUVExpMenuWnd;
class CUVToolBar;

class CUVMiniDockFrameWnd : public CMiniDockFrameWnd {
    DECLARE_DYNAMIC(CUVMiniDockFrameWnd)
public:
    // Posted at creation: the frame takes its caption buttons once its bar is in.
    static constexpr UINT kLayoutMessage = 0x89DE;
    // The message (35295) the frame opens its toolbar-options popup with: the popup sends it
    // back as it closes, and the buttons come up again.
    static constexpr UINT kPopupClosedMessage = 0x89DF;
    // Images of bitmap 4656 the buttons show.
    static constexpr int kCloseImage = 0;
    static constexpr int kOptionsImage = 4;

    struct CaptionButton {
        enum Kind { close, toolbarOptions };
        Kind kind = close;
        BOOL hover = FALSE;
        BOOL pressed = FALSE;
        BOOL drawnPressed = FALSE;
    };

    CUVMiniDockFrameWnd() = default;

    BOOL Create(CFrameWnd* site, DWORD style) override;
    // Button `index`'s rectangle (screen coordinates); empty when it would reach into the left
    // edge. Index 0 is the rightmost.
    RECT GetButtonRect(size_t index) const;
    const std::vector<CaptionButton>& Buttons() const { return m_buttons; }
    // The tooltip control of the caption buttons (null until one is shown).
    HWND GetToolTip() const { return m_hWndTip; }
    // The toolbar-options popup while it is open.
    CUVExpMenuWnd* GetOptionsPopup() const { return m_pOptionsPopup; }
    BOOL IsActiveCaption() const { return m_bActive; }
    // Bar queries on a window.
    static BOOL IsBarWindow(CWnd* window);
    static BOOL IsToolkitBar(CWnd* window);
    static BOOL IsToolBar(CWnd* window);
    static BOOL IsMenuBar(CWnd* window);
    static BOOL IsDockingWindow(CWnd* window);

protected:
    // The button under `point` (screen), -1 for none.
    int ButtonAt(POINT point) const;
    void DrawButtons();
    void RedrawCaption();
    void ShowTip(int button);
    CUVToolBar* FirstToolBar() const;
    void OpenOptionsPopup(size_t button);

    LRESULT OnLayout(WPARAM, LPARAM);
    LRESULT OnNcPaint(WPARAM, LPARAM);
    LRESULT OnNcActivate(WPARAM active, LPARAM);
    LRESULT OnNcHitTest(WPARAM, LPARAM point);
    LRESULT OnNcMouseMove(WPARAM, LPARAM);
    LRESULT OnNcLButtonDownUV(WPARAM hitTest, LPARAM point);
    LRESULT OnNcLButtonUp(WPARAM, LPARAM point);
    LRESULT OnPopupClosed(WPARAM, LPARAM);
    LRESULT OnSetText(WPARAM, LPARAM);
    LRESULT OnEraseBkgnd(WPARAM dc, LPARAM);
    LRESULT OnIdleUpdate(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    void OnCustomize();

    std::vector<CaptionButton> m_buttons;
    CImageList m_images;
    HWND m_hWndTip = nullptr;
    int m_nTipButton = -1;
    CUVExpMenuWnd* m_pOptionsPopup = nullptr;  // deletes itself with its window
    int m_nHotButton = -1;
    BOOL m_bXPLayout = FALSE;     // the look the frame was laid out in
    BOOL m_bMenuBarForm = FALSE;  // holds a menu bar: sizes at its sides only
    BOOL m_bActive = FALSE;

    DECLARE_MESSAGE_MAP()
};
