// IPlotItemCatalog: what the plot cache asks of the catalog, by catalog item id. The catalog
// implements it; tests stand in for it.
//
// Threads: called on the plot cache's loader thread and on the callers of the plot store
// manager; implementations take their own locks.
#pragma once

#include <windows.h>

#include "engine/core/storage/MusicFileId.h"

struct IPlotItemCatalog {
    // The item's music file identity, sample rate and length in microseconds; FALSE when there
    // is no such item. Any out pointer may be NULL.
    virtual BOOL GetPlotItemInfo(DWORD itemId, CMusicFileId* id, DWORD* sampleRate, LONGLONG* lengthMicroseconds) = 0;
    // Queues the item's analysis at middle priority (its plot could not be loaded).
    virtual void RequeueProfile(DWORD itemId) = 0;

protected:
    ~IPlotItemCatalog() = default;
};
