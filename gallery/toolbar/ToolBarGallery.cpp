// Pictures of the toolkit toolbar for a person to look at, each scene in the classic and the XP
// look, written as BMP files into the folder given as the first argument: every button state,
// a bar too short for its buttons, its chevron popup with the hidden buttons and "Customize...",
// bars docked on each side of a frame and floating, a customisable bar's floating frame with
// its caption buttons, plain and with the toolbar-options popup open, and a bar docked at the
// left with separators between its groups; a floating bar wrapped to two and to three rows; a bar
// hosting a combo box, and the combo in the chevron popup when its button is hidden.
#include "gallery/common/GalleryRunner.h"
#include "toolkit/bars/docking/MiniDockFrameWnd.h"
#include "toolkit/bars/frames/FrameWnd.h"
#include "toolkit/bars/toolbar/ExpButton.h"
#include "toolkit/bars/toolbar/ExpMenuWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <memory>
#include <string>
#include <vector>

namespace {

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
    CUVToolBar* AddBar(UINT id, UINT dockBar, UINT resource = 320)
    {
        auto bar = std::make_unique<CUVToolBar>();
        bar->CreateEx(m_frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER, RECT{0, 0, 0, 0}, id);
        bar->LoadToolBar(resource);
        bar->EnableDocking(CBRS_ALIGN_ANY);
        if (dockBar)
            m_frame->DockControlBar(bar.get(), dockBar);
        m_bars.push_back(std::move(bar));
        m_frame->RecalcLayout();
        return m_bars.back().get();
    }
    CUVFrameWnd* Frame() const { return m_frame; }
    RECT Rect() const
    {
        RECT rect;
        m_frame->GetWindowRect(&rect);
        return rect;
    }

private:
    CUVFrameWnd* m_frame;
    std::vector<std::unique_ptr<CUVToolBar>> m_bars;
};

void Save(GalleryShots& shots, const wchar_t* scene, const RECT& rect)
{
    shots.Save(std::wstring(L"toolbar-") + scene + L"-" + shots.Look() + L".bmp", rect);
}

// 101 hot, 102 checked, 103 indeterminate, 104 disabled; a second bar with a pressed button,
// a dropped drop-down with a colour swatch and one with its menu arrow.
void States(GalleryShots& shots)
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
    GalleryPump(300);
    Save(shots, L"states", scene.Rect());
}

void Hidden(GalleryShots& shots)
{
    Scene scene(RECT{100, 100, 190, 160});
    scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
    GalleryPump(300);
    Save(shots, L"hidden", scene.Rect());
}

// The scene with `bar`'s chevron popup open below its expand button.
void SaveWithChevronPopup(GalleryShots& shots, const wchar_t* name, const Scene& scene, CUVToolBar* bar)
{
    bar->GetExpandButton()->OpenPopup();
    GalleryPump(300);
    CUVExpMenuWnd* popup = bar->GetExpandButton()->GetPopup();
    if (!popup)
        return;
    RECT rect = scene.Rect();
    RECT shown;
    popup->GetWindowRect(&shown);
    UnionRect(&rect, &rect, &shown);
    InflateRect(&rect, 8, 8);
    Save(shots, name, rect);
    popup->Close();
    GalleryPump(300);
}

// A customisable bar with two buttons hidden, its chevron popup open below the expand button.
void Chevron(GalleryShots& shots)
{
    Scene scene(RECT{100, 100, 190, 160});
    CUVToolBar* bar = scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
    bar->SetCustomizable(TRUE);
    scene.Frame()->RecalcLayout();
    GalleryPump(300);
    SaveWithChevronPopup(shots, L"chevron", scene, bar);
}

// A customisable bar floating in the toolkit's frame: close and toolbar-options buttons on its
// caption; then with the options popup open.
void Floating(GalleryShots& shots)
{
    Scene scene(RECT{100, 100, 400, 200});
    CUVToolBar* bar = scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
    bar->SetCustomizable(TRUE);
    scene.Frame()->FloatControlBar(bar, POINT{450, 150});
    GalleryPump(300);
    auto* floating = static_cast<CUVMiniDockFrameWnd*>(bar->GetParentFrame());
    RECT rect;
    floating->GetWindowRect(&rect);
    InflateRect(&rect, 8, 8);
    Save(shots, L"floating", rect);
    const RECT options = floating->GetButtonRect(1);
    const POINT at{(options.left + options.right) / 2, (options.top + options.bottom) / 2};
    floating->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
    GalleryPump(300);
    if (CUVExpMenuWnd* popup = floating->GetOptionsPopup()) {
        RECT shown;
        popup->GetWindowRect(&shown);
        UnionRect(&rect, &rect, &shown);
        InflateRect(&rect, 8, 8);
        Save(shots, L"floating-options", rect);
        popup->Close();
        GalleryPump(300);
    }
}

