#include "classlib/com/ServerRegistration.h"

#include "classlib/core/RegKey.h"

#include <cstring>
#include <string>

namespace {

// Longest sub-key name the recursive removal reads, and longest module path registered.
constexpr DWORD kMaxSubKeyName = 256;
constexpr DWORD kMaxModulePath = 512;

std::string ClsidText(const CLSID& clsid)
{
    wchar_t wide[39] = {};
    StringFromGUID2(clsid, wide, 39);
    char ansi[39] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof(ansi), nullptr, nullptr);
    return ansi;
}

LONG WriteKey(HKEY root, const std::string& path, const char* value)
{
    RegKey key;
    LONG result = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  key.put(), nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    return RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(strlen(value) + 1));
}

}  // namespace

LONG DeleteRegistryKeyTree(HKEY parent, const char* name)
{
    RegKey key;
    LONG result = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key.put());
    if (result != ERROR_SUCCESS)
        return result;
    for (;;) {
        // Always the first sub-key: each one is gone before the next is read.
        char subKey[kMaxSubKeyName + 1] = {};
        DWORD length = kMaxSubKeyName + 1;
        if (RegEnumKeyExA(key.get(), 0, subKey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        result = DeleteRegistryKeyTree(key.get(), subKey);
        if (result != ERROR_SUCCESS)
            return result;
    }
    key.reset();
    return RegDeleteKeyA(parent, name);
}

HRESULT RegisterComServer(HKEY root, const ComServerNames& names, const char* modulePath)
{
    if (!modulePath)
        return E_POINTER;
    const std::string clsidText = ClsidText(*names.clsid);
    const std::string clsidKey = "CLSID\\" + clsidText;
    const std::string versionIndependent = names.versionIndependentProgId;
    const std::string progId = names.progId;
    const struct {
        std::string path;
        const char* value;
    } keys[] = {
        {clsidKey, names.description},
        {clsidKey + "\\InprocServer32", modulePath},
        {clsidKey + "\\ProgID", names.progId},
        {clsidKey + "\\VersionIndependentProgID", names.versionIndependentProgId},
        {versionIndependent, names.description},
        {versionIndependent + "\\CLSID", clsidText.c_str()},
        {versionIndependent + "\\CurVer", names.progId},
        {progId, names.description},
        {progId + "\\CLSID", clsidText.c_str()},
    };
    HRESULT result = S_OK;
    for (const auto& key : keys) {
        const LONG written = WriteKey(root, key.path, key.value);
        if (written != ERROR_SUCCESS && result == S_OK)
            result = HRESULT_FROM_WIN32(written);
    }
    return result;
}

HRESULT RegisterComServerModule(HKEY root, const ComServerNames& names, HMODULE module)
{
    char path[kMaxModulePath + 1] = {};
    const DWORD length = GetModuleFileNameA(module, path, kMaxModulePath);
    if (length == 0 || length >= kMaxModulePath)
        return E_FAIL;
    return RegisterComServer(root, names, path);
}

HRESULT UnregisterComServer(HKEY root, const ComServerNames& names)
{
    const std::string clsidKey = "CLSID\\" + ClsidText(*names.clsid);
    HRESULT result = S_OK;
    for (const char* name : {clsidKey.c_str(), names.versionIndependentProgId, names.progId}) {
        const LONG removed = DeleteRegistryKeyTree(root, name);
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND && result == S_OK)
            result = HRESULT_FROM_WIN32(removed);
    }
    return result;
}
