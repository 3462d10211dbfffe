// The mix manager of a benchmark leaves no file behind: its undo and redo snapshots and the
// last-mix file go with it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/UndoStore.h"
#include "engine/core/server/InnerPtr.h"

inline void ReleaseBenchManager(InnerPtr<CMixManager>& manager, const std::wstring& lastMix)
{
    std::vector<std::wstring> snapshots;
    for (int i = 0; i < manager->GetUndoStore()->GetUndoCount(); ++i)
        snapshots.emplace_back(static_cast<const wchar_t*>(manager->GetUndoStore()->GetUndoPath(i)));
    for (int i = 0; i < manager->GetUndoStore()->GetRedoCount(); ++i)
        snapshots.emplace_back(static_cast<const wchar_t*>(manager->GetUndoStore()->GetRedoPath(i)));
    manager.reset();
    for (const std::wstring& path : snapshots)
        DeleteFileW(path.c_str());
    DeleteFileW(lastMix.c_str());
}
