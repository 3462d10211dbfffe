// The cancel flag of an analysis job: a plain 32-bit word written by the job queue (another
// thread) and polled by every analysis step. A null flag never cancels.
#pragma once

#include <windows.h>

inline bool PfIsCancelled(const volatile LONG* cancel)
{
    return cancel != nullptr && *cancel != 0;
}
