#include "toolkit/bars/menubar/MenuBarHooks.h"

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/menubar/MenuBar.h"
#include "toolkit/bars/menus/MenuState.h"

IMPLEMENT_DYNAMIC(CUVMBarWndHook, CUVWndHook)
IMPLEMENT_DYNAMIC(CUVMBarMDIWndHook, CUVMBarWndHook)

BOOL& UVLastCommandWasFullMenus()
{
    static BOOL fullMenus = FALSE;
    return fullMenus;
}

void CUVMBarWndHook::AttachBar(CUVMenuBar* bar, HWND hwnd)
{
    m_pBar = bar;
    HookWindow(hwnd);
}

BOOL CUVMBarWndHook::HandleShared(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_PAINT:
        if (m_hWnd == m_pBar->m_hWndMDIClient && m_pBar->RefreshMaximizedChild())
            m_pBar->RecalcAfterChange();
        return FALSE;
    case WM_NCACTIVATE: {
        CWnd* owner = m_pBar->GetOwnerFrame();
        BOOL active = static_cast<BOOL>(wParam);
        // The frame stays active while a popup of the bar is open: the popup took the
        // activation only on the frame's behalf.
        if (m_pBar->m_nState == CUVMenuBar::stateTracking)
            active = TRUE;
        else if (owner && !owner->IsWindowEnabled())
            active = FALSE;
        m_pBar->SetActive(active);
        return FALSE;
    }
    case WM_COMMAND:
        UVLastCommandWasFullMenus() = LOWORD(wParam) == ID_UV_DISPLAY_FULL_MENUS;
        return FALSE;
    case WM_MDISETMENU: {
        CWnd* owner = m_pBar->GetOwnerFrame();
        if (wParam || lParam)
            m_pBar->SetMenu(reinterpret_cast<HMENU>(wParam), reinterpret_cast<HMENU>(lParam));
        if (owner)
            ::SetMenu(owner->m_hWnd, nullptr);
        *result = 0;
        return TRUE;
    }
    case WM_MDIREFRESHMENU:
        m_pBar->Invalidate();
        *result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CUVMBarWndHook::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_pBar || !::IsWindow(m_hWnd))
        return CUVWndHook::WindowProc(message, wParam, lParam);
    if (HWND target = m_pBar->GetMenuMessageTarget(message)) {
        if (message == WM_COMMAND) {
            ::PostMessageW(target, message, wParam, lParam);
            return 0;
        }
        return ::SendMessageW(target, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (HandleShared(message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_SYSCOLORCHANGE:
        m_pBar->RecalcFonts();
        m_pBar->Invalidate();
        break;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) {
            if (reinterpret_cast<HMENU>(wParam) == m_pBar->m_hWindowMenu)
                m_pBar->OnWindowMenuPopup();
            if (m_pBar->m_nTrackedItem >= 0)
                lParam = MAKELPARAM(m_pBar->m_nTrackedItem, HIWORD(lParam));
        }
        break;
    case WM_MENUSELECT:
        m_pBar->OnMenuSelect(HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        break;
    default:
        break;
    }
    return CUVWndHook::WindowProc(message, wParam, lParam);
}

LRESULT CUVMBarMDIWndHook::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (m_pBar && ::IsWindow(m_hWnd) && HandleShared(message, wParam, lParam, &result))
        return result;
    return CUVWndHook::WindowProc(message, wParam, lParam);
}
