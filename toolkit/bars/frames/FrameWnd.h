// CUVFrameWnd: the toolkit's single-document main frame (CUVFrameImpl: docking, bar layout, cool
// menus, menu bar, hidden commands). It can also swap its view for a view of another class.
//
// Not handled here yet: the Customize dialog (it comes with the customisation dialogs; until
// then its command has no handler).
#pragma once

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/frames/FrameImpl.h"

class CDocument;
struct CCreateContext;

class CUVFrameWnd : public CUVFrameImpl<CFrameWnd> {
    DECLARE_DYNCREATE(CUVFrameWnd)
public:
    CUVFrameWnd() = default;

    // A new view of `viewClass` becomes the pane (AFX_IDW_PANE_FIRST) for `doc` (null: the
    // active view's document), gets its initial update and becomes the active view; the view
    // it replaces is destroyed. FALSE, with the old view kept, when the new one cannot be made.
    virtual BOOL ReplaceView(const CRuntimeClass* viewClass, CDocument* doc = nullptr,
                             CCreateContext* context = nullptr);
};
