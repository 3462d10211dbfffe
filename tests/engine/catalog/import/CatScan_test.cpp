// The clean-up over a real catalog: items whose files are gone are removed, stored analysis
// data that no item uses is purged from profiles.dat and defaultmixes.dat while used data stays.
#include "engine/catalog/import/CatScan.h"

#include <gtest/gtest.h>

#include "classlib/core/Archive.h"
#include "engine/core/storage/MusicFileIdObjStore.h"
#include "tests/engine/catalog/DisplayFixture.h"

namespace {

using catalog_test::DisplayFixture;
using profiler_test::WaitFor;

// A stand-in stored object: one word.
struct StoredWord {
    DWORD value = 0x5EED;
    void Serialize(CArchive& archive)
    {
        if (archive.IsStoring())
            archive << value;
        else
            archive >> value;
    }
};

CMusicFileId MadeUpId(BYTE seed)
{
    BYTE bytes[CMusicFileId::kSize];
    for (size_t i = 0; i < sizeof bytes; ++i)
        bytes[i] = BYTE(seed + i * 7 + 1);
    CMusicFileId id;
    id.SetBytes(bytes);
    return id;
}

// A plot file for the identity, written and registered as an analysis does; its path.
std::wstring AddPlot(CPlotFileManager* manager, const CMusicFileId& id)
{
    std::unique_ptr<CPlotFile> plot = manager->CreatePlotFile(id);
    if (!plot)
        return {};
    const BYTE levels[16] = {1, 2, 3};
    if (!plot->Write(levels, sizeof levels, nullptr, 0))
        return {};
    const std::wstring path = plot->GetPath().GetString();
    manager->Register(std::move(plot), TRUE);
    return path;
}

class CatScanTest : public testing::Test {
protected:
    bool Run(BOOL removeMissing, BOOL removeUnusedData, float* progress = nullptr)
    {
        ComPtr<IProgressStatus> status;
        if (m.catalog.Catalog()->StartCleanup(removeMissing, removeUnusedData, status.put()) != S_OK)
            return false;
        const bool done = WaitFor([&] { return status->GetCompletion() == S_OK; });
        if (progress)
            status->GetProgress(progress);
        return done;
    }

    DisplayFixture m;
};

TEST_F(CatScanTest, NothingAskedFails)
{
    IProgressStatus* status = reinterpret_cast<IProgressStatus*>(1);
    EXPECT_EQ(m.catalog.Catalog()->StartCleanup(FALSE, FALSE, &status), E_FAIL);
    EXPECT_EQ(status, nullptr);
}

TEST_F(CatScanTest, MissingItemsAreRemovedAndTheOthersStay)
{
    const DWORD kept = m.AddWav(L"kept.wav");
    const DWORD gone = m.AddWav(L"gone.wav");
    ASSERT_TRUE(DeleteFileW(m.music.File(L"gone.wav").c_str()));
    float progress = 0;
    ASSERT_TRUE(Run(TRUE, FALSE, &progress));
    EXPECT_FLOAT_EQ(progress, 1.0f);
    CCatItem* item = nullptr;
    EXPECT_FALSE(m.catalog.Catalog()->GetItemById(gone, &item));
    ASSERT_TRUE(m.catalog.Catalog()->GetItemById(kept, &item));
    item->Release();
    int listed = 0;
    m.manager->GetCount(&listed);
    EXPECT_EQ(listed, 1) << "the display lists were refreshed";
}

TEST_F(CatScanTest, UnusedStoredDataIsPurgedAndUsedDataStays)
{
    const DWORD id = m.AddWav(L"used.wav");
    CCatItem* item = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->GetItemById(id, &item));
    const CMusicFileId used = item->GetMusicFileId();
    item->Release();
    const CMusicFileId unused = MadeUpId(3);
    CPlotFileManager* plots = m.catalog.Catalog()->GetPlotFileManager();
    const std::wstring usedPlot = AddPlot(plots, used);
    const std::wstring unusedPlot = AddPlot(plots, unused);
    CMusicFileIdObjStore* stores[] = {m.catalog.Catalog()->GetProfileStore(),
                                      m.catalog.Catalog()->GetDefaultMixStore()};
    StoredWord word;
    for (CMusicFileIdObjStore* store : stores) {
        ASSERT_NE(store, nullptr);
        store->StoreObject(&word, used);
        store->StoreObject(&word, unused);
    }
    ASSERT_TRUE(Run(FALSE, TRUE));
    EXPECT_TRUE(profiler_test::FileExists(usedPlot));
    EXPECT_FALSE(profiler_test::FileExists(unusedPlot));
    EXPECT_EQ(plots->GetEntryCount(), 1);
    for (CMusicFileIdObjStore* store : stores) {
        EXPECT_TRUE(store->LoadObject<StoredWord>(used, nullptr));
        EXPECT_FALSE(store->LoadObject<StoredWord>(unused, nullptr));
    }
    m.Restart();
    EXPECT_FALSE(m.catalog.Catalog()->GetProfileStore()->LoadObject<StoredWord>(unused, nullptr))
        << "gone from the file too";
    EXPECT_TRUE(m.catalog.Catalog()->GetDefaultMixStore()->LoadObject<StoredWord>(used, nullptr));
}

// The first phase ends at 0.75 before the purge starts: the purge is held at the one item (its
// lock taken by the test) while the test reads the progress.
TEST_F(CatScanTest, ProgressIsThreeQuartersWhenThePurgeBegins)
{
    const DWORD id = m.AddWav(L"held.wav");
    CCatItem* item = nullptr;
    ASSERT_TRUE(m.catalog.Catalog()->GetItemById(id, &item));
    StoredWord word;
    m.catalog.Catalog()->GetProfileStore()->StoreObject(&word, MadeUpId(9));
    ComPtr<IProgressStatus> status;
    {
        CSingleThreadLock hold(item->GetLock());
        ASSERT_EQ(m.catalog.Catalog()->StartCleanup(FALSE, TRUE, status.put()), S_OK);
        float progress = 0;
        EXPECT_TRUE(WaitFor([&] { return status->GetProgress(&progress), progress == 0.75f; })) << progress;
        EXPECT_EQ(status->GetCompletion(), S_FALSE);
    }
    item->Release();
    ASSERT_TRUE(WaitFor([&] { return status->GetCompletion() == S_OK; }));
    float progress = 0;
    status->GetProgress(&progress);
    EXPECT_FLOAT_EQ(progress, 1.0f);
    EXPECT_FALSE(m.catalog.Catalog()->GetProfileStore()->LoadObject<StoredWord>(MadeUpId(9), nullptr));
}

}  // namespace
