#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/FileListReaders.h"
#include "classlib/ole/GlobalLock.h"
#include "classlib/ole/OleDataSource.h"
#include "tests/support/OleThreadTest.h"
#include "tests/support/TextFiles.h"
#include "tests/support/UnixTools.h"
#include "tests/support/XClip.h"

namespace {

std::vector<std::wstring> PathsOf(const CPathList& list)
{
    std::vector<std::wstring> paths;
    for (INT_PTR i = 0; i < list.m_paths.GetCount(); ++i)
        paths.push_back(list.m_paths.GetAt(i).GetString());
    return paths;
}

// A DROPFILES block with the names at `offset` (wide) as the given characters, taken as they are.
HGLOBAL DropBlock(DWORD offset, const std::wstring& names, SIZE_T extra = 0)
{
    const SIZE_T size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t) + extra;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    CGlobalLock lock(block);
    auto* header = static_cast<DROPFILES*>(lock.Data());
    header->pFiles = offset;
    header->fWide = TRUE;
    std::memcpy(static_cast<BYTE*>(lock.Data()) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    return block;
}

// Offers CF_HDROP, but as a stream, whatever medium it is asked for.
class StreamDropData : public COleDataSource {
public:
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (format->cfFormat != CF_HDROP)
            return DV_E_FORMATETC;
        medium->tymed = TYMED_ISTREAM;
        medium->pUnkForRelease = nullptr;
        return CreateStreamOnHGlobal(DropBlock(sizeof(DROPFILES), std::wstring(L"C:\\a.mp3\0\0", 10)), TRUE,
                                     &medium->pstm);
    }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
};

class FileListReadersTest : public OleThreadTest {};

TEST_F(FileListReadersTest, DroppedListsAreReadWhenWellFormed)
{
    const std::wstring twoNames(L"C:\\a.mp3\0D:\\with blank\\b.wav\0\0", 31);
    struct Case {
        const char* name;
        HGLOBAL block;
        bool read;
        std::vector<std::wstring> paths;
    };
    const Case cases[] = {
        {"two names", DropBlock(sizeof(DROPFILES), twoNames), true, {L"C:\\a.mp3", L"D:\\with blank\\b.wav"}},
        {"no names", DropBlock(sizeof(DROPFILES), std::wstring(L"\0\0", 2)), true, {}},
        {"names past the block", DropBlock(0x7FFFFFF0, twoNames), false, {}},
        {"no empty name at the end", DropBlock(sizeof(DROPFILES), std::wstring(L"C:\\a.mp3", 8)), false, {}},
        {"block shorter than its header", GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8), false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COleDataSource source;
        source.CacheGlobalData(CF_HDROP, c.block);
        COleDataObject data;
        data.Attach(&source, FALSE);
        CPathList paths;
        paths.m_paths.Add(L"kept");
        EXPECT_EQ(c.read, !!ReadDroppedFileList(data, paths));
        std::vector<std::wstring> expected{L"kept"};
        expected.insert(expected.end(), c.paths.begin(), c.paths.end());
        EXPECT_EQ(expected, PathsOf(paths));
    }
}

TEST_F(FileListReadersTest, ADropNotInGlobalMemoryIsIgnored)
{
    StreamDropData source;
    COleDataObject data;
    data.Attach(&source, FALSE);
    CPathList paths;
    EXPECT_FALSE(ReadDroppedFileList(data, paths));
    EXPECT_EQ(0, paths.m_paths.GetCount());
}

TEST_F(FileListReadersTest, ADataObjectWithoutAFileListIsNotRead)
{
    COleDataSource source;
    source.CacheGlobalData(CF_TEXT, GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4));
    COleDataObject data;
    data.Attach(&source, FALSE);
    CPathList paths;
    EXPECT_FALSE(ReadDroppedFileList(data, paths));
}

TEST_F(FileListReadersTest, FilesAnOutsideProgramCopiesArriveInOrder)
{
    if (!fixtures::HaveXClip())
        GTEST_SKIP() << "xclip is not installed";
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring first = std::wstring(folder) + L"carrowfold list one.mp3";
    const std::wstring second = std::wstring(folder) + L"carrowfold-list-two.wav";
    fixtures::WriteFileText(first, "1");
    fixtures::WriteFileText(second, "2");
    std::string uris;
    for (const std::wstring& path : {first, second}) {
        std::string unix = fixtures::UnixPath(path);
        std::string escaped;
        for (char ch : unix)
            escaped += ch == ' ' ? std::string("%20") : std::string(1, ch);
        uris += "file://" + escaped + "\r\n";
    }
    ASSERT_TRUE(fixtures::XClipWrite("text/uri-list", std::vector<BYTE>(uris.begin(), uris.end())));

    EXPECT_TRUE(IsFileListOnClipboard());
    CPathList paths;
    ASSERT_TRUE(ReadFileListFromClipboard(paths));
    const std::vector<std::wstring> read = PathsOf(paths);
    ASSERT_EQ(2u, read.size());
    // Wine names the files through the drive that holds them: the same files, whatever their
    // folders' short names.
    EXPECT_EQ(fixtures::UnixPath(first), fixtures::UnixPath(read[0]));
    EXPECT_EQ(fixtures::UnixPath(second), fixtures::UnixPath(read[1]));
    DeleteFileW(first.c_str());
    DeleteFileW(second.c_str());
}

}  // namespace
