// Wrapping a toolbar's buttons into rows, and fitting the rows to a width or a height by
// bisection between the unwrapped layout (one row) and the fully wrapped one (a row per
// button). Pure arithmetic on the buttons' widths, so that a frame being resized asks many
// lengths of the model and the control is changed once, with the wraps chosen.
#pragma once

#include <windows.h>

#include <vector>

struct UVWrapItem {
    int width = 0;
    bool separator = false;
    bool hidden = false;
};

struct UVWrapMetrics {
    int buttonHeight = 22;
    // What a row ended by a separator adds below itself (the separator lies across the bar).
    int separatorGap = 4;
};

// Marks in `wraps` (one per item) the items that end a row when rows are at most `length` long:
// a row that would grow past it breaks after its last separator, else before the button. A
// separator that would overflow ends the row itself. Hidden items are skipped. The row count.
int WrapItems(const std::vector<UVWrapItem>& items, int length, std::vector<bool>& wraps);

// The extent of the rows: the widest row and the sum of the rows' heights.
SIZE WrappedSize(const std::vector<UVWrapItem>& items, const std::vector<bool>& wraps, const UVWrapMetrics& metrics);

// The wraps of the narrowest layout no wider than `width` with as few rows as `width` allows.
int FitWidth(const std::vector<UVWrapItem>& items, int width, std::vector<bool>& wraps);

// The wraps of the narrowest layout whose height does not pass `height`; one row when none fits.
int FitHeight(const std::vector<UVWrapItem>& items, int height, const UVWrapMetrics& metrics, std::vector<bool>& wraps);
