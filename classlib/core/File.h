#pragma once

#include <windows.h>

#include "classlib/core/FileException.h"

// A disk file over a Win32 handle, with the framework's open flags. Every failing operation
// throws CFileException; Open alone reports failure as FALSE (and fills the optional exception).
// The object owns its handle: destruction closes it without throwing.
class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };

    enum SeekPosition : UINT {
        begin = 0,
        current = 1,
        end = 2,
    };

    CFile() = default;
    virtual ~CFile();

    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr);
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG newLength);
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    virtual void Close();
    // Closes without throwing, whatever state the file is in.
    virtual void Abort() noexcept;

    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }

    bool IsOpen() const noexcept { return m_hFile != INVALID_HANDLE_VALUE; }

    static void Remove(LPCWSTR fileName);
    static void Rename(LPCWSTR oldName, LPCWSTR newName);

private:
    void RequireOpen() const;

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
};
