// GlobalLock as a scope: the block stays locked (and its pointer valid) while the guard lives.
#pragma once

#include <windows.h>

class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL block) : m_block(block), m_data(block ? GlobalLock(block) : nullptr) {}
    ~CGlobalLock()
    {
        if (m_data)
            GlobalUnlock(m_block);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    // NULL when the block could not be locked.
    void* Data() const noexcept { return m_data; }
    SIZE_T Size() const noexcept { return m_data ? GlobalSize(m_block) : 0; }

private:
    HGLOBAL m_block;
    void* m_data;
};
