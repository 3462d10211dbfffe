#include "engine/core/server/LiveAndPendingMixLock.h"

namespace {
// Created when the library loads, before any engine object exists.
CSingleThreadToken g_liveAndPendingMixToken;
}  // namespace

CLiveAndPendingMixSingleThreadAccess::CLiveAndPendingMixSingleThreadAccess()
{
    g_liveAndPendingMixToken.Enter();
}

CLiveAndPendingMixSingleThreadAccess::~CLiveAndPendingMixSingleThreadAccess()
{
    g_liveAndPendingMixToken.Leave();
}
