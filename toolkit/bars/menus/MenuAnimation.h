// How a popup's finished image reaches the screen: unfolding from its top-left corner, sliding
// down, or fading in over what was behind it. The steps sleep on the UI thread, so an animation
// blocks the user interface for its duration (100 ms by default). The caller paints the final
// image afterwards.
#pragma once

#include <windows.h>

// The kind that kind 0 ("as the system is set") and 1 ("random") stand for: 2 unfold, 3 slide,
// 4 fade, or 0 for none.
int ResolveMenuAnimationKind(int kind);
// Shows `image` (a DC holding the popup's picture at 0, 0) on `screen` at `rect` with the
// animation `kind` in `steps` steps over `durationMs`; the replacement routine of the menu state
// runs instead when one is set. Kinds outside 0-4 draw nothing.
void UVAnimatePopup(HDC screen, HDC image, const RECT& rect, int kind, int steps, int durationMs);
