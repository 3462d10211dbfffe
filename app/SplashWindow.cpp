#include "app/SplashWindow.h"

#include "app/resource.h"
#include "classlib/ui/WindowedApp.h"

BOOL g_bShowSplash = FALSE;
CSplashWindow* CSplashWindow::s_splash = nullptr;

namespace {

constexpr UINT_PTR kHideTimer = 1;
constexpr UINT kHideAfterMs = 750;

}  // namespace

BEGIN_MESSAGE_MAP(CSplashWindow, CWnd)
ON_WM_CREATE()
ON_WM_PAINT()
ON_WM_TIMER()
END_MESSAGE_MAP()

void CSplashWindow::ShowSplash(CWnd* parent)
{
    if (!g_bShowSplash || s_splash)
        return;
    auto* splash = new CSplashWindow;
    if (!splash->m_bitmap.LoadBitmap(IDB_SPLASH)) {
        delete splash;
        return;
    }
    s_splash = splash;
    // A window that could not be made has deleted its object already (PostNcDestroy).
    if (splash->Create(parent))
        splash->UpdateWindow();
}

BOOL CSplashWindow::PreTranslateAppMessage(MSG* msg)
{
    if (!s_splash)
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        s_splash->HideSplash();
        return TRUE;
    default:
        return FALSE;
    }
}

CSplashWindow::~CSplashWindow()
{
    s_splash = nullptr;
}

BOOL CSplashWindow::Create(CWnd* parent)
{
    BITMAP size{};
    ::GetObjectW(m_bitmap, sizeof(size), &size);
    return CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW)), nullptr, WS_POPUP | WS_VISIBLE, 0, 0,
                    size.bmWidth, size.bmHeight, parent ? parent->m_hWnd : nullptr, nullptr);
}

void CSplashWindow::PostNcDestroy()
{
    delete this;
}

void CSplashWindow::HideSplash()
{
    DestroyWindow();
    if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd)
        main->UpdateWindow();
}

int CSplashWindow::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    // The frame is still hidden while it is being created: the picture is centred on the screen.
    CenterWindow();
    SetTimer(kHideTimer, kHideAfterMs);
    return 0;
}

void CSplashWindow::OnPaint()
{
    CPaintDC dc(this);
    CDC picture;
    if (!picture.CreateCompatibleDC(&dc))
        return;
    BITMAP size{};
    ::GetObjectW(m_bitmap, sizeof(size), &size);
    const CSelectedObject selected(picture, m_bitmap);
    dc.BitBlt(0, 0, size.bmWidth, size.bmHeight, &picture, 0, 0, SRCCOPY);
}

void CSplashWindow::OnTimer(UINT_PTR id)
{
    if (id == kHideTimer)
        HideSplash();
}
