// The menu animations drawn into memory DCs: each kind's last picture, the kinds that draw
// nothing, the system setting behind kind 0, and the fade's timing.
#include "toolkit/bars/menus/MenuAnimation.h"

#include "classlib/core/RegKey.h"
#include "tests/toolkit/bars/Canvas.h"
#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/menus/MenuState.h"

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kScreen = RGB(0, 0, 0);
constexpr COLORREF kImage = RGB(255, 255, 255);

// The UserPreferencesMask value of the prefix, set for one test and put back.
class PreferencesMask {
public:
    explicit PreferencesMask(DWORD mask)
    {
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_READ | KEY_WRITE, m_key.put());
        DWORD size = sizeof(m_saved);
        DWORD type = 0;
        m_had = RegQueryValueExW(m_key.get(), L"UserPreferencesMask", nullptr, &type, m_saved, &size) == ERROR_SUCCESS;
        m_size = size;
        RegSetValueExW(m_key.get(), L"UserPreferencesMask", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&mask), 4);
    }
    PreferencesMask(const PreferencesMask&) = delete;
    PreferencesMask& operator=(const PreferencesMask&) = delete;
    ~PreferencesMask()
    {
        if (m_had)
            RegSetValueExW(m_key.get(), L"UserPreferencesMask", 0, REG_BINARY, m_saved, m_size);
        else
            RegDeleteValueW(m_key.get(), L"UserPreferencesMask");
    }

private:
    RegKey m_key;
    BYTE m_saved[64] = {};
    DWORD m_size = 0;
    bool m_had = false;
};

TEST(MenuAnimation, EachKindEndsWhereTheCallerPaintsTheFinalImage)
{
    struct Case {
        const char* name;
        int kind;
        COLORREF topLeft, bottomRight;
    } cases[] = {
        {"unfold ends with the whole image", 2, kImage, kImage},
        {"slide ends one step short of the whole", 3, kImage, kImage},
        {"fade's last step is alpha 204 of 255", 4, RGB(203, 203, 203), RGB(203, 203, 203)},
        {"kind 5 (none) draws nothing", 5, kScreen, kScreen},
        {"kind -1 draws nothing", -1, kScreen, kScreen},
    };
    for (const Case& c : cases) {
        Canvas screen(40, 50, kScreen);
        Canvas image(30, 40, kImage);
        const RECT at{5, 5, 35, 45};
        UVAnimatePopup(screen.dc, image.dc, at, c.kind, 5, 10);
        EXPECT_EQ(screen.At(5, 5), c.topLeft) << c.name;
        EXPECT_EQ(screen.At(34, 10), c.bottomRight) << c.name;
        EXPECT_EQ(screen.At(2, 2), kScreen) << c.name << ": outside the rectangle";
    }
}

TEST(MenuAnimation, SystemKindFollowsTheMenuAnimationBits)
{
    struct Case {
        const char* name;
        DWORD mask;
        int kind;
    } cases[] = {
        {"menu animation off", 0x0, 0},
        {"menu animation, no fade bit", 0x2, 3},
        {"menu animation with fade bit", 0x202, 4},
        {"fade bit alone", 0x200, 0},
    };
    for (const Case& c : cases) {
        const PreferencesMask mask(c.mask);
        EXPECT_EQ(ResolveMenuAnimationKind(0), c.kind) << c.name;
    }
    const PreferencesMask off(0x0);
    Canvas screen(20, 20, kScreen);
    Canvas image(20, 20, kImage);
    UVAnimatePopup(screen.dc, image.dc, RECT{0, 0, 20, 20}, 0, 5, 10);
    EXPECT_EQ(screen.At(10, 10), kScreen) << "shown at once: the caller paints it";
    for (int i = 0; i < 20; ++i) {
        const int kind = ResolveMenuAnimationKind(1);
        EXPECT_TRUE(kind == 2 || kind == 3 || kind == 4) << kind;
    }
}

TEST(MenuAnimation, ReplacementRoutineRunsInsteadOfTheBuiltInOne)
{
    static int calls = 0;
    GetUVMenuAnimation().replacement = [](HDC, HDC, const RECT&, int kind, int steps, int durationMs) {
        calls += kind == 4 && steps == 5 && durationMs == 100;
    };
    Canvas screen(10, 10, kScreen);
    Canvas image(10, 10, kImage);
    UVAnimatePopup(screen.dc, image.dc, RECT{0, 0, 10, 10}, 4, 5, 100);
    GetUVMenuAnimation().replacement = nullptr;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(screen.At(5, 5), kScreen);
}

TEST(MenuAnimation, RealPopupsEndFullyPaintedAfterEachAnimation)
{
    const int savedKind = GetUVMenuAnimation().kind;
    for (int kind : {2, 3, 4}) {
        GetUVMenuAnimation().kind = kind;
        MenuDriver driver;
        HMENU menu = CreatePopupMenu();
        for (int i = 0; i < 8; ++i)
            AppendMenuW(menu, MF_STRING, 700 + i, L"Animated item");
        COLORREF body = 0;
        driver.Track(menu, POINT{30, 30}, false,
                     {[](HWND) {}, [](HWND) {},
                      [&](HWND popup) {
                          Sleep(200);  // the compositor catches up; the menu loop keeps its messages
                          const RECT r = ItemRect(popup, menu, 7);
                          body = ScreenPixel(r.right - 12, (r.top + r.bottom) / 2);
                      }},
                     nullptr, 150);
        DestroyMenu(menu);
        EXPECT_EQ(body, GetSysColor(COLOR_MENU)) << "kind " << kind << ": the last item is painted";
    }
    GetUVMenuAnimation().kind = savedKind;
}

}  // namespace
