#include "toolkit/bars/state/ProfileStore.h"

#include "classlib/core/RegKey.h"
#include "classlib/core/WinApp.h"
#include "toolkit/bars/look/GlobalData.h"

namespace {

constexpr REGSAM kKeyAccess = KEY_READ | KEY_WRITE;
constexpr DWORD kIniStringMax = 4096;

HKEY CreateKey(HKEY parent, const wchar_t* name)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, kKeyAccess, nullptr, &key, &disposition) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}

// The value's bytes as stored, when it has the type asked for.
bool QueryValue(HKEY key, const wchar_t* entry, DWORD wantedType, std::vector<BYTE>& bytes)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType)
        return false;
    bytes.assign(size, 0);
    if (RegQueryValueExW(key, entry, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS || type != wantedType) {
        bytes.clear();
        return false;
    }
    bytes.resize(size);
    return true;
}

}  // namespace

CString EncodeProfileBinary(const BYTE* data, UINT size)
{
    CString text;
    wchar_t* letters = text.GetBuffer(static_cast<int>(size) * 2 + 1);
    for (UINT i = 0; i < size; ++i) {
        letters[2 * i] = static_cast<wchar_t>(L'A' + (data[i] & 0x0F));
        letters[2 * i + 1] = static_cast<wchar_t>(L'A' + (data[i] >> 4));
    }
    text.ReleaseBuffer(static_cast<int>(size) * 2);
    return text;
}

BOOL DecodeProfileBinary(const CString& text, std::vector<BYTE>& data)
{
    data.clear();
    const int length = text.GetLength();
    if (length == 0 || length % 2 != 0)
        return FALSE;
    std::vector<BYTE> bytes(length / 2);
    for (int i = 0; i < length / 2; ++i) {
        const int low = text[2 * i] - L'A';
        const int high = text[2 * i + 1] - L'A';
        // Hand-edited text: a letter outside the sixteen used would make up a byte.
        if (low < 0 || low > 15 || high < 0 || high > 15)
            return FALSE;
        bytes[i] = static_cast<BYTE>(low + 16 * high);
    }
    data.swap(bytes);
    return TRUE;
}

CUVProfileStore::CUVProfileStore(HKEY root) : m_hRoot(root), m_strFileName(uvAfxData.m_strProfileFileName) {}

HKEY CUVProfileStore::GetAppRegistryKey() const
{
    CWinApp* app = AfxGetApp();
    if (!app || !app->m_pszRegistryKey || !app->m_pszProfileName)
        return nullptr;
    RegKey software(CreateKey(m_hRoot, L"Software"));
    RegKey company(software ? CreateKey(software.get(), app->m_pszRegistryKey) : nullptr);
    return company ? CreateKey(company.get(), app->m_pszProfileName) : nullptr;
}

HKEY CUVProfileStore::GetSectionKey(const wchar_t* section) const
{
    RegKey app(GetAppRegistryKey());
    return app && section ? CreateKey(app.get(), section) : nullptr;
}

int CUVProfileStore::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const
{
    if (IsIniMode())
        return static_cast<int>(GetPrivateProfileIntW(section, entry, defaultValue, m_strFileName));
    RegKey key(GetSectionKey(section));
    std::vector<BYTE> bytes;
    if (!key || !QueryValue(key.get(), entry, REG_DWORD, bytes) || bytes.size() != sizeof(DWORD))
        return defaultValue;
    DWORD value = 0;
    memcpy(&value, bytes.data(), sizeof(value));
    return static_cast<int>(value);
}

BOOL CUVProfileStore::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const
{
    if (IsIniMode()) {
        CString text;
        text.Format(L"%d", value);
        return WritePrivateProfileStringW(section, entry, text, m_strFileName);
    }
    RegKey key(GetSectionKey(section));
    const DWORD data = static_cast<DWORD>(value);
    return key && RegSetValueExW(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)) ==
                      ERROR_SUCCESS;
}

CString CUVProfileStore::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                          const wchar_t* defaultValue) const
{
    const wchar_t* fallback = defaultValue ? defaultValue : L"";
    if (IsIniMode()) {
        CString text;
        wchar_t* buffer = text.GetBuffer(kIniStringMax);
        const DWORD copied = GetPrivateProfileStringW(section, entry, fallback, buffer, kIniStringMax, m_strFileName);
        text.ReleaseBuffer(static_cast<int>(copied));
        return text;
    }
    RegKey key(GetSectionKey(section));
    std::vector<BYTE> bytes;
    if (!key || !QueryValue(key.get(), entry, REG_SZ, bytes))
        return CString(fallback);
    // Stored text need not end in a terminator: take the characters up to the first one.
    const auto* chars = reinterpret_cast<const wchar_t*>(bytes.data());
    size_t count = 0;
    while (count < bytes.size() / sizeof(wchar_t) && chars[count])
        ++count;
    return CString(chars, static_cast<int>(count));
}

BOOL CUVProfileStore::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* text) const
{
    if (IsIniMode())
        return WritePrivateProfileStringW(section, entry, text, m_strFileName);
    if (!entry) {
        RegKey app(GetAppRegistryKey());
        return app && section && RegDeleteTreeW(app.get(), section) == ERROR_SUCCESS;
    }
    RegKey key(GetSectionKey(section));
    if (!key)
        return FALSE;
    if (!text)
        return RegDeleteValueW(key.get(), entry) == ERROR_SUCCESS;
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
}

BOOL CUVProfileStore::GetProfileBinary(const wchar_t* section, const wchar_t* entry, std::vector<BYTE>& data) const
{
    data.clear();
    if (IsIniMode())
        return DecodeProfileBinary(GetProfileString(section, entry), data);
    RegKey key(GetSectionKey(section));
    return key && QueryValue(key.get(), entry, REG_BINARY, data);
}

BOOL CUVProfileStore::WriteProfileBinary(const wchar_t* section, const wchar_t* entry, const BYTE* data,
                                         UINT size) const
{
    if (IsIniMode())
        return WriteProfileString(section, entry, EncodeProfileBinary(data, size));
    RegKey key(GetSectionKey(section));
    return key && RegSetValueExW(key.get(), entry, 0, REG_BINARY, data, size) == ERROR_SUCCESS;
}

BOOL CUVProfileStore::DeleteValue(const wchar_t* section, const wchar_t* entry) const
{
    RegKey key(GetSectionKey(section));
    return key && RegDeleteValueW(key.get(), entry) == ERROR_SUCCESS;
}
