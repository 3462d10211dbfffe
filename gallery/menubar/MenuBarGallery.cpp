// Pictures of the menu bar for a person to look at, each scene in the classic and the XP look,
// written as BMP files into the folder given as the first argument: the bar with its File popup
// open, plain and as a cool menu, and the bar of an MDI frame whose child is maximised (icon,
// buttons, the restore button hot).
#include "gallery/common/GalleryRunner.h"
#include "toolkit/bars/frames/MDIChildWnd.h"
#include "toolkit/bars/frames/MDIFrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/menubar/MenuBar.h"
#include "toolkit/bars/menus/MenuState.h"

#include <string>

namespace {

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
        GalleryPump(300);
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

void Save(GalleryShots& shots, const wchar_t* scene, const RECT& rect)
{
    shots.Save(std::wstring(L"menubar-") + scene + L"-" + shots.Look() + L".bmp", rect);
}

// The File popup open from its entry, the frame's menus owner-drawn with `coolMenus`; the
// picture is taken from inside the menu loop.
void ShowFilePopup(GalleryShots& shots, const wchar_t* name, bool coolMenus)
{
    static GalleryShots* s_shots = nullptr;
    static const wchar_t* s_name = nullptr;
    static RECT s_rect{};
    Scene scene;
    if (coolMenus)
        scene.m_frame->InstallCoolMenus(300);
    s_shots = &shots;
    s_name = name;
    s_rect = scene.Rect();
    SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        Save(*s_shots, s_name, s_rect);
        EndMenu();
    });
    scene.m_bar.TrackPopup(scene.Entry(0));
    GalleryPump(300);
    // The next scenes show the system's menus again.
    GetUVMenuState().installed = FALSE;
    uvAfxData.m_bCoolMenus = FALSE;
}

void OpenPopup(GalleryShots& shots)
{
    ShowFilePopup(shots, L"open", false);
}

// With cool menus: in the XP look the popup's border opens along the entry it drops from.
void CoolMenuPopup(GalleryShots& shots)
{
    ShowFilePopup(shots, L"coolmenu", true);
}

// A maximised child: its icon before the entries, its buttons at the bar's end, restore hot.
void MDIButtons(GalleryShots& shots)
{
    Scene scene;
    auto* child = new CUVMDIChildWnd;
    child->LoadFrame(501, WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, scene.m_frame);
    child->MDIMaximize();
    GalleryPump(300);
    scene.m_bar.OnUpdateCmdUI(scene.m_frame, FALSE);
    scene.m_bar.RecalcAfterChange();
    scene.m_bar.m_nHotItem = static_cast<int>(scene.m_bar.m_items.size()) - 2;
    scene.m_bar.Invalidate();
    GalleryPump(300);
    RECT rect = scene.Rect();
    rect.bottom = rect.top + 80;
    Save(shots, L"mdi", rect);
}

}  // namespace

int main()
{
    return RunGallery("gallery_menubar", {OpenPopup, MDIButtons, CoolMenuPopup});
}
