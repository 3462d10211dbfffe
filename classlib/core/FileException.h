#pragma once

#include <windows.h>

#include "classlib/core/Exception.h"

// A failure of a file operation, with the framework's cause codes and the system error code.
class CFileException : public CException {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    explicit CFileException(int cause = none, LONG osError = -1) noexcept : m_cause(cause), m_lOsError(osError) {}

    // The cause that corresponds to a Win32 error code.
    static int OsErrorToException(LONG osError) noexcept;

    // Throws the exception that matches a Win32 error code.
    [[noreturn]] static void ThrowOsError(LONG osError);

    const wchar_t* GetErrorText() const noexcept override;

    int m_cause;
    LONG m_lOsError;
};
