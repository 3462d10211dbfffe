#include "engine/core/mix/IdListReader.h"

namespace IdListReader {

std::vector<DWORD> ReadIds(IItemIdList* list)
{
    std::vector<DWORD> ids;
    DWORD id = 0;
    for (int i = 0; list && i < kMaxIds && list->GetAt(i, &id) == S_OK; ++i)
        ids.push_back(id);
    return ids;
}

BOOL ReadFirstId(IItemIdList* list, DWORD* id)
{
    return list && list->GetAt(0, id) == S_OK ? TRUE : FALSE;
}

}  // namespace IdListReader