// Twelve buttons in three groups, the four images in turn.
void FillTwelve(CUVToolBar* bar)
{
    const UINT ids[] = {101, 102, 103, 0, 104, 105, 106, 0, 107, 108, 109, 110};
    bar->SetButtons(ids, 12);
    // Each button takes the next image: the four again and again.
    auto images = reinterpret_cast<HIMAGELIST>(bar->SendMessage(TB_GETIMAGELIST));
    for (int i = 4; i < 10; ++i) {
        HICON icon = ImageList_GetIcon(images, i % 4, ILD_NORMAL);
        ImageList_ReplaceIcon(images, -1, icon);
        DestroyIcon(icon);
    }
    bar->SetImageList(images, TRUE);
}

// A floating bar whose frame was narrowed until its buttons took two rows, then three.
void Wrapped(GalleryShots& shots)
{
    Scene scene(RECT{100, 100, 300, 160});
    CUVToolBar* bar = scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
    FillTwelve(bar);
    bar->SetBarStyle(bar->GetBarStyle() | CBRS_SIZE_DYNAMIC);
    scene.Frame()->FloatControlBar(bar, POINT{450, 150});
    GalleryPump(300);
    CFrameWnd* floating = bar->GetParentFrame();
    struct Shape {
        const wchar_t* name;
        int width;
    } shapes[] = {{L"floating-two-rows", 160}, {L"floating-three-rows", 100}};
    for (const Shape& shape : shapes) {
        bar->CalcDynamicLayout(shape.width, LM_HORZ | LM_COMMIT);
        floating->RecalcLayout();
        GalleryPump(300);
        RECT rect;
        floating->GetWindowRect(&rect);
        InflateRect(&rect, 8, 8);
        Save(shots, shape.name, rect);
    }
}

// A combo box over the button of its id; then the frame too short for it, the chevron popup
// open with the combo inside.
void Combo(GalleryShots& shots)
{
    Scene scene(RECT{100, 100, 400, 160});
    CUVToolBar* bar = scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
    HWND combo = CreateWindowExW(0, L"COMBOBOX", nullptr, WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0, 100, 120,
                                 bar->m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(103)), nullptr, nullptr);
    SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Crossfade"));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    bar->PositionControl(CWnd::FromHandle(combo));
    scene.Frame()->RecalcLayout();
    GalleryPump(300);
    Save(shots, L"combo", scene.Rect());

    SetWindowPos(scene.Frame()->m_hWnd, nullptr, 0, 0, 110, 60, SWP_NOMOVE | SWP_NOZORDER);
    GalleryPump(300);
    SaveWithChevronPopup(shots, L"combo-chevron", scene, bar);
}

void Docked(GalleryShots& shots)
{
    Scene scene(RECT{100, 100, 600, 500});
    scene.AddBar(0xE881, AFX_IDW_DOCKBAR_TOP);
    scene.AddBar(0xE882, AFX_IDW_DOCKBAR_BOTTOM);
    scene.AddBar(0xE883, AFX_IDW_DOCKBAR_LEFT);
    scene.AddBar(0xE884, AFX_IDW_DOCKBAR_RIGHT);
    CUVToolBar* floating = scene.AddBar(0xE885, 0);
    scene.Frame()->FloatControlBar(floating, POINT{250, 250});
    GalleryPump(300);
    Save(shots, L"docked", scene.Rect());
}

// A bar docked at the left whose groups are parted by separators: each runs across the column.
void Vertical(GalleryShots& shots)
{
    Scene scene(RECT{100, 100, 260, 330});
    scene.AddBar(0xE881, AFX_IDW_DOCKBAR_LEFT, 321);
    GalleryPump(300);
    Save(shots, L"vertical", scene.Rect());
}

}  // namespace

int main()
{
    return RunGallery("gallery_toolbar", {States, Hidden, Chevron, Docked, Floating, Vertical, Wrapped, Combo});
}
