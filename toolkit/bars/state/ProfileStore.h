// CUVProfileStore: where every toolkit setting lives between runs. Decided once, at construction:
// an INI file when the toolkit's global data names one, else the per-user registry branch of
// the running application (root\Software\<registry key>\<profile name>\<section>), else nowhere.
// Made on the stack around each load or save. Failures are quiet: reads give the default,
// writes answer FALSE; every key opened is closed before an operation returns.
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

#include <vector>

class CUVProfileStore {
public:
    explicit CUVProfileStore(HKEY root);

    // Opened (created when missing) with read and write access; the caller closes them.
    HKEY GetAppRegistryKey() const;
    HKEY GetSectionKey(const wchar_t* section) const;

    int GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const;
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const;
    CString GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue = nullptr) const;
    // No entry removes the whole section; no text removes the entry.
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* text) const;
    // Clears `data` first; FALSE (and no data) when the value is missing, empty or malformed.
    BOOL GetProfileBinary(const wchar_t* section, const wchar_t* entry, std::vector<BYTE>& data) const;
    BOOL WriteProfileBinary(const wchar_t* section, const wchar_t* entry, const BYTE* data, UINT size) const;
    // Registry only.
    BOOL DeleteValue(const wchar_t* section, const wchar_t* entry) const;

    BOOL IsIniMode() const { return !m_strFileName.IsEmpty(); }

private:
    HKEY m_hRoot;
    CString m_strFileName;
};

// The INI form of binary values: two letters per byte, 'A' + low nibble then 'A' + high nibble.
CString EncodeProfileBinary(const BYTE* data, UINT size);
// FALSE for empty text, text of odd length or a letter outside 'A'..'P'.
BOOL DecodeProfileBinary(const CString& text, std::vector<BYTE>& data);
