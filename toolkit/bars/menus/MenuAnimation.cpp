#include "toolkit/bars/menus/MenuAnimation.h"

#include "classlib/core/RegKey.h"
#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/DrawHelpers.h"
#include "toolkit/bars/menus/MenuState.h"

#include <cstdlib>

namespace {

enum Kind { none = 0, followSystem = 0, random = 1, unfold = 2, slide = 3, fade = 4 };

constexpr DWORD kMenuAnimationBit = 0x2;
constexpr DWORD kMenuFadeBit = 0x200;

// A 32-bit top-down DIB section selected into a DC of its own.
struct PixelBuffer {
    CDC dc;
    CBitmap bitmap;
    DWORD* bits = nullptr;
    HGDIOBJ old = nullptr;
    PixelBuffer(int width, int height)
    {
        dc.CreateCompatibleDC(nullptr);
        if (bitmap.Attach(CreateDIB32(width, height, &bits)))
            old = dc.SelectObject(&bitmap);
    }
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    ~PixelBuffer()
    {
        if (old)
            dc.SelectObject(old);
    }
};

void Fade(HDC screen, HDC image, const RECT& rect, int steps, int durationMs)
{
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    PixelBuffer picture(w, h);
    PixelBuffer behind(w, h);
    PixelBuffer mix(w, h);
    if (!picture.bits || !behind.bits || !mix.bits)
        return;
    BitBlt(picture.dc, 0, 0, w, h, image, 0, 0, SRCCOPY);
    BitBlt(behind.dc, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const size_t count = static_cast<size_t>(w) * h;
    const DWORD stepMs = static_cast<DWORD>(durationMs / steps);
    for (int k = 1; k < steps; ++k) {
        const DWORD started = GetTickCount();
        const DWORD alpha = 255u * k / steps;
        for (size_t i = 0; i < count; ++i) {
            const DWORD s = behind.bits[i];
            const DWORD p = picture.bits[i];
            DWORD out = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const DWORD channel = (((s >> shift) & 0xFF) * (255 - alpha) + ((p >> shift) & 0xFF) * alpha) >> 8;
                out |= channel << shift;
            }
            mix.bits[i] = out;
        }
        BitBlt(screen, rect.left, rect.top, w, h, mix.dc, 0, 0, SRCCOPY);
        GdiFlush();
        const DWORD spent = GetTickCount() - started;
        if (spent < stepMs)
            Sleep(stepMs - spent);
    }
}

}  // namespace

int ResolveMenuAnimationKind(int kind)
{
    if (kind == followSystem) {
        RegKey desktop;
        DWORD mask = 0;
        DWORD size = sizeof(mask);
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_READ, desktop.put()) != ERROR_SUCCESS ||
            RegQueryValueExW(desktop.get(), L"UserPreferencesMask", nullptr, nullptr, reinterpret_cast<BYTE*>(&mask),
                             &size) != ERROR_SUCCESS ||
            size < 2)
            return none;
        if (!(mask & kMenuAnimationBit))
            return none;
        return (mask & kMenuFadeBit) ? fade : slide;
    }
    if (kind == random) {
        static const int kinds[3] = {fade, slide, unfold};
        return kinds[std::rand() % 3];
    }
    return kind;
}

void UVAnimatePopup(HDC screen, HDC image, const RECT& rect, int kind, int steps, int durationMs)
{
    if (UVAnimateFn replacement = GetUVMenuState().animation.replacement) {
        replacement(screen, image, rect, kind, steps, durationMs);
        return;
    }
    if (steps <= 0)
        return;
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    const DWORD stepMs = static_cast<DWORD>(durationMs > 0 ? durationMs / steps : 0);
    switch (ResolveMenuAnimationKind(kind)) {
    case unfold:
        for (int k = 1; k <= steps; ++k) {
            BitBlt(screen, rect.left, rect.top, w * k / steps, h * k / steps, image, 0, 0, SRCCOPY);
            GdiFlush();
            Sleep(stepMs);
        }
        break;
    case slide: {
        const int step = h / steps + 1;
        for (int shown = 0; shown < h; shown += step) {
            BitBlt(screen, rect.left, rect.top, w, shown, image, 0, h - shown, SRCCOPY);
            GdiFlush();
            Sleep(stepMs);
        }
        break;
    }
    case fade:
        Fade(screen, image, rect, steps, durationMs);
        break;
    default:
        break;
    }
}
