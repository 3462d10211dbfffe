// The toolkit control bar in a real frame: the side it reports by its dock bar, its extended
// style word, its borders and gripper in both looks (read as pixels), the rebar messages, the
// observers of its visibility and its right-click menus.
#include "UVTestBar.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/look/GlobalData.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT kBarA = 0xE890;
constexpr UINT kBarB = 0xE891;
constexpr UINT kContextMenu = 4242;  // DockingTest.rc

// A frame that keeps each command it gets.
class CBarsFrame : public CFrameWnd {
public:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        commands.push_back(LOWORD(wParam));
        return CFrameWnd::OnCommand(wParam, lParam);
    }
    std::vector<UINT> commands;
};

class UVControlBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CBarsFrame;
        ASSERT_TRUE(frame->Create(nullptr, L"bars", WS_POPUP | WS_CLIPCHILDREN, RECT{100, 100, 600, 500}, nullptr,
                                  nullptr, 0, nullptr));
        EnableUVDocking(frame, CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
    }
    void TearDown() override
    {
        bars.clear();
        if (frame)
            frame->DestroyWindow();
        uvAfxData.m_bXPLook = FALSE;
    }
    CUVTestBar* MakeBar(UINT id, DWORD side = CBRS_TOP, const wchar_t* title = nullptr)
    {
        auto bar = std::make_unique<CUVTestBar>();
        EXPECT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | side | CBRS_GRIPPER, frame, id));
        if (title)
            bar->SetWindowText(title);
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get());
        frame->RecalcLayout();
        bars.push_back(std::move(bar));
        return bars.back().get();
    }

    CBarsFrame* frame = nullptr;
    std::vector<std::unique_ptr<CUVTestBar>> bars;
};

TEST_F(UVControlBar, ReportsTheSideOfItsDockBarOrFloating)
{
    struct Case {
        const char* name;
        UINT dockBar;
        BOOL left, right, top, bottom, horz, vert, floating;
    } cases[] = {
        {"top", AFX_IDW_DOCKBAR_TOP, FALSE, FALSE, TRUE, FALSE, TRUE, FALSE, FALSE},
        {"bottom", AFX_IDW_DOCKBAR_BOTTOM, FALSE, FALSE, FALSE, TRUE, TRUE, FALSE, FALSE},
        {"left", AFX_IDW_DOCKBAR_LEFT, TRUE, FALSE, FALSE, FALSE, FALSE, TRUE, FALSE},
        {"right", AFX_IDW_DOCKBAR_RIGHT, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE},
        {"floating", 0, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE, TRUE},
    };
    CUVTestBar* bar = MakeBar(kBarA);
    for (const auto& c : cases) {
        if (c.dockBar)
            frame->DockControlBar(bar, c.dockBar);
        else
            frame->FloatControlBar(bar, POINT{700, 200});
        EXPECT_EQ(bar->IsLeftDocked(), c.left) << c.name;
        EXPECT_EQ(bar->IsRightDocked(), c.right) << c.name;
        EXPECT_EQ(bar->IsTopDocked(), c.top) << c.name;
        EXPECT_EQ(bar->IsBottomDocked(), c.bottom) << c.name;
        EXPECT_EQ(bar->IsHorzDocked(), c.horz) << c.name;
        EXPECT_EQ(bar->IsVertDocked(), c.vert) << c.name;
        EXPECT_EQ(bar->IsFloating(), c.floating) << c.name;
    }
    EXPECT_EQ(bar->GetDockSiteFrame(), frame) << "a floating bar still belongs to its frame";
}

TEST_F(UVControlBar, ModifyBarStyleExRecomputesTheFrameEvenWithoutAChange)
{
    struct Case {
        const char* name;
        DWORD remove, add, expected;
    } cases[] = {
        {"nothing removed or added", 0, 0, 0x3003},
        {"double gripper added", 0, UVBS_DOUBLE_GRIPPER, 0x3007},
        {"bits removed and added at once", 0x3000, 0x0100, 0x0107},
    };
    CUVTestBar* bar = MakeBar(kBarA);
    for (const auto& c : cases) {
        const int before = bar->frameChanges;
        EXPECT_TRUE(bar->ModifyBarStyleEx(c.remove, c.add, TRUE)) << c.name;
        EXPECT_EQ(bar->GetBarStyleEx(), c.expected) << c.name;
        EXPECT_GT(bar->frameChanges, before) << c.name;
    }
}

