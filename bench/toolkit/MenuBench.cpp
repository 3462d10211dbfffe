// Popup-menu figures, taken inside one Wine process on Xvfb (tools/bench):
// - from WM_INITMENUPOPUP reaching the frame to the end of the popup's first paint, for a 30-item
//   popup whose items all show images, animation off, in the classic and the XP look (target:
//   at most 16 ms);
// - the length of a fade of a 300 x 600 popup with the default 5 steps and 100 ms (target: at
//   most the duration plus 20 ms).
// Times come from QueryPerformanceCounter around the product's own code path; the popup's first
// paint (the toolkit's off-screen paint, every item drawn, the copy to the screen) is printed
// beside the total, the rest being the item measuring and the system's menu machinery and X
// server before the popup is painted. No peer: the system's own menus draw differently and are
// not a like-for-like figure.
#include "bench/common/LayoutFigures.h"
#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/look/CommandImages.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/menus/MenuAnimation.h"
#include "toolkit/bars/menus/MenuState.h"
#include "toolkit/bars/menus/PopupMenuHook.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double g_start = 0;
double g_painted = 0;
double g_paint = 0;  // the popup's first paint (every item drawn through WM_PRINTCLIENT)

// The newest hook on the popup window: its first WM_PAINT returns once the toolkit has painted.
class PaintClock : public CUVWndHook {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const double start = bench::NowMs();
        const LRESULT result = CUVWndHook::WindowProc(message, wParam, lParam);
        if (message == WM_PAINT && g_painted == 0) {
            g_painted = bench::NowMs();
            g_paint = g_painted - start;
        }
        return result;
    }
};

PaintClock g_paintClock;

// Newer than the cool menu on the frame: sees WM_INITMENUPOPUP first, when the popup window
// exists and waits for its menu.
class InitClock : public CUVWndHook {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITMENUPOPUP && g_start == 0) {
            g_start = bench::NowMs();
            if (CUVPopupMenuHook* popup = GetUVMenuState().waitingHook)
                g_paintClock.HookWindow(popup->m_hPopup);
        }
        return CUVWndHook::WindowProc(message, wParam, lParam);
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PopupFigures(BOOL xp)
{
    uvAfxData.m_bXPLook = xp;
    std::vector<double> times;
    std::vector<double> paintTimes;
    for (int run = 0; run < 30; ++run) {
        MenuDriver driver;
        InitClock clock;
        clock.HookWindowPtr(driver.frame);
        HMENU menu = CreatePopupMenu();
        for (int i = 0; i < 30; ++i) {
            wchar_t text[64];
            swprintf(text, 64, L"Command number %d\tCtrl+%d", i + 1, i % 10);
            AppendMenuW(menu, MF_STRING, 101 + i % 4, text);
        }
        g_start = g_painted = g_paint = 0;
        driver.Track(menu, POINT{20, 10}, false, {[](HWND) {}}, nullptr, 40);
        DestroyMenu(menu);
        g_paintClock.HookWindow(nullptr);
        if (g_start > 0 && g_painted > g_start) {
            times.push_back(g_painted - g_start);
            paintTimes.push_back(g_paint);
        }
    }
    if (times.empty()) {
        std::printf("popup %s: no paint seen\n", xp ? "XP" : "classic");
        return;
    }
    std::printf("30-item popup with images, %s look: WM_INITMENUPOPUP to painted: median %.2f ms, worst %.2f ms "
                "(%zu runs; target 16 ms); of which the first paint: median %.2f ms\n",
                xp ? "XP" : "classic", Median(times), *std::max_element(times.begin(), times.end()), times.size(),
                Median(paintTimes));
}

void FadeFigure()
{
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 300, 600, nullptr,
                                  nullptr, nullptr, nullptr);
    CWindowDC screen(CWnd::FromHandle(window));
    CDC image;
    image.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(screen, 300, 600);
    const CSelectedObject selected(image, bitmap);
    const RECT all{0, 0, 300, 600};
    image.FillSolidRect(&all, RGB(250, 250, 240));
    std::vector<double> times;
    for (int run = 0; run < 10; ++run) {
        const double start = bench::NowMs();
        UVAnimatePopup(screen, image, all, 4, 5, 100);
        times.push_back(bench::NowMs() - start);
    }
    DestroyWindow(window);
    std::printf("fade of a 300 x 600 popup, 5 steps over 100 ms: median %.1f ms, worst %.1f ms (target 120 ms)\n",
                Median(times), *std::max_element(times.begin(), times.end()));
}

}  // namespace

int main()
{
    GetUVCommandImages().LoadToolbarResource(GetModuleHandleW(nullptr), 300, TRUE, CUVCommandImages::menuMap);
    GetUVMenuAnimation().kind = 5;
    PopupFigures(FALSE);
    PopupFigures(TRUE);
    FadeFigure();
    return 0;
}
