// Pictures of the menu bar for a person to look at, each scene in the classic and the XP look,
// written as BMP files into the folder given as the first argument: the bar with its File popup
// open, and the bar of an MDI frame whose child is maximised (icon, buttons, the restore button
// hot).
#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/frames/MDIChildWnd.h"
#include "toolkit/bars/frames/MDIFrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menubar/MenuBar.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

void Pump()
{
    MSG msg;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 300) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
}

class Scene {
public:
    Scene() : m_frame(new CUVMDIFrameWnd), m_bar(m_frame->GetMenuBar())
    {
        m_frame->m_bAutoMenuEnable = FALSE;
        m_frame->LoadFrame(500, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
        m_frame->MoveWindow(100, 100, 520, 260);
        m_frame->EnableDocking(CBRS_ALIGN_ANY);
        m_bar.Create(m_frame);
        m_bar.EnableDocking(CBRS_ALIGN_ANY);
        m_frame->DockControlBar(&m_bar);
        m_bar.LoadMenuBar(500);
        ::SetMenu(*m_frame, nullptr);
        m_frame->ShowWindow(SW_SHOW);
        m_frame->RecalcLayout();
        Pump();
    }
    ~Scene() { m_frame->DestroyWindow(); }
    RECT Rect() const
    {
        RECT rect;
        m_frame->GetWindowRect(&rect);
        return rect;
    }
    int Entry(int position) const
    {
        for (size_t i = 0; i < m_bar.m_items.size(); ++i) {
            const auto* entry = dynamic_cast<const CUVMenuBarEntry*>(m_bar.m_items[i].get());
            if (entry && entry->m_nPosition == position)
                return static_cast<int>(i);
        }
        return -1;
    }

    CUVMDIFrameWnd* m_frame;
    CUVMenuBar& m_bar;
};

class Gallery {
public:
    explicit Gallery(std::wstring folder) : m_folder(std::move(folder)) {}

    void Run()
    {
        for (bool xp : {false, true}) {
            uvAfxData.m_bXPLook = xp;
            m_look = xp ? L"xp" : L"classic";
            OpenPopup();
            MDIButtons();
        }
    }
    int m_written = 0;

private:
    void Save(const wchar_t* scene, const RECT& rect)
    {
        if (SaveScreenBmp(rect, m_folder + L"\\menubar-" + scene + L"-" + m_look + L".bmp"))
            ++m_written;
    }

    // The File popup open from its entry; the picture is taken from inside the menu loop.
    void OpenPopup()
    {
        Scene scene;
        s_gallery = this;
        s_rect = scene.Rect();
        SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            s_gallery->Save(L"open", s_rect);
            EndMenu();
        });
        scene.m_bar.TrackPopup(scene.Entry(0));
        Pump();
    }

    // A maximised child: its icon before the entries, its buttons at the bar's end, restore hot.
    void MDIButtons()
    {
        Scene scene;
        auto* child = new CUVMDIChildWnd;
        child->LoadFrame(501, WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, scene.m_frame);
        child->MDIMaximize();
        Pump();
        scene.m_bar.OnUpdateCmdUI(scene.m_frame, FALSE);
        scene.m_bar.RecalcAfterChange();
        scene.m_bar.m_nHotItem = static_cast<int>(scene.m_bar.m_items.size()) - 2;
        scene.m_bar.Invalidate();
        Pump();
        RECT rect = scene.Rect();
        rect.bottom = rect.top + 80;
        Save(L"mdi", rect);
    }

    static inline Gallery* s_gallery = nullptr;
    static inline RECT s_rect{};
    std::wstring m_folder;
    std::wstring m_look;
};

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring folder = argc > 1 ? argv[1] : L".";
    LocalFree(argv);
    RefreshUVColors();
    Gallery gallery(folder);
    gallery.Run();
    std::printf("gallery_menubar: %d pictures\n", gallery.m_written);
    return gallery.m_written > 0 ? 0 : 1;
}
