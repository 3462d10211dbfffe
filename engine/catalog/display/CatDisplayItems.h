// CCatDisplayItems: the ids a display list shows, in order, and the unfiltered ids a text filter
// was applied to. The owning manager's lock guards it.
#pragma once

#include <windows.h>

#include "classlib/core/Array.h"
#include "engine/catalog/ids/IdArray.h"

struct CCatDisplayItems {
    CArray<DWORD> ids;
    // Valid while unfilteredTaken is set: the list as it was before the first text filter.
    CArray<DWORD> unfiltered;
    // Id to list position; emptied whenever the list changes.
    CIdArray<DWORD, DWORD> positions;
    bool unfilteredTaken = false;

    void Clear()
    {
        ids.RemoveAll();
        unfiltered.RemoveAll();
        positions.RemoveAll();
        unfilteredTaken = false;
    }
};
