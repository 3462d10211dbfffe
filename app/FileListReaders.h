// Readers of the shell's file lists (CF_HDROP) dropped on or pasted into a view: they append the
// file names, in order, to a path list for the engine.
#pragma once

#include <windows.h>

#include "app/PathList.h"
#include "classlib/ole/OleDataObject.h"

// FALSE when the data offers no file list as global memory, or one that is not well formed (its
// names must lie inside the block, ending in an empty name); TRUE otherwise, also for an empty list.
BOOL ReadDroppedFileList(const COleDataObject& dataObject, CPathList& paths);
BOOL IsFileListOnClipboard();
BOOL ReadFileListFromClipboard(CPathList& paths);
