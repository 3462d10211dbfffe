#pragma once

#include <windows.h>

#include <type_traits>
#include <vector>

#include "classlib/core/ArchiveException.h"
#include "classlib/core/File.h"
#include "classlib/core/String.h"

// A buffered, one-directional stream of binary values over a CFile, in the framework's wire
// format: numbers as raw little-endian bytes, counts as a 16-bit word that escapes to 32 and
// 64 bits, strings as a length prefix and UTF-16LE characters (see WriteCount and the string
// operators).
//
// Loading never trusts a stored size: a count or string length that runs past the end of the
// data throws CArchiveException::endOfFile before anything is allocated, and so does any read
// of a value beyond the end. File failures surface as CFileException.
class CArchive {
public:
    enum Mode : UINT {
        store = 0,
        load = 1,
        bNoFlushOnDelete = 2,
    };

    static constexpr int kDefaultBufferSize = 4096;

    CArchive(CFile* file, UINT mode, int bufferSize = kDefaultBufferSize);
    // Flushes a storing archive that was not closed; a failure there is lost, so callers that
    // must know call Close.
    ~CArchive();

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const noexcept { return m_loading; }
    bool IsStoring() const noexcept { return !m_loading; }
    CFile* GetFile() const noexcept { return m_file; }

    // Reads up to count bytes; fewer only at the end of the data.
    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);

    // Storing: writes the buffer to the file. Loading: gives the unread buffered bytes back to
    // the file, so that the file position is the archive's logical position.
    void Flush();
    // Flush, then detach from the file.
    void Close();
    // Detach without writing anything; never throws.
    void Abort() noexcept;

    // Bytes a loading archive can still deliver: its buffer plus the rest of the file.
    ULONGLONG GetAvailable() const;
    // Throws CArchiveException::endOfFile unless a loading archive can deliver bytes more.
    void RequireAvailable(ULONGLONG bytes) const;

    // Counts: below 0xFFFF one word; else 0xFFFF and a 32-bit value below 0xFFFFFFFF; else
    // 0xFFFF, 0xFFFFFFFF and a 64-bit value.
    void WriteCount(ULONGLONG count);
    ULONGLONG ReadCount();
    // ReadCount, refused (endOfFile) when count elements of elementSize bytes each cannot fit
    // in the data that is left.
    ULONGLONG ReadCount(ULONGLONG elementSize);

    template <typename T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) CArchive& operator<<(T value)
    {
        Write(&value, sizeof(value));
        return *this;
    }

    template <typename T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) CArchive& operator>>(T& value)
    {
        ReadExactly(&value, sizeof(value));
        return *this;
    }

    // Strings: 0xFF, 0xFFFE (the UTF-16 marker), then the length (one byte below 0xFF, else 0xFF
    // and a word below 0xFFFF, else 0xFFFF and a 32-bit value ...), then the characters.
    // Loading also accepts the framework's older 8-bit form (no marker), read in the ANSI code page.
    CArchive& operator<<(const CString& text);
    CArchive& operator<<(const wchar_t* text);
    CArchive& operator>>(CString& text);

    // Reads exactly count bytes or throws endOfFile.
    void ReadExactly(void* buffer, UINT count);

private:
    void RequireLoading() const;
    void RequireStoring() const;
    void WriteStringLength(ULONGLONG length);
    // The stored length and whether the characters are UTF-16.
    ULONGLONG ReadStringLength(bool* unicode);

    CFile* m_file;
    bool m_loading;
    bool m_flushOnDelete;
    std::vector<BYTE> m_buffer;
    // Loading: the unread bytes are [m_current, m_filled). Storing: [0, m_current) waits.
    size_t m_current = 0;
    size_t m_filled = 0;
};
