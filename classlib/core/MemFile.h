#pragma once

#include <vector>

#include "classlib/core/File.h"

// A file held in memory. Its store grows in steps of the grow size (1024 bytes by default), as
// the framework's memory file does; reading past the end returns what is there.
class CMemFile : public CFile {
public:
    explicit CMemFile(UINT growBytes = 1024);

    BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr) override;
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    ULONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetLength() const override;
    void SetLength(ULONGLONG newLength) override;
    ULONGLONG GetPosition() const override;
    void Flush() override;
    void Close() override;
    void Abort() noexcept override;

    // The bytes of the file (GetLength of them); valid until the next write or size change.
    const BYTE* GetData() const noexcept { return m_buffer.data(); }

    // Size of the allocated store, always a whole number of grow steps.
    size_t GetBufferSize() const noexcept { return m_buffer.size(); }

private:
    void GrowTo(ULONGLONG size);

    UINT m_growBytes;
    std::vector<BYTE> m_buffer;
    ULONGLONG m_fileSize = 0;
    ULONGLONG m_position = 0;
};
