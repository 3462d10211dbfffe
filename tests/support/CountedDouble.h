// The reference count of a test double's COM object: it starts at 1 (the creator's reference) and
// the last Drop deletes the object. A double derives from it beside its interfaces and answers
// AddRef and Release with Add and Drop. Header only, so that double libraries need nothing else of
// the test support.
#pragma once

#include <windows.h>

class CountedDouble {
public:
    virtual ~CountedDouble() = default;

protected:
    ULONG Add() { return static_cast<ULONG>(InterlockedIncrement(&m_count)); }
    ULONG Drop()
    {
        const LONG count = InterlockedDecrement(&m_count);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }

private:
    volatile LONG m_count = 1;
};