TEST_F(UVControlBar, AnswersTheRebarMessages)
{
    CUVTestBar* bar = MakeBar(kBarA);
    EXPECT_FALSE(bar->m_bInReBar);
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE;
    EXPECT_EQ(bar->SendMessage(0x89E0, TRUE, reinterpret_cast<LPARAM>(&band)), TRUE);
    EXPECT_TRUE(bar->m_bInReBar) << "asked for band information, the bar is hosted";
    EXPECT_EQ(band.fMask, static_cast<UINT>(RBBIM_STYLE | RBBIM_CHILDSIZE));
    EXPECT_EQ(band.cxMinChild, 120u);
    EXPECT_EQ(band.cyMinChild, 28u);
    band.fMask = 0;
    EXPECT_EQ(bar->SendMessage(0x89E0, FALSE, reinterpret_cast<LPARAM>(&band)), TRUE);
    EXPECT_EQ(band.cxMinChild, 28u) << "vertical";
    EXPECT_EQ(band.cyMinChild, 120u) << "vertical";
    SIZE offset{100, 0};
    EXPECT_EQ(bar->SendMessage(0x89E1, TRUE, reinterpret_cast<LPARAM>(&offset)), 0);
    EXPECT_EQ(bar->SendMessage(0x89E2), FALSE) << "the base bar runs its own drag";
    EXPECT_EQ(bar->SendMessage(0x89E3, 0, reinterpret_cast<LPARAM>(&offset)), FALSE);
    EXPECT_EQ(offset.cx, 100) << "the base gives no offset";
}

TEST_F(UVControlBar, TellsItsObserversOfEachDelayedShowAndHide)
{
    CUVTestBar* bar = MakeBar(kBarA);
    std::vector<BOOL> seen;
    const auto observer = [](void* context, CUVControlBar*, BOOL visible) {
        static_cast<std::vector<BOOL>*>(context)->push_back(visible);
    };
    bar->AddVisibilityObserver(observer, &seen);
    frame->ShowControlBar(bar, FALSE, TRUE);
    frame->ShowControlBar(bar, TRUE, TRUE);
    bar->RemoveVisibilityObserver(observer, &seen);
    frame->ShowControlBar(bar, FALSE, TRUE);
    EXPECT_EQ(seen, (std::vector<BOOL>{FALSE, TRUE}));
}

// Paints the bar's non-client area as the window would and reads pixels in window coordinates.
class Painted {
public:
    explicit Painted(CUVControlBar* bar)
    {
        RECT window;
        bar->GetWindowRect(&window);
        size = SIZE{window.right - window.left, window.bottom - window.top};
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        CDC wrapper;
        wrapper.Attach(dc);
        const RECT whole{0, 0, size.cx, size.cy};
        RECT inside = whole;
        wrapper.FillSolidRect(&whole, RGB(1, 2, 3));
        bar->DrawBorders(&wrapper, inside);
        bar->DrawGripper(&wrapper, whole);
        wrapper.Detach();
    }
    ~Painted()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    SIZE size{};

private:
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

TEST_F(UVControlBar, DrawsItsGripperInEachLook)
{
    const COLORREF light = GetUVBarColor(UVBarColor::highlight);
    const COLORREF shadow = GetUVBarColor(UVBarColor::shadow);
    const COLORREF lines = GetUVBarColor(UVBarColor::gripper);
    const COLORREF untouched = RGB(1, 2, 3);
    struct Pixel {
        int x, y;
        COLORREF colour;
    };
    struct Case {
        const char* name;
        BOOL xp;
        DWORD styleEx;
        int thickness;
        std::vector<Pixel> pixels;  // window coordinates of a bar docked at the top
    } cases[] = {
        {"classic: one raised strip", FALSE, 0, 28, {{2, 10, light}, {4, 10, shadow}, {5, 10, untouched}}},
        {"double gripper", FALSE, UVBS_DOUBLE_GRIPPER, 28, {{2, 10, light}, {5, 10, light}, {7, 10, shadow}}},
        {"XP: lines every 2 pixels from 4 in",
         TRUE,
         0,
         28,
         {{2, 4, lines},
          {4, 4, lines},
          {5, 4, untouched},
          {2, 5, untouched},
          {3, 6, lines},
          {3, 22, lines},
          {3, 24, untouched}}},
        {"XP: a strip of 9 pixels has no lines", TRUE, 0, 9, {{2, 4, untouched}, {3, 4, untouched}}},
        {"XP: a strip of 10 pixels has one", TRUE, 0, 10, {{3, 4, lines}, {3, 6, untouched}}},
    };
    for (const auto& c : cases) {
        uvAfxData.m_bXPLook = c.xp;
        auto bar = std::make_unique<CUVTestBar>(120, c.thickness);
        ASSERT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER, frame, kBarB));
        bar->SetBarStyleEx(c.styleEx);
        frame->DockControlBar(bar.get());
        frame->RecalcLayout();
        bar->SetBarStyle(bar->GetBarStyle() & ~CBRS_BORDER_ANY);
        Painted painted(bar.get());
        for (const auto& pixel : c.pixels)
            EXPECT_EQ(painted.At(pixel.x, pixel.y), pixel.colour) << c.name << " at " << pixel.x << "," << pixel.y;
    }
}

