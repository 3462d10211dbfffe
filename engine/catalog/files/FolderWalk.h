// The rule every folder walk of the catalog follows: under Wine a Unix link to a parent folder is
// a folder like any other, so each folder is entered once per walk, known by its volume and file
// index, and a link cannot loop the walk.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "classlib/core/String.h"

using VisitedFolders = std::vector<std::pair<DWORD, ULONGLONG>>;

// TRUE (and the folder noted) when folder is a folder this walk has not entered yet.
bool EnterFolderOnce(const CString& folder, VisitedFolders& visited);

// Walks the tree below folder depth first, in the order the folder lists its entries, entering
// each folder once; onFile gets each file's full path. stop is asked before every entry and ends
// the whole walk; the result is FALSE when it did.
bool WalkFolderTree(const CString& folder, VisitedFolders& visited, const std::function<bool()>& stop,
                    const std::function<void(const CString& path)>& onFile);
