#include "classlib/ui/Wnd.h"

#include "classlib/ui/CmdUI.h"
#include "classlib/ui/ControlBar.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Menu.h"
#include "classlib/ui/WindowedApp.h"

#include <memory>
#include <unordered_map>
#include <vector>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

// All window state belongs to the thread that made the windows (the UI thread).
thread_local std::unordered_map<HWND, CWnd*> t_permanent;
thread_local std::unordered_map<HWND, std::unique_ptr<CWnd>> t_temporary;
thread_local CWnd* t_wndInit = nullptr;  // the object whose window is being created
thread_local MSG t_lastSent{};           // the message being handled, for Default()

}  // namespace

LRESULT CALLBACK AfxCbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_wndInit) {
        CWnd* wnd = t_wndInit;
        t_wndInit = nullptr;
        const HWND hwnd = reinterpret_cast<HWND>(wParam);
        wnd->Attach(hwnd);
        wnd->m_pfnSuper =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

MSG& AfxGetCurrentMessage()
{
    return t_lastSent;
}

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    const MSG saved = t_lastSent;
    t_lastSent = MSG{hwnd, message, wParam, lParam, 0, {0, 0}};
    LRESULT result = 0;
    // No C++ exception may unwind through the system's message dispatch: a handler that throws
    // fails its message (creation fails with -1), and the window goes on.
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        result = message == WM_CREATE ? -1 : 0;
    }
    if (message == WM_NCDESTROY) {
        CWindowedApp* app = AfxGetWindowedApp();
        if (app && app->m_pMainWnd == wnd) {
            app->m_pMainWnd = nullptr;
            PostQuitMessage(0);
        }
        if (wnd->m_pfnSuper)
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
        wnd->m_pfnSuper = nullptr;
        wnd->Detach();
        wnd->PostNcDestroy();
    }
    t_lastSent = saved;
    return result;
}

CWnd::~CWnd()
{
    if (m_hWnd && t_permanent.count(m_hWnd) && t_permanent[m_hWnd] == this) {
        // An object that goes while its window lives: the window falls back to its own procedure.
        if (m_pfnSuper)
            SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        t_permanent.erase(m_hWnd);
    }
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, void* param)
{
    CREATESTRUCTW cs{};
    cs.dwExStyle = static_cast<LONG>(exStyle);
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = static_cast<LONG>(style);
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.hwndParent = parent;
    cs.hMenu = menuOrId;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    HWND hwnd = CreateAttached([&] {
        return CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                               cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    });
    if (!hwnd) {
        // A window whose WM_CREATE failed has already been destroyed and its object told so.
        if (m_hWnd)
            return FALSE;
        PostNcDestroy();
        return FALSE;
    }
    return TRUE;
}

HWND CWnd::CreateAttached(const std::function<HWND()>& create)
{
    HHOOK hook = SetWindowsHookExW(WH_CBT, &AfxCbtHook, nullptr, GetCurrentThreadId());
    t_wndInit = this;
    HWND hwnd = create();
    t_wndInit = nullptr;
    if (hook)
        UnhookWindowsHookEx(hook);
    return hwnd;
}

BOOL CWnd::Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, void* param)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::Attach(HWND hwnd)
{
    if (!hwnd)
        return FALSE;
    m_hWnd = hwnd;
    t_permanent[hwnd] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hwnd = m_hWnd;
    if (hwnd) {
        auto it = t_permanent.find(hwnd);
        if (it != t_permanent.end() && it->second == this)
            t_permanent.erase(it);
    }
    m_hWnd = nullptr;
    return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!Attach(hwnd))
        return FALSE;
    m_pfnSuper =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper)
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd)
{
    auto it = t_permanent.find(hwnd);
    return it == t_permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    if (CWnd* wnd = FromHandlePermanent(hwnd))
        return wnd;
    auto& slot = t_temporary[hwnd];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hwnd;  // a temporary wrapper is not in the permanent map
    }
    return slot.get();
}

