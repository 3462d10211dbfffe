// The record behind every item the cool menu draws: the item as it was before it became owner
// drawn, where it sits, and whether it is hidden in a collapsed personalised menu. The item's
// data points to it. Every live record is registered, so that the data of a foreign owner-drawn
// item (often a small integer) is looked up, never read through.
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

struct CUVMenuItemRecord {
    static constexpr DWORD kMarker = 0x6E766C75;  // "ulvn"
    enum Flags : UINT {
        prevNotInfrequent = 0x2,
        nextNotInfrequent = 0x4,
        infrequent = 0x10,
    };

    CUVMenuItemRecord();
    ~CUVMenuItemRecord();
    CUVMenuItemRecord(const CUVMenuItemRecord&) = delete;
    CUVMenuItemRecord& operator=(const CUVMenuItemRecord&) = delete;

    BOOL IsInfrequent() const { return (flags & infrequent) != 0; }
    BOOL IsSeparator() const { return (type & MFT_SEPARATOR) != 0; }

    DWORD marker = kMarker;
    int position = -1;
    UINT id = static_cast<UINT>(-1);
    BOOL removed = FALSE;
    HMENU menu = nullptr;
    HMENU submenu = nullptr;
    UINT type = 0;
    UINT state = 0;
    UINT flags = 0;
    CString text;  // with its "&" markers and the tab-separated shortcut
};

// The live record `data` points to, or NULL when it is not one.
CUVMenuItemRecord* FindUVMenuItemRecord(ULONG_PTR data);
