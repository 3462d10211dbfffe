// Pictures of docked and floating toolkit bars for a person to look at, each scene in the classic
// and the XP look, written as BMP files into the folder given as the first argument
// (tools/gallery turns them into PNGs): bars on all four sides with a floating one, and docking
// windows sharing rows with splitter strips between them (test stand-ins), and the toolkit's
// docking windows hosting lists, docked on the left (caption along the top) and at the bottom
// (caption strip on the left, title upward), one with the focus inside (active caption), one
// expanded in its row, and one floating.
#include "gallery/common/GalleryFrame.h"
#include "gallery/common/GalleryRunner.h"
#include "tests/toolkit/bars/docking/UVTestBar.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/DockWindow.h"
#include "toolkit/bars/frames/FrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// A test bar that writes its title in its client area, so that the picture says which is which.
template <class Base>
class CLabelled : public Base {
public:
    using Base::Base;
    void DoPaint(CDC* dc) override
    {
        CString title;
        this->GetWindowText(title);
        RECT client;
        this->GetClientRect(&client);
        dc->SetBkMode(TRANSPARENT);
        CSelectedObject font(*dc, uvAfxData.m_fonts[CUVGlobalData::fontMenu]);
        dc->DrawText(title, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
};

using CGalleryBar = CLabelled<CUVTestBar>;
using CGalleryWindow = CLabelled<CUVTestDockWindow>;

class Scene {
public:
    Scene()
    {
        frame = CreateGalleryFrame(new CUVFrameWnd, RECT{40, 40, 740, 540});
        EnableUVDocking(frame, CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
        frame->ShowWindow(SW_SHOW);
    }
    ~Scene()
    {
        bars.clear();
        frame->DestroyWindow();
        GalleryPump(50);
    }
    template <class Bar, class... Args>
    Bar* Add(const wchar_t* title, UINT side, const RECT* at, Args... args)
    {
        auto bar = std::make_unique<Bar>(args...);
        bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_BORDER_ANY, frame,
                       0xE8C0 + static_cast<UINT>(bars.size()));
        bar->SetWindowText(title);
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get(), side, at);
        frame->RecalcLayout();
        Bar* raw = bar.get();
        bars.push_back(std::move(bar));
        return raw;
    }
    // Docks `title` in the row of `after`, right of (below) it.
    template <class Bar, class... Args>
    Bar* AddAfter(const wchar_t* title, UINT side, CControlBar* after, Args... args)
    {
        RECT rect;
        after->GetWindowRect(&rect);
        const bool horz = side == AFX_IDW_DOCKBAR_TOP || side == AFX_IDW_DOCKBAR_BOTTOM;
        const RECT at = horz ? RECT{rect.right + 1, rect.top, rect.right + 20, rect.bottom}
                             : RECT{rect.left, rect.bottom + 1, rect.right, rect.bottom + 20};
        return Add<Bar>(title, side, &at, args...);
    }

    CFrameWnd* frame;
    std::vector<std::unique_ptr<CControlBar>> bars;
};

void Save(GalleryShots& shots, const std::wstring& name, const RECT& rect)
{
    GalleryPump(300);
    shots.Save(L"docking_" + name + L"_" + shots.Look() + L".bmp", rect);
}

void SidesAndFloating(GalleryShots& shots)
{
    Scene scene;
    auto* transport = scene.Add<CGalleryBar>(L"Transport", AFX_IDW_DOCKBAR_TOP, nullptr, 160, 28);
    scene.AddAfter<CGalleryBar>(L"Mixer", AFX_IDW_DOCKBAR_TOP, transport, 140, 28);
    scene.Add<CGalleryBar>(L"Effects", AFX_IDW_DOCKBAR_TOP, nullptr, 200, 28);
    scene.Add<CGalleryBar>(L"Status", AFX_IDW_DOCKBAR_BOTTOM, nullptr, 220, 26);
    scene.Add<CGalleryBar>(L"L", AFX_IDW_DOCKBAR_LEFT, nullptr, 160, 28);
    scene.Add<CGalleryBar>(L"R", AFX_IDW_DOCKBAR_RIGHT, nullptr, 160, 28);
    auto* floating = scene.Add<CGalleryBar>(L"Floating", AFX_IDW_DOCKBAR_TOP, nullptr, 150, 28);
    scene.frame->FloatControlBar(floating, POINT{760, 120});
    Save(shots, L"sides", RECT{30, 30, 960, 560});
}

void StripsBetweenWindows(GalleryShots& shots)
{
    Scene scene;
    auto* catalog = scene.Add<CGalleryWindow>(L"Catalog", AFX_IDW_DOCKBAR_LEFT, nullptr, SIZE{160, 200}, 40);
    auto* preview = scene.AddAfter<CGalleryWindow>(L"Preview", AFX_IDW_DOCKBAR_LEFT, catalog, SIZE{160, 200}, 40);
    scene.AddAfter<CGalleryWindow>(L"Levels", AFX_IDW_DOCKBAR_LEFT, preview, SIZE{160, 100}, 40);
    auto* playlist = scene.Add<CGalleryWindow>(L"Playlist", AFX_IDW_DOCKBAR_BOTTOM, nullptr, SIZE{300, 90}, 40);
    scene.AddAfter<CGalleryWindow>(L"History", AFX_IDW_DOCKBAR_BOTTOM, playlist, SIZE{300, 90}, 40);
    scene.Add<CGalleryBar>(L"Transport", AFX_IDW_DOCKBAR_TOP, nullptr, 200, 28);
    scene.frame->RecalcLayout();
    Save(shots, L"strips", RECT{30, 30, 750, 550});
}

// A docking window of the scene hosting a list box of `items`.
CUVDockWindow* AddDockWindow(Scene& scene, const wchar_t* title, SIZE size, UINT side, const RECT* at,
                             std::initializer_list<const wchar_t*> items)
{
    auto window = std::make_unique<CUVDockWindow>();
    window->Create(scene.frame, 0xE8E0 + static_cast<UINT>(scene.bars.size()), title, size, WS_VISIBLE | CBRS_LEFT);
    window->EnableDocking(CBRS_ALIGN_ANY);
    HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT,
                                  0, 0, 0, 0, window->m_hWnd, nullptr, nullptr, nullptr);
    ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(uvAfxData.m_fonts[CUVGlobalData::fontMenu].m_hObject),
                   FALSE);
    for (const wchar_t* item : items)
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    window->SetChild(CWnd::FromHandle(list));
    scene.frame->DockControlBar(window.get(), side, at);
    scene.frame->RecalcLayout();
    CUVDockWindow* raw = window.get();
    scene.bars.push_back(std::move(window));
    return raw;
}

