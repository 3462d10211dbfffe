// Self-registration of the engine library as an in-process COM server. All keys lie under root
// (HKEY_CLASSES_ROOT for the library's exports; tests pass a key of their own). Every value is
// the key's default value, REG_SZ in the ANSI character set; no threading model is written.
#pragma once

#include "classlib/com/ServerRegistration.h"

#include <windows.h>

// Writes CLSID\{clsid} (with InprocServer32 = modulePath, ProgID, VersionIndependentProgID),
// "Carrowfold.PlaybackEngine" (with CLSID and CurVer) and "CarrowfoldPro.Ver5" (with CLSID).
// A key that cannot be written is skipped and the rest still written; the result is then the
// first failure, so that a partial registration is not reported as success.
HRESULT RegisterEngineServer(HKEY root, const char* modulePath);
// Removes the three keys with all their sub-keys. Keys that are already gone count as removed;
// any other failure is returned after the remaining keys were tried.
HRESULT UnregisterEngineServer(HKEY root);
