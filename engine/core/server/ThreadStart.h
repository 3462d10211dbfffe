// The seam through which the engine starts its service thread: created suspended, so that its
// handle is kept and its priority set before it runs. A test puts a failing function in place of
// the platform's to see what a failed start leaves behind; nothing else replaces it.
#pragma once

#include <windows.h>

using ThreadCreateFunction = HANDLE (*)(LPTHREAD_START_ROUTINE start, void* parameter);

// A suspended thread running start(parameter), or NULL with the thread error set.
HANDLE CreateSuspendedThread(LPTHREAD_START_ROUTINE start, void* parameter);

// Replaces the function behind CreateSuspendedThread (NULL restores the platform's); answers the
// one it replaces.
ThreadCreateFunction SetThreadCreateFunction(ThreadCreateFunction create);
