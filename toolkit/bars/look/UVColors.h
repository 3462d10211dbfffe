// The toolkit's colour engine: a process-wide table of 50 colours indexed like the system colours
// (1..27 the system colours, 30..49 the colours derived from them for the XP look), colour
// blending, the weighted colour distance that decides contrast, and RGB/HLS conversion.
// The table is written by RefreshUVColors on the UI thread and read by every painter.
#pragma once

#include <windows.h>

inline constexpr int kUVColorCount = 50;
inline constexpr int kUVFirstDerivedColor = 30;
inline constexpr int kUVDerivedColorCount = 20;

COLORREF GetUVColor(int index);
// Reloads the system colours and derives the XP colours from them (left at their defaults on a
// palette display of 8 bits per pixel or fewer).
void RefreshUVColors();
// Restores the derived colours to their defaults (system colours by role).
void ResetUVDerivedColors();

COLORREF MakeClampedRGB(int r, int g, int b);
// Weight of the first colour: a percentage below 100, else per mille.
COLORREF BlendColors(COLORREF a, COLORREF b, int weight);
COLORREF LightenColor(COLORREF c, int amount);
double ColorDistanceSquared(COLORREF a, COLORREF b);
bool IsContrastEnough(COLORREF reference, COLORREF c, double x);
COLORREF PullColorToDistance(COLORREF reference, COLORREF c, double x);
COLORREF PushColorToContrast(COLORREF reference, COLORREF c, double x);
COLORREF TintTowardWhite(COLORREF c, double f);
// All three components in 0..1.
void RGBToHLS(COLORREF c, double* hue, double* saturation, double* luminance);
COLORREF HLSToRGB(double hue, double saturation, double luminance);

// The computation behind RefreshUVColors, on given system colours (indices 0..27) and display
// kind, into `table` (50 entries); the seam tests use to try colour schemes and palette displays.
void ComputeUVColors(const COLORREF* systemColors, bool paletteDisplay, COLORREF* table);
