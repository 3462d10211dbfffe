// Shadows of popups read from the screen over a white frame with a compositor on the display:
// the band's greys, the cut over the button a popup drops from and the open joint along it,
// following a moving owner, the screen-copy mode, and the system's own effects while popups live.
#include "toolkit/bars/menus/MenuShadow.h"

#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/bars/menus/MenuState.h"
#include "toolkit/bars/menus/PopupJoint.h"

#include "tests/toolkit/bars/Canvas.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

bool Composited()
{
    const char* flag = std::getenv("CARROWFOLD_COMPOSITOR");
    return flag && flag[0] == '1';
}

// Lets windows paint and the compositor blend.
void Settle(DWORD ms = 400)
{
    const DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
}

int Grey(COLORREF c)
{
    return GetGValue(c);
}

// The five pixels outward from `from` along x (right band) or y (bottom band), once the band has
// settled: a new translucent window reaches the screen only when the compositor has taken it up,
// which takes longer on a busy machine. Inside an open menu (`pump` false) messages are left to
// the menu loop.
std::vector<int> Band(POINT from, bool alongX, bool pump = true)
{
    std::vector<int> greys;
    const DWORD end = GetTickCount() + 4000;
    do {
        greys.clear();
        for (int i = 0; i < 5; ++i)
            greys.push_back(Grey(ScreenPixel(from.x + (alongX ? i : 0), from.y + (alongX ? 0 : i))));
        if (greys[0] < 250 && greys[3] < 250)
            break;
        if (pump)
            Settle(50);
        else
            Sleep(50);
    } while (GetTickCount() < end);
    return greys;
}

void ExpectBand(const std::vector<int>& greys, const char* what)
{
    const int expected[5] = {195, 210, 225, 240, 255};
    ASSERT_EQ(greys.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(greys[i], expected[i], 2) << what << " pixel " << i;
}

class MenuShadowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Composited())
            GTEST_SKIP() << "needs a compositing manager on the display (tools/with-compositor)";
        GetUVMenuAnimation().kind = 5;
    }
};

TEST_F(MenuShadowTest, BandBesideAPopupOverWhiteReadsFourGreysOutward)
{
    MenuDriver driver;
    HMENU menu = CreatePopupMenu();
    for (int i = 0; i < 6; ++i)
        AppendMenuW(menu, MF_STRING, 600 + i, L"A command with a long name");
    std::vector<int> right, bottom;
    driver.Track(menu, POINT{40, 30}, false,
                 {[](HWND) {},
                  [&](HWND popup) {
                      RECT r{};
                      GetWindowRect(popup, &r);
                      right = Band(POINT{r.right, (r.top + r.bottom) / 2}, true, false);
                      bottom = Band(POINT{(r.left + r.right) / 2, r.bottom}, false, false);
                  }});
    DestroyMenu(menu);
    ExpectBand(right, "right shadow");
    ExpectBand(bottom, "bottom shadow");
}

TEST_F(MenuShadowTest, PopupDroppedFromAButtonCastsNoShadowOverItAndOpensItsBorderAlongIt)
{
    const BOOL savedLook = uvAfxData.m_bXPLook;
    uvAfxData.m_bXPLook = TRUE;
    MenuDriver driver;
    // A button on the frame, wider than the popup's left end so the joint lies along its bottom.
    const RECT button{30, 20, 230, 44};
    RECT onScreen = button;
    MapWindowPoints(driver.frame->m_hWnd, nullptr, reinterpret_cast<POINT*>(&onScreen), 2);
    UVMenuState& state = GetUVMenuState();
    state.dropRect = onScreen;
    state.dropRectPending = TRUE;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 610, L"Short");
    AppendMenuW(menu, MF_STRING, 611, L"Items");
    RECT popupRect{};
    COLORREF joint = 0, left = 0;
    driver.Track(menu, POINT{button.left + 20, button.bottom - 1}, false,
                 {[](HWND) {},
                  [&](HWND popup) {
                      Sleep(300);  // the compositor catches up; the menu loop keeps its messages
                      GetWindowRect(popup, &popupRect);
                      joint = ScreenPixel((popupRect.left + popupRect.right) / 2, popupRect.top);
                      left = ScreenPixel(popupRect.left, popupRect.top + 5);
                  }},
                 &button);
    DestroyMenu(menu);
    uvAfxData.m_bXPLook = savedLook;
    EXPECT_EQ(joint, GetUVColor(30)) << "the border is open along the button";
    EXPECT_EQ(left, GetUVColor(43)) << "the border elsewhere";
}

