// The id lists the mix manager's commands take, as a caller makes them.
#pragma once

#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/ids/ItemIdList.h"

namespace mixtest {

// An id list of the caller's own, released with the pointer.
inline ComPtr<IItemIdList> IdList(const std::vector<DWORD>& ids)
{
    auto* list = new CItemIdList();
    for (DWORD id : ids)
        list->Add(id);
    return ComPtr<IItemIdList>::attach(list);
}

}  // namespace mixtest
