// Reading the id lists the main program hands to the mix manager: the i-th id from index 0
// upward until the first answer other than S_OK. The list comes from another module and is
// untrusted: reading stops at a bound far beyond any real selection.
#pragma once

#include <windows.h>

#include <vector>

#include "interfaces/IItemIdList.h"

namespace IdListReader {

inline constexpr int kMaxIds = 1 << 20;

// Empty for a null list.
std::vector<DWORD> ReadIds(IItemIdList* list);
// The first id; FALSE for a null or empty list.
BOOL ReadFirstId(IItemIdList* list, DWORD* id);

}  // namespace IdListReader
