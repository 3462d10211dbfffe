#include "classlib/ui/MDIChildWnd.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/MDIFrameWnd.h"
#include "classlib/ui/WindowedApp.h"

#include <map>

IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
ON_WM_CREATE()
ON_MESSAGE(WM_MDIACTIVATE, &CMDIChildWnd::OnMDIActivate)
END_MESSAGE_MAP()

int CMDIChildWnd::OnCreate(LPCREATESTRUCT cs)
{
    // The client hands a child its MDICREATESTRUCT; the creation context rides in its lParam.
    CREATESTRUCTW own = *cs;
    const auto* mdi = static_cast<const MDICREATESTRUCTW*>(cs->lpCreateParams);
    own.lpCreateParams = mdi ? reinterpret_cast<void*>(mdi->lParam) : nullptr;
    return CFrameWnd::OnCreate(&own);
}

HMENU CMDIChildWnd::SharedMenu(UINT resourceId)
{
    // Shared menus live as long as the process: children come and go, and a frame may show the
    // menu of a type with no child left until it is told otherwise.
    static std::map<UINT, HMENU> menus;
    auto it = menus.find(resourceId);
    if (it != menus.end())
        return it->second;
    HMENU menu = ::LoadMenuW(AfxGetResourceHandle(), MAKEINTRESOURCEW(resourceId));
    if (menu)
        menus[resourceId] = menu;
    return menu;
}

namespace {

CWnd* MainWindow()
{
    CWindowedApp* app = AfxGetWindowedApp();
    return app ? app->m_pMainWnd : nullptr;
}

}  // namespace

BOOL CMDIChildWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context)
{
    const wchar_t* className = LoadFrameResources(resourceId);
    m_hMenuShared = SharedMenu(resourceId);
    auto* frame = dynamic_cast<CMDIFrameWnd*>(parent ? parent : MainWindow());
    if (!frame)
        return FALSE;
    const RECT rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    return Create(className, m_strTitle, style, rect, frame, context);
}

BOOL CMDIChildWnd::Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                          CMDIFrameWnd* parent, CCreateContext* context)
{
    if (!parent || !parent->m_hWndMDIClient)
        return FALSE;
    if (m_strTitle.IsEmpty() && title)
        m_strTitle = title;
    CREATESTRUCTW cs{};
    cs.lpszClass = className;
    cs.lpszName = title;
    cs.style = static_cast<LONG>(style & ~(WS_MAXIMIZE | WS_VISIBLE));
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right == CW_USEDEFAULT ? CW_USEDEFAULT : rect.right - rect.left;
    cs.cy = rect.bottom == CW_USEDEFAULT ? CW_USEDEFAULT : rect.bottom - rect.top;
    cs.hwndParent = parent->m_hWndMDIClient;
    cs.lpCreateParams = context;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    MDICREATESTRUCTW mdi{};
    mdi.szClass = cs.lpszClass;
    mdi.szTitle = cs.lpszName;
    mdi.hOwner = AfxGetInstanceHandle();
    mdi.x = cs.x;
    mdi.y = cs.y;
    mdi.cx = cs.cx;
    mdi.cy = cs.cy;
    mdi.style = static_cast<DWORD>(cs.style);
    mdi.lParam = reinterpret_cast<LPARAM>(context);
    HWND hwnd = CreateAttached([&] {
        return reinterpret_cast<HWND>(
            ::SendMessageW(parent->m_hWndMDIClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mdi)));
    });
    if (!hwnd) {
        if (!m_hWnd)
            PostNcDestroy();
        return FALSE;
    }
    if (style & WS_VISIBLE) {
        ::ShowWindow(hwnd, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
        MDIActivate();
    }
    return TRUE;
}

BOOL CMDIChildWnd::DestroyWindow()
{
    CMDIFrameWnd* frame = GetMDIFrame();
    if (!m_hWnd || !frame)
        return CFrameWnd::DestroyWindow();
    ::SendMessageW(frame->m_hWndMDIClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
    return TRUE;
}

void CMDIChildWnd::ActivateFrame(int showCommand)
{
    ShowWindow(showCommand == -1 ? SW_SHOW : showCommand);
    MDIActivate();
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefMDIChildProcW(m_hWnd, message, wParam, lParam);
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const
{
    HWND client = ::GetParent(m_hWnd);
    return client ? dynamic_cast<CMDIFrameWnd*>(CWnd::FromHandlePermanent(::GetParent(client))) : nullptr;
}

void CMDIChildWnd::MDIActivate()
{
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->MDIActivate(this);
}

void CMDIChildWnd::MDIMaximize()
{
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->MDIMaximize(this);
}

void CMDIChildWnd::MDIRestore()
{
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->MDIRestore(this);
}

// The frame shows the menu of the child that became active, or its own when the last one went.
LRESULT CMDIChildWnd::OnMDIActivate(WPARAM, LPARAM activated)
{
    const LRESULT result = Default();
    CMDIFrameWnd* frame = GetMDIFrame();
    if (!frame)
        return result;
    if (reinterpret_cast<HWND>(activated) == m_hWnd)
        frame->OnUpdateFrameMenu(m_hMenuShared);
    else if (!activated)
        frame->OnUpdateFrameMenu(frame->m_hMenuDefault);
    return result;
}
