// CDockBar: one side of a frame where control bars dock, in rows. The frame makes one per side
// (EnableDocking); each lays its bars out in its fixed layout and takes its thickness from the
// frame in WM_SIZEPARENT like any bar.
//
// The bar array: a null entry first, then each row's bars followed by a null that ends the row.
// A bar that leaves may leave a placeholder (its control id in place of the pointer) so that it
// can come back to its old place.
//
// Not handled here: painting (the class's background only), floating frames, the drag loop.
#pragma once

#include "classlib/ui/ControlBar.h"

#include <vector>

class CDockBar : public CControlBar {
    DECLARE_DYNAMIC(CDockBar)
public:
    explicit CDockBar(BOOL floating = FALSE);

    // `style`: window bits and the side's CBRS_ALIGN_ bit; `id`: one of AFX_IDW_DOCKBAR_*.
    BOOL Create(CWnd* parent, DWORD style, UINT id);

    BOOL IsDockBar() const override { return TRUE; }
    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    // A dock bar has no items of its own: its bars update theirs.
    void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}

    // Docks `bar` here: with `rect` (screen coordinates) into the row under the rectangle's
    // middle, after the bars that start before it; without, as a new last row. The bar takes
    // this side's alignment, all four border bits and CBRS_FLOATING exactly when this dock bar
    // floats; it leaves its former dock bar and the frame is marked for a new layout.
    virtual void DockControlBar(CControlBar* bar, const RECT* rect = nullptr);
    // Takes `bar` out (not at `posExclude`); with `addPlaceHolder` its id stays in its place.
    BOOL RemoveControlBar(CControlBar* bar, int posExclude = -1, BOOL addPlaceHolder = FALSE);
    void RemovePlaceHolder(CControlBar* bar);
    // Index of `entry` (a bar or a placeholder) in the bar array, -1 when absent.
    int FindBar(const void* entry, int posExclude = -1) const;
    // The bar at `pos`: null for a row end or a placeholder.
    CControlBar* GetDockedControlBar(int pos) const;
    int GetDockedCount() const;
    int GetDockedVisibleCount() const;

    // The dock bar's rows as control ids (a placeholder's id with kPlaceHolderFlag, 0 for a row
    // end); a floating dock bar also gives its frame's place and visibility.
    void GetBarInfo(CControlBarInfo* info) override;
    // Rebuilds the rows from `info`'s ids, taking each named bar of `frame` from wherever it is.
    // Ids of bars that do not exist are skipped, a bar named twice counts once, and bars of
    // this dock bar that the list leaves out keep a row of their own at the end.
    void SetBarInfo(CControlBarInfo* info, CFrameWnd* frame) override;

    static void* PlaceHolderFor(UINT id) { return reinterpret_cast<void*>(static_cast<UINT_PTR>(id)); }
    static bool IsPlaceHolder(const void* entry) { return entry && reinterpret_cast<UINT_PTR>(entry) <= 0xFFFF; }

    std::vector<void*> m_arrBars{nullptr};
    BOOL m_bFloating;
    BOOL m_bLayoutQuery = FALSE;  // the layout under way only measures
    RECT m_rectLayout{};          // the frame's free rectangle of the layout under way

protected:
    // Index at which `bar` goes for a drop at `rect` (client coordinates); inserts row ends as
    // needed.
    int Insert(CControlBar* bar, const RECT& rect);

    LRESULT OnSizeParent(WPARAM wParam, LPARAM layout);

    DECLARE_MESSAGE_MAP()
};
