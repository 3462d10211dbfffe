// The one entry of the platform's DirectX set-up library ("dsetup.dll") that the launcher uses.
// The library exports it by ordinal 5 only; the import library made from dsetup.def binds it so,
// and the system's loader refuses to start a program that imports it when the library is absent.
#pragma once

#include <windows.h>

// Installs or updates the DirectX core runtime.
constexpr DWORD DSETUP_DXCORE = 0x10000;

// Runs the set-up with the set-up files found under `rootPath` and the parts named by `flags`;
// returns the set-up's status. The launcher passes no root path (null), so the path's character
// type is never seen by the library.
extern "C" int WINAPI DirectXSetup(HWND owner, const wchar_t* rootPath, DWORD flags);
