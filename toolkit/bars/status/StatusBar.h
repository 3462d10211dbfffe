// CUVStatusBar: the framework status bar in the toolkit's dress: the toolkit's second menu font,
// flat pane frames in the XP look, and child controls that sit inside panes and follow the bar's
// size. Painting goes through an off-screen DC (the control paints into it, then the frames go
// on top); WM_PRINTCLIENT paints the same into the DC it is given.
//
// Idle updates (delayed show and hide, pane commands against the owner or the parent frame) are
// the framework bar's. Not handled here: moving controls between panes, controls in a bar that
// has no panes.
#pragma once

#include "classlib/ui/StatusBar.h"

#include <vector>

class CUVStatusBar : public CStatusBar {
    DECLARE_DYNAMIC(CUVStatusBar)
public:
    CUVStatusBar() = default;
    ~CUVStatusBar() override;

    // Places `control` (a child window of the bar) inside the pane of command `paneId`; with
    // `autoDelete` the bar deletes the object when it is destroyed. FALSE when there is no such
    // pane or the control has no window.
    BOOL AddPaneControl(CWnd* control, UINT paneId, BOOL autoDelete);

    // The rectangle a pane is painted in and its control placed in (client coordinates): the
    // control's own, except the last pane's, which runs to the bar's end (less its edge and the
    // size grip) when it stretches, and is the pane's width and three edges wide otherwise.
    RECT GetPaneRect(int index) const;

protected:
    struct PaneControl {
        CWnd* control = nullptr;
        UINT id = 0;
        BOOL autoDelete = FALSE;
    };

    // The control's painting, then the XP look's frames.
    void Paint(CDC* dc);
    void RepositionControls();
    void DestroyControls();

    std::vector<PaneControl> m_controls;

    int OnCreate(LPCREATESTRUCT cs);
    void OnSize(UINT type, int cx, int cy);
    void OnDestroy();
    LRESULT OnPaintMessage(WPARAM, LPARAM);
    LRESULT OnPrintClient(WPARAM dc, LPARAM);

    DECLARE_MESSAGE_MAP()
};
