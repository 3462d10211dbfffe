// Folder watching for real: folders on disk, the platform's change notifications on one
// completion port, the catalog, the category manager and the display lists, and the registry read
// back by Wine's reg.exe. Under Wine changes inside sub-folders are not reported, so what lies
// below a watched folder is checked through the rescan.
#include "engine/catalog/watch/CatUpdater.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "tests/engine/catalog/DisplayFixture.h"
#include "tests/support/PathListDouble.h"
#include "tests/support/Programs.h"
#include "tests/support/UnixTools.h"

namespace {

using catalog_test::DisplayFixture;
using catalog_test::IdList;

// Notifications and a worker at idle priority on a loaded machine: a generous bound.
template <typename Predicate>
bool WaitLong(Predicate done)
{
    for (int i = 0; i < 1500; ++i) {
        if (done())
            return true;
        Sleep(10);
    }
    return done();
}

bool WriteTone(const std::wstring& path, double frequency = 440)
{
    return fixtures::WriteWav16(path, fixtures::Tone(frequency, 0.05, 44100, 1), 44100, 1);
}

class CatUpdaterTest : public testing::Test {
protected:
    CCatalog* Catalog() { return m.catalog.Catalog(); }
    CCatUpdater* Updater() { return Catalog()->GetUpdater(); }

    void Watch(std::vector<std::wstring> folders, BOOL updateInfo = FALSE)
    {
        PathListDouble list;
        list.paths = std::move(folders);
        ASSERT_EQ(Catalog()->SetAutoUpdateFolders(&list), S_OK);
        ASSERT_EQ(Catalog()->SetAutoUpdate(TRUE, updateInfo), S_OK);
        ASSERT_TRUE(WaitLong([&] { return Posted(CCatUpdater::kPassDoneCode, 0); })) << "the first pass ended";
    }
    bool Posted(int code, int value) { return PostCount(code, value) > 0; }
    long PostCount(int code, int value)
    {
        const auto posts = m.catalog.engine.QueuePosts();
        return static_cast<long>(std::count(posts.begin(), posts.end(), std::make_pair(code, value)));
    }
    // The item of the path and whether it is present; kNotInCatalog when there is none.
    DWORD ItemOf(const std::wstring& path, bool* present = nullptr)
    {
        CCatItem* item = nullptr;
        if (!Catalog()->FindItemByPath(path.c_str(), &item))
            return CCatItem::kNotInCatalog;
        if (present)
            *present = item->IsPresent() != FALSE;
        const DWORD id = item->GetItemId();
        item->Release();
        return id;
    }
    bool IsPresentItem(const std::wstring& path)
    {
        bool present = false;
        return ItemOf(path, &present) != CCatItem::kNotInCatalog && present;
    }
    bool IsMissingItem(const std::wstring& path)
    {
        bool present = true;
        return ItemOf(path, &present) != CCatItem::kNotInCatalog && !present;
    }
    bool Listed(DWORD id)
    {
        const std::vector<DWORD> ids = m.Listed();
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }

