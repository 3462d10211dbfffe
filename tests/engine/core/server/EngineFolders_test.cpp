#include "engine/core/server/BrennockApp.h"
#include "engine/core/server/EngineFolders.h"
#include "tests/engine/core/server/FrameTestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace {

struct LastCharCase {
    const char* name;
    const wchar_t* text;
    wchar_t ch;
    int expected;
};

const LastCharCase kLastCharCases[] = {
    {"empty", L"", L'\\', -1},           {"absent", L"abc", L'\\', -1},  {"only character", L"\\", L'\\', 0},
    {"path", L"C:\\a\\b.cfp", L'\\', 4}, {"several", L"a.b.c", L'.', 3}, {"last character", L"xxxx", L'x', 3},
};

TEST(EngineFolders, FindLastCharGivesTheLastIndexOrMinusOne)
{
    for (const LastCharCase& row : kLastCharCases)
        EXPECT_EQ(FindLastChar(CString(row.text), row.ch), row.expected) << row.name;
}

TEST(EngineFolders, DataFolderLiesUnderApplicationDataAndIsCreated)
{
    wchar_t appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData)));
    const CString expected = CString(appData) + L"\\Carrowfold Technology\\Carrowfold Engine Express 5\\";
    EXPECT_TRUE(GetEngineDataFolder() == expected);

    EXPECT_TRUE(CreateEngineDataFolder());
    const DWORD attributes = GetFileAttributesW(expected);
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // Both levels exist now; a second creation finds them and still succeeds.
    EXPECT_TRUE(CreateEngineDataFolder());
}

TEST(EngineFolders, DiskSpaceIsComparedInWholeMiB)
{
    const std::wstring folder = BinFolder();
    ULARGE_INTEGER available{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr));
    const LONGLONG freeMiB = static_cast<LONGLONG>(available.QuadPart >> 20);
    const CString path = CString(folder.c_str()) + L"mix.wav";

    const struct {
        const char* name;
        CString path;
        LONGLONG bytes;
        BOOL expected;
    } rows[] = {
        {"one byte", path, 1, TRUE},
        {"nothing", path, 0, TRUE},
        {"a thousand MiB more than free", path, (freeMiB + 1000) << 20, FALSE},
        {"no folder part", CString(L"mix.wav"), (freeMiB + 1000) << 20, TRUE},
        {"folder that does not exist", CString(L"Q:\\no\\such\\folder\\mix.wav"), (freeMiB + 1000) << 20, TRUE},
    };
    for (const auto& row : rows)
        EXPECT_EQ(HasEnoughDiskSpace(row.path, row.bytes), row.expected) << row.name;
}

TEST(EngineFolders, AppModuleFolderIsTheFolderOfTheModuleFile)
{
    // An application object of this test program: its module is the program itself.
    CBrennockApp app;
    EXPECT_TRUE(app.GetAppModuleFolder() == CString(BinFolder().c_str()));
}

}  // namespace
