// UniqueBstr: one BSTR with one owner, freed when the owner goes: a copy of a text handed to a
// call that takes a BSTR, or the out-parameter slot of a call that hands one out.
#pragma once

#include <windows.h>
#include <oleauto.h>

class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(const wchar_t* text) : m_bstr(text ? SysAllocString(text) : nullptr) {}
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    ~UniqueBstr() { SysFreeString(m_bstr); }

    BSTR get() const { return m_bstr; }
    // The out-parameter slot of a call; a string held before is freed.
    BSTR* put()
    {
        SysFreeString(m_bstr);
        m_bstr = nullptr;
        return &m_bstr;
    }
    const wchar_t* text() const { return m_bstr ? m_bstr : L""; }
    int length() const { return static_cast<int>(SysStringLen(m_bstr)); }

private:
    BSTR m_bstr = nullptr;
};