void AfxDeleteTempWnds()
{
    for (auto& [hwnd, wnd] : t_temporary)
        wnd->m_hWnd = nullptr;
    t_temporary.clear();
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg)
{
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandlePermanent(hwnd); wnd && wnd->PreTranslateMessage(msg))
            return TRUE;
        if (hwnd == stop)
            break;
    }
    return FALSE;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *result = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        LRESULT notifyResult = 0;
        if (!OnNotify(wParam, lParam, &notifyResult))
            return FALSE;
        *result = notifyResult;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message);
    if (!entry) {
        if (message != WM_DRAWITEM)
            return FALSE;
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        CWnd* control = draw && draw->CtlType != ODT_MENU ? FromHandlePermanent(draw->hwndItem) : nullptr;
        return control && control != this && control->OnChildNotify(message, wParam, lParam, result);
    }
    AfxMsgCall call{message, wParam, lParam, 0, nullptr, 0};
    entry->pfn(this, call);  // the object may be gone now (a handler that destroyed its window)
    *result = call.result;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_lastSent.message, t_lastSent.wParam, t_lastSent.lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const HWND control = reinterpret_cast<HWND>(lParam);
    int code = HIWORD(wParam);
    if (!control) {
        // A menu item or accelerator: a command its update handler disabled is not carried out
        // (an accelerator can fire while the menu item is grayed).
        code = CN_COMMAND;
        struct CTestCmdUI : CCmdUI {
            BOOL enabled = TRUE;
            void Enable(BOOL on) override
            {
                enabled = on;
                m_bEnableChanged = TRUE;
            }
            void SetCheck(int) override {}
            void SetRadio(BOOL) override {}
            void SetText(const wchar_t*) override {}
        } state;
        state.m_nID = id;
        OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.enabled)
            return TRUE;
    } else if (id == 0) {
        return FALSE;
    }
    return OnCmdMsg(id, code, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header || !header->hwndFrom)
        return FALSE;
    AFX_NOTIFY notify{result, header};
    const int code = static_cast<int>(MAKELONG(static_cast<WORD>(header->code), WM_NOTIFY));
    return OnCmdMsg(static_cast<UINT>(header->idFrom), code, &notify, nullptr);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL deep, BOOL onlyPermanent)
{
    std::vector<HWND> children;
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetNextWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children) {
        if (!::IsWindow(child))
            continue;
        if (onlyPermanent) {
            if (FromHandlePermanent(child))
                AfxWndProc(child, message, wParam, lParam);
        } else {
            ::SendMessageW(child, message, wParam, lParam);
        }
        if (deep && ::IsWindow(child) && ::GetTopWindow(child)) {
            CWnd temp;
            temp.m_hWnd = child;
            temp.SendMessageToDescendants(message, wParam, lParam, deep, onlyPermanent);
            temp.m_hWnd = nullptr;
        }
    }
}

