// A BSTR made from a string and freed at the end of the call it is handed to.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace fixtures {

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : m_text(SysAllocString(text.c_str())) {}
    ~Bstr() { SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

}  // namespace fixtures
