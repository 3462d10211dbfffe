// Pictures of the toolkit toolbar for a person to look at, each scene in the classic and the XP
// look, written as BMP files into the folder given as the first argument: every button state,
// a bar too short for its buttons, its chevron popup with the hidden buttons and "Customize...",
// bars docked on each side of a frame and floating, and a customisable bar's floating frame with
// its caption buttons, plain and with the toolbar-options popup open.
#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/docking/MiniDockFrameWnd.h"
#include "toolkit/bars/frames/FrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/toolbar/ExpButton.h"
#include "toolkit/bars/toolbar/ExpMenuWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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
    explicit Scene(RECT rect)
    {
        m_frame = new CUVFrameWnd;
        m_frame->Create(nullptr, L"gallery", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, rect, nullptr, nullptr, 0,
                        nullptr);
        m_frame->EnableDocking(CBRS_ALIGN_ANY);
    }
    ~Scene()
    {
        for (auto& bar : m_bars)
            bar->SetCustomizable(FALSE);
        m_bars.clear();
        m_frame->DestroyWindow();
    }
    CUVToolBar* AddBar(UINT id, UINT dockBar)
    {
        auto bar = std::make_unique<CUVToolBar>();
        bar->CreateEx(m_frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER, RECT{0, 0, 0, 0}, id);
        bar->LoadToolBar(320);
        bar->EnableDocking(CBRS_ALIGN_ANY);
        if (dockBar)
            m_frame->DockControlBar(bar.get(), dockBar);
        m_bars.push_back(std::move(bar));
        m_frame->RecalcLayout();
        return m_bars.back().get();
    }
    CUVFrameWnd* Frame() const { return m_frame; }

private:
    CUVFrameWnd* m_frame;
    std::vector<std::unique_ptr<CUVToolBar>> m_bars;
};

class Gallery {
public:
    explicit Gallery(std::wstring folder) : m_folder(std::move(folder)) {}

    void Run()
    {
        for (bool xp : {false, true}) {
            uvAfxData.m_bXPLook = xp;
            m_look = xp ? L"xp" : L"classic";
            States();
            Hidden();
            Chevron();
            Docked();
            Floating();
        }
    }
    int m_written = 0;

private:
    void Save(const wchar_t* scene, const RECT& rect)
    {
        if (SaveScreenBmp(rect, m_folder + L"\\toolbar-" + scene + L"-" + m_look + L".bmp"))
            ++m_written;
    }

    // 101 hot, 102 checked, 103 indeterminate, 104 disabled; a second bar with a pressed button,
    // a dropped drop-down with a colour swatch and one with its menu arrow.
    void States()
    {
        Scene scene(RECT{100, 100, 500, 220});
        CUVToolBar* bar = scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
        bar->SetButtonState(2, TBSTATE_ENABLED | TBSTATE_CHECKED);
        bar->SetButtonState(3, TBSTATE_ENABLED | TBSTATE_INDETERMINATE);
        bar->SetButtonState(4, 0);
        bar->SendMessage(TB_SETHOTITEM, 0);
        CUVToolBar* second = scene.AddBar(0xE882, AFX_IDW_DOCKBAR_TOP);
        second->SetButtonStyle(2, BTNS_DROPDOWN);
        second->SetButtonStyle(3, BTNS_DROPDOWN);
        CUVToolBarButtonInfo swatch;
        swatch.command = 102;
        swatch.flags = CUVToolBarButtonInfo::isDropDown | CUVToolBarButtonInfo::hasColorSwatch;
        swatch.selectedColor = RGB(220, 30, 30);
        second->SetButtonInfo(swatch);
        CUVToolBarButtonInfo menu;
        menu.command = 103;
        menu.flags = CUVToolBarButtonInfo::isDropDown;
        second->SetButtonInfo(menu);
        second->SetButtonDropped(2, TRUE);
        second->SendMessage(TB_PRESSBUTTON, 101, TRUE);
        scene.Frame()->RecalcLayout();
        Pump();
        RECT rect;
        scene.Frame()->GetWindowRect(&rect);
        Save(L"states", rect);
    }

    void Hidden()
    {
        Scene scene(RECT{100, 100, 190, 160});
        scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
        Pump();
        RECT rect;
        scene.Frame()->GetWindowRect(&rect);
        Save(L"hidden", rect);
    }

    // A customisable bar with two buttons hidden, its chevron popup open below the expand button.
    void Chevron()
    {
        Scene scene(RECT{100, 100, 190, 160});
        CUVToolBar* bar = scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
        bar->SetCustomizable(TRUE);
        scene.Frame()->RecalcLayout();
        Pump();
        bar->GetExpandButton()->OpenPopup();
        Pump();
        RECT rect;
        scene.Frame()->GetWindowRect(&rect);
        RECT popup;
        bar->GetExpandButton()->GetPopup()->GetWindowRect(&popup);
        UnionRect(&rect, &rect, &popup);
        InflateRect(&rect, 8, 8);
        Save(L"chevron", rect);
        bar->GetExpandButton()->GetPopup()->Close();
        Pump();
    }

    // A customisable bar floating in the toolkit's frame: close and toolbar-options buttons on its
    // caption; then with the options popup open.
    void Floating()
    {
        Scene scene(RECT{100, 100, 400, 200});
        CUVToolBar* bar = scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
        bar->SetCustomizable(TRUE);
        scene.Frame()->FloatControlBar(bar, POINT{450, 150});
        Pump();
        auto* floating = static_cast<CUVMiniDockFrameWnd*>(bar->GetParentFrame());
        RECT rect;
        floating->GetWindowRect(&rect);
        InflateRect(&rect, 8, 8);
        Save(L"floating", rect);
        const RECT options = floating->GetButtonRect(1);
        const POINT at{(options.left + options.right) / 2, (options.top + options.bottom) / 2};
        floating->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
        Pump();
        if (CUVExpMenuWnd* popup = floating->GetOptionsPopup()) {
            RECT shown;
            popup->GetWindowRect(&shown);
            UnionRect(&rect, &rect, &shown);
            InflateRect(&rect, 8, 8);
            Save(L"floating-options", rect);
            popup->Close();
            Pump();
        }
    }

    void Docked()
    {
        Scene scene(RECT{100, 100, 600, 500});
        scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
        scene.AddBar(0xE882, AFX_IDW_DOCKBAR_BOTTOM);
        scene.AddBar(0xE883, AFX_IDW_DOCKBAR_LEFT);
        scene.AddBar(0xE884, AFX_IDW_DOCKBAR_RIGHT);
        CUVToolBar* floating = scene.AddBar(0xE885, 0);
        scene.Frame()->FloatControlBar(floating, POINT{250, 250});
        Pump();
        RECT rect;
        scene.Frame()->GetWindowRect(&rect);
        Save(L"docked", rect);
    }

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
    std::printf("gallery_toolbar: %d pictures\n", gallery.m_written);
    return gallery.m_written > 0 ? 0 : 1;
}
