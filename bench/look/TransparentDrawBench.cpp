// DrawTransparentBitmap figures, taken inside one Wine process on Xvfb (tools/bench): a 16 x 16
// bitmap (a row image) and a 100 x 23 one (a view's corner), each with a third of its pixels
// transparent, drawn 2000 times after 100 unmeasured draws, (1) into a screen-compatible
// off-screen bitmap, as the views paint, and (2) straight into a visible window's DC. The time of
// each draw is the performance counter around the call; the median and the 99th percentile are
// printed. Targets: 50 us for 16 x 16 and 100 us for 100 x 23 (median). No peer: the platform's
// TransparentBlt does the same work in another way and is printed beside for scale.
#include "app/look/TransparentBitmap.h"
#include "bench/common/Clock.h"
#include "classlib/ui/Wnd.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kWarmUp = 100;
constexpr int kRuns = 2000;
constexpr COLORREF kKey = RGB(255, 255, 255);

struct Figures {
    double median;
    double p99;
};

Figures Measure(const std::function<void()>& draw)
{
    for (int i = 0; i < kWarmUp; ++i)
        draw();
    std::vector<double> times;
    times.reserve(kRuns);
    for (int i = 0; i < kRuns; ++i) {
        const double start = bench::NowSeconds();
        draw();
        GdiFlush();
        times.push_back((bench::NowSeconds() - start) * 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 99 / 100]};
}

// A screen-compatible bitmap with every third diagonal stripe of the key colour.
void MakeBitmap(CDC& screen, int width, int height, CBitmap* bitmap)
{
    bitmap->CreateCompatibleBitmap(screen, width, height);
    CDC dc;
    dc.CreateCompatibleDC(&screen);
    const CSelectedObject selected(dc, *bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(dc, x, y, (x / 3 + y / 2) % 3 == 0 ? kKey : RGB(40 + x * 2, 60 + y * 5, 90));
}

void Report(const char* what, int width, int height, double target, CDC& dc, HBITMAP bitmap)
{
    const Figures ours = Measure([&] { DrawTransparentBitmap(&dc, bitmap, 10, 10, kKey); });
    CDC source;
    source.CreateCompatibleDC(&dc);
    const CSelectedObject selected(source, bitmap);
    const Figures platform =
        Measure([&] { TransparentBlt(dc, 10, 10, width, height, source, 0, 0, width, height, kKey); });
    std::printf("%-10s %3d x %-3d median %7.1f us, 99th percentile %7.1f us (target %3.0f us: %s); "
                "TransparentBlt median %6.1f us\n",
                what, width, height, ours.median, ours.p99, target, ours.median <= target ? "met" : "MISSED",
                platform.median);
}

}  // namespace

int main()
{
    std::printf("DrawTransparentBitmap, in-process under Wine: performance counter around each of %d draws "
                "after %d unmeasured ones\n",
                kRuns, kWarmUp);
    CClientDC screen(nullptr);
    CBitmap small;
    CBitmap corner;
    MakeBitmap(screen, 16, 16, &small);
    MakeBitmap(screen, 100, 23, &corner);
    {
        CDC memory;
        memory.CreateCompatibleDC(&screen);
        CBitmap canvas;
        canvas.CreateCompatibleBitmap(screen, 400, 300);
        const CSelectedObject selected(memory, canvas);
        Report("off-screen", 16, 16, 50, memory, small);
        Report("off-screen", 100, 23, 100, memory, corner);
    }
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
    UpdateWindow(window);
    {
        CClientDC windowDC(CWnd::FromHandle(window));
        Report("window", 16, 16, 50, windowDC, small);
        Report("window", 100, 23, 100, windowDC, corner);
    }
    DestroyWindow(window);
    return 0;
}
