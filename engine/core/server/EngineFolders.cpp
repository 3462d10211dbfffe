#include "engine/core/server/EngineFolders.h"

#include "engine/core/server/EngineNames.h"

#include <shlobj.h>

namespace {

// The application-data folder without a trailing backslash; empty when unavailable.
CString AppDataFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, TRUE))
        return CString();
    return CString(path);
}

BOOL CreateFolder(const CString& path)
{
    return CreateDirectoryW(path, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

CString GetEngineDataFolder()
{
    const CString appData = AppDataFolder();
    if (appData.IsEmpty())
        return CString();
    return appData + L"\\" + kEngineRegistryKey + L"\\" + kEngineAppName + L"\\";
}

BOOL CreateEngineDataFolder()
{
    const CString appData = AppDataFolder();
    if (appData.IsEmpty())
        return FALSE;
    const CString company = appData + L"\\" + kEngineRegistryKey;
    CreateFolder(company);
    return CreateFolder(company + L"\\" + kEngineAppName);
}

BOOL HasEnoughDiskSpace(const CString& path, LONGLONG bytesNeeded)
{
    const int lastSlash = FindLastChar(path, L'\\');
    if (lastSlash < 0 || bytesNeeded <= 0)
        return TRUE;
    const CString folder = path.Left(lastSlash);

    using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    const HMODULE kernel = GetModuleHandleW(L"KERNEL32");
    const auto getFreeSpace = kernel ? reinterpret_cast<GetDiskFreeSpaceExFn>(
                                           reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExW")))
                                     : nullptr;
    ULARGE_INTEGER available{};
    if (!getFreeSpace || !getFreeSpace(folder, &available, nullptr, nullptr))
        return TRUE;
    // Compared in whole MiB as 32-bit values, as the CD recorder's callers expect.
    const auto availableMiB = static_cast<DWORD>(available.QuadPart >> 20);
    const auto neededMiB = static_cast<DWORD>(static_cast<ULONGLONG>(bytesNeeded) >> 20);
    return availableMiB >= neededMiB;
}

int FindLastChar(const CString& text, wchar_t ch)
{
    for (int i = text.GetLength() - 1; i >= 0; --i) {
        if (text.GetAt(i) == ch)
            return i;
    }
    return -1;
}
