// Pictures of the toolkit's popup menus for a person to look at: each scene in the classic and
// the XP look, written as BMP files into the folder given as the first argument (tools/gallery
// turns them into PNGs). Run under a compositing manager so that the shadows blend.
#include "gallery/common/GalleryRunner.h"
#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/MenuState.h"

#include <string>

namespace {

enum : UINT {
    cmdNew = 101,
    cmdOpen = 102,
    cmdSave = 103,
    cmdPrint = 104,
    cmdSaveAs = 105,
    cmdClose = 106,
    cmdMono = 107,
    cmdStereo = 108,
    cmdRecent1 = 110,
    cmdRecent2 = 111,
    cmdExport = 112,
};

BOOL CALLBACK AddPopup(HWND hwnd, LPARAM all)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (lstrcmpW(name, kUVPopupMenuClass) == 0 && IsWindowVisible(hwnd)) {
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        auto* union_ = reinterpret_cast<RECT*>(all);
        UnionRect(union_, union_, &rect);
    }
    return TRUE;
}

// Every open popup menu (a submenu beside its parent).
RECT OpenPopups()
{
    RECT all{};
    EnumWindows(&AddPopup, reinterpret_cast<LPARAM>(&all));
    return all;
}

// A File-like menu with every kind of item; the caller destroys it.
HMENU MakeMenu()
{
    HMENU recent = CreatePopupMenu();
    AppendMenuW(recent, MF_STRING, cmdRecent1, L"&1 Friday mix.cfp");
    AppendMenuW(recent, MF_STRING, cmdRecent2, L"&2 Warm-up set.cfp");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, cmdNew, L"&New\tCtrl+N");
    AppendMenuW(menu, MF_STRING, cmdOpen, L"&Open...\tCtrl+O");
    AppendMenuW(menu, MF_STRING, cmdClose, L"&Close");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_CHECKED, cmdSave, L"&Save\tCtrl+S");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, cmdSaveAs, L"Save &As...");
    AppendMenuW(menu, MF_STRING, cmdExport, L"&Export Mix...");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_CHECKED, cmdMono, L"&Mono");
    CheckMenuRadioItem(menu, cmdMono, cmdStereo, cmdMono, MF_BYCOMMAND);
    AppendMenuW(menu, MF_STRING, cmdStereo, L"S&tereo");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"&Recent Mixes");
    AppendMenuW(menu, MF_STRING, cmdPrint, L"&Print Playlist\tCtrl+P");
    SetMenuDefaultItem(menu, cmdOpen, FALSE);
    return menu;
}

// Waits for the screen to settle (the compositor blends the shadows), then saves the popup and
// its surroundings.
MenuStep Capture(GalleryShots& shots, const wchar_t* scene, const RECT* extra = nullptr)
{
    return [&shots, scene, extra](HWND) {
        Sleep(400);
        RECT rect = OpenPopups();
        if (extra)
            UnionRect(&rect, &rect, extra);
        InflateRect(&rect, 12, 12);
        shots.Save(std::wstring(L"menu-") + scene + L"-" + shots.Look() + L".bmp", rect);
    };
}

void Plain(GalleryShots& shots)
{
    MenuDriver driver;
    HMENU menu = MakeMenu();
    driver.Track(menu, POINT{40, 40}, false, {[](HWND) {}, Capture(shots, L"plain")});
    DestroyMenu(menu);
}

void Personalised(GalleryShots& shots)
{
    MenuDriver driver;
    const HWND frame = driver.frame->m_hWnd;
    driver.cool.ClearRecentItems();
    const UINT hidden[] = {cmdClose, cmdExport, cmdStereo};
    driver.cool.HideCommands(hidden, 3);
    HMENU menu = MakeMenu();
    GetUVMenuState().expandRequested = FALSE;
    driver.Track(menu, POINT{40, 40}, true,
                 {[](HWND) {}, Capture(shots, L"personalised-collapsed"), [frame](HWND) { PostKey(frame, VK_UP); },
                  [frame](HWND) { PostKey(frame, VK_RETURN); }, [](HWND) {}, Capture(shots, L"personalised-expanded")});
    GetUVMenuState().expandRequested = FALSE;
    DestroyMenu(menu);
}

void States(GalleryShots& shots)
{
    MenuDriver driver;
    const HWND frame = driver.frame->m_hWnd;
    HMENU menu = MakeMenu();
    auto down = [frame](HWND) { PostKey(frame, VK_DOWN); };
    // Down four times: New, Open, Close, then Save (checked); once more: Save As (disabled);
    // four more: Export, Mono, Stereo, Recent Mixes, which opens to the right.
    driver.Track(menu, POINT{40, 40}, false,
                 {[](HWND) {}, down, down, down, down, Capture(shots, L"selected-checked"), down,
                  Capture(shots, L"selected-disabled"), down, down, down, down,
                  [frame](HWND) { PostKey(frame, VK_RIGHT); }, [](HWND) {}, Capture(shots, L"submenu")});
    DestroyMenu(menu);
}

void Dropped(GalleryShots& shots)
{
    MenuDriver driver;
    // A pressed toolbar button, drawn as the XP look draws a dropped one.
    static const RECT button{60, 40, 140, 64};
    {
        CClientDC dc(driver.frame);
        CBrush face(uvAfxData.m_bXPLook ? GetUVColor(30) : GetSysColor(COLOR_BTNFACE));
        FillRect(dc, &button, face);
        CBrush frame(uvAfxData.m_bXPLook ? GetUVColor(43) : GetSysColor(COLOR_BTNSHADOW));
        FrameRect(dc, &button, frame);
        dc.SetBkMode(TRANSPARENT);
        RECT text = button;
        dc.DrawText(L"File", &text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    RECT onScreen = button;
    MapWindowPoints(driver.frame->m_hWnd, nullptr, reinterpret_cast<POINT*>(&onScreen), 2);
    UVMenuState& state = GetUVMenuState();
    state.dropRect = onScreen;
    state.dropRectPending = TRUE;
    HMENU menu = MakeMenu();
    driver.Track(menu, POINT{button.left, button.bottom - 1}, false,
                 {[](HWND) {}, Capture(shots, L"dropped", &onScreen)}, &button);
    DestroyMenu(menu);
}

}  // namespace

int main()
{
    GetUVCommandImages().LoadToolbarResource(GetModuleHandleW(nullptr), 300, TRUE, CUVCommandImages::menuMap);
    GetUVMenuAnimation().kind = 5;  // the pictures show the finished popups
    return RunGallery("gallery_toolkit", {Plain, Personalised, States, Dropped});
}
