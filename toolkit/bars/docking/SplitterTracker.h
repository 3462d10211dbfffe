// One splitter strip of a dock bar's last layout and the drag that resizes through it. A row
// tracker (kind 1) moves a row's inner edge and sets the thickness of every docking window of
// the row; a bar tracker (kind 2) moves the boundary between two neighbouring docking windows,
// giving one what it takes from the other.
#pragma once

#include <windows.h>

struct UVSplitterTracker {
    enum Kind { row = 1, bar = 2 };

    RECT rect{};  // the strip, in the dock bar's client coordinates
    Kind kind = row;
    int index = 0;  // in the dock bar's array: the row's first bar, or the bar after the strip
    int start = 0;  // row: the row's thickness; bar: 0 (the boundary's move)
    int current = 0;
    int lower = 0;  // the limits of `current`
    int upper = 0;
    POINT from{};  // the mouse where the drag started (screen)
};
