#include "toolkit/bars/frames/FrameWnd.h"

#include "classlib/ui/View.h"

IMPLEMENT_DYNCREATE(CUVFrameWnd, CFrameWnd)

BOOL CUVFrameWnd::ReplaceView(const CRuntimeClass* viewClass, CDocument* doc, CCreateContext* context)
{
    CView* old = GetActiveView();
    if (!doc && old)
        doc = old->GetDocument();
    CCreateContext own;
    if (!context)
        context = &own;
    context->m_pNewViewClass = viewClass;
    context->m_pCurrentDoc = doc;
    context->m_pCurrentFrame = this;
    context->m_pLastView = old;
    // The pane id passes to the new view; the old one gives it up first so the layout finds the
    // new one, and takes it back when the new view cannot be made.
    CWnd* pane = GetDlgItem(AFX_IDW_PANE_FIRST);
    if (pane)
        ::SetWindowLongPtrW(pane->m_hWnd, GWLP_ID, 0);
    CWnd* created = CreateView(context, AFX_IDW_PANE_FIRST);
    auto* view = dynamic_cast<CView*>(created);
    if (!view) {
        if (created)
            created->DestroyWindow();
        if (pane)
            ::SetWindowLongPtrW(pane->m_hWnd, GWLP_ID, AFX_IDW_PANE_FIRST);
        return FALSE;
    }
    view->SendMessage(WM_INITIALUPDATE, 0, 0);
    SetActiveView(view);
    RecalcLayout();
    if (pane)
        pane->DestroyWindow();
    return TRUE;
}
