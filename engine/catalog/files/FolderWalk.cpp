#include "engine/catalog/files/FolderWalk.h"

#include <algorithm>

#include "classlib/com/UniqueHandle.h"
#include "engine/catalog/files/PathNames.h"

bool EnterFolderOnce(const CString& folder, VisitedFolders& visited)
{
    UniqueFile directory(CreateFileW(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!directory || !GetFileInformationByHandle(directory.get(), &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    const std::pair<DWORD, ULONGLONG> key{info.dwVolumeSerialNumber,
                                          (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    if (std::find(visited.begin(), visited.end(), key) != visited.end())
        return false;
    visited.push_back(key);
    return true;
}

bool WalkFolderTree(const CString& folder, VisitedFolders& visited, const std::function<bool()>& stop,
                    const std::function<void(const CString& path)>& onFile)
{
    if (!EnterFolderOnce(folder, visited))
        return true;
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileW(AppendPathComponent(folder, L"*.*"), &found));
    if (!search)
        return true;
    do {
        if (stop())
            return false;
        const CString name(found.cFileName);
        if (name == L"." || name == L"..")
            continue;
        const CString full = AppendPathComponent(folder, name);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            onFile(full);
        else if (!WalkFolderTree(full, visited, stop, onFile))
            return false;
    } while (FindNextFileW(search.get(), &found));
    return true;
}
