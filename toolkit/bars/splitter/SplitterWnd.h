// CUVSplitterWnd: the framework's static splitter with the toolkit's flat look, live dragging
// (each move of a bar lays the panes out and repaints them at once when the system drags full
// windows), the toolkit's split cursors and tracker, and one row and one column that can be
// hidden and shown again at their former place and size.
//
// Hidden panes keep their windows: they are hidden and given the ids past the visible ones, so
// that the layout, which finds panes by id, skips them. Hiding the only visible row (column), or
// one that does not exist, does nothing.
//
// Not handled here: split boxes (static splitters have none), hiding more than one row or column.
#pragma once

#include "classlib/ui/SplitterWnd.h"

#include <vector>

class CUVSplitterWnd : public CSplitterWnd {
    DECLARE_DYNAMIC(CUVSplitterWnd)
public:
    // Style flags.
    static constexpr DWORD styleFocusTracker = 0x01;  // the tracker is drawn as a focus rectangle
    static constexpr DWORD styleNoFullDrag = 0x02;    // never drag full windows
    static constexpr DWORD styleNoBorder = 0x04;      // no border around the panes in the flat look
    static constexpr DWORD styleNoDrag = 0x08;        // the bars cannot be dragged

    CUVSplitterWnd();

    virtual void ShowRow();
    virtual void HideRow(int row);
    virtual void ShowColumn();
    virtual void HideColumn(int column);
    // Exchanges the ids of the two views (a pane's and another) and shows both.
    virtual void ExchangePaneViews(CWnd* first, CWnd* second);
    // Hides the pane's view and gives its place to `view`; answers the old view (null when the pane
    // is empty).
    virtual CWnd* ReplacePaneView(int row, int column, CWnd* view);
    // Puts a new view of `viewClass`, on the old view's document, in the pane: answers the old view
    // (hidden, its id cleared), or null when the pane already holds such a view or the class
    // cannot be created.
    virtual CWnd* CreatePaneView(int row, int column, const CRuntimeClass* viewClass);
    virtual void SetSplitterStyle(DWORD style);
    virtual DWORD GetSplitterStyle() const { return m_dwSplitterStyle; }
    virtual void EnableFlatLook(BOOL flat);
    // Draws the tracker over `rect` with `brush`; nothing while full windows are dragged.
    virtual void DrawTracker(const RECT& rect, HBRUSH brush);

    int GetHiddenRow() const { return m_nHiddenRow; }
    int GetHiddenColumn() const { return m_nHiddenCol; }
    BOOL IsFullWindowDrag() const { return m_bFullDrag; }
    BOOL IsFlatLook() const { return m_bFlatLook; }

    // With styleNoDrag every point answers HTBORDER: nothing to drag, no split cursor.
    int HitTest(POINT point) const override;

protected:
    void OnDrawSplitter(CDC* dc, ESplitType type, const RECT& rect) override;
    void OnInvertTracker(const RECT& rect) override;
    void SetSplitCursor(int hit) override;

    void ReadFullDragSetting();
    void SetPaneId(CWnd* pane, int id);

    // Rows or columns seen alike: `count` visible ones of `across` panes each, the hidden one and
    // their sizes.
    struct Line {
        bool rows;
        int& count;
        int across;
        int& hidden;
        std::vector<CRowColInfo>& info;
    };
    Line Rows();
    Line Columns();
    // The pane at `index` along the line and `across` it.
    CWnd* PaneOf(const Line& line, int index, int across) const;
    void SetPaneIdOf(const Line& line, CWnd* pane, int index, int across);
    void HideLine(Line line, int index);
    void ShowLine(Line line);

    LRESULT OnSettingChange(WPARAM, LPARAM);
    LRESULT OnLButtonDownFull(WPARAM, LPARAM point);
    LRESULT OnMouseMoveFull(WPARAM, LPARAM point);
    LRESULT OnLButtonUpFull(WPARAM, LPARAM point);

    BOOL m_bFlatLook = TRUE;
    DWORD m_dwSplitterStyle = styleNoFullDrag;
    BOOL m_bFullDrag = FALSE;
    int m_nHiddenRow = -1;
    int m_nHiddenCol = -1;
    POINT m_ptLastTrack{-1, -1};

    DECLARE_MESSAGE_MAP()
};