TEST_F(UVControlBar, DrawsBordersInTheToolkitColours)
{
    struct Case {
        const char* name;
        BOOL xp;
        DWORD border;
        int x, y;
        COLORREF colour;
    } cases[] = {
        {"classic: outer line in the shadow colour", FALSE, CBRS_BORDER_LEFT, 0, 10, GetUVBarColor(UVBarColor::shadow)},
        {"classic 3-D: inner line in the highlight colour", FALSE, CBRS_BORDER_LEFT | CBRS_BORDER_3D, 1, 10,
         GetUVBarColor(UVBarColor::highlight)},
        {"XP: both lines in the border colour", TRUE, CBRS_BORDER_TOP | CBRS_BORDER_3D, 50, 1,
         GetUVBarColor(UVBarColor::border)},
    };
    CUVTestBar* bar = MakeBar(kBarA);
    for (const auto& c : cases) {
        uvAfxData.m_bXPLook = c.xp;
        bar->SetBarStyle((bar->GetBarStyle() & ~(CBRS_BORDER_ANY | CBRS_BORDER_3D | CBRS_GRIPPER)) | c.border);
        Painted painted(bar);
        EXPECT_EQ(painted.At(c.x, c.y), c.colour) << c.name;
    }
}

TEST_F(UVControlBar, PaintsItsNonClientAreaOnTheBackground)
{
    frame->ShowWindow(SW_SHOWNA);
    CUVTestBar* bar = MakeBar(kBarA);
    bar->SetBarStyle((bar->GetBarStyle() & ~(CBRS_BORDER_ANY | CBRS_BORDER_3D)) | CBRS_BORDER_BOTTOM);
    ::SetWindowPos(bar->m_hWnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    bar->EraseNonClient();
    HDC dc = ::GetWindowDC(bar->m_hWnd);
    struct Case {
        const char* name;
        int x, y;
        COLORREF colour;
    } cases[] = {
        // The bar is 28 high; its first row lies outside the dock bar (rows start 1 pixel out).
        {"the bottom border's line", 60, 27, GetUVBarColor(UVBarColor::shadow)},
        {"the border's second line, without 3-D", 60, 26, GetUVBarColor(UVBarColor::face)},
        {"the top border of the bar itself", 60, 2, GetUVBarColor(UVBarColor::face)},
        {"the gripper's lit edge", 2, 10, GetUVBarColor(UVBarColor::highlight)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(::GetPixel(dc, c.x, c.y), c.colour) << c.name;
    ::ReleaseDC(bar->m_hWnd, dc);
}

std::function<void(HMENU)> g_menuStep;

// Runs `step` from a timer inside the menu loop that a right click opens; closes the menu after.
// A step that finds no menu open does nothing.
void WhileMenuOpen(std::function<void(HMENU)> step)
{
    g_menuStep = std::move(step);
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND popup = nullptr;
        EnumWindows(
            [](HWND hwnd, LPARAM found) -> BOOL {
                wchar_t name[16] = {};
                GetClassNameW(hwnd, name, 16);
                if (lstrcmpW(name, L"#32768") == 0 && IsWindowVisible(hwnd)) {
                    *reinterpret_cast<HWND*>(found) = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&popup));
        KillTimer(nullptr, id);
        if (popup && g_menuStep)
            g_menuStep(reinterpret_cast<HMENU>(SendMessageW(popup, 0x01E1 /* MN_GETHMENU */, 0, 0)));
        g_menuStep = nullptr;
        if (popup)
            EndMenu();
    });
}

// Lets a pending menu step run out when no menu opened.
void PumpFor(DWORD ms)
{
    MSG msg;
    const DWORD until = GetTickCount() + ms;
    while (GetTickCount() < until) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
}

std::vector<std::wstring> ItemTexts(HMENU menu, std::vector<UINT>* states = nullptr)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        texts.emplace_back(text);
        if (states)
            states->push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_CHECKED | MF_SEPARATOR));
    }
    return texts;
}

