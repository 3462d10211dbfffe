// Pictures of the program's start-up windows for a person to look at, each scene in the classic
// and the XP look, written as BMP files into the folder given as the first argument (tools/gallery
// turns them into PNGs): the splash window, the welcome dialog and the about box.
#include "app/SplashWindow.h"
#include "app/WelcomeDlg.h"
#include "app/resource.h"
#include "gallery/common/GalleryFrame.h"
#include "gallery/common/GalleryRunner.h"
#include "classlib/ui/Dialog.h"

#include <string>

namespace {

constexpr int kMargin = 10;

RECT AroundWindow(HWND hwnd)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    InflateRect(&rect, kMargin, kMargin);
    return rect;
}

void Save(GalleryShots& shots, const std::wstring& name, HWND hwnd)
{
    shots.Save(L"startup_" + name + L"_" + shots.Look() + L".bmp", AroundWindow(hwnd));
}

void Splash(GalleryShots& shots)
{
    // The owner stays hidden, as the main frame is while it is being created.
    CFrameWnd* owner = CreateGalleryFrame(new CFrameWnd, RECT{0, 0, 100, 100});
    g_bShowSplash = TRUE;
    CSplashWindow::ShowSplash(owner);
    GalleryPump(200);
    if (CSplashWindow* splash = CSplashWindow::Current()) {
        Save(shots, L"splash", splash->m_hWnd);
        splash->HideSplash();
    }
    owner->DestroyWindow();
    GalleryPump(50);
}

// A modal dialog is pictured from a timer of its own loop, which then ends it.
struct ModalShot {
    GalleryShots* shots;
    CDialog* dialog;
    std::wstring name;
};
ModalShot g_modalShot;

void CALLBACK TakeModalShot(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    Save(*g_modalShot.shots, g_modalShot.name, g_modalShot.dialog->m_hWnd);
    g_modalShot.dialog->EndDialog(IDCANCEL);
}

void ShowModal(GalleryShots& shots, CDialog& dialog, const wchar_t* name)
{
    g_modalShot = {&shots, &dialog, name};
    SetTimer(nullptr, 0, 500, &TakeModalShot);
    dialog.DoModal();
}

void Welcome(GalleryShots& shots)
{
    CFrameWnd* owner = CreateGalleryFrame(new CFrameWnd, RECT{40, 40, 840, 640});
    owner->ShowWindow(SW_SHOW);
    CWelcomeDlg welcome(owner);
    ShowModal(shots, welcome, L"welcome");
    owner->DestroyWindow();
    GalleryPump(50);
}

void AboutBox(GalleryShots& shots)
{
    CFrameWnd* owner = CreateGalleryFrame(new CFrameWnd, RECT{40, 40, 840, 640});
    owner->ShowWindow(SW_SHOW);
    CDialog about(IDD_ABOUTBOX, owner);
    ShowModal(shots, about, L"about");
    owner->DestroyWindow();
    GalleryPump(50);
}

}  // namespace

int main()
{
    return RunGallery("gallery_startup", {Splash, Welcome, AboutBox});
}
