// CUVMiniDockFrameWnd: the toolkit's floating frame for a bar. Over the caption the system draws
// it puts caption buttons of its own: a close button for a toolkit bar that is not a menu bar
// (drawn by the toolkit at the small caption-button size, hot under the mouse, pushed while
// pressed; released over itself it closes the frame, which hides the bar), with the tooltip
// "Close" when the frame's dock bar shows tooltips (it takes CBRS_TOOLTIPS from its first bar).
//
// Not handled here: the toolbar-options button and its popup, the caption's own drawing in the
// XP look, the menu bar's floating form.
#pragma once

#include "classlib/ui/MiniDockFrameWnd.h"

#include <vector>

class CUVMiniDockFrameWnd : public CMiniDockFrameWnd {
    DECLARE_DYNAMIC(CUVMiniDockFrameWnd)
public:
    // Posted at creation: the frame takes its caption buttons once its bar is in.
    static constexpr UINT kLayoutMessage = 0x89DE;

    struct CaptionButton {
        int kind = 0;  // 0: close
        BOOL hover = FALSE;
        BOOL pressed = FALSE;
    };

    CUVMiniDockFrameWnd() = default;

    BOOL Create(CFrameWnd* site, DWORD style) override;
    // Button `index`'s rectangle (screen coordinates); empty when it would reach into the left edge.
    RECT GetButtonRect(size_t index) const;
    const std::vector<CaptionButton>& Buttons() const { return m_buttons; }
    // The tooltip control of the caption buttons (null until one is shown).
    HWND GetToolTip() const { return m_hWndTip; }

protected:
    // The button under `point` (screen), -1 for none.
    int ButtonAt(POINT point) const;
    void DrawButtons();
    void ShowTip(int button);

    LRESULT OnLayout(WPARAM, LPARAM);
    LRESULT OnNcPaint(WPARAM, LPARAM);
    LRESULT OnNcActivate(WPARAM active, LPARAM);
    LRESULT OnNcMouseMove(WPARAM, LPARAM point);
    LRESULT OnNcLButtonDownUV(WPARAM hitTest, LPARAM point);
    LRESULT OnNcLButtonUp(WPARAM, LPARAM point);
    LRESULT OnDestroy(WPARAM, LPARAM);

    std::vector<CaptionButton> m_buttons;
    HWND m_hWndTip = nullptr;
    int m_nTipButton = -1;

    DECLARE_MESSAGE_MAP()
};
