#include "engine/catalog/files/FolderWalk.h"

#include <algorithm>

#include "classlib/com/UniqueHandle.h"

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
