#pragma once

#include "classlib/core/Exception.h"

// A window or other system resource that could not be made (a frame's dock bar, for one).
class CResourceException : public CException {
public:
    const wchar_t* GetErrorText() const noexcept override { return L"A system resource could not be created."; }
};
