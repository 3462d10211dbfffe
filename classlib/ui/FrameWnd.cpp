#include "classlib/ui/FrameWnd.h"

#include "classlib/ui/CmdUI.h"
#include "classlib/ui/ControlBar.h"
#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockState.h"
#include "classlib/ui/Document.h"
#include "classlib/ui/Menu.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "classlib/ui/ResourceException.h"
#include "classlib/ui/StatusBar.h"
#include "classlib/ui/View.h"
#include "classlib/ui/WindowedApp.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_SIZE()
ON_WM_SETFOCUS()
ON_WM_INITMENUPOPUP()
ON_MESSAGE(WM_IDLEUPDATECMDUI, &CFrameWnd::OnIdleUpdateCmdUI)
ON_COMMAND_EX_RANGE(AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, &CFrameWnd::OnBarCheck)
ON_UPDATE_COMMAND_UI_RANGE(AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, &CFrameWnd::OnUpdateControlBarMenu)
ON_MESSAGE(WM_SETMESSAGESTRING, &CFrameWnd::OnSetMessageString)
ON_MESSAGE(WM_POPMESSAGESTRING, &CFrameWnd::OnPopMessageString)
ON_NOTIFY_RANGE(TTN_NEEDTEXTW, 0, 0xFFFF, &CFrameWnd::OnToolTipText)
ON_MESSAGE(WM_MENUSELECT, &CFrameWnd::OnMenuSelect)
ON_MESSAGE(WM_SETTINGCHANGE, &CFrameWnd::OnSettingChangeMessage)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_CAPS, &CFrameWnd::OnUpdateKeyIndicator)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_NUM, &CFrameWnd::OnUpdateKeyIndicator)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_SCRL, &CFrameWnd::OnUpdateKeyIndicator)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_KANA, &CFrameWnd::OnUpdateKeyIndicator)
END_MESSAGE_MAP()

namespace {

// The sides in the order their dock bars are made, which is the order they take their space:
// top and bottom run the frame's full width, left and right fit between them.
constexpr struct {
    UINT id;
    DWORD align;
} kDockBars[] = {
    {AFX_IDW_DOCKBAR_TOP, CBRS_ALIGN_TOP},
    {AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_BOTTOM},
    {AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT},
    {AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_RIGHT},
};

}  // namespace

const wchar_t* CFrameWnd::LoadFrameResources(UINT resourceId)
{
    m_nIDHelp = resourceId;
    CString full;
    if (full.LoadString(resourceId)) {
        const int end = full.Find(L'\n');
        m_strTitle = end < 0 ? full : full.Left(end);
    }
    HICON icon = LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(resourceId));
    return AfxRegisterWndClass(CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                               icon);
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context)
{
    const wchar_t* className = LoadFrameResources(resourceId);
    const HINSTANCE resources = AfxGetResourceHandle();
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
    // A bar's layout can ask for another layout (a dock bar that wrapped a bar into a new row);
    // that one waits for idle time rather than running inside this one.
    if (!m_hWnd || m_bInRecalcLayout)
        return;
    m_bInRecalcLayout = TRUE;
    m_nIdleFlags &= ~(idleLayout | idleNotify);
    RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, reposExtra, &m_rectBorder);
    m_bInRecalcLayout = FALSE;
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    if (m_nIdleFlags & idleLayout) {
        RecalcLayout((m_nIdleFlags & idleNotify) != 0);
        UpdateWindow();
    }
    return 0;
}

void CFrameWnd::EnableDocking(DWORD dockStyle)
{
    for (const auto& side : kDockBars) {
        if (!(dockStyle & side.align) || GetControlBar(side.id))
            continue;
        auto* dockBar = new CDockBar;
        // A failed creation has deleted the dock bar (it deletes itself after its window).
        if (!dockBar->Create(this, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | side.align, side.id))
            throw CResourceException();
    }
}

void CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId, const RECT* rect)
{
    CDockBar* dockBar = nullptr;
    if (dockBarId) {
        CControlBar* found = GetControlBar(dockBarId);
        dockBar = found && found->IsDockBar() ? static_cast<CDockBar*>(found) : nullptr;
    }
    DockControlBar(bar, dockBar, rect);
}

