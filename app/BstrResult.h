// BstrResult: a BSTR that an engine call hands out, freed when the owner goes.
#pragma once

#include <oleauto.h>

class BstrResult {
public:
    BstrResult() = default;
    BstrResult(const BstrResult&) = delete;
    BstrResult& operator=(const BstrResult&) = delete;
    ~BstrResult() { SysFreeString(m_bstr); }
    // The out-parameter slot of the call; a string held before is freed.
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
