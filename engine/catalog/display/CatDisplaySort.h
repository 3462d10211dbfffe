// Sorting of a display list: one entry per row, built once, then a Shell sort over the entries.
// Keys are compared only; ties fall back to the row's position before the sort, so equal rows
// keep their order ascending and are reversed descending.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/core/String.h"

struct CCatDisplaySortItem {
    DWORD id = 0;
    CString text;
    DWORD number = 0;
    DWORD position = 0;
};

// The first gap of the sort for n rows: 1 below 14 rows, 3,280 above 29,524, else the first of
// 1, 4, 13, 40, ... not below n, divided by 9.
size_t GetShellSortStartGap(size_t count);

// TRUE when a comes before b: the order the sort gives. byText selects the text keys (compared
// ignoring case as the C runtime's _wcsicmp folds it), else the number keys.
bool CatDisplaySortBefore(const CCatDisplaySortItem& a, const CCatDisplaySortItem& b, bool byText, bool ascending);

// Sorts in place; gaps (when given) receives each gap used, in order. Text keys are folded once
// before the sort rather than in every comparison; the order is the same.
void ShellSortDisplayItems(std::vector<CCatDisplaySortItem>& items, bool byText, bool ascending,
                           std::vector<size_t>* gaps = nullptr);
