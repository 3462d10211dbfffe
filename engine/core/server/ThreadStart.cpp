#include "engine/core/server/ThreadStart.h"

namespace {

HANDLE PlatformCreateSuspended(LPTHREAD_START_ROUTINE start, void* parameter)
{
    return CreateThread(nullptr, 0, start, parameter, CREATE_SUSPENDED, nullptr);
}

ThreadCreateFunction g_create = PlatformCreateSuspended;

}  // namespace

HANDLE CreateSuspendedThread(LPTHREAD_START_ROUTINE start, void* parameter)
{
    return g_create(start, parameter);
}

ThreadCreateFunction SetThreadCreateFunction(ThreadCreateFunction create)
{
    const ThreadCreateFunction previous = g_create;
    g_create = create ? create : PlatformCreateSuspended;
    return previous;
}