TEST_F(UVControlBar, RightClickListsTheFramesBarsAndTheChosenOneHides)
{
    frame->ShowWindow(SW_SHOWNA);
    CUVTestBar* first = MakeBar(kBarA, CBRS_TOP, L"First");
    CUVTestBar* second = MakeBar(kBarB, CBRS_LEFT);
    frame->ShowControlBar(second, FALSE, FALSE);

    std::vector<std::wstring> texts;
    std::vector<UINT> states;
    std::vector<UINT> ids;
    WhileMenuOpen([&](HMENU menu) {
        texts = ItemTexts(menu, &states);
        for (int i = 0; i < GetMenuItemCount(menu); ++i)
            ids.push_back(GetMenuItemID(menu, i));
    });
    first->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 10));
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Control Bar", L"First"})) << "newest first, untitled named";
    EXPECT_EQ(states, (std::vector<UINT>{MF_UNCHECKED, MF_CHECKED})) << "checked while visible";
    EXPECT_EQ(ids, (std::vector<UINT>{kBarB, kBarA}));

    // Choosing an item sends the bar's id to the frame, which shows or hides that bar.
    frame->SendMessage(WM_COMMAND, kBarA);
    EXPECT_FALSE(first->GetStyle() & WS_VISIBLE);
    frame->SendMessage(WM_COMMAND, kBarB);
    EXPECT_TRUE(second->GetStyle() & WS_VISIBLE);

    // A bar left out of the bar menu is not listed and, clicked, opens no menu.
    first->m_bShowInBarMenu = FALSE;
    texts.clear();
    WhileMenuOpen([&](HMENU menu) { texts = ItemTexts(menu); });
    second->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 30));
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Control Bar"}));
    texts = {L"none"};
    WhileMenuOpen([&](HMENU menu) { texts = ItemTexts(menu); });
    first->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 10));
    PumpFor(300);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"none"})) << "no menu opened";

    // With the bar-menu setting off no bar opens it.
    first->m_bShowInBarMenu = TRUE;
    uvAfxData.m_bBarDrawOption = FALSE;
    WhileMenuOpen([&](HMENU menu) { texts = ItemTexts(menu); });
    first->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 10));
    PumpFor(300);
    uvAfxData.m_bBarDrawOption = TRUE;
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"none"}));
}

TEST_F(UVControlBar, RightClickOpensTheBarsOwnContextMenuWhenItHasOne)
{
    frame->ShowWindow(SW_SHOWNA);
    CUVTestBar* bar = MakeBar(kBarA);
    struct Case {
        const char* name;
        UINT menu;
        int subMenu;
        std::vector<std::wstring> texts;
    } cases[] = {
        {"the submenu at the stored index", kContextMenu, 1, {L"Gamma", L"Delta"}},
        {"a missing menu opens nothing, not the bar menu", kContextMenu + 1, 0, {L"none"}},
    };
    for (const auto& c : cases) {
        bar->SetContextMenu(c.menu, c.subMenu);
        EXPECT_EQ(bar->GetContextMenu(), c.menu) << c.name;
        std::vector<std::wstring> texts = {L"none"};
        WhileMenuOpen([&](HMENU menu) { texts = ItemTexts(menu); });
        bar->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 10));
        PumpFor(300);
        EXPECT_EQ(texts, c.texts) << c.name;
    }
}

}  // namespace
