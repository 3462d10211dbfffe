// The rule every folder walk of the catalog follows: under Wine a Unix link to a parent folder is
// a folder like any other, so each folder is entered once per walk, known by its volume and file
// index, and a link cannot loop the walk.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "classlib/core/String.h"

using VisitedFolders = std::vector<std::pair<DWORD, ULONGLONG>>;

// TRUE (and the folder noted) when folder is a folder this walk has not entered yet.
bool EnterFolderOnce(const CString& folder, VisitedFolders& visited);
