// CMainFrame: the program's only top-level window. It shows the splash window as it is created,
// finishes the start-up that the application began (engine creation, the 25 ms update timer,
// showing the frame, the welcome dialog of a first start), answers the single-instance handshake,
// shows the about box, and runs the close sequence that shuts the engine down.
// Its status bar is a plain common-controls one with the two text panes the engine's progress
// messages use. Not here yet: the toolkit frame base and status bar, menu bar, toolbars, splitter
// panes and their stored layout.
#pragma once

#include "classlib/ui/FrameWnd.h"
#include "interfaces/IBrennock.h"

class CBrennockDoc;
class CPlayListView;

inline constexpr UINT_PTR kUiUpdateTimer = 100;
inline constexpr UINT kUiUpdateIntervalMs = 25;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The view fills what the status bar leaves of the client area.
    void RecalcLayout(BOOL notify = TRUE) override;

    // Once, from the application's start-up: engine, timer, the frame shown, then the welcome
    // dialog unless the profile says not to show it or the mix already has tracks.
    BOOL CompleteStartUp(BOOL reopenLastPlaylist);

    CBrennockDoc* GetDocument();
    // The document's engine object (not AddRef'd), or NULL.
    IBrennock* GetEngine();
    CPlayListView* GetPlayListView();
    // TRUE while the live play manager runs a performance; FALSE without engine.
    BOOL IsPerforming();
    // Status-bar pane 1: the webcast address while the live stream goes to the webcast, else
    // that the output plays locally; nothing when the player cannot tell.
    void ShowOutputStatus();
    // Text of status-bar pane 0 (progress and completion messages) or 1 (output state).
    void SetStatusText(int pane, const wchar_t* text);
    // The status bar's window (a child of the frame with id AFX_IDW_STATUS_BAR), or NULL.
    HWND GetStatusBar() const { return m_hStatusBar; }

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnClose();
    void OnTimer(UINT_PTR id);
    // The program's colours that follow the system colours are computed again.
    void OnSysColorChange();
    void OnAppAbout();
    // The welcome dialog and what its answer asks for: its show-again flag kept in the profile,
    // the sample mix from the program folder opened.
    void OfferSampleMix(CBrennockDoc* doc);

    UINT m_nInstanceMsg;
    HWND m_hStatusBar = nullptr;  // a child window: destroyed with the frame

    DECLARE_MESSAGE_MAP()
};