    fixtures::TempDir watched{L"watched"};
    fixtures::TempDir elsewhere{L"outside"};
    DisplayFixture m;
};

TEST_F(CatUpdaterTest, ThreeFoldersWriteTheirValuesAndTheRestAreDeleted)
{
    CWinApp* app = AfxGetApp();
    for (int stale : {3, 4, 999})
        app->WriteProfileString(L"Settings", (L"Auto Catalod Dir:" + std::to_wstring(stale)).c_str(), L"C:\\stale");
    PathListDouble list;
    list.paths = {L"C:\\Music", L"D:\\Mixes", L"E:\\Über"};
    ASSERT_EQ(Catalog()->SetAutoUpdateFolders(&list), S_OK);

    std::string output;
    const std::wstring key = L"HKCU\\Software\\" + std::wstring(app->m_pszRegistryKey) + L"\\" +
                             std::wstring(app->m_pszProfileName) + L"\\Settings";
    ASSERT_EQ(RunProgram(L"reg.exe query \"" + key + L"\"", &output), 0) << output;
    const struct {
        const char* line;
        bool expected;
    } rows[] = {
        {"Auto Catalod Dir:0    REG_SZ    C:\\Music", true},
        {"Auto Catalod Dir:1    REG_SZ    D:\\Mixes", true},
        {"Auto Catalod Dir:2    REG_SZ    E:\\", true},
        {"Auto Catalod Dir:3", false},
        {"Auto Catalod Dir:4", false},
        {"Auto Catalod Dir:999", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(output.find(row.line) != std::string::npos, row.expected) << row.line << " in:\n" << output;

    m.Restart();
    PathListDouble read;
    ASSERT_EQ(Catalog()->GetAutoUpdateFolders(&read), S_OK);
    EXPECT_EQ(read.paths, list.paths) << "read back at the next start";
}

TEST_F(CatUpdaterTest, AFileCopiedInBecomesAnItemAndIsReported)
{
    Watch({watched.Path()});
    const std::wstring source = elsewhere.File(L"new.wav");
    ASSERT_TRUE(WriteTone(source));
    const std::wstring target = watched.File(L"new.wav");
    ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), TRUE));
    ASSERT_TRUE(WaitLong([&] { return IsPresentItem(target); }));
    const DWORD id = ItemOf(target);
    EXPECT_TRUE(WaitLong([&] { return Posted(CCatUpdater::kItemUpdatedCode, int(id)); }));
    EXPECT_TRUE(WaitLong([&] { return Listed(id); })) << "the display lists were refreshed";
}

TEST_F(CatUpdaterTest, ARenameMarksTheOldItemMissingAndAddsTheNewName)
{
    const std::wstring before = watched.File(L"before.wav");
    ASSERT_TRUE(WriteTone(before));
    Watch({watched.Path()});
    ASSERT_TRUE(IsPresentItem(before)) << "found by the first rescan";
    const DWORD old = ItemOf(before);
    const std::wstring after = watched.File(L"after.wav");
    ASSERT_TRUE(MoveFileW(before.c_str(), after.c_str()));
    ASSERT_TRUE(WaitLong([&] { return IsMissingItem(before) && IsPresentItem(after); }));
    EXPECT_NE(ItemOf(after), old);
    EXPECT_TRUE(WaitLong([&] { return !Listed(old) && Listed(ItemOf(after)); }));
}

TEST_F(CatUpdaterTest, ADeletedFileHidesItsItemAndItsReturnShowsIt)
{
    const std::wstring path = watched.File(L"comes and goes.wav");
    ASSERT_TRUE(WriteTone(path));
    Watch({watched.Path()});
    const DWORD id = ItemOf(path);
    ASSERT_NE(id, CCatItem::kNotInCatalog);
    ASSERT_TRUE(WaitLong([&] { return Listed(id); }));
    const std::wstring kept = elsewhere.File(L"kept.wav");
    ASSERT_TRUE(CopyFileW(path.c_str(), kept.c_str(), FALSE));

    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(WaitLong([&] { return IsMissingItem(path) && !Listed(id); }));
    EXPECT_EQ(Catalog()->GetItemCount(), 1) << "a missing file never removes its item here";

    ASSERT_TRUE(CopyFileW(kept.c_str(), path.c_str(), FALSE));
    ASSERT_TRUE(WaitLong([&] { return IsPresentItem(path) && Listed(id); }));
    EXPECT_EQ(ItemOf(path), id) << "the same item came back";
}

