// CSplitterWnd: a static splitter, a grid of panes (at most 16 x 16) laid out in rows and columns
// with splitter bars between them. Each pane is a child window whose id names its place
// (IdFromRowCol: AFX_IDW_PANE_FIRST + row * 16 + column), so a splitter can itself be a pane of a
// frame or of another splitter. Rows and columns have an ideal and a minimum size; layout gives
// each its ideal size in order, hides one whose size falls below its minimum (size 0) and gives the
// last what is left.
//
// Tracking: a left press on a bar (or on the crossing of two) captures the mouse and shows the
// tracker, inverted over the bar, that follows the mouse within the limits; the release sets the
// new ideal sizes and lays out, Esc or a lost capture cancels. The active pane is the frame's
// active view when it sits in this splitter.
//
// Geometry: the panes sit inside a border of m_cxBorder/m_cyBorder; neighbouring panes are
// m_cxSplitterGap apart, and the bar between them fills that gap.
//
// Not handled here: dynamic splitters (split boxes, creating and deleting rows and columns),
// scroll bars shared between panes, keyboard tracking.
#pragma once

#include "classlib/ui/AfxIds.h"
#include "classlib/ui/Wnd.h"

#include <vector>

struct CCreateContext;
class CDC;

// The grey checker the framework inverts trackers with (one brush for the process).
HBRUSH AfxGetHalftoneBrush();

class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    // Hit-test codes of the splitter's bars: rows' bars 101-115, columns' 201-215, crossings 301-525
    // (301 + row * 15 + column).
    enum HitTestValue {
        noHit = 0,
        vSplitterBox = 1,
        hSplitterBox = 2,
        bothSplitterBox = 3,
        vSplitterBar1 = 101,
        vSplitterBar15 = 115,
        hSplitterBar1 = 201,
        hSplitterBar15 = 215,
        splitterIntersection1 = 301,
        splitterIntersection225 = 525
    };
    enum ESplitType { splitBox, splitBar, splitIntersection, splitBorder };

    struct CRowColInfo {
        int nMinSize = 0;
        int nIdealSize = 0;
        int nCurSize = 0;
    };

    static constexpr int kMaxRowsCols = 16;

    CSplitterWnd();

    // Creates the splitter window as child `id` of `parent` with `rows` x `columns` panes to fill
    // through CreateView (1 to 16 each).
    BOOL CreateStatic(CWnd* parent, int rows, int columns, DWORD style = WS_CHILD | WS_VISIBLE,
                      UINT id = AFX_IDW_PANE_FIRST);
    // Creates the pane at (row, column) as an object of `viewClass` joined to the context's document;
    // `sizeInit` becomes its column's and row's ideal size.
    virtual BOOL CreateView(int row, int column, const CRuntimeClass* viewClass, SIZE sizeInit,
                            CCreateContext* context);

    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nCols; }
    void GetRowInfo(int row, int& current, int& minimum) const;
    void SetRowInfo(int row, int ideal, int minimum);
    void GetColumnInfo(int column, int& current, int& minimum) const;
    void SetColumnInfo(int column, int ideal, int minimum);

    CWnd* GetPane(int row, int column) const;
    int IdFromRowCol(int row, int column) const;
    // Whether `wnd` is a pane of this splitter; its place goes to row and column (may be null).
    BOOL IsChildPane(CWnd* wnd, int* row, int* column) const;
    // The pane of the frame's active view (or of the focus) when it is one of this splitter's.
    virtual CWnd* GetActivePane(int* row = nullptr, int* column = nullptr);
    // Makes the pane at (row, column), or `wnd` when given, the active view (or the focus).
    virtual void SetActivePane(int row, int column, CWnd* wnd = nullptr);

    // Places every pane and repaints the bars.
    virtual void RecalcLayout();
    // What lies at `point` (client coordinates): a HitTestValue.
    virtual int HitTest(POINT point) const;

protected:
    // Paints one part into `dc`: a bar, a crossing or the border around the panes (`rect` is the
    // border's outer rectangle); a null dc asks to repaint it on screen.
    virtual void OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect);
    // Inverts the tracker over `rect` (client coordinates).
    virtual void OnInvertTracker(const RECT& rect);
    virtual void StartTracking(int hit);
    virtual void StopTracking(BOOL accept);
    // Sets the row's (column's) ideal size from the tracker's position.
    virtual void TrackRowSize(int y, int row);
    virtual void TrackColumnSize(int x, int column);
    // Moves the tracker (both for a crossing) to `point`, within the limits.
    void MoveTrackerTo(POINT point);
    // Sets the ideal sizes of the tracked row and column from where the tracker is now.
    void ApplyTrackerPosition();
    virtual void SetSplitCursor(int hit);
    // Paints the border, the bars and the crossings into `dc`.
    void DrawAllSplitBars(CDC* dc, int outsideRight, int outsideBottom);

    // The rectangle of a bar or crossing of `hit`, in client coordinates.
    void GetHitRect(int hit, RECT& rect) const;
    // The client rectangle less the border.
    void GetInsideRect(RECT& rect) const;
    // The left (top) edge of column (row) `index` in client coordinates.
    int ColumnStart(int index) const;
    int RowStart(int index) const;

    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    LRESULT OnPrintClient(WPARAM dc, LPARAM);
    LRESULT OnSetCursorMessage(WPARAM, LPARAM);
    LRESULT OnMouseMoveMessage(WPARAM, LPARAM point);
    LRESULT OnLButtonDownMessage(WPARAM, LPARAM point);
    LRESULT OnLButtonUpMessage(WPARAM, LPARAM point);
    LRESULT OnCancelModeMessage(WPARAM, LPARAM);
    LRESULT OnKeyDownMessage(WPARAM key, LPARAM);
    LRESULT OnCaptureChangedMessage(WPARAM, LPARAM);

    int m_nMaxRows = 1;
    int m_nMaxCols = 1;
    int m_nRows = 1;
    int m_nCols = 1;
    std::vector<CRowColInfo> m_pRowInfo;
    std::vector<CRowColInfo> m_pColInfo;
    int m_cxSplitter = 7;  // the width of a bar that is drawn
    int m_cySplitter = 7;
    int m_cxSplitterGap = 7;  // the space between neighbouring panes
    int m_cySplitterGap = 7;
    int m_cxBorder = 2;  // the border around the panes
    int m_cyBorder = 2;

    BOOL m_bTracking = FALSE;
    BOOL m_bTracking2 = FALSE;  // a crossing: the column tracker moves too
    int m_htTrack = noHit;
    POINT m_ptTrackOffset{};
    RECT m_rectTracker{};
    RECT m_rectTracker2{};
    RECT m_rectLimit{};
    HWND m_hWndOldFocus = nullptr;

    DECLARE_MESSAGE_MAP()
};
