// A stand-in for the platform's DirectX set-up library: its entry at ordinal 5 appends one line
// per call to the file named by CARROWFOLD_DSETUP_RECORD (the arguments, the status it returns
// and the number of top-level windows of its process at the call) and returns the status named by
// CARROWFOLD_DSETUP_STATUS (0 when unset).
#include "runprep/DirectXSetup.h"

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[1024] = L"";
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? value : L"";
}

int TopLevelWindowsOfProcess()
{
    int count = 0;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == GetCurrentProcessId())
                ++*reinterpret_cast<int*>(param);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

extern "C" int WINAPI DirectXSetup(HWND owner, const wchar_t* rootPath, DWORD flags)
{
    const std::wstring statusText = Variable(L"CARROWFOLD_DSETUP_STATUS");
    const int status = static_cast<int>(std::wcstoll(statusText.c_str(), nullptr, 10));
    char line[160];
    std::snprintf(line, sizeof(line), "window=0x%llx path=0x%llx flags=0x%lx windows=%d returns=%d",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)),
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(rootPath)),
                  static_cast<unsigned long>(flags), TopLevelWindowsOfProcess(), status);
    const std::wstring record = Variable(L"CARROWFOLD_DSETUP_RECORD");
    if (!record.empty())
        std::ofstream(std::filesystem::path(record), std::ios::app) << line << '\n';
    return status;
}
