#include "toolkit/bars/look/UVColors.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

std::array<COLORREF, kUVColorCount> g_colors{};

// The weighted colour space: green counts most, blue least, as the eye sees contrast.
constexpr double kScaleR = 195.0 / 255.0;
constexpr double kScaleG = 390.0 / 255.0;
constexpr double kScaleB = 65.0 / 255.0;

struct Vec {
    double r, g, b;
};

Vec Scaled(COLORREF c)
{
    return {GetRValue(c) * kScaleR, GetGValue(c) * kScaleG, GetBValue(c) * kScaleB};
}

double Length(const Vec& v)
{
    return std::sqrt(v.r * v.r + v.g * v.g + v.b * v.b);
}

COLORREF FromScaled(Vec v)
{
    v.r = std::clamp(v.r, 0.0, 195.0);
    v.g = std::clamp(v.g, 0.0, 390.0);
    v.b = std::clamp(v.b, 0.0, 65.0);
    return MakeClampedRGB(static_cast<int>(v.r / kScaleR + 0.5), static_cast<int>(v.g / kScaleG + 0.5),
                          static_cast<int>(v.b / kScaleB + 0.5));
}

double Threshold(COLORREF reference, double x)
{
    const double length = std::min(std::floor(Length(Scaled(reference))), 220.0);
    return (2.0 - length / 220.0) * static_cast<int>(x);
}

COLORREF ScaleToMax(COLORREF c, int target, COLORREF whenZero)
{
    const int m = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
    if (m == 0)
        return whenZero;
    return MakeClampedRGB(GetRValue(c) * target / m, GetGValue(c) * target / m, GetBValue(c) * target / m);
}

}  // namespace

COLORREF GetUVColor(int index)
{
    return index >= 0 && index < kUVColorCount ? g_colors[static_cast<size_t>(index)] : 0;
}

COLORREF MakeClampedRGB(int r, int g, int b)
{
    return RGB(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

COLORREF BlendColors(COLORREF a, COLORREF b, int weight)
{
    const int divisor = weight < 100 ? 100 : 1000;
    auto mix = [&](int ca, int cb) { return (weight * ca + (divisor - weight) * cb + divisor / 2) / divisor; };
    return MakeClampedRGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                          mix(GetBValue(a), GetBValue(b)));
}

COLORREF LightenColor(COLORREF c, int amount)
{
    amount = std::clamp(amount, 0, 255);
    return MakeClampedRGB(GetRValue(c) + amount, GetGValue(c) + amount, GetBValue(c) + amount);
}

double ColorDistanceSquared(COLORREF a, COLORREF b)
{
    const Vec va = Scaled(a);
    const Vec vb = Scaled(b);
    return (va.r - vb.r) * (va.r - vb.r) + (va.g - vb.g) * (va.g - vb.g) + (va.b - vb.b) * (va.b - vb.b);
}

bool IsContrastEnough(COLORREF reference, COLORREF c, double x)
{
    const double t = Threshold(reference, x);
    return ColorDistanceSquared(reference, c) > t * t;
}

COLORREF PullColorToDistance(COLORREF reference, COLORREF c, double x)
{
    const double t = Threshold(reference, x);
    const Vec r = Scaled(reference);
    const Vec v = Scaled(c);
    const double distance = std::sqrt(ColorDistanceSquared(reference, c));
    if (distance <= 0.0)
        return c;
    const double k = t / distance;
    return FromScaled({r.r + (v.r - r.r) * k, r.g + (v.g - r.g) * k, r.b + (v.b - r.b) * k});
}

COLORREF PushColorToContrast(COLORREF reference, COLORREF c, double x)
{
    const double t = Threshold(reference, x);
    Vec r = Scaled(reference);
    Vec v = Scaled(c);
    const double refLength = Length(r);
    const bool brighter = Length(v) > refLength;
    const bool mirrored = (brighter && refLength <= 442.0 - t) || (!brighter && refLength <= t);
    if (mirrored) {
        r = {195.0 - r.r, 390.0 - r.g, 65.0 - r.b};
        v = {195.0 - v.r, 390.0 - v.g, 65.0 - v.b};
    }
    double cLength = Length(v);
    if (cLength < 0.001) {
        // No direction to keep: a colour at the origin counts as a tiny grey.
        const double unit = 0.001 / std::sqrt(3.0);
        v = {unit, unit, unit};
        cLength = 0.001;
    }
    // s such that |s*v - r| = t; the smaller root keeps the colour nearest its own side.
    const double a = cLength * cLength;
    const double bHalf = v.r * r.r + v.g * r.g + v.b * r.b;
    // The reference's length in the space the push works in (mirrored or plain).
    const double workLength = Length(r);
    const double cTerm = workLength * workLength - t * t;
    const double disc = std::max(bHalf * bHalf - a * cTerm, 0.0);
    const double s = (bHalf - std::sqrt(disc)) / a;
    Vec out{v.r * s, v.g * s, v.b * s};
    if (mirrored)
        out = {195.0 - out.r, 390.0 - out.g, 65.0 - out.b};
    return FromScaled(out);
}

COLORREF TintTowardWhite(COLORREF c, double f)
{
    auto tint = [&](int channel) { return static_cast<int>(f * 255.0 + (1.0 - f) * channel); };
    return MakeClampedRGB(tint(GetRValue(c)), tint(GetGValue(c)), tint(GetBValue(c)));
}

void RGBToHLS(COLORREF c, double* hue, double* saturation, double* luminance)
{
    const double r = GetRValue(c) / 255.0;
    const double g = GetGValue(c) / 255.0;
    const double b = GetBValue(c) / 255.0;
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double l = (mx + mn) / 2.0;
    double h = 0.0;
    double s = 0.0;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2.0 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = 2.0 + (b - r) / d;
        else
            h = 4.0 + (r - g) / d;
        h /= 6.0;
        if (h < 0.0)
            h += 1.0;
    }
    *hue = h;
    *saturation = s;
    *luminance = l;
}

