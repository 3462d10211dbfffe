#include "toolkit/bars/hooks/WndHook.h"

#include "classlib/ui/Wnd.h"

#include <unordered_map>

IMPLEMENT_DYNAMIC(CUVWndHook, CObject)

namespace {

// Window -> its newest hook. One UI thread owns every hooked window.
std::unordered_map<HWND, CUVWndHook*>& WindowMap()
{
    static std::unordered_map<HWND, CUVWndHook*> map;
    return map;
}

CUVWndHook* NewestHook(HWND hwnd)
{
    auto it = WindowMap().find(hwnd);
    return it == WindowMap().end() ? nullptr : it->second;
}

}  // namespace

CUVWndHook::~CUVWndHook()
{
    Detach();
}

BOOL CUVWndHook::HookWindow(HWND hwnd)
{
    if (hwnd)
        Attach(hwnd);
    else
        Detach();
    return TRUE;
}

BOOL CUVWndHook::HookWindowPtr(CWnd* wnd)
{
    return HookWindow(wnd ? wnd->GetSafeHwnd() : nullptr);
}

void CUVWndHook::Attach(HWND hwnd)
{
    if (m_hWnd == hwnd)
        return;
    Detach();
    CUVWndHook* previous = NewestHook(hwnd);
    m_pNext = previous;
    WindowMap()[hwnd] = this;
    m_hWnd = hwnd;
    if (previous) {
        m_pfnPrior = previous->m_pfnPrior;
    } else {
        m_pfnPrior = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CUVWndHook::HookWndProc)));
    }
}

void CUVWndHook::Detach()
{
    if (!m_hWnd)
        return;
    CUVWndHook* newest = NewestHook(m_hWnd);
    if (newest == this) {
        if (m_pNext) {
            WindowMap()[m_hWnd] = m_pNext;
        } else {
            WindowMap().erase(m_hWnd);
            if (IsWindow(m_hWnd))
                SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnPrior));
        }
    } else {
        for (CUVWndHook* hook = newest; hook; hook = hook->m_pNext) {
            if (hook->m_pNext == this) {
                hook->m_pNext = m_pNext;
                break;
            }
        }
    }
    m_hWnd = nullptr;
    m_pfnPrior = nullptr;
    m_pNext = nullptr;
}

LRESULT CUVWndHook::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pNext)
        return m_pNext->WindowProc(message, wParam, lParam);
    return CallWindowProcW(m_pfnPrior, m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CUVWndHook::HookWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Framework code reached from a hook (Default() of a window the class library also
    // subclasses) must see this message as the one being handled.
    MSG& current = AfxGetCurrentMessage();
    const MSG saved = current;
    current = MSG{hwnd, message, wParam, lParam, 0, {0, 0}};
    LRESULT result = 0;
    CUVWndHook* newest = NewestHook(hwnd);
    if (!newest) {
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    } else if (message == WM_NCDESTROY) {
        const WNDPROC prior = newest->m_pfnPrior;
        while (CUVWndHook* hook = NewestHook(hwnd))
            hook->Detach();
        result = CallWindowProcW(prior, hwnd, message, wParam, lParam);
    } else {
        result = newest->WindowProc(message, wParam, lParam);
    }
    current = saved;
    return result;
}
