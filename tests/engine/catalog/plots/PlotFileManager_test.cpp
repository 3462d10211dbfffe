#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/core/server/EngineFolders.h"
#include "tests/support/TempDir.h"

using namespace profiler_test;

namespace {

class PlotFileManagerTest : public ::testing::Test {
protected:
    void SetUp() override { UseDirectory(m_dir.Path() + L"\\"); }

    void UseDirectory(const std::wstring& directory)
    {
        m_app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", directory.c_str());
    }

    // Writes a plot file of `size` bytes in total for id through the manager and registers it.
    std::wstring AddPlot(CPlotFileManager& manager, const CMusicFileId& id, DWORD levelBytes, BOOL touch = TRUE)
    {
        std::unique_ptr<CPlotFile> plot = manager.CreatePlotFile(id);
        EXPECT_TRUE(plot);
        if (!plot)
            return {};
        const Bytes levels(levelBytes, 5);
        EXPECT_TRUE(plot->Write(levels.data(), levelBytes, nullptr, 0));
        const std::wstring path = plot->GetPath().GetString();
        manager.Register(std::move(plot), touch);
        return path;
    }

    std::wstring IndexPath() const { return m_dir.File(L"cacheindex.dat"); }

    TestApp m_app;
    fixtures::TempDir m_dir{L"plotcache"};
};

std::vector<int32_t> Numbers(CPlotFileManager& manager)
{
    std::vector<int32_t> numbers;
    for (const PROF_STORE_ITEM& entry : manager.GetEntries())
        numbers.push_back(entry.number);
    return numbers;
}

int32_t NumberOf(const std::wstring& path)
{
    int32_t number = 0;
    EXPECT_TRUE(CPlotFileManager::ParseFileNumber(path.c_str(), &number)) << std::string(path.begin(), path.end());
    return number;
}

}  // namespace

