// CMDIChildWnd: a frame inside an MDI frame's client window. Children of one type (one resource
// id) share one menu (m_hMenuShared, loaded once per type and kept for the process): while a child
// is active its frame shows that menu. Messages the child leaves alone go to DefMDIChildProc.
// Not handled here: per-child accelerators, MDI tabs.
#pragma once

#include "classlib/ui/FrameWnd.h"

class CMDIFrameWnd;

class CMDIChildWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMDIChildWnd)
public:
    // Title from string `resourceId`, the type's shared menu `resourceId` (null when there is no
    // such menu), created in `parent`'s MDI client.
    BOOL LoadFrame(UINT resourceId, DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* parent = nullptr, CCreateContext* context = nullptr) override;
    // Created through the client's WM_MDICREATE, so the client lists and activates the child.
    BOOL Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
                CCreateContext* context = nullptr);
    BOOL DestroyWindow() override;
    void ActivateFrame(int showCommand = -1) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CMDIFrameWnd* GetMDIFrame() const;
    void MDIActivate();
    void MDIMaximize();
    void MDIRestore();

    // The menu every child of type `resourceId` shows: loaded at its first use, then shared.
    static HMENU SharedMenu(UINT resourceId);

    HMENU m_hMenuShared = nullptr;

protected:
    int OnCreate(LPCREATESTRUCT cs);
    LRESULT OnMDIActivate(WPARAM deactivated, LPARAM activated);

    DECLARE_MESSAGE_MAP()
};
