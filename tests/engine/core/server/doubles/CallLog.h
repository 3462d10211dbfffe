// The doubles' call log: each DllCanUnloadNow call adds 1 to the process environment variable
// CORE_FRAME_CANUNLOAD_<module file name>, which the test can read after the library is gone.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cwchar>

extern "C" IMAGE_DOS_HEADER __ImageBase;

inline void LogCanUnloadNow()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH);
    const wchar_t* name = wcsrchr(path, L'\\');
    wchar_t variable[MAX_PATH + 32] = {};
    swprintf(variable, MAX_PATH + 32, L"CORE_FRAME_CANUNLOAD_%ls", name ? name + 1 : path);
    wchar_t text[32] = {};
    const int calls = GetEnvironmentVariableW(variable, text, 32) ? _wtoi(text) : 0;
    swprintf(text, 32, L"%d", calls + 1);
    SetEnvironmentVariableW(variable, text);
}
