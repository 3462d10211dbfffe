// The program's 82 colours: fixed ones and those that follow the system colours.
#pragma once

#include <windows.h>

inline constexpr int kSchemeColorCount = 82;
// System colours are read by their COLOR_ index, 0 to COLOR_MENUBAR.
inline constexpr int kSystemColorCount = COLOR_MENUBAR + 1;

// Fills `colors` (82 entries) from the system colours `systemColors` (kSystemColorCount entries,
// indexed by COLOR_ value); the seam tests use to try several sets of system colours.
void ComputeSchemeColors(const COLORREF* systemColors, COLORREF* colors);

// `colour` less `amount`, channel by channel, each stopping at 0: a channel never borrows from
// its neighbour.
COLORREF SubtractPerChannel(COLORREF colour, COLORREF amount);
