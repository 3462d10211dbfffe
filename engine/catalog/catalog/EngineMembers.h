// How the catalog's workers and managers reach their siblings: each asks the engine main object
// (its outer) for an engine IID per use and lets the reference go when done. The hold keeps the
// answer alive for the length of the use.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include "classlib/com/ComPtr.h"

class CCatalog;
class CCategoryManager;
class CCatDisplayItemMgr;

// NULL when the outer does not answer (an object without an engine).
CCatalog* ReachCatalog(IUnknown* outer, ComPtr<IUnknown>& hold);
CCategoryManager* ReachCategoryManager(IUnknown* outer, ComPtr<IUnknown>& hold);
CCatDisplayItemMgr* ReachMainDisplayItemMgr(IUnknown* outer, ComPtr<IUnknown>& hold);
// Refreshes the main display-item manager and, through its chain, every other one.
void RefreshDisplayLists(IUnknown* outer);
// Posts to the engine's UI-update queue group.
void PostToQueueGroup(IUnknown* outer, int code, int value, BOOL coalesceByCode = FALSE);
