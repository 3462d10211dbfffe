#include "engine/core/server/Registration.h"

#include "classlib/core/RegKey.h"
#include "interfaces/IBrennock.h"

#include <string>

namespace {

constexpr char kDescription[] = "Carrowfold Playback Engine";
constexpr char kProgId[] = "CarrowfoldPro.Ver5";
constexpr char kVersionIndependentProgId[] = "Carrowfold.PlaybackEngine";
// Longest sub-key name the recursive removal reads.
constexpr DWORD kMaxSubKeyName = 256;

// "{FD3D4D08-7181-4547-9C08-8F2044AAC894}" (at most 39 characters with the terminator).
std::string EngineClsidText()
{
    wchar_t wide[39] = {};
    StringFromGUID2(CLSID_BrennockMain, wide, 39);
    char ansi[39] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof(ansi), nullptr, nullptr);
    return ansi;
}

// Creates (or opens) root\path with full access and sets its default value.
LONG WriteKey(HKEY root, const std::string& path, const char* value)
{
    RegKey key;
    LONG result = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                  key.put(), nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(strlen(value) + 1));
    return result;
}

}  // namespace

HRESULT RegisterEngineServer(HKEY root, const char* modulePath)
{
    if (!modulePath)
        return E_POINTER;
    const std::string clsidText = EngineClsidText();
    const std::string clsidKey = "CLSID\\" + clsidText;
    const std::string versionIndependent = kVersionIndependentProgId;
    const std::string progId = kProgId;

    const struct {
        std::string path;
        const char* value;
    } keys[] = {
        {clsidKey, kDescription},
        {clsidKey + "\\InprocServer32", modulePath},
        {clsidKey + "\\ProgID", kProgId},
        {clsidKey + "\\VersionIndependentProgID", kVersionIndependentProgId},
        {versionIndependent, kDescription},
        {versionIndependent + "\\CLSID", clsidText.c_str()},
        {versionIndependent + "\\CurVer", kProgId},
        {progId, kDescription},
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

HRESULT UnregisterEngineServer(HKEY root)
{
    const std::string clsidKey = "CLSID\\" + EngineClsidText();
    HRESULT result = S_OK;
    for (const char* name : {clsidKey.c_str(), kVersionIndependentProgId, kProgId}) {
        const LONG removed = DeleteKeyRecursive(root, name);
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
