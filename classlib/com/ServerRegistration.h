// Self-registration of a plug-in library's class as an in-process COM server under a root key
// (HKEY_CLASSES_ROOT for DllRegisterServer; tests pass a key of their own). Every value is a
// key's default value, REG_SZ in the ANSI character set; no threading model is written.
#pragma once

#include <windows.h>

struct ComServerNames {
    const CLSID* clsid;
    const char* description;
    const char* progId;
    const char* versionIndependentProgId;
};

// Writes CLSID\{clsid} (description, with InprocServer32 = modulePath, ProgID and
// VersionIndependentProgID), the ProgID (with CLSID) and the version-independent ProgID (with
// CLSID and CurVer). A key that cannot be written is skipped and the rest still written; the
// result is then the first failure, so a partial registration is not reported as success.
HRESULT RegisterComServer(HKEY root, const ComServerNames& names, const char* modulePath);
// The same for the library `module`, by its own path.
HRESULT RegisterComServerModule(HKEY root, const ComServerNames& names, HMODULE module);
// Removes the three keys with all their sub-keys. Keys already gone count as removed; any other
// failure is returned after the remaining keys were tried.
HRESULT UnregisterComServer(HKEY root, const ComServerNames& names);
// Removes key name below parent with all its sub-keys: the Win32 error of the first failure, or
// ERROR_SUCCESS.
LONG DeleteRegistryKeyTree(HKEY parent, const char* name);
