#include "classlib/com/ServerRegistration.h"

#include "classlib/core/RegKey.h"

#include <objbase.h>

namespace {

// Longest sub-key name the recursive removal reads.
constexpr DWORD kMaxSubKeyName = 256;
// Characters of a GUID in braces with the terminator.
constexpr int kGuidTextLength = 39;
// Longest module path registered.
constexpr DWORD kMaxModulePath = 512;

LONG WriteEntry(HKEY root, const RegistryEntry& entry)
{
    RegKey key;
    LONG result = RegCreateKeyExA(root, entry.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  key.put(), nullptr);
    if (result != ERROR_SUCCESS || !entry.value)
        return result;
    const char* name = entry.valueName.empty() ? nullptr : entry.valueName.c_str();
    return RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.value->c_str()),
                          static_cast<DWORD>(entry.value->size() + 1));
}

}  // namespace

std::string GuidText(REFGUID guid)
{
    wchar_t wide[kGuidTextLength] = {};
    StringFromGUID2(guid, wide, kGuidTextLength);
    // A GUID's text is plain ASCII.
    return std::string(wide, wide + wcslen(wide));
}

HRESULT WriteRegistryEntries(HKEY root, const std::vector<RegistryEntry>& entries)
{
    HRESULT result = S_OK;
    for (const RegistryEntry& entry : entries) {
        const LONG written = WriteEntry(root, entry);
        if (written != ERROR_SUCCESS && result == S_OK)
            result = HRESULT_FROM_WIN32(written);
    }
    return result;
}

HRESULT DeleteRegistryTrees(HKEY root, const std::vector<std::string>& keys)
{
    HRESULT result = S_OK;
    for (const std::string& name : keys) {
        const LONG removed = DeleteKeyRecursive(root, name.c_str());
        if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND && result == S_OK)
            result = HRESULT_FROM_WIN32(removed);
    }
    return result;
}

LONG DeleteKeyRecursive(HKEY parent, const char* name)
{
    RegKey key;
    LONG result = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key.put());
    if (result != ERROR_SUCCESS)
        return result;
    for (;;) {
        // Always the first sub-key: each one is gone before the next is read. A failure to
        // enumerate is taken as the end of the sub-keys.
        char subKey[kMaxSubKeyName + 1] = {};
        DWORD length = kMaxSubKeyName + 1;
        if (RegEnumKeyExA(key.get(), 0, subKey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        result = DeleteKeyRecursive(key.get(), subKey);
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
    const std::string clsidText = GuidText(*names.clsid);
    const std::string clsidKey = "CLSID\\" + clsidText;
    const std::string versionIndependent = names.versionIndependentProgId;
    const std::string progId = names.progId;
    return WriteRegistryEntries(root, {
                                          {clsidKey, "", names.description},
                                          {clsidKey + "\\InprocServer32", "", modulePath},
                                          {clsidKey + "\\ProgID", "", names.progId},
                                          {clsidKey + "\\VersionIndependentProgID", "", names.versionIndependentProgId},
                                          {versionIndependent, "", names.description},
                                          {versionIndependent + "\\CLSID", "", clsidText},
                                          {versionIndependent + "\\CurVer", "", names.progId},
                                          {progId, "", names.description},
                                          {progId + "\\CLSID", "", clsidText},
                                      });
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
    return DeleteRegistryTrees(root,
                               {"CLSID\\" + GuidText(*names.clsid), names.versionIndependentProgId, names.progId});
}
