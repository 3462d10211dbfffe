#include "classlib/core/FileException.h"

int CFileException::OsErrorToException(LONG osError) noexcept
{
    switch (osError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_NAME:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
    case ERROR_INVALID_ACCESS:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
        return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
        return badSeek;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
        return hardIO;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(LONG osError)
{
    throw CFileException(OsErrorToException(osError), osError);
}

const wchar_t* CFileException::GetErrorText() const noexcept
{
    switch (m_cause) {
    case none:
        return L"No error occurred.";
    case fileNotFound:
        return L"The file could not be found.";
    case badPath:
        return L"All or part of the path is invalid.";
    case tooManyOpenFiles:
        return L"Too many files are open.";
    case accessDenied:
        return L"Access to the file was denied.";
    case invalidFile:
        return L"An invalid file handle was used.";
    case removeCurrentDir:
        return L"The current folder cannot be removed.";
    case directoryFull:
        return L"The folder is full.";
    case badSeek:
        return L"The file position could not be set.";
    case hardIO:
        return L"A hardware error occurred.";
    case sharingViolation:
        return L"The file is in use by another program.";
    case lockViolation:
        return L"A locked region of the file was accessed.";
    case diskFull:
        return L"The disk is full.";
    case endOfFile:
        return L"The end of the file was reached.";
    default:
        return L"An unspecified file error occurred.";
    }
}