TEST_F(CatUpdaterTest, WithUpdateInfoTheCategoryComesFromTheSubFolder)
{
    CreateDirectoryW(watched.File(L"Deep House").c_str(), nullptr);
    CreateDirectoryW(watched.File(L"Deep House\\2024").c_str(), nullptr);
    const std::wstring top = watched.File(L"top.wav");
    const std::wstring sub = watched.File(L"Deep House\\sub.wav");
    const std::wstring deeper = watched.File(L"Deep House\\2024\\deeper.wav");
    for (const std::wstring& path : {top, sub, deeper})
        ASSERT_TRUE(WriteTone(path));
    // A Unix link back to the top: the rescan enters each folder once and ends.
    const std::wstring loop = watched.File(L"Deep House\\loop");
    ASSERT_EQ(fixtures::RunUnixTool("ln", {"-s", fixtures::UnixPath(watched.Path()), fixtures::UnixPath(loop)}), 0);
    // The watched folder is named with another case than the disk's: the category still follows.
    std::wstring named = watched.Path();
    std::transform(named.begin(), named.end(), named.begin(), ::towupper);
    Watch({named}, TRUE);
    // The link goes before the folder's clean-up, which must not walk round it.
    fixtures::RunUnixTool("rm", {fixtures::UnixPath(loop)});
    EXPECT_EQ(Catalog()->GetItemCount(), 3) << "each file once";
    const struct {
        const wchar_t* category;
        std::wstring path;
        HRESULT expected;
    } rows[] = {
        {L"Deep House", sub, S_OK},
        {L"Deep House\\2024", deeper, S_OK},
        {L"Deep House", deeper, S_FALSE},
        {L"Deep House", top, S_FALSE},
    };
    for (const auto& row : rows) {
        BSTR name = SysAllocString(row.category);
        const DWORD id = ItemOf(row.path);
        EXPECT_NE(id, CCatItem::kNotInCatalog);
        EXPECT_EQ(m.categories->AreItemsInCategory(IdList({id}).get(), name), row.expected)
            << std::string(row.category, row.category + wcslen(row.category)).c_str();
        SysFreeString(name);
    }
}

TEST_F(CatUpdaterTest, AnEmptyPacketForAWatchRescansItsFolder)
{
    CreateDirectoryW(watched.File(L"below").c_str(), nullptr);
    Watch({watched.Path()});
    // Under Wine a file made one level down sends no notification; the rescan finds it.
    const std::wstring path = watched.File(L"below\\found by the rescan.wav");
    ASSERT_TRUE(WriteTone(path));
    const ULONG_PTR key = Updater()->GetWatchKey(0);
    ASSERT_NE(key, 0u);
    ASSERT_TRUE(PostQueuedCompletionStatus(Updater()->GetCompletionPort(), 0, key, nullptr));
    ASSERT_TRUE(WaitLong([&] { return IsPresentItem(path); }));

    // The watch's own read is still armed: a file at the top is reported as before.
    const std::wstring top = watched.File(L"top.wav");
    ASSERT_TRUE(WriteTone(top));
    EXPECT_TRUE(WaitLong([&] { return IsPresentItem(top); }));
}

TEST_F(CatUpdaterTest, TwoHundredStopsAndStartsWhileFilesChangeLeakNothing)
{
    Watch({watched.Path(), elsewhere.Path()});
    std::atomic<bool> run{true};
    std::thread writer([&] {
        for (int i = 0; run; ++i) {
            const std::wstring path = watched.File(L"churn" + std::to_wstring(i % 7) + L".wav");
            if (i % 3 == 2)
                DeleteFileW(path.c_str());
            else
                WriteTone(path, 300 + i % 50);
        }
    });
    CCatUpdater* updater = Updater();
    const auto cycle = [&] {
        updater->StopWatching();
        updater->Stop();
        updater->StartWatching();
        EXPECT_EQ(updater->Start(), S_OK);
    };
    for (int i = 0; i < 10; ++i)
        cycle();
    DWORD before = 0;
    GetProcessHandleCount(GetCurrentProcess(), &before);
    for (int i = 0; i < 200; ++i)
        cycle();
    run = false;
    writer.join();
    DWORD after = 0;
    GetProcessHandleCount(GetCurrentProcess(), &after);
    EXPECT_LE(after, before + 5) << "handles before " << before << ", after " << after;

    const std::wstring last = watched.File(L"after the cycles.wav");
    ASSERT_TRUE(WriteTone(last));
    EXPECT_TRUE(WaitLong([&] { return IsPresentItem(last); })) << "still watching";
}

