#include "classlib/ui/FrameWnd.h"

#include "classlib/ui/CmdUI.h"
#include "classlib/ui/Document.h"
#include "classlib/ui/Menu.h"
#include "classlib/ui/View.h"
#include "classlib/ui/WindowedApp.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_SIZE()
ON_WM_SETFOCUS()
ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context)
{
    m_nIDHelp = resourceId;
    CString full;
    if (full.LoadString(resourceId)) {
        const int end = full.Find(L'\n');
        m_strTitle = end < 0 ? full : full.Left(end);
    }
    const HINSTANCE resources = AfxGetResourceHandle();
    HICON icon = LoadIconW(resources, MAKEINTRESOURCEW(resourceId));
    const wchar_t* className = AfxRegisterWndClass(CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW),
                                                   reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), icon);
    const RECT rect{static_cast<LONG>(CW_USEDEFAULT), 0, 0, 0};
    if (!Create(className, m_strTitle, style, rect, parent, MAKEINTRESOURCEW(resourceId), 0, context))
        return FALSE;
    m_hAccelTable = LoadAcceleratorsW(resources, MAKEINTRESOURCEW(resourceId));
    if (!context)
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    return TRUE;
}

BOOL CFrameWnd::Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, CWnd* parent,
                       const wchar_t* menuName, DWORD exStyle, CCreateContext* context)
{
    HMENU menu = menuName ? ::LoadMenuW(AfxGetResourceHandle(), menuName) : nullptr;
    const bool useDefault = rect.left == static_cast<LONG>(CW_USEDEFAULT);
    if (!CreateEx(exStyle, className, title, style, rect.left, useDefault ? CW_USEDEFAULT : rect.top,
                  useDefault ? CW_USEDEFAULT : rect.right - rect.left,
                  useDefault ? CW_USEDEFAULT : rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr, menu,
                  context)) {
        if (menu && !IsMenu(menu))
            return FALSE;
        if (menu)
            DestroyMenu(menu);
        return FALSE;
    }
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    auto* context = static_cast<CCreateContext*>(cs->lpCreateParams);
    if (!OnCreateClient(cs, context))
        return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context)
{
    if (context && context->m_pNewViewClass)
        return CreateView(context, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* context, UINT id)
{
    CObject* object = context->m_pNewViewClass->CreateObject();
    if (!object)
        return nullptr;
    auto* view = dynamic_cast<CWnd*>(object);
    if (!view) {
        delete object;
        return nullptr;
    }
    // A view that fails to be created has deleted itself in PostNcDestroy.
    if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{0, 0, 0, 0}, this, id, context))
        return nullptr;
    return view;
}

void CFrameWnd::RecalcLayout(BOOL)
{
    if (!m_hWnd)
        return;
    RECT client;
    GetClientRect(&client);
    if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST))
        ::MoveWindow(pane, client.left, client.top, client.right - client.left, client.bottom - client.top, TRUE);
}

