// CView: a child window that shows a document. It joins the document of its creation context,
// routes commands to itself and then to the document, and draws in OnDraw.
#pragma once

#include "classlib/ui/Gdi.h"
#include "classlib/ui/Wnd.h"

class CDocument;

class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
    void PostNcDestroy() override;

    virtual void OnInitialUpdate();

protected:
    CView() = default;

    friend class CDocument;
    friend class CFrameWnd;
    // Called by CDocument::UpdateAllViews; the default repaints the view.
    virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);
    virtual void OnDraw(CDC* dc) = 0;
    virtual void OnActivateView(BOOL activate, CView* activateView, CView* deactiveView);

    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    void OnPaint();
    int OnMouseActivate(HWND topParent, UINT hitTest, UINT message);
    LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);

    CDocument* m_pDocument = nullptr;

    DECLARE_MESSAGE_MAP()
};
