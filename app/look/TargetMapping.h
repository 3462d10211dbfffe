// What the bitmap draws share: a memory DC over a bitmap that maps logical units as its target
// does, so that a copy between the two moves pixels one for one and the bitmap keeps its size in
// device pixels whatever mapping mode the target uses.
#pragma once

#include "classlib/ui/Gdi.h"

// Gives `memory` the target's mapping mode and, for the scalable modes, its window and viewport
// extents; the origins stay at 0, so logical (0, 0) is the bitmap's first pixel.
void TakeTargetMapping(CDC& memory, CDC& target);

// A bitmap's size in pixels, and its origin and size in the logical units of a DC that took its
// target's mapping.
struct LogicalBitmapExtent {
    SIZE pixels;
    POINT origin;
    POINT size;
};

// FALSE when the bitmap's size cannot be read.
BOOL GetLogicalBitmapExtent(CDC& memory, HBITMAP bitmap, LogicalBitmapExtent* extent);
