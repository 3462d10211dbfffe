// CDockContext: how a control bar moves between its frame's dock bars and floating frames. It
// runs a modal mouse loop (the bar holds the capture): the drag rectangle follows the mouse and
// shows where the bar would land, Ctrl held forces a floating frame, the left button up docks or
// floats the bar, the right button, Esc or a lost capture cancel. It also toggles a bar between
// its last docked place and its last floating place, and resizes a floating frame whose bar
// has a dynamic size.
//
// Not handled here: docking into another frame than the bar's own (the toolkit's context adds
// it through FindDockBar), saving the records.
#pragma once

#include <windows.h>

class CControlBar;
class CDockBar;
class CFrameWnd;

class CDockContext {
public:
    explicit CDockContext(CControlBar* bar);
    CDockContext(const CDockContext&) = delete;
    CDockContext& operator=(const CDockContext&) = delete;
    virtual ~CDockContext() = default;

    // Drags the bar from `point` (screen) until the button goes up or the drag is cancelled.
    virtual void StartDrag(POINT point);
    // Docked: floats at the last floating place (or where it is); floating: docks at the last
    // docked place (or on the side it is aligned to).
    virtual void ToggleDocking();
    // Resizes the bar's floating frame from its border `hitTest` (HTLEFT ... HTBOTTOMRIGHT).
    void StartResize(int hitTest, POINT point);

    CControlBar* m_pBar;
    CFrameWnd* m_pDockSite;

    // Where the bar was last docked (dock bar id and window rectangle, screen) and floated (style
    // and the floating frame's top-left corner).
    UINT m_uMRUDockID = 0;
    RECT m_rectMRUDockPos{};
    DWORD m_dwMRUFloatStyle = 0;
    POINT m_ptMRUFloatPos{};
    BOOL m_bHasFloatPos = FALSE;

    // The drag under way (screen coordinates): the bar's rectangle docked horizontally and
    // vertically, and the floating frame's window rectangle.
    RECT m_rectDragHorz{};
    RECT m_rectDragVert{};
    RECT m_rectFrameDrag{};
    POINT m_ptLast{};
    CDockBar* m_pOverDockBar = nullptr;  // the dock bar the bar would land on; null: floats
    BOOL m_bForceFrame = FALSE;          // Ctrl held: float wherever the drop is
    BOOL m_bDragging = FALSE;
    BOOL m_bCancelled = FALSE;

protected:
    // The drag rectangles for a drag from `point` (screen), each moved to hold the cursor.
    virtual void InitDragRects(POINT point);
    // The dock bar a drop with the current rectangles lands on, null to float.
    virtual CDockBar* FindDockBar();
    // A dock bar of `frame` that `rect` (screen) meets and whose side the bar accepts.
    CDockBar* FindDockBarIn(CFrameWnd* frame, const RECT& rect, DWORD sides) const;
    // Docks or floats the bar as the drop says.
    virtual void EndDrag();
    // Makes `frame` the bar's dock site (its layout, bar list and owner).
    void MoveToFrame(CFrameWnd* frame);
    virtual void InitLoop();
    virtual void CancelLoop();
    // Runs the mouse loop; TRUE when it ended with the left button up.
    BOOL Track();
    void Move(POINT point, BOOL ctrl);
    void Stretch(POINT point);
    void EndResize();
    void DrawFocusRect(BOOL remove = FALSE);
    // Remembers where the bar is now (docked or floating) before it moves.
    void RecordPlace();
    // The floating frame the bar sits in, null when docked.
    CFrameWnd* FloatingFrame() const;

    int m_nHitTest = 0;
    DWORD m_nResizeMode = 0;  // LM_ bits of the resize under way, 0 when none
    int m_nResizeLength = 0;
    RECT m_rectLast{};
    SIZE m_sizeLast{};
    BOOL m_bLastShown = FALSE;
};
