// CLiveAndPendingMixSingleThreadAccess: the scoped lock over the one global mix lock, held around
// every mix-manager and play-manager operation and the mix manager's service-thread tick.
// Lock order: the global mix lock comes before any per-object lock; no engine code takes it while
// holding a UI-update queue lock. Device threads never take it.
#pragma once

#include "engine/core/server/SingleThreadLock.h"

class CLiveAndPendingMixSingleThreadAccess {
public:
    CLiveAndPendingMixSingleThreadAccess();
    CLiveAndPendingMixSingleThreadAccess(const CLiveAndPendingMixSingleThreadAccess&) = delete;
    CLiveAndPendingMixSingleThreadAccess& operator=(const CLiveAndPendingMixSingleThreadAccess&) = delete;
    ~CLiveAndPendingMixSingleThreadAccess();
};