TEST_F(MenuShadowTest, ShadowIsCutWhereItWouldCoverTheButton)
{
    MenuDriver driver;  // white behind
    HWND owner = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, 600, 420, 120, 80,
                                 nullptr, nullptr, nullptr, nullptr);
    Settle(100);
    // A button below the owner's right half (a popup that opened upward from it).
    GetUVMenuShadowManager().ShowShadows(owner, RECT{660, 499, 760, 530});
    Settle();
    ExpectBand(Band(POINT{630, 500}, false), "bottom band beside the button");
    for (int y = 500; y < 504; ++y)
        EXPECT_EQ(Grey(ScreenPixel(700, y)), 255) << "over the button, row " << y;
    DestroyWindow(owner);
}

TEST_F(MenuShadowTest, ShadowsFollowTheirOwnerAndGoWithIt)
{
    for (bool layered : {true, false}) {
        SCOPED_TRACE(layered ? "layered windows" : "screen-copy mode");
        CUVMenuShadowManager manager(layered);
        MenuDriver driver;  // white behind
        HWND owner = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_BORDER, 600, 420, 120,
                                     80, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        Settle(100);
        manager.ShowShadows(owner, RECT{});
        ASSERT_EQ(manager.VisibleShadows().size(), 2u);
        Settle();
        ExpectBand(Band(POINT{720, 460}, true), "right band");
        ExpectBand(Band(POINT{660, 500}, false), "bottom band");
        SetWindowPos(owner, nullptr, 640, 450, 120, 80, SWP_NOZORDER | SWP_NOACTIVATE);
        Settle();
        for (CUVMenuShadowWnd* shadow : manager.VisibleShadows()) {
            RECT r{};
            GetWindowRect(shadow->m_hWnd, &r);
            const RECT expected = shadow->PlaceFor(RECT{640, 450, 760, 530});
            EXPECT_TRUE(EqualRect(&r, &expected)) << "side " << shadow->m_side;
        }
        ExpectBand(Band(POINT{760, 490}, true), "right band after the move");
        DestroyWindow(owner);
        EXPECT_TRUE(manager.VisibleShadows().empty());
        const DWORD end = GetTickCount() + 4000;
        while (Grey(ScreenPixel(760, 490)) != 255 && GetTickCount() < end)
            Settle(50);
        EXPECT_EQ(Grey(ScreenPixel(760, 490)), 255) << "hidden with its owner";
    }
}

TEST(MenuShadowDrawing, AnExclusionLastsAsLongAsTheWindowItBelongsTo)
{
    CUVMenuShadowManager manager;
    HWND owner = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 600, 420, 120, 80, nullptr,
                                 nullptr, nullptr, nullptr);
    HWND bar = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 660, 499, 100, 31, nullptr, nullptr, nullptr, nullptr);
    manager.ShowShadowsExcluding(owner, 660, 499, 760, 530, bar);
    ASSERT_EQ(manager.VisibleShadows().size(), 2u);
    const CUVMenuShadowWnd* bottom = manager.VisibleShadows()[0];
    ASSERT_EQ(bottom->m_side, CUVMenuShadowWnd::bottom);
    // Whether the bottom shadow's window covers screen point `at`.
    const auto covers = [&](POINT at) {
        RECT window{};
        GetWindowRect(bottom->m_hWnd, &window);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        const bool whole = GetWindowRgn(bottom->m_hWnd, region) == ERROR;
        const bool inside = whole || PtInRegion(region, at.x - window.left, at.y - window.top);
        DeleteObject(region);
        return inside && PtInRect(&window, at);
    };
    EXPECT_TRUE(covers(POINT{620, 501})) << "beside the button";
    EXPECT_FALSE(covers(POINT{700, 501})) << "over the button";
    DestroyWindow(bar);
    SetWindowPos(owner, nullptr, 601, 420, 120, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(covers(POINT{700, 501})) << "the button went with its window";
    DestroyWindow(owner);
}

TEST(MenuShadowDrawing, SubmenuShadowGivesUpTheEndOverItsParentsShadow)
{
    CUVMenuShadowManager manager;
    auto popupAt = [](int l, int t, int r, int b) {
        return CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, l, t, r - l, b - t, nullptr,
                               nullptr, nullptr, nullptr);
    };
    HWND parent = popupAt(400, 300, 500, 500);
    HWND submenu = popupAt(498, 320, 600, 420);  // overlaps its parent's right edge
    manager.ShowShadows(parent, RECT{});
    manager.ShowShadows(submenu, RECT{});
    const auto& shadows = manager.VisibleShadows();
    ASSERT_EQ(shadows.size(), 4u);
    RECT rects[4];
    for (int i = 0; i < 4; ++i)
        GetWindowRect(shadows[i]->m_hWnd, &rects[i]);
    EXPECT_EQ(rects[2].left, 504) << "the submenu's bottom shadow starts after the parent's right shadow";
    EXPECT_EQ(rects[2].right, 604);
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &rects[i], &rects[j])) << i << " and " << j;
        }
    }
    DestroyWindow(submenu);
    DestroyWindow(parent);
    EXPECT_TRUE(manager.VisibleShadows().empty());
}

