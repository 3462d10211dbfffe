// The engine's folder functions: its data folder under the user's application-data folder, and
// the free-space check made before CD recording.
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

// <application data>\Carrowfold Technology\Carrowfold Engine Express 5\ (the shell folder is
// created when missing); empty when the shell folder cannot be obtained.
CString GetEngineDataFolder();
// Creates both levels of the data folder in turn (either may exist already); the result is that
// of the second level. FALSE when the shell folder cannot be obtained.
BOOL CreateEngineDataFolder();
// FALSE only when the volume holding path's folder has fewer whole MiB available to the caller
// than bytesNeeded; TRUE when path has no folder part or the free space cannot be learnt.
BOOL HasEnoughDiskSpace(const CString& path, LONGLONG bytesNeeded);
// Index of the last ch in text, or -1.
int FindLastChar(const CString& text, wchar_t ch);
