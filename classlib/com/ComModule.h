// The COM server module of a plug-in library: its lock count.
//
// The lock count holds +1 for every live object and class factory of the library and for every
// IClassFactory::LockServer(TRUE); the library may unload only at 0. Objects on any thread change
// it, so it changes with interlocked operations only.
#pragma once

#include <windows.h>

namespace ComModule {
void Lock();
void Unlock();
LONG LockCount();
}  // namespace ComModule
