#pragma once

// Base of the class library's exceptions. They are thrown by value and caught by reference
// (catch (const CFileException&)); nothing here allocates, so throwing cannot fail on its own.
class CException {
public:
    virtual ~CException() = default;

    // A short English description of the failure, for logs and message boxes.
    virtual const wchar_t* GetErrorText() const noexcept = 0;
};
