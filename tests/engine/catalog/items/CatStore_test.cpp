// catalog.dat: records round-trip byte for byte, older records load without their newer fields,
// damaged records are skipped, and every item survives a restart of the catalog.
#include "engine/catalog/items/CatStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "tests/engine/catalog/CatalogTestSupport.h"
#include "tests/engine/catalog/items/RecordBytes.h"
#include "tests/support/StoppingFile.h"

namespace {

using record_bytes::Bytes;

void Load(CCatItem* item, const Bytes& record)
{
    CMemFile file;
    file.Write(record.data(), static_cast<UINT>(record.size()));
    file.Seek(0, CFile::begin);
    CArchive archive(&file, CArchive::load);
    item->Serialize(archive);
}

Bytes Store(CCatItem* item)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        item->Serialize(archive);
        archive.Close();
    }
    return Bytes(file.GetData(), file.GetData() + file.GetLength());
}

// A file time far later than any item's date.
CSysTime Future()
{
    SYSTEMTIME time{};
    time.wYear = 2100;
    time.wMonth = 1;
    time.wDay = 1;
    return CSysTime(time);
}

std::wstring Text(CCatItem* item, WORD attribute)
{
    CString text;
    if (!item->GetAttributeText(attribute, &text))
        return L"<none>";
    return text.GetString();
}

TEST(CatStore, VersionFiveRecordRoundTripsByteForByte)
{
    const Bytes record = record_bytes::Record({});
    ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, nullptr));
    Load(item.get(), record);
    EXPECT_EQ(Store(item.get()), record);
    EXPECT_EQ(Text(item.get(), CatAttribute::Title), L"Caf\u00E9");
    EXPECT_EQ(Text(item.get(), CatAttribute::Key), L"A#m");
    EXPECT_EQ(Text(item.get(), CatAttribute::Length), L"3:30");
    EXPECT_EQ(item->GetThumbnailCount(), 1);
}

TEST(CatStore, VersionFourOrNoExtensionLoadsWithoutDateKeyAndExtra)
{
    for (auto [version, extension] : {std::pair<WORD, WORD>{4, 1}, {5, 0}}) {
        record_bytes::Fields old;
        old.version = version;
        old.extension = extension;
        ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, nullptr));
        Load(item.get(), record_bytes::Record(old));
        WORD note = 99;
        WORD mode = 99;
        EXPECT_EQ(item->GetKey(&note, &mode), S_FALSE) << version << "/" << extension;
        EXPECT_EQ(note, 0);
        EXPECT_EQ(item->IsUpToDate(Future()), TRUE) << "no date";
        // Written back as version 5 with the defaults.
        record_bytes::Fields expected;
        expected.date[0] = expected.date[1] = expected.date[2] = expected.date[4] = expected.date[5] =
            expected.date[6] = expected.date[7] = 0;
        expected.keyNote = 0;
        expected.keyMode = 0;
        expected.extra = 0;
        EXPECT_EQ(Store(item.get()), record_bytes::Record(expected)) << version << "/" << extension;
    }
}

TEST(CatStore, RestartKeepsIdsAttributesKeyAndDateAndSkipsADamagedRecord)
{
    fixtures::TempDir music(L"restart");
    catalog_test::CatalogFixture fixture;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(music.File(L"song" + std::to_wstring(i) + L".wav"));
        ASSERT_TRUE(fixtures::WriteWav16(paths.back(), fixtures::Tone(300 + 100 * i, 0.3, 44100, 2), 44100, 2));
        CCatItem* item = nullptr;
        ASSERT_TRUE(fixture.Catalog()->AddItemFromFile(paths.back().c_str(), &item, FALSE));
        item->SetAttributeText(CatAttribute::Artist, (L"Artist \u00C4 " + std::to_wstring(i)).c_str());
        item->SetKey(static_cast<WORD>(i + 2), 2);
        item->Save(FALSE);
        item->Release();
    }
    fixture.Reopen();
    ASSERT_EQ(fixture.Catalog()->GetItemCount(), 4);
    for (DWORD id = 0; id < 4; ++id) {
        CCatItem* item = nullptr;
        ASSERT_TRUE(fixture.Catalog()->GetItemById(id, &item)) << id;
        EXPECT_EQ(std::wstring(item->GetPath().GetString()), paths[id]);
        EXPECT_EQ(Text(item, CatAttribute::Artist), L"Artist \u00C4 " + std::to_wstring(id));
        EXPECT_EQ(Text(item, CatAttribute::Title), L"song" + std::to_wstring(id));
        WORD note = 0;
        WORD mode = 0;
        EXPECT_EQ(item->GetKey(&note, &mode), S_OK);
        EXPECT_EQ(note, id + 2);
        EXPECT_FALSE(item->IsUpToDate(Future())) << "the date was kept";
        item->Release();
    }

    // Damage the body of the second record on disk: the others still load.
    fixture.Close();
    Bytes bytes = fixtures::ReadFileBytes(fixture.DataFile(L"catalog.dat"));
    ASSERT_GT(bytes.size(), 400u);
    const DWORD firstLength = bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (bytes[7] << 24);
    bytes[firstLength + 40] ^= 0x5A;
    ASSERT_TRUE(profiler_test::WriteBytes(fixture.DataFile(L"catalog.dat"), bytes));
    fixture.Open();
    EXPECT_EQ(fixture.Catalog()->GetItemCount(), 3);
    CCatItem* found = nullptr;
    EXPECT_FALSE(fixture.Catalog()->FindItemByPath(paths[1].c_str(), &found));
    EXPECT_TRUE(fixture.Catalog()->FindItemByPath(paths[3].c_str(), &found));
    found->Release();
}

