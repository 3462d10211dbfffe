// CUVToolBarEditor: a toolbar's edit controller while the customise core is in customise mode.
// It sees the toolbar's messages first: a click selects a button (framed), a drag hands the
// button to the core's button drag, the toolbar itself is a drop target that moves the button
// to the insertion mark, and a drag that ends off every bar removes the button. Its message
// filter sees what the bar's children are sent: their timers stop and their mouse messages act
// on the bar (a control over a button is selected and dragged as that button). Exists from
// customise mode on to customise mode off. UI thread only.
#pragma once

#include "toolkit/controls/customize/CustomizeSession.h"

#include <windows.h>

class CUVToolBar;

// What a toolbar hands the core's drag: where the button comes from.
struct UVButtonDragData {
    CUVToolBar* source = nullptr;
    int index = -1;
    UINT command = 0;
};

class CUVToolBarEditor : public CUVDropTarget {
public:
    explicit CUVToolBarEditor(CUVToolBar* bar);
    ~CUVToolBarEditor() override;
    CUVToolBarEditor(const CUVToolBarEditor&) = delete;
    CUVToolBarEditor& operator=(const CUVToolBarEditor&) = delete;

    // TRUE when the message was handled here and goes no further.
    BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Messages for the bar and its children before they are dispatched; TRUE: eaten.
    BOOL FilterMessage(MSG* msg);
    int GetSelection() const { return m_nSelected; }
    void ClearSelection() { Select(-1); }

    BOOL HitTest(POINT point) override;
    BOOL Enter(void* data, POINT point, BOOL* copyAllowed) override;
    void DragOver(POINT point) override;
    void Leave() override;
    void Drop(void* data, POINT point) override;

private:
    static void OnDragStarted(void* self, LPARAM context);
    void Select(int index);
    void PostSelectionPaint();
    void PaintSelection();
    void StartDrag(int index);
    // The bar counts as horizontal unless it is docked left or right.
    BOOL Horizontal() const;
    // The button under `point` (client): a button, or a separator that holds a control; -1.
    int ButtonAt(POINT point) const;
    // The index a drop at `point` (screen) inserts at, and the mark's strip; -1 for no mark.
    int InsertionAt(POINT point, RECT* mark) const;
    void UpdateMark(POINT point);
    void HideMark();

    CUVToolBar* m_pBar;
    int m_nSelected = -1;
    int m_nSerial = 0;
    int m_nSource = -1;
    int m_nInsert = -1;
    RECT m_mark{};
    BOOL m_bDroppedOnSelf = FALSE;
    // The dragged button widened along the bar by half a button: until the pointer leaves it,
    // no mark is shown that touches it.
    RECT m_sourceArea{};
    mutable BOOL m_bOverSource = FALSE;
};
