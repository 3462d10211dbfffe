#include "toolkit/bars/toolbar/ToolBarWrap.h"

#include <algorithm>

int WrapItems(const std::vector<UVWrapItem>& items, int length, std::vector<bool>& wraps)
{
    const int count = static_cast<int>(items.size());
    wraps.assign(items.size(), false);
    int rows = 1;
    int rowStart = 0;  // the first item of the current row
    int x = 0;
    int lastVisible = -1;
    for (int i = 0; i < count; ++i) {
        const UVWrapItem& item = items[static_cast<size_t>(i)];
        if (item.hidden)
            continue;
        if (x > 0 && x + item.width > length) {
            // The nearest separator of this row (the overflowing item itself included) ends it.
            int separator = -1;
            for (int j = i; j >= rowStart; --j) {
                const UVWrapItem& earlier = items[static_cast<size_t>(j)];
                if (!earlier.hidden && earlier.separator) {
                    separator = j;
                    break;
                }
            }
            if (separator == i) {
                wraps[static_cast<size_t>(i)] = true;
                ++rows;
                rowStart = i + 1;
                x = 0;
                lastVisible = i;
                continue;
            }
            const int end = separator >= 0 ? separator : lastVisible;
            wraps[static_cast<size_t>(end)] = true;
            ++rows;
            rowStart = end + 1;
            x = 0;
            for (int j = rowStart; j < i; ++j) {
                if (!items[static_cast<size_t>(j)].hidden)
                    x += items[static_cast<size_t>(j)].width;
            }
        }
        x += item.width;
        lastVisible = i;
    }
    // The last item ends the last row without wrapping.
    if (lastVisible >= 0 && wraps[static_cast<size_t>(lastVisible)]) {
        wraps[static_cast<size_t>(lastVisible)] = false;
        --rows;
    }
    return rows;
}

SIZE WrappedSize(const std::vector<UVWrapItem>& items, const std::vector<bool>& wraps, const UVWrapMetrics& metrics)
{
    SIZE size{0, 0};
    int x = 0;
    bool rowOpen = false;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].hidden)
            continue;
        x += items[i].width;
        rowOpen = true;
        if (wraps[i]) {
            size.cx = std::max<LONG>(size.cx, x);
            size.cy += metrics.buttonHeight + (items[i].separator ? metrics.separatorGap : 0);
            x = 0;
            rowOpen = false;
        }
    }
    if (rowOpen) {
        size.cx = std::max<LONG>(size.cx, x);
        size.cy += metrics.buttonHeight;
    }
    return size;
}

namespace {

// The full width of one row: no length it can be wrapped at is longer.
int UnwrappedLength(const std::vector<UVWrapItem>& items)
{
    int length = 0;
    for (const UVWrapItem& item : items)
        length += item.hidden ? 0 : item.width;
    return length;
}

}  // namespace

int FitWidth(const std::vector<UVWrapItem>& items, int width, std::vector<bool>& wraps)
{
    const int rows = WrapItems(items, width, wraps);
    // The shortest length that still needs no more rows balances them.
    int low = 0;
    int high = std::min(width, UnwrappedLength(items));
    while (low < high) {
        const int middle = (low + high) / 2;
        std::vector<bool> trial;
        if (WrapItems(items, middle, trial) <= rows)
            high = middle;
        else
            low = middle + 1;
    }
    return WrapItems(items, high, wraps);
}

int FitHeight(const std::vector<UVWrapItem>& items, int height, const UVWrapMetrics& metrics, std::vector<bool>& wraps)
{
    // Heights fall as the length grows: the shortest length whose rows fit in `height`.
    int low = 0;
    int high = UnwrappedLength(items);
    while (low < high) {
        const int middle = (low + high) / 2;
        std::vector<bool> trial;
        WrapItems(items, middle, trial);
        if (WrappedSize(items, trial, metrics).cy <= height)
            high = middle;
        else
            low = middle + 1;
    }
    return WrapItems(items, high, wraps);
}
