#include "classlib/ui/MDIFrameWnd.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/AfxIds.h"
#include "classlib/ui/MDIChildWnd.h"

IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
ON_MESSAGE(WM_DESTROY, &CMDIFrameWnd::OnDestroyMessage)
END_MESSAGE_MAP()

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT cs, CCreateContext*)
{
    m_hMenuDefault = ::GetMenu(m_hWnd);
    return CreateClient(cs, GetWindowMenuPopup(m_hMenuDefault));
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCT, HMENU windowMenu)
{
    CLIENTCREATESTRUCT client{windowMenu, AFX_IDM_FIRST_MDICHILD};
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    m_hWndMDIClient = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0,
        0, rect.right, rect.bottom, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)),
        AfxGetInstanceHandle(), &client);
    return m_hWndMDIClient != nullptr;
}

HMENU CMDIFrameWnd::GetWindowMenuPopup(HMENU menuBar) const
{
    if (!menuBar)
        return nullptr;
    const int count = ::GetMenuItemCount(menuBar);
    for (int i = 0; i < count; ++i) {
        HMENU popup = ::GetSubMenu(menuBar, i);
        if (!popup)
            continue;
        const int items = ::GetMenuItemCount(popup);
        for (int j = 0; j < items; ++j) {
            const UINT id = ::GetMenuItemID(popup, j);
            if (id >= AFX_IDM_WINDOW_FIRST && id <= AFX_IDM_WINDOW_LAST)
                return popup;
        }
    }
    return nullptr;
}

void CMDIFrameWnd::OnUpdateFrameMenu(HMENU alternative)
{
    HMENU menu = alternative;
    if (CMDIChildWnd* child = MDIGetActive(); !menu && child)
        menu = child->m_hMenuShared;
    if (!menu)
        menu = m_hMenuDefault;
    MDISetMenu(menu, GetWindowMenuPopup(menu));
    ::DrawMenuBar(m_hWnd);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const
{
    BOOL isMaximized = FALSE;
    HWND active = m_hWndMDIClient ? reinterpret_cast<HWND>(::SendMessageW(m_hWndMDIClient, WM_MDIGETACTIVE, 0,
                                                                          reinterpret_cast<LPARAM>(&isMaximized)))
                                  : nullptr;
    if (maximized)
        *maximized = active && isMaximized;
    return dynamic_cast<CMDIChildWnd*>(CWnd::FromHandlePermanent(active));
}

HMENU CMDIFrameWnd::MDISetMenu(HMENU frameMenu, HMENU windowMenu)
{
    return reinterpret_cast<HMENU>(::SendMessageW(m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(frameMenu),
                                                  reinterpret_cast<LPARAM>(windowMenu)));
}

void CMDIFrameWnd::MDIActivate(CWnd* child) const
{
    ::SendMessageW(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDIMaximize(CWnd* child) const
{
    ::SendMessageW(m_hWndMDIClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDIRestore(CWnd* child) const
{
    ::SendMessageW(m_hWndMDIClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child->m_hWnd), 0);
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (m_hWndMDIClient && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
        ::TranslateMDISysAccel(m_hWndMDIClient, msg))
        return TRUE;
    return CFrameWnd::PreTranslateMessage(msg);
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info)
{
    if (CMDIChildWnd* child = MDIGetActive(); child && child->OnCmdMsg(id, code, extra, info))
        return TRUE;
    return CFrameWnd::OnCmdMsg(id, code, extra, info);
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefFrameProcW(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

// The shared menus belong to their child types and are not destroyed with the window: the frame's
// own menu goes back in their place, or is destroyed here when the frame shows no menu.
LRESULT CMDIFrameWnd::OnDestroyMessage(WPARAM, LPARAM)
{
    HMENU shown = ::GetMenu(m_hWnd);
    if (m_hMenuDefault && shown != m_hMenuDefault) {
        if (shown)
            ::SetMenu(m_hWnd, m_hMenuDefault);
        else
            ::DestroyMenu(m_hMenuDefault);
    }
    m_hMenuDefault = nullptr;
    return Default();
}