TEST(MenuShadowDrawing, NoLayeredWindowsAndNoScreenCopyGiveAPlainTwoPixelShadow)
{
    const BOOL saved = uvAfxData.m_bNoScreenCopyShadows;
    uvAfxData.m_bNoScreenCopyShadows = TRUE;
    CUVMenuShadowManager manager(false);
    HWND owner =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 300, 300, 50, 40, nullptr, nullptr, nullptr, nullptr);
    manager.ShowShadows(owner, RECT{});
    ASSERT_EQ(manager.VisibleShadows().size(), 2u);
    for (CUVMenuShadowWnd* shadow : manager.VisibleShadows()) {
        EXPECT_EQ(shadow->m_nDepth, 2);
        EXPECT_FALSE(shadow->m_bScreenCopy);
    }
    RECT r{};
    GetWindowRect(manager.VisibleShadows()[0]->m_hWnd, &r);
    EXPECT_EQ(r.bottom - r.top, 2);
    DestroyWindow(owner);
    uvAfxData.m_bNoScreenCopyShadows = saved;
}

TEST(PopupJoint, FillsAOnePixelOverlapShortenedAtBothEnds)
{
    struct Case {
        const char* name;
        RECT button;
        bool filled;
        RECT expected;  // popup coordinates
    } cases[] = {
        {"button above, one-row overlap", {100, 80, 160, 101}, true, {1, 0, 59, 1}},
        {"button left, one-column overlap", {60, 110, 101, 150}, true, {0, 11, 1, 49}},
        {"two rows deep", {100, 80, 160, 102}, false, {}},
        {"apart", {0, 0, 10, 10}, false, {}},
    };
    const RECT popup{100, 100, 200, 300};
    for (const Case& c : cases) {
        Canvas canvas(100, 200, RGB(255, 255, 255));
        FillPopupJoint(canvas.dc, RGB(9, 9, 9), c.button, popup);
        int count = 0;
        RECT found{1000, 1000, -1, -1};
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 100; ++x)
                if (canvas.At(x, y) == RGB(9, 9, 9)) {
                    ++count;
                    found = RECT{std::min<LONG>(found.left, x), std::min<LONG>(found.top, y),
                                 std::max<LONG>(found.right, x + 1), std::max<LONG>(found.bottom, y + 1)};
                }
        if (!c.filled) {
            EXPECT_EQ(count, 0) << c.name;
            continue;
        }
        EXPECT_TRUE(EqualRect(&found, &c.expected))
            << c.name << ": " << found.left << "," << found.top << "," << found.right << "," << found.bottom;
    }
}

TEST(PopupHooks, SystemMenuAnimationAndDropShadowAreOffWhilePopupsLive)
{
    BOOL originalAnimation = FALSE, originalShadow = FALSE;
    SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &originalAnimation, 0);
    SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &originalShadow, 0);
    SystemParametersInfoW(SPI_SETMENUANIMATION, 0, reinterpret_cast<void*>(TRUE), 0);
    SystemParametersInfoW(SPI_SETDROPSHADOW, 0, reinterpret_cast<void*>(TRUE), 0);
    BOOL animationWhileOpen = TRUE, shadowWhileOpen = TRUE;
    {
        MenuDriver driver;
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, 620, L"Item");
        driver.Track(menu, POINT{10, 10}, false, {[&](HWND) {
                         SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &animationWhileOpen, 0);
                         SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &shadowWhileOpen, 0);
                     }});
        DestroyMenu(menu);
    }
    BOOL animationAfter = FALSE, shadowAfter = FALSE;
    SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &animationAfter, 0);
    SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &shadowAfter, 0);
    SystemParametersInfoW(SPI_SETMENUANIMATION, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(originalAnimation)),
                          0);
    SystemParametersInfoW(SPI_SETDROPSHADOW, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(originalShadow)), 0);
    EXPECT_FALSE(animationWhileOpen);
    EXPECT_FALSE(shadowWhileOpen);
    EXPECT_TRUE(animationAfter);
    EXPECT_TRUE(shadowAfter);
}

}  // namespace