void CFrameWnd::DockControlBar(CControlBar* bar, CDockBar* dockBar, const RECT* rect)
{
    // No dock bar given: the one of the side the bar is aligned to; none, nothing is docked.
    for (const auto& side : kDockBars) {
        if (dockBar || side.align != (bar->m_dwStyle & CBRS_ALIGN_ANY))
            continue;
        CControlBar* found = GetControlBar(side.id);
        if (found && found->IsDockBar())
            dockBar = static_cast<CDockBar*>(found);
    }
    if (dockBar)
        dockBar->DockControlBar(bar, rect);
}

void CFrameWnd::FloatControlBar(CControlBar* bar, POINT point, DWORD style)
{
    CDockBar* current = bar->m_pDockBar;
    if (current && current->m_bFloating && current->GetDockedCount() == 1) {
        CFrameWnd* floating = current->GetParentFrame();
        ::SetWindowPos(floating->m_hWnd, nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    CMiniDockFrameWnd* floating = CreateFloatingFrame(style);
    if (!floating)
        throw CResourceException();
    ::SetWindowPos(floating->m_hWnd, nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    floating->m_pDockBar->DockControlBar(bar);
    floating->RecalcLayout();
    RecalcLayout();
}

CMiniDockFrameWnd* CFrameWnd::CreateFloatingFrame(DWORD style)
{
    auto* floating = new CMiniDockFrameWnd;
    // A failed creation has deleted the frame (it deletes itself after its window).
    return floating->Create(this, style) ? floating : nullptr;
}

void CFrameWnd::GetMessageString(UINT id, CString& text) const
{
    CString full;
    if (!full.LoadString(id)) {
        text = CString();
        return;
    }
    const int end = full.Find(L'\n');
    text = end < 0 ? full : full.Left(end);
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM id, LPARAM textParam)
{
    CString text;
    if (id)
        GetMessageString(static_cast<UINT>(id), text);
    else if (textParam)
        text = reinterpret_cast<const wchar_t*>(textParam);
    if (CWnd* statusBar = GetDescendantWindow(AFX_IDW_STATUS_BAR))
        statusBar->SetWindowText(text);
    const UINT last = m_nIDLastMessage;
    m_nIDLastMessage = static_cast<UINT>(id);
    return last;
}

LRESULT CFrameWnd::OnPopMessageString(WPARAM id, LPARAM text)
{
    return OnSetMessageString(id, text);
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM itemAndFlags, LPARAM menu)
{
    const UINT item = LOWORD(itemAndFlags);
    const UINT flags = HIWORD(itemAndFlags);
    Default();
    if (flags == 0xFFFF && !menu) {
        // The menu closed.
        SendMessage(WM_POPMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
        return 0;
    }
    const bool noPrompt = item == 0 || (flags & (MF_SEPARATOR | MF_POPUP)) || (flags & MF_SYSMENU) || item >= 0xF000;
    SendMessage(WM_SETMESSAGESTRING, noPrompt ? 0 : item);
    return 0;
}

LRESULT CFrameWnd::OnSettingChangeMessage(WPARAM action, LPARAM section)
{
    const LRESULT result = Default();
    // Only top-level windows hear of a changed system setting; children that follow one (a
    // splitter's full-window dragging) hear it from their frame.
    if (!(GetStyle() & WS_CHILD))
        SendMessageToDescendants(WM_SETTINGCHANGE, action, section, TRUE, TRUE);
    return result;
}

void CFrameWnd::OnUpdateKeyIndicator(CCmdUI* state)
{
    UINT key = 0;
    switch (state->m_nID) {
    case ID_INDICATOR_CAPS:
        key = VK_CAPITAL;
        break;
    case ID_INDICATOR_NUM:
        key = VK_NUMLOCK;
        break;
    case ID_INDICATOR_SCRL:
        key = VK_SCROLL;
        break;
    default:
        key = VK_KANA;
        break;
    }
    state->Enable(::GetKeyState(static_cast<int>(key)) & 1);
}

void CFrameWnd::OnToolTipText(UINT, NMHDR* header, LRESULT* result)
{
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    *result = 0;
    // A tool named by its window has no command of its own.
    if (info->uFlags & TTF_IDISHWND)
        return;
    CString full;
    if (!full.LoadString(static_cast<UINT>(header->idFrom)))
        return;
    const int start = full.Find(L'\n');
    if (start < 0)
        return;
    const CString tip = full.Mid(start + 1);
    lstrcpynW(info->szText, tip, static_cast<int>(std::size(info->szText)));
    info->lpszText = info->szText;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL delay)
{
    CFrameWnd* frame = bar->GetDockingFrame();
    if (!frame)
        frame = this;
    if (delay) {
        bar->DelayShow(show);
        frame->DelayRecalcLayout();
        return;
    }
    ::SetWindowPos(bar->m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    // Cancels a delayed change that is still pending.
    bar->DelayShow(show);
    frame->RecalcLayout(FALSE);
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const
{
    for (CControlBar* bar : m_listControlBars) {
        if (static_cast<UINT>(bar->GetDlgCtrlID()) == id)
            return bar;
    }
    return nullptr;
}

void CFrameWnd::RemoveControlBar(CControlBar* bar)
{
    std::erase(m_listControlBars, bar);
}

BOOL CFrameWnd::OnBarCheck(UINT id)
{
    CControlBar* bar = GetControlBar(id);
    if (!bar)
        return FALSE;
    ShowControlBar(bar, !(bar->GetStyle() & WS_VISIBLE), FALSE);
    return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* state)
{
    if (CControlBar* bar = GetControlBar(state->m_nID))
        state->SetCheck((bar->GetStyle() & WS_VISIBLE) != 0);
    else
        state->ContinueRouting();
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

void CFrameWnd::GetDockState(CDockState& state) const
{
    state.Clear();
    // Floating dock bars belong to their floating frames' bar lists: each is recorded before
    // the first bar of this frame that sits in it.
    std::vector<CDockBar*> floating;
    for (CControlBar* bar : m_listControlBars) {
        CDockBar* dockBar = bar->m_pDockBar;
        if (dockBar && dockBar->m_bFloating && std::find(floating.begin(), floating.end(), dockBar) == floating.end()) {
            floating.push_back(dockBar);
            dockBar->GetBarInfo(&state.m_arrBarInfo.emplace_back());
        }
        bar->GetBarInfo(&state.m_arrBarInfo.emplace_back());
    }
}

void CFrameWnd::SetDockState(CDockState& state)
{
    for (CControlBarInfo& info : state.m_arrBarInfo) {
        info.m_pBar = nullptr;
        if (info.m_bFloating) {
            CMiniDockFrameWnd* frame = CreateFloatingFrame(info.m_bHorz ? CBRS_ALIGN_TOP : CBRS_ALIGN_LEFT);
            if (!frame)
                continue;
            RECT rect{info.m_pointPos.x, info.m_pointPos.y, info.m_pointPos.x + 10, info.m_pointPos.y + 10};
            ::AdjustWindowRectEx(&rect, frame->GetStyle(), FALSE, frame->GetExStyle());
            ::SetWindowPos(frame->m_hWnd, nullptr, rect.left, rect.top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            info.m_pBar = frame->m_pDockBar;
        } else {
            info.m_pBar = GetControlBar(info.m_nBarID);
        }
        if (info.m_pBar)
            info.m_pBar->m_nMRUWidth = info.m_nMRUWidth;
    }
    // Dock bars take their rows first, so that each bar is in place when its own entry moves it.
    for (const bool dockBars : {true, false}) {
        for (CControlBarInfo& info : state.m_arrBarInfo) {
            if (info.m_pBar && (info.m_pBar->IsDockBar() != FALSE) == dockBars)
                info.m_pBar->SetBarInfo(&info, this);
        }
    }
    for (CControlBarInfo& info : state.m_arrBarInfo) {
        if (!info.m_bFloating || !info.m_pBar)
            continue;
        auto* dockBar = static_cast<CDockBar*>(info.m_pBar);
        CFrameWnd* frame = dockBar->GetParentFrame();
        if (dockBar->GetDockedCount() == 0) {
            // Nothing of this frame exists any more.
            frame->DestroyWindow();
        } else if (dockBar->GetDockedVisibleCount() > 0) {
            frame->RecalcLayout();
            frame->ShowWindow(SW_SHOWNA);
        }
    }
    // The entries carry the windows found only while they are applied.
    for (CControlBarInfo& info : state.m_arrBarInfo)
        info.m_pBar = nullptr;
    DelayRecalcLayout();
}

void CFrameWnd::SaveBarState(const wchar_t* profileName) const
{
    CDockState state;
    GetDockState(state);
    state.SaveState(profileName);
}

void CFrameWnd::LoadBarState(const wchar_t* profileName)
{
    CDockState state;
    state.LoadState(profileName);
    SetDockState(state);
}
