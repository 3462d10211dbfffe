// CUVBarDragContext: the dock context of every toolkit bar. Over the class library's drag it
// tells up to four observers when a drag starts and ends, lets the bar keep the cursor at an
// offset of its own in the floating frame (0x89E3), and docks into another top-level frame of
// the application when the bar's own frame has no dock bar under the drag: the frame under the
// cursor that the bar accepts, else the active view's frame or the bar's own. Frames the drag
// reached into lay out again after it.
//
// Not handled here: handing the drag to a hosting rebar. No toolkit rebar exists, so even with
// the rebar-drag setting on, the bar runs its own drag.
#pragma once

#include "classlib/ui/DockContext.h"

#include <vector>

class CUVBarDragContext : public CDockContext {
public:
    using DragObserver = void (*)(void* context, CUVBarDragContext* drag, BOOL started);

    explicit CUVBarDragContext(CControlBar* bar) : CDockContext(bar) {}

    void StartDrag(POINT point) override;

    // Slot-wise: FALSE when all four slots are taken. The serial tells a slot's uses apart.
    BOOL AddDragObserver(DragObserver observer, void* context);
    void RemoveDragObserver(DragObserver observer, void* context);

    static constexpr int kObserverSlots = 4;

protected:
    void InitDragRects(POINT point) override;
    CDockBar* FindDockBar() override;
    void Notify(BOOL started);
    // Marks a frame the drag found a dock bar in for a layout after the loop.
    void TouchFrame(CFrameWnd* frame);

    struct Slot {
        void* context = nullptr;
        DragObserver observer = nullptr;
        UINT serial = 0;
    };
    Slot m_slots[kObserverSlots];
    UINT m_nextSerial = 1;
    BOOL m_bLoopEnded = FALSE;
    std::vector<CFrameWnd*> m_touchedFrames;
};