void DockingWindows(GalleryShots& shots)
{
    Scene scene;
    scene.Add<CGalleryBar>(L"Transport", AFX_IDW_DOCKBAR_TOP, nullptr, 200, 28);
    auto* catalog = AddDockWindow(scene, L"Catalog", SIZE{180, 200}, AFX_IDW_DOCKBAR_LEFT, nullptr,
                                  {L"Track one", L"Track two", L"Track three"});
    RECT rect;
    catalog->GetWindowRect(&rect);
    const RECT below{rect.left, rect.bottom + 1, rect.right, rect.bottom + 20};
    AddDockWindow(scene, L"Categories", SIZE{180, 150}, AFX_IDW_DOCKBAR_LEFT, &below, {L"House", L"Techno"});
    auto* history = AddDockWindow(scene, L"History", SIZE{180, 150}, AFX_IDW_DOCKBAR_LEFT, nullptr,
                                  {L"Played at 21:04", L"Played at 21:09"});
    scene.frame->FloatControlBar(history, POINT{760, 120});
    auto* playlist = AddDockWindow(scene, L"Playlist", SIZE{120, 300}, AFX_IDW_DOCKBAR_BOTTOM, nullptr,
                                   {L"Opening", L"Peak", L"Closing"});
    playlist->GetWindowRect(&rect);
    const RECT right{rect.right + 1, rect.top, rect.right + 20, rect.bottom};
    auto* notes = AddDockWindow(scene, L"Notes", SIZE{120, 200}, AFX_IDW_DOCKBAR_BOTTOM, &right, {L"Fade late"});
    scene.frame->RecalcLayout();
    GalleryPump(100);
    notes->SendMessage(WM_COMMAND, CUVDockWindow::kExpandCommand);
    // The focus in the catalog's list: its caption shows active.
    ::SetFocus(::FindWindowExW(catalog->m_hWnd, nullptr, L"LISTBOX", nullptr));
    for (auto& bar : scene.bars)
        bar->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    scene.frame->RecalcLayout();
    Save(shots, L"windows", RECT{30, 30, 1100, 560});
}

}  // namespace

int main()
{
    return RunGallery("gallery_docking", {SidesAndFloating, StripsBetweenWindows, DockingWindows});
}
