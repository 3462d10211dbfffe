#include "app/PlayListView.h"

#include "app/BrennockDoc.h"

IMPLEMENT_DYNCREATE(CPlayListView, CView)

CBrennockDoc* CPlayListView::GetDocument() const
{
    return static_cast<CBrennockDoc*>(m_pDocument);
}

void CPlayListView::OnDraw(CDC*)
{
    // The window class's background is the whole picture until the list control lives here.
}

void CPlayListView::OnUpdate(CView*, LPARAM, CObject*)
{
    // The list reacts to engine codes once it exists; until then no hint changes the picture.
}
