#pragma once

#include "classlib/core/Exception.h"

// A failure of an archive: malformed or short data while loading, or the wrong direction.
class CArchiveException : public CException {
public:
    enum Cause {
        none,
        genericException,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema,
    };

    explicit CArchiveException(int cause = none) noexcept : m_cause(cause) {}

    [[noreturn]] static void Throw(int cause);

    const wchar_t* GetErrorText() const noexcept override;

    int m_cause;
};
