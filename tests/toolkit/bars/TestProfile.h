// A per-run profile for toolkit tests: an application object whose registry key is
// HKEY_CURRENT_USER\Software\Carrowfold Toolkit Test <pid>, deleted with everything below it at
// the end, and Wine's reg.exe as the independent reader of what was written there.
#pragma once

#include "classlib/core/RegKey.h"
#include "classlib/core/WinApp.h"
#include "tests/support/Programs.h"

#include <gtest/gtest.h>

#include <string>

class TestProfile : public ::testing::Test {
protected:
    static constexpr wchar_t kAppName[] = L"Toolkit Test";

    void SetUp() override
    {
        m_company.Format(L"Carrowfold Toolkit Test %lu", GetCurrentProcessId());
        m_app.SetRegistryKey(m_company);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, CString(L"Software\\") + m_company); }

    CString SectionPath(const wchar_t* section) const
    {
        return CString(L"HKCU\\Software\\") + m_company + L"\\" + kAppName + L"\\" + section;
    }
    // reg.exe's listing of the section (empty when the key is missing).
    std::string RegQuery(const wchar_t* section) const
    {
        std::string output;
        const std::wstring command = L"reg.exe query \"" + SectionPath(section).str() + L"\"";
        return RunProgram(command, &output, 20000) == 0 ? output : std::string();
    }
    // Writes a value of any type behind the store's back.
    void WriteRaw(const wchar_t* section, const wchar_t* entry, DWORD type, const void* data, DWORD bytes) const
    {
        RegKey key;
        const CString path = SectionPath(section).Mid(5);  // without "HKCU\"
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), entry, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }

    CWinApp m_app{kAppName};
    CString m_company;
};