COLORREF HLSToRGB(double hue, double saturation, double luminance)
{
    if (saturation == 0.0) {
        const int grey = static_cast<int>(luminance * 255.0);
        return MakeClampedRGB(grey, grey, grey);
    }
    const double m2 =
        luminance < 0.5 ? luminance * (1.0 + saturation) : luminance + saturation - luminance * saturation;
    const double m1 = 2.0 * luminance - m2;
    auto ramp = [&](double h) {
        if (h < 0.0)
            h += 1.0;
        if (h > 1.0)
            h -= 1.0;
        if (h < 1.0 / 6.0)
            return m1 + (m2 - m1) * h * 6.0;
        if (h < 0.5)
            return m2;
        if (h < 2.0 / 3.0)
            return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6.0;
        return m1;
    };
    return MakeClampedRGB(static_cast<int>(ramp(hue + 1.0 / 3.0) * 255.0), static_cast<int>(ramp(hue) * 255.0),
                          static_cast<int>(ramp(hue - 1.0 / 3.0) * 255.0));
}

void ComputeUVColors(const COLORREF* sys, bool paletteDisplay, COLORREF* table)
{
    std::fill(table, table + kUVColorCount, 0);
    for (int i = 1; i <= 27; ++i)
        table[i] = sys[i];
    COLORREF* c = table;
    // Defaults: each derived colour is a system colour by its role.
    c[30] = c[48] = sys[COLOR_BTNFACE];
    c[31] = c[36] = c[41] = sys[COLOR_WINDOW];
    c[32] = c[33] = c[37] = sys[COLOR_HIGHLIGHT];
    c[35] = sys[COLOR_GRAYTEXT];
    c[38] = c[39] = c[40] = c[42] = c[43] = sys[COLOR_BTNSHADOW];
    c[44] = sys[COLOR_WINDOWTEXT];
    c[45] = sys[COLOR_MENUTEXT];
    c[46] = c[49] = sys[COLOR_BTNTEXT];
    c[47] = sys[COLOR_HIGHLIGHTTEXT];
    if (paletteDisplay)
        return;

    const COLORREF face = sys[COLOR_BTNFACE];
    const COLORREF window = sys[COLOR_WINDOW];
    const COLORREF highlight = sys[COLOR_HIGHLIGHT];
    const COLORREF shadow = sys[COLOR_BTNSHADOW];
    c[30] = BlendColors(window, face, 165);
    c[31] = BlendColors(highlight, window, 30);
    c[33] = BlendColors(highlight, window, 50);
    c[41] = BlendColors(face, window, 143);
    c[35] = BlendColors(sys[COLOR_GRAYTEXT], window, 70);
    c[38] = BlendColors(shadow, window, 75);
    c[39] = BlendColors(shadow, window, 70);
    c[43] = BlendColors(c[46], shadow, 20);
    c[40] = BlendColors(shadow, window, 90);
    c[42] = BlendColors(face, shadow, 90);

    if (IsContrastEnough(face, c[30], 35))
        c[30] = PullColorToDistance(face, c[30], 35);

    struct ContrastRow {
        int target;
        int reference;
        int x;
    };
    static constexpr ContrastRow rows[] = {
        {31, 30, 50},  {32, 30, 100}, {33, 30, 30},  {35, 41, 80},  {37, 33, 100}, {38, 30, 85},  {39, 30, 50},
        {43, 47, 100}, {40, 30, 80},  {44, 41, 180}, {45, 31, 180}, {46, 30, 180}, {47, 33, 180},
    };
    c[32] = highlight;
    for (const ContrastRow& row : rows) {
        if (!IsContrastEnough(c[row.reference], c[row.target], row.x))
            c[row.target] = PushColorToContrast(c[row.reference], c[row.target], row.x);
    }

    if (IsContrastEnough(c[41], c[35], 145))
        c[35] = PullColorToDistance(c[41], c[35], 145);

    auto mix36 = [&](int c30, int w, int h) { return c30 / 2 + w * 40 / 100 + h / 10; };
    c[36] = MakeClampedRGB(mix36(GetRValue(c[30]), GetRValue(window), GetRValue(highlight)),
                           mix36(GetGValue(c[30]), GetGValue(window), GetGValue(highlight)),
                           mix36(GetBValue(c[30]), GetBValue(window), GetBValue(highlight)));

    const int faceMax = std::max({GetRValue(face), GetGValue(face), GetBValue(face)});
    c[48] = ScaleToMax(face, faceMax > 219 ? 255 : faceMax + 35, RGB(35, 35, 35));

    if (face == RGB(0, 0, 0)) {
        c[49] = RGB(127, 127, 127);
    } else {
        const int shadowMax = std::max({GetRValue(shadow), GetGValue(shadow), GetBValue(shadow)});
        c[49] = ScaleToMax(shadow, shadowMax < 43 ? 0 : shadowMax - 43, RGB(0, 0, 0));
    }

    c[34] = RGB(static_cast<int>(GetRValue(c[31]) * 0.75), static_cast<int>(GetGValue(c[31]) * 0.75),
                static_cast<int>(GetBValue(c[31]) * 0.75));
}

void RefreshUVColors()
{
    HDC screen = GetDC(nullptr);
    const int bits = screen ? GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES) : 24;
    if (screen)
        ReleaseDC(nullptr, screen);
    COLORREF sys[28] = {};
    for (int i = 1; i <= 27; ++i)
        sys[i] = GetSysColor(i);
    ComputeUVColors(sys, bits >= 1 && bits <= 8, g_colors.data());
}

void ResetUVDerivedColors()
{
    COLORREF sys[28] = {};
    for (int i = 1; i <= 27; ++i)
        sys[i] = GetSysColor(i);
    std::array<COLORREF, kUVColorCount> defaults{};
    ComputeUVColors(sys, true, defaults.data());
    std::copy(defaults.begin() + kUVFirstDerivedColor, defaults.end(), g_colors.begin() + kUVFirstDerivedColor);
}
