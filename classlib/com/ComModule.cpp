#include "classlib/com/ComModule.h"

namespace {
volatile LONG g_locks = 0;
}  // namespace

namespace ComModule {
void Lock()
{
    InterlockedIncrement(&g_locks);
}
void Unlock()
{
    InterlockedDecrement(&g_locks);
}
LONG LockCount()
{
    return g_locks;
}
}  // namespace ComModule
