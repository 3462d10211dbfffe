#include "classlib/core/File.h"

namespace {

DWORD ShareModeOf(UINT flags)
{
    switch (flags & 0x70) {
    case CFile::shareDenyWrite:
        return FILE_SHARE_READ;
    case CFile::shareDenyRead:
        return FILE_SHARE_WRITE;
    case CFile::shareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        // shareCompat and shareExclusive both deny every other opener, as in the framework.
        return 0;
    }
}

DWORD AccessOf(UINT flags)
{
    switch (flags & 3) {
    case CFile::modeWrite:
        return GENERIC_WRITE;
    case CFile::modeReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

DWORD CreationOf(UINT flags)
{
    if (flags & CFile::modeCreate)
        return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    return OPEN_EXISTING;
}

}  // namespace

CFile::~CFile()
{
    Abort();
}

BOOL CFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error)
{
    if (IsOpen() || fileName == nullptr) {
        if (error)
            *error = CFileException(CFileException::genericException, ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, (openFlags & modeNoInherit) ? FALSE : TRUE};
    HANDLE file = CreateFileW(fileName, AccessOf(openFlags), ShareModeOf(openFlags), &security, CreationOf(openFlags),
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) {
            const LONG osError = static_cast<LONG>(GetLastError());
            *error = CFileException(CFileException::OsErrorToException(osError), osError);
        }
        return FALSE;
    }
    m_hFile = file;
    return TRUE;
}

void CFile::RequireOpen() const
{
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE);
}

UINT CFile::Read(void* buffer, UINT count)
{
    RequireOpen();
    if (count == 0)
        return 0;
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, count, &read, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
    return read;
}

void CFile::Write(const void* buffer, UINT count)
{
    RequireOpen();
    if (count == 0)
        return;
    DWORD written = 0;
    if (!WriteFile(m_hFile, buffer, count, &written, nullptr))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
    if (written != count)
        throw CFileException(CFileException::diskFull, ERROR_DISK_FULL);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from)
{
    RequireOpen();
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    const DWORD method = from == current ? FILE_CURRENT : from == end ? FILE_END : FILE_BEGIN;
    if (!SetFilePointerEx(m_hFile, distance, &position, method))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    RequireOpen();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG newLength)
{
    const ULONGLONG position = GetPosition();
    Seek(static_cast<LONGLONG>(newLength), begin);
    if (!SetEndOfFile(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
    if (position < newLength)
        Seek(static_cast<LONGLONG>(position), begin);
}

ULONGLONG CFile::GetPosition() const
{
    RequireOpen();
    LARGE_INTEGER zero{};
    LARGE_INTEGER position;
    if (!SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
    return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::Flush()
{
    RequireOpen();
    if (!FlushFileBuffers(m_hFile))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
}

void CFile::Close()
{
    if (!IsOpen())
        return;
    HANDLE file = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
}

void CFile::Abort() noexcept
{
    if (!IsOpen())
        return;
    CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

void CFile::Remove(LPCWSTR fileName)
{
    if (!DeleteFileW(fileName))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
}

void CFile::Rename(LPCWSTR oldName, LPCWSTR newName)
{
    if (!MoveFileW(oldName, newName))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()));
}
