#include "app/FileListReaders.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "classlib/com/UniqueHandle.h"
#include "classlib/ole/GlobalLock.h"

namespace {

// The list may come from any program, and DragQueryFile trusts it: its header must fit, its names
// must start inside the block, and the empty name that ends them must come before the block does.
bool IsWellFormedFileList(HGLOBAL block)
{
    CGlobalLock lock(block);
    const auto* bytes = static_cast<const BYTE*>(lock.Data());
    const SIZE_T size = lock.Size();
    if (!bytes || size < sizeof(DROPFILES))
        return false;
    const auto* header = reinterpret_cast<const DROPFILES*>(bytes);
    const SIZE_T charSize = header->fWide ? sizeof(wchar_t) : sizeof(char);
    SIZE_T offset = header->pFiles;
    if (offset > size)
        return false;
    SIZE_T nameLength = 0;
    for (; offset + charSize <= size; offset += charSize) {
        const bool nul =
            charSize == sizeof(wchar_t) ? (bytes[offset] == 0 && bytes[offset + 1] == 0) : bytes[offset] == 0;
        if (!nul) {
            ++nameLength;
            continue;
        }
        if (nameLength == 0)
            return true;
        nameLength = 0;
    }
    return false;
}

}  // namespace

BOOL ReadDroppedFileList(const COleDataObject& dataObject, CPathList& paths)
{
    UniqueGlobal block(dataObject.GetGlobalData(CF_HDROP));
    if (!block || !IsWellFormedFileList(block.get()))
        return FALSE;
    auto drop = static_cast<HDROP>(block.get());
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::vector<wchar_t> name(length + 1);
        const UINT copied = DragQueryFileW(drop, i, name.data(), length + 1);
        // An empty name names no file (Wine counts the end of an empty list as one).
        if (copied > 0)
            paths.m_paths.Add(CString(name.data(), static_cast<int>(copied)));
    }
    return TRUE;
}

BOOL IsFileListOnClipboard()
{
    return IsClipboardFormatAvailable(CF_HDROP);
}

BOOL ReadFileListFromClipboard(CPathList& paths)
{
    COleDataObject dataObject;
    if (!dataObject.AttachClipboard())
        return FALSE;
    return ReadDroppedFileList(dataObject, paths);
}
