// CMp3File: read-only access to the bytes of one MP3 file at any offset.
#pragma once

#include "classlib/com/UniqueHandle.h"

#include <cstdint>

class CMp3File {
public:
    HRESULT Open(const wchar_t* path);
    void Close() { m_file.reset(); }
    uint64_t Size() const { return m_size; }
    // Reads exactly `bytes` bytes at `offset`; false when the file ends before or on an I/O error.
    bool ReadAt(uint64_t offset, void* buffer, uint32_t bytes) const;

private:
    UniqueFile m_file;
    uint64_t m_size = 0;
};
