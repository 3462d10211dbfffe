// CCategory: one user category: its name, its unique number (decimal text), its member item ids
// (ascending), where it is stored in categorylist.dat, and whether it is transient (made for a
// folder by the updater: never stored).
#pragma once

#include <windows.h>

#include "classlib/core/String.h"
#include "engine/catalog/ids/IdArray.h"

class CArchive;

struct CCategory {
    CString name;
    CString number;
    CIdArray<DWORD, DWORD> members;
    int recordIndex = -1;
    int transient = 0;

    // The record body: 16-bit 5, 16-bit 0, name, number. Reading ignores the two words.
    void Serialize(CArchive& archive);
};
