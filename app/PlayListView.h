// CPlayListView: the view of the mix as a list of tracks. For now the pane that the document
// template creates, which receives the document's hints; the list control, its columns and the
// commands on the selection come with the playlist view itself.
#pragma once

#include "classlib/ui/View.h"

class CBrennockDoc;

class CPlayListView : public CView {
    DECLARE_DYNCREATE(CPlayListView)
public:
    CBrennockDoc* GetDocument() const;

protected:
    CPlayListView() = default;
    void OnDraw(CDC* dc) override;
    void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;
};
