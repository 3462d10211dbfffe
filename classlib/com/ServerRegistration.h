// Self-registration of an in-process COM server: writes a table of registry keys and values and
// removes whole key trees again. Keys and values are ANSI REG_SZ strings (what regsvr32-era
// servers write and what reg.exe reads back). Every key lies below `root`: HKEY_CLASSES_ROOT for
// a library's exports, a key of their own for tests.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct RegistryEntry {
    std::string key;
    // Empty: the key's default value.
    std::string valueName;
    // No value: the key is only created (a marker key such as "Programmable").
    std::optional<std::string> value;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::string GuidText(REFGUID guid);

// Creates every key of the table and sets its value. A key that cannot be written is skipped and
// the rest still written; the result is then the first failure, so that a partial registration is
// not reported as success.
HRESULT WriteRegistryEntries(HKEY root, const std::vector<RegistryEntry>& entries);
// Removes each key with all its sub-keys. Keys that are already gone count as removed; any other
// failure is returned after the remaining keys were tried.
HRESULT DeleteRegistryTrees(HKEY root, const std::vector<std::string>& keys);
// Removes key name below parent with all its sub-keys: the Win32 error of the first failure,
// or ERROR_SUCCESS.
LONG DeleteKeyRecursive(HKEY parent, const char* name);

// The names of a class served the common way: one CLSID with a description, a ProgID and a
// version-independent ProgID.
struct ComServerNames {
    const CLSID* clsid;
    const char* description;
    const char* progId;
    const char* versionIndependentProgId;
};

// Writes CLSID\{clsid} (description, with InprocServer32 = modulePath, ProgID and
// VersionIndependentProgID), the ProgID (with CLSID) and the version-independent ProgID (with
// CLSID and CurVer), every value a key's default value; no threading model is written. Failures
// as WriteRegistryEntries.
HRESULT RegisterComServer(HKEY root, const ComServerNames& names, const char* modulePath);
// The same for the library `module`, by its own path.
HRESULT RegisterComServerModule(HKEY root, const ComServerNames& names, HMODULE module);
// Removes the three keys with all their sub-keys, as DeleteRegistryTrees.
HRESULT UnregisterComServer(HKEY root, const ComServerNames& names);
