// The second process of the clipboard tests.
//   paste <format name> <output file>: pastes the track list from the clipboard and writes its
//     archive form to the file. Exit 0, 2 when the format is not on the clipboard, 3 when the
//     paste fails, 4 on an archive error.
//   copy <format name> <input file>: loads a track list from the archive form in the file, copies
//     it to the clipboard and flushes the clipboard, so the data outlives this process. Exit 0,
//     else 5.
#include <windows.h>
#include <ole2.h>

#include <cwchar>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/File.h"
#include "classlib/core/MemFile.h"
#include "engine/core/track/TrackInfoContainer.h"

namespace {

int Paste(const wchar_t* format, const wchar_t* output)
{
    CTrackInfoContainer list;
    list.SetClipboardFormatName(format);
    if (!list.CanPaste())
        return 2;
    try {
        if (!list.PasteFromClipboard())
            return 3;
        CFile file;
        if (!file.Open(output, CFile::modeCreate | CFile::modeWrite))
            return 3;
        CArchive archive(&file, CArchive::store);
        list.Serialize(archive);
        archive.Close();
        file.Close();
    } catch (const CException&) {
        return 4;
    }
    return 0;
}

int Copy(const wchar_t* format, const wchar_t* input)
{
    CTrackInfoContainer list;
    list.SetClipboardFormatName(format);
    try {
        CFile file;
        if (!file.Open(input, CFile::modeRead))
            return 5;
        CArchive archive(&file, CArchive::load);
        list.Serialize(archive);
    } catch (const CException&) {
        return 5;
    }
    if (!list.CopyToClipboard() || FAILED(OleFlushClipboard()))
        return 5;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4 || FAILED(OleInitialize(nullptr)))
        return 1;
    int result = 1;
    if (std::wcscmp(argv[1], L"paste") == 0)
        result = Paste(argv[2], argv[3]);
    else if (std::wcscmp(argv[1], L"copy") == 0)
        result = Copy(argv[2], argv[3]);
    OleUninitialize();
    return result;
}
