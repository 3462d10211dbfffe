// The registry keys of the Windows Media library's two classes and its application id, below
// `root` (HKEY_CLASSES_ROOT for the library's exports; tests pass a key of their own). The type
// library is registered beside them by the exports.
#pragma once

#include <windows.h>

// A key that cannot be written is skipped and the rest still written; the result is then the
// first failure.
HRESULT RegisterQuenbyServer(HKEY root, const char* modulePath);
// Removes every key the registration writes, with its sub-keys; keys already gone count as
// removed.
HRESULT UnregisterQuenbyServer(HKEY root);
