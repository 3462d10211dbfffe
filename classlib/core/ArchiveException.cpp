#include "classlib/core/ArchiveException.h"

void CArchiveException::Throw(int cause)
{
    throw CArchiveException(cause);
}

const wchar_t* CArchiveException::GetErrorText() const noexcept
{
    switch (m_cause) {
    case none:
        return L"No error occurred.";
    case readOnly:
        return L"An archive opened for loading was written to.";
    case endOfFile:
        return L"The stored data ends early or holds a size that runs past its end.";
    case writeOnly:
        return L"An archive opened for storing was read from.";
    case badIndex:
        return L"The stored data is malformed.";
    case badClass:
        return L"The stored data names an object of an unexpected kind.";
    case badSchema:
        return L"The stored data has an unsupported version.";
    default:
        return L"An unspecified archive error occurred.";
    }
}
