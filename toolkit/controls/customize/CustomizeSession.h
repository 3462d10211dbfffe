// CUVCustomizeSession: the one process-wide object through which toolbars, menus, the main
// frame and the Customize dialog cooperate while the user customises the command bars. It holds
// the customise-mode switch, the observer lists by which bars and pages learn of each other's
// events, the button drag with its own capture and message loop, the rule of which commands may
// be customised, and a queue of objects whose deletion waits until customise mode ends. It has
// no window of its own; it reaches bars only through the callbacks they register and the window
// handles they give it. UI thread only.
//
// Not here yet: the Customize dialog, user toolbars (their create, float, load and save
// delegates stay empty: a frame's bar-state load and save find nothing to call), command
// categories and the find-popup delegate.
#pragma once

#include "classlib/core/Object.h"
#include "toolkit/controls/customize/ObserverList.h"

#include <windows.h>

#include <vector>

class CWnd;

// A bar or menu that accepts dropped buttons; registered in the drag context when a drag starts.
// Points are screen coordinates.
class CUVDropTarget {
public:
    virtual ~CUVDropTarget() = default;
    virtual BOOL HitTest(POINT point) = 0;
    // TRUE to become the current target; may clear *copyAllowed (the drop then moves).
    virtual BOOL Enter(void* data, POINT point, BOOL* copyAllowed) = 0;
    virtual void DragOver(POINT point) = 0;
    virtual void Leave() = 0;
    virtual void Drop(void* data, POINT point) = 0;
};

// What the drag-started observers receive (as their argument): they add their drop targets.
struct CUVDragContext {
    HCURSOR savedCursor = nullptr;
    HWND source = nullptr;
    void* data = nullptr;
    std::vector<CUVDropTarget*> targets;
    CUVDropTarget* current = nullptr;
    POINT lastPoint{};
    BOOL move = FALSE;
    BOOL copyAllowed = TRUE;
};

// {function, object} pairs the session calls through.
struct UVCustomizableRule {
    BOOL (*function)(void* object, UINT command) = nullptr;
    void* object = nullptr;
};
struct UVBarStateDelegate {
    BOOL (*function)(void* object, CWnd* frame, const wchar_t* profileName) = nullptr;
    void* object = nullptr;
};

class CUVCustomizeSession {
public:
    // The session's lists, in the order it holds them; each names what its argument is.
    enum List {
        buildCategories,       // the category array to fill
        fillCommandIcons,      // a CUVCommandIconMap* to fill
        enumerateToolbars,     // a delegate to call once per toolbar
        beforeButtonDrag,      // none
        customizeModeChanged,  // 1 on entering, 0 on leaving
        dragStarted,           // the CUVDragContext*
        toolbarVisibility,     // (toolbar, shown flag)
        toolbarCreated,        // the new toolbar's entry
        toolbarRenamed,        // (toolbar, new name)
        toolbarDestroyed,      // the toolbar
        commandRemoved,        // the command id
        listCount
    };

    static CUVCustomizeSession* GetInstance();

    CUVCustomizeSession(const CUVCustomizeSession&) = delete;
    CUVCustomizeSession& operator=(const CUVCustomizeSession&) = delete;

    CUVObserverList& GetList(List list) { return m_lists[list]; }

    // Raises "customize mode changed"; the session's own entry, always the first, keeps the flag
    // and empties the deletion queue on leaving.
    void SetCustomizeMode(BOOL on);
    BOOL IsCustomizeMode() const { return m_bCustomizeMode; }
    // Set while a button drag runs.
    BOOL IsDragging() const { return m_bDragging; }

    BOOL IsCommandCustomizable(UINT command) const;
    void SetCustomizableRule(const UVCustomizableRule& rule) { m_customizableRule = rule; }

    void QueueForDeletion(CObject* object) { m_deletionQueue.push_back(object); }
    // Deletes every queued object, repeating until the queue stays empty (a deleted object may
    // queue others).
    void DeleteQueuedObjects();

    // Drags `data` from the source window until a drop or a cancel; what the answer means is the
    // source's to decide (a toolbar removes the dragged button when it is TRUE: moved, or dropped
    // outside every target). FALSE at once while any window holds the mouse capture.
    BOOL RunButtonDrag(HWND source, BOOL allowCopy, void* data);

    // Removes `object` from every list; when only the session's own entry is left in the
    // customise-mode list, that goes too.
    void RemoveObserver(const void* object);

    // A frame's bar-state load and save call these first (empty until user toolbars land).
    UVBarStateDelegate m_loadBarState;
    UVBarStateDelegate m_saveBarState;

private:
    CUVCustomizeSession() = default;

    static void OnModeChanged(void* self, LPARAM on);
    void HitTest(CUVDragContext& drag, POINT point);
    void UpdateCursor(const CUVDragContext& drag);

    CUVObserverList m_lists[listCount];
    BOOL m_bCustomizeMode = FALSE;
    BOOL m_bDragging = FALSE;
    UVCustomizableRule m_customizableRule;
    std::vector<CObject*> m_deletionQueue;
};