void CFrameWnd::OnSize(UINT type, int, int)
{
    Default();
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnSetFocus(HWND oldFocus)
{
    if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->SetFocus();
    else
        CWnd::OnSetFocus(oldFocus);
}

void CFrameWnd::InitialUpdateFrame(CDocument* doc, BOOL makeVisible)
{
    if (!m_pViewActive) {
        // The first pane's view, also when it sits in a splitter (whose first pane has that id).
        if (CWnd* pane = GetDescendantWindow(AFX_IDW_PANE_FIRST, RUNTIME_CLASS(CView)))
            SetActiveView(static_cast<CView*>(pane), FALSE);
    }
    SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    if (makeVisible) {
        CWindowedApp* app = AfxGetWindowedApp();
        ActivateFrame(app && app->m_pMainWnd == this ? app->m_nCmdShow : -1);
        if (m_pViewActive)
            m_pViewActive->OnActivateView(TRUE, m_pViewActive, m_pViewActive);
    }
    if (doc)
        doc->UpdateFrameCounts();
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int showCommand)
{
    if (showCommand == -1)
        showCommand = IsIconic() ? SW_RESTORE : SW_SHOW;
    ShowWindow(showCommand);
    if (showCommand != SW_HIDE)
        UpdateWindow();
}

void CFrameWnd::SetActiveView(CView* view, BOOL notify)
{
    CView* old = m_pViewActive;
    if (view == old)
        return;
    m_pViewActive = view;
    if (notify && old)
        old->OnActivateView(FALSE, view, old);
    if (notify && view)
        view->OnActivateView(TRUE, view, old);
}

CDocument* CFrameWnd::GetActiveDocument()
{
    return m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
}

void CFrameWnd::OnUpdateFrameTitle(BOOL addToTitle)
{
    if (!m_hWnd || !(GetStyle() & FWS_ADDTOTITLE))
        return;
    CDocument* doc = GetActiveDocument();
    UpdateFrameTitleForDocument(addToTitle && doc ? doc->GetTitle().GetString() : nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(const wchar_t* docName)
{
    CString text;
    if (!docName || !*docName)
        text = m_strTitle;
    else if (GetStyle() & FWS_PREFIXTITLE)
        text = CString(docName) + L" - " + m_strTitle;
    else
        text = m_strTitle + L" - " + docName;
    CString current;
    GetWindowText(current);
    if (!(current == text))
        SetWindowText(text);
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info)
{
    if (m_pViewActive && m_pViewActive->OnCmdMsg(id, code, extra, info))
        return TRUE;
    if (CWnd::OnCmdMsg(id, code, extra, info))
        return TRUE;
    CWindowedApp* app = AfxGetWindowedApp();
    return app && app->OnCmdMsg(id, code, extra, info);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        return m_hAccelTable && TranslateAcceleratorW(m_hWnd, m_hAccelTable, msg);
    return FALSE;
}

void CFrameWnd::OnInitMenuPopup(HMENU popupHandle, UINT, BOOL sysMenu)
{
    Default();
    if (sysMenu)
        return;
    CMenu* popup = CMenu::FromHandle(popupHandle);
    CCmdUI state;
    state.m_pMenu = popup;
    state.m_nIndexMax = static_cast<UINT>(popup->GetMenuItemCount());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; state.m_nIndex++) {
        state.m_nID = popup->GetMenuItemID(static_cast<int>(state.m_nIndex));
        if (state.m_nID == 0)
            continue;  // separator
        if (state.m_nID == static_cast<UINT>(-1)) {
            // An item that opens a popup: updated by its popup's first command.
            state.m_pSubMenu = popup->GetSubMenu(static_cast<int>(state.m_nIndex));
            if (!state.m_pSubMenu || (state.m_nID = state.m_pSubMenu->GetMenuItemID(0)) == 0 ||
                state.m_nID == static_cast<UINT>(-1))
                continue;
            state.DoUpdate(this, FALSE);
        } else {
            state.m_pSubMenu = nullptr;
            state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
        }
        // An update handler may have added or removed items (the recent-file list does).
        const UINT count = static_cast<UINT>(popup->GetMenuItemCount());
        if (count < state.m_nIndexMax) {
            state.m_nIndex -= state.m_nIndexMax - count;
            while (state.m_nIndex < count && popup->GetMenuItemID(static_cast<int>(state.m_nIndex)) == state.m_nID)
                state.m_nIndex++;
        }
        state.m_nIndexMax = count;
    }
}

void CFrameWnd::OnClose()
{
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame(this))
        return;
    CWindowedApp* app = AfxGetWindowedApp();
    if (app && app->m_pMainWnd == this) {
        if (!doc && !app->SaveAllModified())
            return;
        // Closing the documents destroys their frames, this one among them.
        app->CloseAllDocuments(FALSE);
        if (!app->m_pMainWnd)
            return;
    }
    DestroyWindow();
}

void CFrameWnd::PostNcDestroy()
{
    delete this;
}