void CWnd::GetWindowText(CString& text) const
{
    const int length = ::GetWindowTextLengthW(m_hWnd);
    wchar_t* buffer = text.GetBuffer(length + 1);
    const int copied = ::GetWindowTextW(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer(copied);
}

CWnd* CWnd::GetDescendantWindow(int id, const CRuntimeClass* cls) const
{
    std::vector<HWND> level{m_hWnd};
    while (!level.empty()) {
        std::vector<HWND> next;
        for (HWND parent : level) {
            for (HWND child = ::GetTopWindow(parent); child; child = ::GetNextWindow(child, GW_HWNDNEXT)) {
                if (::GetDlgCtrlID(child) == id) {
                    CWnd* wnd = cls ? FromHandlePermanent(child) : FromHandle(child);
                    if (wnd && (!cls || wnd->IsKindOf(cls)))
                        return wnd;
                }
                next.push_back(child);
            }
        }
        level.swap(next);
    }
    return nullptr;
}

CMenu* CWnd::GetMenu() const
{
    return CMenu::FromHandle(::GetMenu(m_hWnd));
}

BOOL CWnd::SetMenu(CMenu* menu)
{
    return ::SetMenu(m_hWnd, menu ? menu->m_hMenu : nullptr);
}

CFrameWnd* CWnd::GetParentFrame() const
{
    for (HWND hwnd = ::GetParent(m_hWnd); hwnd; hwnd = ::GetParent(hwnd)) {
        CWnd* wnd = FromHandlePermanent(hwnd);
        if (wnd && wnd->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            return static_cast<CFrameWnd*>(wnd);
    }
    return nullptr;
}

void CWnd::RepositionBars(UINT first, UINT last, UINT leftOverId, UINT flags, RECT* rectParam, const RECT* rectClient,
                          BOOL stretch)
{
    AFX_SIZEPARENTPARAMS layout;
    layout.bStretch = stretch;
    if (rectClient)
        layout.rect = *rectClient;
    else
        GetClientRect(&layout.rect);
    layout.hDWP = flags == reposQuery ? nullptr : ::BeginDeferWindowPos(8);
    HWND leftOver = nullptr;
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
        if (id == leftOverId)
            leftOver = child;
        else if (id >= first && id <= last && FromHandlePermanent(child))
            ::SendMessageW(child, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
    }
    if (flags == reposQuery) {
        if (rectParam)
            *rectParam = layout.rect;
        return;
    }
    if (flags == reposExtra && rectParam) {
        layout.rect.left += rectParam->left;
        layout.rect.top += rectParam->top;
        layout.rect.right -= rectParam->right;
        layout.rect.bottom -= rectParam->bottom;
    }
    if (leftOverId && leftOver)
        AfxRepositionWindow(&layout, leftOver, layout.rect);
    if (layout.hDWP)
        ::EndDeferWindowPos(layout.hDWP);
}

CWnd* CWnd::GetTopLevelParent() const
{
    HWND hwnd = m_hWnd;
    while ((::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) && ::GetParent(hwnd))
        hwnd = ::GetParent(hwnd);
    return FromHandle(hwnd);
}

void CWnd::CenterWindow(CWnd* alternateOwner)
{
    HWND over = alternateOwner ? alternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    // A window that is not on the screen gives no place to centre on.
    if (over && (!::IsWindowVisible(over) || ::IsIconic(over)))
        over = nullptr;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(over ? over : m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;
    RECT centre = work;
    if (over)
        ::GetWindowRect(over, &centre);
    RECT window;
    GetWindowRect(&window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int x = (centre.left + centre.right - width) / 2;
    int y = (centre.top + centre.bottom - height) / 2;
    if (x + width > work.right)
        x = work.right - width;
    if (x < work.left)
        x = work.left;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CWnd::GetSafeOwner_(HWND parent, HWND* top)
{
    HWND hwnd = parent;
    if (!hwnd) {
        CWindowedApp* app = AfxGetWindowedApp();
        hwnd = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    }
    while (hwnd && (::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD))
        hwnd = ::GetParent(hwnd);
    if (top)
        *top = hwnd;
    if (hwnd)
        hwnd = ::GetLastActivePopup(hwnd);
    return hwnd;
}

int CWnd::OnCreate(LPCREATESTRUCT)
{
    return static_cast<int>(Default());
}

void CWnd::OnDestroy()
{
    Default();
}

void CWnd::OnClose()
{
    Default();
}

void CWnd::OnTimer(UINT_PTR)
{
    Default();
}

void CWnd::OnSize(UINT, int, int)
{
    Default();
}

void CWnd::OnPaint()
{
    Default();
}

BOOL CWnd::OnEraseBkgnd(HDC)
{
    return static_cast<BOOL>(Default());
}

void CWnd::OnSetFocus(HWND)
{
    Default();
}

void CWnd::OnWindowPosChanged(WINDOWPOS*)
{
    Default();
}

void CWnd::OnSysColorChange()
{
    Default();
}

void CWnd::OnInitMenuPopup(HMENU, UINT, BOOL)
{
    Default();
}

int CWnd::OnMouseActivate(HWND, UINT, UINT)
{
    return static_cast<int>(Default());
}

const wchar_t* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // One registered name per distinct set of arguments, kept for the life of the process.
    static thread_local std::unordered_map<std::wstring, std::unique_ptr<std::wstring>> registered;
    const HINSTANCE instance = AfxGetInstanceHandle();
    CString name;
    name.Format(L"Afx:%p:%x:%p:%p:%p", static_cast<void*>(instance), classStyle, static_cast<void*>(cursor),
                static_cast<void*>(background), static_cast<void*>(icon));
    auto& slot = registered[name.str()];
    if (slot)
        return slot->c_str();
    WNDCLASSW wc{};
    if (!GetClassInfoW(instance, name, &wc)) {
        wc.style = classStyle;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = instance;
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = name;
        if (!RegisterClassW(&wc))
            return nullptr;
    }
    slot = std::make_unique<std::wstring>(name.str());
    return slot->c_str();
}
