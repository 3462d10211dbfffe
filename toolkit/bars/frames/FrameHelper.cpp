#include "toolkit/bars/frames/FrameHelper.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MDIChildWnd.h"
#include "classlib/ui/MDIFrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/controls/customize/CustomizeSession.h"

CUVMenuBar* UVFindMenuBar(const CFrameWnd* frame)
{
    CControlBar* bar = frame ? frame->GetControlBar(IDW_UV_MENUBAR) : nullptr;
    return bar && bar->IsKindOf(RUNTIME_CLASS(CUVMenuBar)) ? static_cast<CUVMenuBar*>(bar) : nullptr;
}

CUVFrameHelper::~CUVFrameHelper()
{
    // Bars and buttons removed while the user customised may still be queued: a frame that goes
    // takes them with it, before its own menu bar and cool menu (the members, after this body).
    CUVCustomizeSession::GetInstance()->DeleteQueuedObjects();
}

CUVMenuBar* CUVFrameHelper::MenuBar()
{
    if (m_menuBar.GetSafeHwnd())
        return &m_menuBar;
    CUVMenuBar* found = UVFindMenuBar(m_pFrame);
    return found ? found : &m_menuBar;
}

BOOL CUVFrameHelper::InstallCoolMenus(UINT toolbarId)
{
    uvAfxData.m_bCoolMenus = TRUE;
    if (!m_coolMenu.Install(m_pFrame))
        return FALSE;
    return m_coolMenu.LoadToolbars(&toolbarId, 1);
}

HMENU CUVFrameHelper::GetFrameMenu()
{
    // A child window's menu slot holds its control id, not a menu.
    if (!(m_pFrame->GetStyle() & WS_CHILD)) {
        if (HMENU own = ::GetMenu(m_pFrame->m_hWnd))
            return own;
    }
    const CUVMenuBar* bar = MenuBar();
    if (!bar->GetSafeHwnd() && m_pFrame->IsKindOf(RUNTIME_CLASS(CMDIChildWnd)))
        bar = UVFindMenuBar(static_cast<CMDIChildWnd*>(m_pFrame)->GetMDIFrame());
    return bar && bar->GetSafeHwnd() ? bar->GetMenu() : nullptr;
}

BOOL CUVFrameHelper::HideCommand(UINT id)
{
    if (uvAfxData.m_bCoolMenus)
        m_coolMenu.HideCommand(id);
    return MenuBar()->HideCommand(id);
}

BOOL CUVFrameHelper::HideCommands(const UINT* ids, int count)
{
    if (uvAfxData.m_bCoolMenus)
        m_coolMenu.HideCommands(ids, count);
    return MenuBar()->HideCommands(ids, count);
}

BOOL CUVFrameHelper::UseClassWithIcon(CREATESTRUCTW& cs, UINT iconId)
{
    HICON icon = LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(iconId));
    cs.lpszClass = AfxRegisterWndClass(0, nullptr, nullptr, icon);
    return cs.lpszClass != nullptr;
}

void CUVFrameHelper::RefreshLook()
{
    uvAfxData.LoadColors();
    uvAfxData.LoadSysMetrics();
}

BOOL CUVFrameHelper::TranslateMessage(MSG* msg)
{
    CUVMenuBar* bar = MenuBar();
    return bar->GetSafeHwnd() && bar->TranslateFrameMessage(msg);
}