TEST_F(CatUpdaterTest, ShutdownEndsTheWorkerWithinABound)
{
    // A tree large enough that the worker is still rescanning when asked to stop.
    for (int folder = 0; folder < 20; ++folder) {
        const std::wstring sub = watched.File(L"f" + std::to_wstring(folder));
        CreateDirectoryW(sub.c_str(), nullptr);
        for (int file = 0; file < 20; ++file)
            ASSERT_TRUE(WriteTone(sub + L"\\t" + std::to_wstring(file) + L".wav"));
    }
    const struct {
        const char* name;
        bool waitForFirstPass;
    } rows[] = {{"while rescanning", false}, {"while waiting", true}};
    for (const auto& row : rows) {
        PathListDouble list;
        list.paths = {watched.Path()};
        ASSERT_EQ(Catalog()->SetAutoUpdateFolders(&list), S_OK);
        const long passes = PostCount(CCatUpdater::kPassDoneCode, 0);
        ASSERT_EQ(Catalog()->SetAutoUpdate(TRUE, FALSE), S_OK);
        if (row.waitForFirstPass) {
            ASSERT_TRUE(WaitLong([&] { return PostCount(CCatUpdater::kPassDoneCode, 0) > passes; }));
        }
        const ULONGLONG start = GetTickCount64();
        Catalog()->StopWorkers();
        EXPECT_LT(GetTickCount64() - start, 2000u) << row.name;
        ASSERT_EQ(Catalog()->SetAutoUpdate(FALSE, FALSE), S_OK);
    }
}

}  // namespace

namespace {

// Before Windows 2000 folders send no change notifications: the worker rescans once and ends.
// Wine reports the Windows version a program's name is set up for, so the launcher below runs a
// copy of this test program as Windows NT 4.0 with this (otherwise disabled) case.
TEST(CatUpdaterOnOldWindows, DISABLED_RescansOnceAndStops)
{
    ASSERT_LT(LOBYTE(LOWORD(GetVersion())), 5) << "run only by the launcher below";
    DisplayFixture m;
    fixtures::TempDir watched{L"watched on NT 4"};
    const std::wstring path = watched.File(L"found once.wav");
    ASSERT_TRUE(WriteTone(path));
    const LONG workers = ModuleCounts::Activity();
    PathListDouble list;
    list.paths = {watched.Path()};
    ASSERT_EQ(m.catalog.Catalog()->SetAutoUpdateFolders(&list), S_OK);
    ASSERT_EQ(m.catalog.Catalog()->SetAutoUpdate(TRUE, FALSE), S_OK);
    ASSERT_TRUE(WaitLong([&] { return ModuleCounts::Activity() == workers; })) << "the worker ended by itself";
    CCatItem* item = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->FindItemByPath(path.c_str(), &item)) << "the one rescan found the file";
    item->Release();
    const auto posts = m.catalog.engine.QueuePosts();
    EXPECT_EQ(std::count(posts.begin(), posts.end(), std::make_pair(CCatUpdater::kPassDoneCode, 0)), 2)
        << "after the pass and at the end";
}

TEST(CatUpdaterOnOldWindows, LaunchedAsWindowsNT4)
{
    const std::wstring copyName = L"catalog_watch_as_nt4.exe";
    const std::wstring copy = BinFolder() + copyName;
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + copyName;
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    const wchar_t version[] = L"nt40";
    RegSetValueExW(opened, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof version);
    RegCloseKey(opened);
    std::string output;
    const int exitCode = RunProgram(
        L"\"" + copy + L"\" --gtest_also_run_disabled_tests --gtest_filter=*DISABLED_RescansOnceAndStops", &output);
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    DeleteFileW(copy.c_str());
    EXPECT_EQ(exitCode, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace
