// A block of committed read-write pages taken with VirtualAlloc and released at scope exit. The
// engine takes its work and copy buffers this way, once, instead of from the heap.
#pragma once

#include <windows.h>

class CPageBuffer {
public:
    CPageBuffer() = default;
    explicit CPageBuffer(SIZE_T size) { Allocate(size); }
    ~CPageBuffer() { Free(); }
    CPageBuffer(const CPageBuffer&) = delete;
    CPageBuffer& operator=(const CPageBuffer&) = delete;

    // Frees the old block and takes a new one; NULL (and size 0) when the pages cannot be had.
    BYTE* Allocate(SIZE_T size)
    {
        Free();
        if (size == 0)
            return nullptr;
        m_data = static_cast<BYTE*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        m_size = m_data ? size : 0;
        return m_data;
    }

    void Free()
    {
        if (m_data)
            VirtualFree(m_data, 0, MEM_RELEASE);
        m_data = nullptr;
        m_size = 0;
    }

    BYTE* Get() const { return m_data; }
    SIZE_T Size() const { return m_size; }

private:
    BYTE* m_data = nullptr;
    SIZE_T m_size = 0;
};
