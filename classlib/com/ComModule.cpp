#include "classlib/com/ComModule.h"

namespace {
HINSTANCE g_instance = nullptr;
volatile LONG g_locks = 0;
}  // namespace

namespace ComModule {
void SetInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE Instance() { return g_instance; }
void Lock() { InterlockedIncrement(&g_locks); }
void Unlock() { InterlockedDecrement(&g_locks); }
LONG LockCount() { return g_locks; }
}  // namespace ComModule