TEST(CatStore, AFailedWriteKeepsTheItemsOldRecord)
{
    fixtures::TempDir dir(L"store");
    const std::wstring path = dir.File(L"catalog.dat");
    ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, L"C:\\music\\kept.wav"));
    {
        CCatStore store(path.c_str());
        ASSERT_TRUE(store.WriteItem(item.get()));
        // A record above 65520 bytes cannot be stored: the write fails and the old one stays.
        item->SetAttributeText(CatAttribute::Album, std::wstring(40000, L'x').c_str());
        EXPECT_FALSE(store.WriteItem(item.get()));
        EXPECT_EQ(item->GetRecordIndex(), 0);
    }
    CCatStore reopened(path.c_str());
    ASSERT_EQ(reopened.GetRecordCount(), 1);
    ComPtr<CCatItem> back = ComPtr<CCatItem>::attach(new CCatItem(nullptr, nullptr));
    ASSERT_TRUE(reopened.ReadItem(0, back.get()));
    EXPECT_EQ(std::wstring(back->GetPath().GetString()), L"C:\\music\\kept.wav");
}

// Every write of one save and of the compaction when the store closes, stopped in turn as a crash
// would stop it. The catalog that opens the file next holds every item exactly once, the saved
// one as saved when its new record was complete and as it was otherwise; when that catalog
// closes, one record per item is left.
void CheckThatNoStopLosesOrDoublesAnItem(int itemCount, int savedItem)
{
    catalog_test::CatalogFixture fixture;
    fixture.Close();
    const std::wstring path = fixture.DataFile(kCatalogFileName);
    std::vector<std::wstring> paths;
    {
        CCatStore store(path.c_str());
        for (int i = 0; i < itemCount; ++i) {
            paths.push_back(L"C:\\music\\song " + std::to_wstring(i) + L".wav");
            ComPtr<CCatItem> item = ComPtr<CCatItem>::attach(new CCatItem(nullptr, paths.back().c_str()));
            item->SetAttributeText(CatAttribute::Title, L"as it was");
            ASSERT_TRUE(store.WriteItem(item.get()));
        }
    }
    const std::wstring savedPath = paths[static_cast<size_t>(savedItem)];
    std::sort(paths.begin(), paths.end());
    const Bytes original = fixtures::ReadFileBytes(path);
    bool stopped = true;
    for (int allowed = 0; stopped; ++allowed) {
        SCOPED_TRACE(testing::Message() << "stopped after write " << allowed);
        ASSERT_TRUE(profiler_test::WriteBytes(path, original));
        stopped = false;
        BOOL saved = FALSE;
        {
            CCatStore store(std::make_unique<fixtures::StoppingFile>(allowed, &stopped), path.c_str());
            std::vector<CCatItem*> items = store.ReadAllItems(nullptr);
            ASSERT_EQ(items.size(), static_cast<size_t>(itemCount));
            items[static_cast<size_t>(savedItem)]->SetAttributeText(CatAttribute::Title, L"as saved");
            saved = store.WriteItem(items[static_cast<size_t>(savedItem)]);
            for (CCatItem* item : items)
                item->Release();
        }
        for (int open = 0; open < 2; ++open) {
            fixture.Open();
            std::vector<std::wstring> found;
            for (int i = 0; i < fixture.Catalog()->GetItemCount(); ++i) {
                CCatItem* item = nullptr;
                if (fixture.Catalog()->GetItemByIndex(i, &item) && item) {
                    found.push_back(item->GetPath().GetString());
                    item->Release();
                }
            }
            std::sort(found.begin(), found.end());
            EXPECT_EQ(found, paths) << "open " << open;
            CCatItem* item = nullptr;
            ASSERT_TRUE(fixture.Catalog()->FindItemByPath(savedPath.c_str(), &item));
            EXPECT_EQ(Text(item, CatAttribute::Title), saved ? L"as saved" : L"as it was") << "open " << open;
            item->Release();
            fixture.Close();
        }
        CCatStore closed(path.c_str());
        EXPECT_EQ(closed.GetRecordCount(), itemCount) << "one record per item";
        ASSERT_LT(allowed, 64 + 8 * itemCount) << "the save and the compaction never ran to their end";
    }
}

TEST(CatStore, AStopAtAnyWriteOfASaveOrOfTheCompactionLosesAndDoublesNoItem)
{
    CheckThatNoStopLosesOrDoublesAnItem(8, 2);
}

// The same over a catalog of the size the program is made for; the saved item lies near the end,
// so that the compaction's writes are few enough to stop at each. About a minute under Wine: the
// suite leaves it out (run it with --gtest_also_run_disabled_tests).
TEST(CatStore, DISABLED_AStopAtAnyWriteLosesAndDoublesNoItemOfFiftyThousand)
{
    CheckThatNoStopLosesOrDoublesAnItem(50000, 49997);
}

}  // namespace