TEST(PlotFileNames, NumbersAreDecimalNamesWithTheCfmExtension)
{
    struct Case {
        const wchar_t* name;
        BOOL ok;
        int32_t number;
    } cases[] = {
        {L"C:\\cache\\123.cfm", TRUE, 123},
        {L"-42.cfm", TRUE, -42},
        {L"2147483647.cfm", TRUE, INT32_MAX},
        {L"2147483648.cfm", FALSE, 0},
        {L"12a.cfm", FALSE, 0},
        {L".cfm", FALSE, 0},
        {L"12.cfp", FALSE, 0},
        {L"C:\\x.y\\7.CFM", TRUE, 7},
        {L"99999999999.cfm", FALSE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        int32_t number = 0;
        EXPECT_EQ(CPlotFileManager::ParseFileNumber(c.name, &number), c.ok);
        if (c.ok) {
            EXPECT_EQ(number, c.number);
        }
    }
}

TEST_F(PlotFileManagerTest, WithoutASettingTheDefaultDirectoryIsWrittenBack)
{
    m_app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", L"");
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    CString directory;
    int maxSize = 0;
    manager.GetSettings(&directory, &maxSize);
    EXPECT_STREQ(directory.GetString(), (GetEngineDataFolder() + L"Archive\\").GetString());
    EXPECT_EQ(maxSize, 100);
    EXPECT_STREQ(m_app.App().GetProfileString(L"Settings", L"Profile Cache Directory").GetString(),
                 directory.GetString());
    EXPECT_NE(GetFileAttributesW(directory.GetString()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PlotFileManagerTest, WrittenPlotIsFoundByIdentityAgainAfterARestart)
{
    const CMusicFileId id = MakeId(1);
    std::wstring path;
    {
        CPlotFileManager manager;
        ASSERT_TRUE(manager.Initialise());
        path = AddPlot(manager, id, 100);
        EXPECT_EQ(manager.GetEntryCount(), 1);
        const PROF_STORE_ITEM entry = manager.GetEntries()[0];
        EXPECT_EQ(entry.number, NumberOf(path));
        EXPECT_EQ(entry.size, ReadBytes(path).size());
    }
    // The index holds the count word, then one raw 32-byte entry.
    const Bytes index = ReadBytes(IndexPath());
    ASSERT_EQ(index.size(), 2u + 32u);
    EXPECT_EQ(index[0], 1);
    EXPECT_EQ(std::memcmp(&index[2], id.GetBytes(), 16), 0);

    CPlotFileManager restarted;
    ASSERT_TRUE(restarted.Initialise());
    std::unique_ptr<CPlotFile> plot = restarted.OpenPlotFile(id);
    ASSERT_TRUE(plot);
    Bytes bytes;
    ASSERT_TRUE(plot->GetPlotBytes(bytes, nullptr));
    EXPECT_EQ(bytes, Bytes(100, 5));
    EXPECT_FALSE(restarted.OpenPlotFile(MakeId(2)));
}

TEST_F(PlotFileManagerTest, RegisterOrdersByUseAndTouchMovesToTheFront)
{
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    const int32_t a = NumberOf(AddPlot(manager, MakeId(1), 10));
    const int32_t b = NumberOf(AddPlot(manager, MakeId(2), 10));
    const int32_t c = NumberOf(AddPlot(manager, MakeId(3), 10, FALSE));
    EXPECT_EQ(Numbers(manager), (std::vector<int32_t>{b, a, c}));

    manager.Register(manager.OpenPlotFile(MakeId(3)), TRUE);
    EXPECT_EQ(Numbers(manager), (std::vector<int32_t>{c, b, a}));
    manager.Register(manager.OpenPlotFile(MakeId(1)), FALSE);
    EXPECT_EQ(Numbers(manager), (std::vector<int32_t>{c, b, a}));
}

TEST_F(PlotFileManagerTest, NewAnalysisOfTheSameFileReplacesItsPlot)
{
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    const std::wstring first = AddPlot(manager, MakeId(1), 10);
    const std::wstring second = AddPlot(manager, MakeId(1), 20);
    EXPECT_EQ(manager.GetEntryCount(), 1);
    EXPECT_FALSE(FileExists(first));
    EXPECT_TRUE(FileExists(second));
    EXPECT_EQ(Numbers(manager), (std::vector<int32_t>{NumberOf(second)}));
}

// Maximum 1 MiB, four plots of 600 KiB: 2,400 KiB count as 2 MiB, so the least recently used
// goes; 1,800 KiB count as 1 and stay.
TEST_F(PlotFileManagerTest, TrimDeletesTheLeastRecentlyUsedInWholeMiB)
{
    m_app.App().WriteProfileInt(L"Settings", L"Profile Cache Max Size", 1);
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    const DWORD levels = 600 * 1024 - 12 - 8 - 24;  // form header, chunk header, trailer
    const std::wstring oldest = AddPlot(manager, MakeId(1), levels);
    EXPECT_EQ(ReadBytes(oldest).size(), 600u * 1024);
    const std::wstring second = AddPlot(manager, MakeId(2), levels);
    const std::wstring third = AddPlot(manager, MakeId(3), levels);
    EXPECT_EQ(manager.GetEntryCount(), 3);
    const std::wstring fourth = AddPlot(manager, MakeId(4), levels);
    EXPECT_EQ(Numbers(manager), (std::vector<int32_t>{NumberOf(fourth), NumberOf(third), NumberOf(second)}));
    EXPECT_FALSE(FileExists(oldest));
    EXPECT_TRUE(FileExists(second));
}

TEST_F(PlotFileManagerTest, NoLimitKeepsEverything)
{
    m_app.App().WriteProfileInt(L"Settings", L"Profile Cache Max Size", -1);
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    for (unsigned i = 0; i < 3; ++i)
        AddPlot(manager, MakeId(i + 1), 700 * 1024);
    EXPECT_EQ(manager.GetEntryCount(), 3);
}

TEST_F(PlotFileManagerTest, ReconcileAddsUnknownFilesAndDropsEntriesWithoutFiles)
{
    std::wstring gone;
    {
        CPlotFileManager manager;
        ASSERT_TRUE(manager.Initialise());
        AddPlot(manager, MakeId(1), 10);
        gone = AddPlot(manager, MakeId(2), 10);
    }
    ASSERT_TRUE(DeleteFileW(gone.c_str()));
    // A plot file copied in by hand, a damaged one, and a file whose name is not a number.
    ASSERT_TRUE(WriteBytes(m_dir.File(L"777.cfm"), Form("CFP1", {Chunk("plot", PlotBody({1, 2}, MakeId(3)))})));
    ASSERT_TRUE(WriteBytes(m_dir.File(L"778.cfm"), Bytes(50, 0x33)));
    ASSERT_TRUE(WriteBytes(m_dir.File(L"notes.cfm"), Bytes(5, 1)));

    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    std::set<int32_t> numbers;
    for (const PROF_STORE_ITEM& entry : manager.GetEntries())
        numbers.insert(entry.number);
    EXPECT_EQ(numbers.size(), 2u);
    EXPECT_TRUE(numbers.count(777));
    EXPECT_FALSE(numbers.count(NumberOf(gone)));
    EXPECT_TRUE(manager.OpenPlotFile(MakeId(3)));
    EXPECT_FALSE(manager.OpenPlotFile(MakeId(2)));
    EXPECT_FALSE(FileExists(m_dir.File(L"778.cfm")));
    EXPECT_TRUE(FileExists(m_dir.File(L"notes.cfm")));
}

TEST_F(PlotFileManagerTest, UnreadablePlotIsDroppedSoThatItIsAnalysedAgain)
{
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    const std::wstring path = AddPlot(manager, MakeId(1), 10);
    // A plot whose identity no longer matches is not used.
    Bytes damaged = ReadBytes(path);
    damaged[damaged.size() - 20] ^= 0xFF;
    ASSERT_TRUE(WriteBytes(path, damaged));
    EXPECT_FALSE(manager.OpenPlotFile(MakeId(1)));
    EXPECT_EQ(manager.GetEntryCount(), 0);
    EXPECT_FALSE(FileExists(path));
}

TEST_F(PlotFileManagerTest, RemoveDeletesFileAndEntry)
{
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    const std::wstring path = AddPlot(manager, MakeId(1), 10);
    CMusicFileId id;
    ASSERT_TRUE(manager.GetEntryId(0, &id));
    EXPECT_TRUE(id == MakeId(1));
    EXPECT_FALSE(manager.GetEntryId(1, &id));
    EXPECT_TRUE(manager.Remove(MakeId(1)));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(manager.Remove(MakeId(1)));
}

TEST_F(PlotFileManagerTest, SettingADirectoryThatDoesNotExistChangesNothing)
{
    CPlotFileManager manager;
    ASSERT_TRUE(manager.Initialise());
    EXPECT_FALSE(manager.SetSettings((m_dir.Path() + L"\\missing").c_str(), 5));
    CString directory;
    int maxSize = 0;
    manager.GetSettings(&directory, &maxSize);
    EXPECT_STREQ(directory.GetString(), (m_dir.Path() + L"\\").c_str());
    EXPECT_EQ(maxSize, 100);

    fixtures::TempDir other(L"plotcache-other");
    ASSERT_TRUE(WriteBytes(other.File(L"5.cfm"), Form("CFP1", {Chunk("plot", PlotBody({1}, MakeId(9)))})));
    EXPECT_TRUE(manager.SetSettings(other.Path().c_str(), 7));
    manager.GetSettings(&directory, &maxSize);
    EXPECT_STREQ(directory.GetString(), (other.Path() + L"\\").c_str());
    EXPECT_EQ(maxSize, 7);
    EXPECT_STREQ(m_app.App().GetProfileString(L"Settings", L"Profile Cache Directory").GetString(),
                 directory.GetString());
    EXPECT_EQ(m_app.App().GetProfileInt(L"Settings", L"Profile Cache Max Size", 0), 7u);
    EXPECT_EQ(Numbers(manager), (std::vector<int32_t>{5}));
}

// Damaged cache indexes (fixed seed): start-up never crashes, and the entries always name
// distinct plot files that exist.
TEST_F(PlotFileManagerTest, DamagedCacheIndexesNeverCrashStartUp)
{
    std::vector<std::wstring> paths;
    {
        CPlotFileManager manager;
        ASSERT_TRUE(manager.Initialise());
        for (unsigned i = 0; i < 6; ++i)
            paths.push_back(AddPlot(manager, MakeId(i + 1), 50 + i));
    }
    const Bytes good = ReadBytes(IndexPath());
    ASSERT_EQ(good.size(), 2u + 6 * 32);
    std::mt19937 random(424242);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        Bytes data = good;
        switch (random() % 4) {
        case 0:
            data.resize(random() % (data.size() + 1));
            break;
        case 1:
            for (int flips = 1 + random() % 8; flips > 0; --flips)
                data[random() % data.size()] ^= static_cast<BYTE>(1u << (random() % 8));
            break;
        case 2: {  // the count word escaped to huge values
            const Bytes counts[] = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, {0xFF, 0xFF, 0x10, 0, 0, 0}, {0xFE, 0xFF}};
            const Bytes& count = counts[random() % 3];
            data.erase(data.begin(), data.begin() + 2);
            data.insert(data.begin(), count.begin(), count.end());
            break;
        }
        default: {  // a copied entry: one file named twice
            const size_t from = 2 + (random() % 6) * 32;
            const size_t to = 2 + (random() % 6) * 32;
            std::copy(good.begin() + static_cast<long>(from), good.begin() + static_cast<long>(from + 32),
                      data.begin() + static_cast<long>(to));
            break;
        }
        }
        ASSERT_TRUE(WriteBytes(IndexPath(), data));
        CPlotFileManager manager;
        ASSERT_TRUE(manager.Initialise());
        std::set<int32_t> numbers;
        for (const PROF_STORE_ITEM& entry : manager.GetEntries()) {
            EXPECT_TRUE(numbers.insert(entry.number).second) << "number " << entry.number << " twice";
            wchar_t name[32];
            swprintf(name, 32, L"%d.cfm", entry.number);
            EXPECT_TRUE(FileExists(m_dir.File(name)));
        }
        // Every plot file on disk is known again after reconciling.
        EXPECT_EQ(manager.GetEntryCount(), 6);
    }
}
