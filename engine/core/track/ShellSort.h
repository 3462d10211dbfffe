// Sorting of 64-bit time lists (beat and marker times) in place.
#pragma once

#include <windows.h>

#include "classlib/core/Array.h"

// Ascending Shell sort with the gap sequence 1, 4, 13, 40, ... (h = 3h + 1): the start gap is 1
// below 14 values, 3280 above 29524 values, otherwise the smallest gap not below the count,
// divided by 3 twice. FALSE for an empty array.
template <class ARG_TYPE>
BOOL ShellSortInt64Array(CArray<LONGLONG, ARG_TYPE>& values)
{
    const INT_PTR count = values.GetSize();
    if (count == 0)
        return FALSE;
    INT_PTR gap = 1;
    if (count > 29524) {
        gap = 3280;
    } else if (count >= 14) {
        while (gap < count)
            gap = 3 * gap + 1;
        gap = gap / 3 / 3;
    }
    LONGLONG* data = values.GetData();
    for (; gap > 0; gap /= 3) {
        for (INT_PTR i = gap; i < count; ++i) {
            const LONGLONG value = data[i];
            INT_PTR j = i;
            while (j >= gap && data[j - gap] > value) {
                data[j] = data[j - gap];
                j -= gap;
            }
            data[j] = value;
        }
    }
    return TRUE;
}
