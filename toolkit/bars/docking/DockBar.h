// CUVDockBar: the toolkit's dock bar, one per side of a frame (EnableUVDocking) and one in each
// floating frame. Beyond the class library's rows it understands docking windows
// (IUVDockingWindow): the docking windows of a row share the row's length, and 6-pixel splitter
// strips between rows that hold docking windows (row strips) and between neighbouring docking
// windows (bar strips) resize them with a tracker dragged by the mouse. A menu bar always
// stands alone at the start of its row. A right click opens the bar menu.
//
// Not handled here: the borders of the dock bar itself (it has none).
#pragma once

#include "classlib/ui/DockBar.h"
#include "toolkit/bars/docking/SplitterTracker.h"

#include <vector>

class CControlBar;
class IUVDockingWindow;

// Dock-bar flags (the application passes 0x80).
inline constexpr DWORD UVDB_FLAT_STRIPS = 0x40;       // strips without 3-D lines, a white tracker
inline constexpr DWORD UVDB_KEEP_BAR_BORDERS = 0x80;  // no outer shadow line; other bars keep borders

inline constexpr int kUVStripSize = 6;

class CUVDockBar : public CDockBar {
    DECLARE_DYNAMIC(CUVDockBar)
public:
    explicit CUVDockBar(BOOL floating = FALSE);

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    // A docking window is marked newly placed first, so that its row is shared out again.
    void DockControlBar(CControlBar* bar, const RECT* rect = nullptr) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Every other docking window of `window`'s row shrinks to its gripper and `window` takes
    // what they gave up; with `redraw` the frame lays out again.
    void Expand(CControlBar* window, BOOL redraw);
    // Every docking window of `window`'s row returns to its stored docked size.
    void Contract(CControlBar* window, BOOL redraw);

    // Index of the tracker whose strip holds `point` (client coordinates), -1 for none.
    int TrackerAt(POINT point) const;
    const std::vector<UVSplitterTracker>& Trackers() const { return m_trackers; }
    bool IsTracking() const { return m_bTracking; }
    // True while a layout that moves windows places the bars: a docking window resized by the
    // row sharing then takes its new size with the move the placing gives it anyway.
    bool IsPlacingBars() const { return m_bPlacingBars; }

    static IUVDockingWindow* AsDockingWindow(CControlBar* bar);

    DWORD m_dwDockFlags = 0;
    DWORD m_dwStyleEx = 0;  // the extended style word of the bar last restyled on it

protected:
    // The rows: for each, the indexes of its visible bars in m_arrBars.
    std::vector<std::vector<int>> VisibleRows() const;
    // The row (visible bars) that holds `bar`, empty when none does.
    std::vector<int> RowOf(CControlBar* bar) const;
    // The length along the dock bar that a row has to share.
    int RowLength() const;
    // Strips and bars other than docking windows in `row`: the part of the row that is not shared.
    int FixedPartOf(const std::vector<int>& row) const;
    void ShareRow(const std::vector<int>& row);
    // Moves a menu bar that is not first in its row to the start of a row of its own; TRUE when
    // one moved.
    bool SeparateMenuBars();
    void DropBorder(CControlBar* bar, DWORD border) const;
    // The visible bar before entry `index` in its row (a strip's left or upper neighbour), or null.
    CControlBar* LeftNeighbour(int index) const;
    void PaintStrip(CDC* dc, const UVSplitterTracker& tracker) const;
    void DrawTracker();
    void EndTracking(bool apply);

    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnNcHitTest(WPARAM, LPARAM point);
    LRESULT OnSetCursor(WPARAM, LPARAM);
    LRESULT OnNcLButtonDown(WPARAM hitTest, LPARAM point);
    LRESULT OnMouseMove(WPARAM, LPARAM point);
    LRESULT OnLButtonUp(WPARAM, LPARAM);
    LRESULT OnKeyDown(WPARAM key, LPARAM);
    LRESULT OnCaptureChanged(WPARAM, LPARAM window);
    LRESULT OnRButtonDown(WPARAM, LPARAM point);

    std::vector<UVSplitterTracker> m_trackers;
    int m_nTracker = -1;  // the tracker under the mouse or being dragged
    bool m_bTracking = false;
    bool m_bPlacingBars = false;
    bool m_bTrackerShown = false;
    RECT m_rectTrackerShown{};
    HWND m_hWndFocusBefore = nullptr;

    DECLARE_MESSAGE_MAP()
};

// Gives `frame` toolkit dock bars with `flags` (UVDB_*) on the sides in `dockStyle` that have
// none yet, in the frame's side order, then enables docking there.
void EnableUVDocking(CFrameWnd* frame, DWORD dockStyle, DWORD flags);
