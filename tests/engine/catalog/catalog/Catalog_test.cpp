// The catalog object over real files: ids and the path index, analysis through the real job
// queue with its results taken over and stored, and deletion with the file going to the Recycle
// Bin at the last release.
#include "engine/catalog/catalog/Catalog.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/com/UniqueHandle.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/tags/ID3Tag.h"
#include "tests/engine/catalog/catalog/CatalogTest.h"
#include "tests/engine/catalog/tags/TagBytes.h"
#include "tests/support/PathListDouble.h"

namespace {

using catalog_test::CatalogTest;
using catalog_test::CustomTrack;
using catalog_test::MixImage;

TEST_F(CatalogTest, IdsStayWithTheirItemsAndPathsSortingFirstAreFound)
{
    std::vector<std::wstring> paths;
    for (const wchar_t* name : {L"m.wav", L"k.wav", L"b.wav", L"A.wav", L"Z.wav"})
        paths.push_back(MakeWav(name));
    for (const std::wstring& path : paths) {
        CCatItem* item = Add(path);
        ASSERT_NE(item, nullptr);
        item->Release();
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        CCatItem* item = nullptr;
        std::wstring upper = paths[i];
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        ASSERT_TRUE(m_fixture.Catalog()->FindItemByPath(upper.c_str(), &item)) << i << " found ignoring case";
        EXPECT_EQ(item->GetItemId(), i);
        item->Release();
    }

    EXPECT_EQ(m_fixture.Catalog()->DeleteItems(Ids({}).get(), FALSE), E_FAIL);
    EXPECT_EQ(m_fixture.Catalog()->DeleteItems(Ids({3, 99}).get(), FALSE), S_OK);
    EXPECT_EQ(m_fixture.Catalog()->DeleteItems(Ids({3}).get(), FALSE), E_FAIL) << "already gone";
    CCatItem* item = nullptr;
    EXPECT_FALSE(m_fixture.Catalog()->GetItemById(3, &item));
    EXPECT_TRUE(m_fixture.Catalog()->GetItemByIndex(3, &item));
    EXPECT_EQ(item, nullptr);
    EXPECT_FALSE(m_fixture.Catalog()->FindItemByPath(paths[3].c_str(), &item));
    item = Add(MakeWav(L"0 first.wav"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetItemId(), 5u) << "a new item gets the array's size as id";
    item->Release();
    ASSERT_TRUE(profiler_test::FileExists(paths[3])) << "the file stays without delete-files";

    // After a restart the deleted record is gone and the new one is there.
    m_fixture.Reopen();
    EXPECT_EQ(m_fixture.Catalog()->GetItemCount(), 5);
    EXPECT_FALSE(m_fixture.Catalog()->FindItemByPath(paths[3].c_str(), &item));
}

// The harness HOME's trash folder ("files"), where Wine puts what is deleted with undo; empty
// when not under Wine. Wine names the Unix HOME in the NT form "\??\Z:\...".
std::wstring TrashFiles()
{
    wchar_t home[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"WINEHOMEDIR", home, MAX_PATH) == 0)
        return {};
    std::wstring folder = home;
    if (folder.rfind(L"\\??\\", 0) == 0)
        folder.erase(0, 4);
    return folder + L"\\.local\\share\\Trash\\files";
}

// Names in the trash that begin with `stem` (Wine adds a suffix when the name is taken).
std::vector<std::wstring> TrashEntries(const std::wstring& folder, const std::wstring& stem)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileW((folder + L"\\" + stem + L"*").c_str(), &found));
    if (!search)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileW(search.get(), &found));
    return names;
}

TEST_F(CatalogTest, DeletedFilesReachTheTrashOnlyAtTheLastRelease)
{
    const std::wstring trash = TrashFiles();
    const std::wstring name = L"to be deleted.wav";
    const std::vector<std::wstring> before = TrashEntries(trash, name);
    const std::wstring path = MakeWav(name);
    const auto bytes = fixtures::ReadFileBytes(path);
    CCatItem* held = Add(path);
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(m_fixture.Catalog()->DeleteItems(Ids({0}).get(), TRUE), S_OK);
    EXPECT_TRUE(profiler_test::FileExists(path)) << "someone still holds the item";
    EXPECT_EQ(held->Release(), 0u);
    EXPECT_FALSE(profiler_test::FileExists(path));

    if (trash.empty())
        GTEST_SKIP() << "not under Wine";
    std::vector<std::wstring> added;
    for (const std::wstring& entry : TrashEntries(trash, name)) {
        if (std::find(before.begin(), before.end(), entry) == before.end())
            added.push_back(entry);
    }
    ASSERT_EQ(added.size(), 1u) << "the harness HOME's trash holds the file";
    EXPECT_EQ(fixtures::ReadFileBytes(trash + L"\\" + added[0]), bytes);
    DeleteFileW((trash + L"\\" + added[0]).c_str());
    DeleteFileW((trash + L"\\..\\info\\" + added[0] + L".trashinfo").c_str());
}

// Who finds an item by its identity holds it: the clean-up may delete it from the catalog at
// once, and the item (with its file) must stay until the finder lets it go.
TEST_F(CatalogTest, AnItemFoundByIdentityOutlivesItsDeletion)
{
    const std::wstring trash = TrashFiles();
    const std::wstring name = L"found by identity.wav";
    const std::vector<std::wstring> before = TrashEntries(trash, name);
    const std::wstring path = MakeWav(name);
    CCatItem* added = Add(path);
    ASSERT_NE(added, nullptr);
    const CMusicFileId id = added->GetMusicFileId();
    added->Release();
    CCatItem* found = nullptr;
    ASSERT_TRUE(m_fixture.Catalog()->FindItemByFileId(id, &found));
    ASSERT_EQ(m_fixture.Catalog()->DeleteItems(Ids({0}).get(), TRUE), S_OK);
    ASSERT_TRUE(profiler_test::FileExists(path)) << "the item went while the finder held it";
    EXPECT_EQ(std::wstring(found->GetPath().GetString()), path);
    EXPECT_EQ(found->Release(), 0u);
    EXPECT_FALSE(profiler_test::FileExists(path));
    for (const std::wstring& entry : TrashEntries(trash, name)) {
        if (std::find(before.begin(), before.end(), entry) == before.end()) {
            DeleteFileW((trash + L"\\" + entry).c_str());
            DeleteFileW((trash + L"\\..\\info\\" + entry + L".trashinfo").c_str());
        }
    }
}

// A thread that still holds a deleted item (the analysis take-over, a content refresh) saves it:
// the item stays deleted after a restart.
TEST_F(CatalogTest, ADeletedItemHeldElsewhereIsNotWrittenBack)
{
    CCatItem* held = Add(MakeWav(L"held.wav"));
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(m_fixture.Catalog()->DeleteItems(Ids({0}).get(), FALSE), S_OK);
    held->SetAttributeText(CatAttribute::Title, L"late change");
    held->Save(FALSE);
    held->Release();
    m_fixture.Reopen();
    EXPECT_EQ(m_fixture.Catalog()->GetItemCount(), 0);
}

// The path index folds case as the system does, not only for ASCII letters; so does the load,
// whose order the lookups rely on after a restart.
TEST_F(CatalogTest, PathsDifferingInTheCaseOfAnyLetterNameOneItem)
{
    const wchar_t* names[] = {L"\u00E9t\u00E9.wav", L"F.wav", L"d.wav", L"\u00C0 la.wav", L"z.wav"};
    const wchar_t* otherCase[] = {L"\u00C9T\u00C9.wav", L"f.wav", L"D.wav", L"\u00E0 LA.wav", L"Z.wav"};
    for (const wchar_t* name : names) {
        CCatItem* item = Add(MakeWav(name));
        ASSERT_NE(item, nullptr);
        item->Release();
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (DWORD i = 0; i < 5; ++i) {
            CCatItem* item = nullptr;
            ASSERT_TRUE(m_fixture.Catalog()->FindItemByPath(m_music.File(otherCase[i]).c_str(), &item))
                << "pass " << pass << ", item " << i;
            EXPECT_EQ(item->GetItemId(), i);
            item->Release();
        }
        CCatItem* again = nullptr;
        ASSERT_TRUE(m_fixture.Catalog()->AddItemFromFile(m_music.File(otherCase[0]).c_str(), &again, FALSE));
        EXPECT_EQ(again->GetItemId(), 0u) << "no second item for the file";
        again->Release();
        EXPECT_EQ(m_fixture.Catalog()->GetItemCount(), 5);
        m_fixture.Reopen();
    }
}

// A write that fails (here a record too large for the file) is reported; the item keeps what it
// holds, and the catalog tries again when it closes.
TEST_F(CatalogTest, AFailedWriteIsReportedAndTriedAgainAtClose)
{
    CCatItem* item = Add(MakeWav(L"edited.wav"));
    ASSERT_NE(item, nullptr);
    item->SetAttributeText(CatAttribute::Album, std::wstring(40000, L'x').c_str());
    EXPECT_FALSE(item->Save(FALSE));
    item->SetAttributeText(CatAttribute::Album, L"Edited");
    item->Release();
    m_fixture.Reopen();
    ASSERT_TRUE(m_fixture.Catalog()->GetItemById(0, &item));
    CString album;
    item->GetAttributeText(CatAttribute::Album, &album);
    EXPECT_STREQ(album, L"Edited");
    item->Release();
}

TEST_F(CatalogTest, AnalysisFillsWhatTheUserLeftUnsetAndStoresTheResults)
{
    const std::wstring unset = m_music.File(L"unset.wav");
    ASSERT_TRUE(fixtures::WriteWav16(unset, fixtures::ClickTrack(120, 12, 44100, 2), 44100, 2));
    const std::wstring userSet = m_music.File(L"user set.wav");
    ASSERT_TRUE(fixtures::WriteWav16(userSet, fixtures::ClickTrack(100, 12, 44100, 2), 44100, 2));
    CCatItem* first = Add(unset);
    CCatItem* second = Add(userSet);
    ASSERT_TRUE(first && second);
    second->SetAttributeText(CatAttribute::Bpm, L"99");
    second->SetKey(7, 2);
    EXPECT_TRUE(m_fixture.Catalog()->NeedsProfile(first));

    ASSERT_TRUE(RunAnalysis()) << "the queue ran empty";
    for (int tick = 0; tick < 5; ++tick)
        m_fixture.Catalog()->ProcessProfileQueue();

    CProfileResults results;
    ASSERT_TRUE(m_fixture.Catalog()->LoadProfile(first->GetMusicFileId(), &results)) << "profiles.dat has it";
    EXPECT_GT(results.GetTempo(), 0.0f);
    EXPECT_FLOAT_EQ(first->GetBpm(), results.GetTempo()) << "an unset BPM is filled";
    WORD note = 0;
    WORD mode = 0;
    WORD analysedNote = 0;
    WORD analysedMode = 0;
    results.GetKey(&analysedNote, &analysedMode);
    first->GetKey(&note, &mode);
    EXPECT_EQ(note, analysedNote);
    EXPECT_EQ(mode, analysedMode);
    EXPECT_FALSE(m_fixture.Catalog()->NeedsProfile(first));
    const float firstTempo = results.GetTempo();

    ASSERT_TRUE(m_fixture.Catalog()->LoadProfile(second->GetMusicFileId(), &results));
    EXPECT_FLOAT_EQ(second->GetBpm(), 99.0f) << "the user's BPM stays";
    second->GetKey(&note, &mode);
    EXPECT_EQ(note, 7);
    EXPECT_EQ(mode, 2);

    const auto engine = m_fixture.engine.EnginePosts();
    const std::vector<std::pair<int, int>> finished = {{1, 0}, {1, 1}};
    EXPECT_EQ(engine, finished) << "code 1 once per analysed item";
    const auto queue = m_fixture.engine.QueuePosts();
    EXPECT_EQ(std::count(queue.begin(), queue.end(), std::pair<int, int>{19, 0}), 1) << "idle reported once";

    // The take-over survives a restart: the record was saved with the analysed values.
    first->Release();
    second->Release();
    m_fixture.Reopen();
    CCatItem* reloaded = nullptr;
    ASSERT_TRUE(m_fixture.Catalog()->GetItemById(0, &reloaded));
    EXPECT_FLOAT_EQ(reloaded->GetBpm(), firstTempo);
    EXPECT_FALSE(m_fixture.Catalog()->NeedsProfile(reloaded)) << "no new analysis after a restart";
    reloaded->Release();
}

TEST_F(CatalogTest, AnMp3sFrameTableComesBackFromItsPlotFile)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "the independent tools are not available";
    const std::wstring path = m_music.File(L"framed.mp3");
    ASSERT_TRUE(catalog_test::MakeMp3(path, 4.0));
    CCatItem* item = Add(path);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetFlagWord() & CCatItem::kFlagAudio, CCatItem::kFlagAudio);
    EXPECT_TRUE(item->IsFrameTableMissing()) << "no plot file before the analysis";

    ASSERT_TRUE(RunAnalysis());
    ComPtr<IPcmReader> reader;
    ASSERT_EQ(item->OpenPcmReader(FALSE, reader.put()), S_OK);
    EXPECT_FALSE(item->IsFrameTableMissing()) << "the table came back from the plot file";
    reader->ShutDown();
    item->Release();
}

}  // namespace

namespace {

TEST_F(CatalogTest, SavedMixesComeFromTheStoreOrFromTheMusicFileUntilIgnored)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "the independent tools are not available";
    const std::wstring plain = m_music.File(L"plain.mp3");
    ASSERT_TRUE(catalog_test::MakeMp3(plain, 1.0));
    // The same audio with a tag whose private frame carries a saved mix.
    using namespace tag_bytes;
    ComPtr<CTrackInfo> embedded = CustomTrack(CMusicFileId());
    ASSERT_TRUE(embedded->HasCustomSettings());
    Bytes owner(kEmbeddedMixOwner, kEmbeddedMixOwner + sizeof(kEmbeddedMixOwner));
    Append(owner, MixImage(embedded.get()));
    Bytes file = Tag(3, 0, Frame("PRIV", owner));
    Append(file, fixtures::ReadFileBytes(plain));
    const std::wstring path = m_music.File(L"with mix.mp3");
    ASSERT_TRUE(profiler_test::WriteBytes(path, file));

    CCatItem* item = Add(path);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->ReadEmbeddedMixData(nullptr), 1);
    ComPtr<CTrackInfo> track = ComPtr<CTrackInfo>::attach(new CTrackInfo());
    track->SetMusicFileId(item->GetMusicFileId());
    EXPECT_TRUE(m_fixture.Catalog()->HasDefaultMix(track.get()));
    EXPECT_TRUE(m_fixture.Catalog()->ApplyDefaultMix(track.get()));
    EXPECT_TRUE(track->HasCustomSettings()) << "the embedded settings were copied";
    EXPECT_EQ(m_fixture.Catalog()->HasDefaultTrackSettings(Ids({item->GetItemId()}).get()), S_OK);

    // Cleared: the file's data is ignored from now on, also after a restart.
    EXPECT_EQ(m_fixture.Catalog()->ClearDefaultTrackSettings(Ids({item->GetItemId()}).get()), S_OK);
    EXPECT_EQ(m_fixture.Catalog()->HasDefaultTrackSettings(Ids({item->GetItemId()}).get()), S_FALSE);
    EXPECT_EQ(m_fixture.Catalog()->HasDefaultTrackSettings(Ids({}).get()), S_FALSE);
    item->Release();
    m_fixture.Reopen();
    EXPECT_EQ(m_fixture.Catalog()->HasDefaultTrackSettings(Ids({0}).get()), S_FALSE);

    // A mix saved in the store counts again.
    ComPtr<CTrackInfo> saved = CustomTrack(track->GetMusicFileId());
    m_fixture.Catalog()->SaveDefaultMix(saved.get());
    EXPECT_EQ(m_fixture.Catalog()->HasDefaultTrackSettings(Ids({0}).get()), S_OK);
}

TEST_F(CatalogTest, ResolvePathsKeepsCatalogedFilesAndDropsTheRest)
{
    const std::wstring present = MakeWav(L"present.wav");
    std::vector<CString> paths = {CString(present.c_str()), CString(m_music.File(L"missing.wav").c_str())};
    m_fixture.engine.fileMapper->ResolvePaths(paths, FALSE);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(std::wstring(paths[0].GetString()), present);
    CCatItem* item = nullptr;
    ASSERT_TRUE(m_fixture.Catalog()->FindItemByPath(present.c_str(), &item)) << "the file became an item";
    item->Release();
}

}  // namespace

namespace {

TEST_F(CatalogTest, InterfaceSlotsAnswerAsTheirTableSays)
{
    ICatalog* catalog = m_fixture.Catalog();
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(m_fixture.Catalog()->NonDelegatingQueryInterface(IID_IPcmReader, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ICatalog* internal = nullptr;
    ASSERT_EQ(m_fixture.Outer()->QueryInterface(EngineIid::CatalogInternal, reinterpret_cast<void**>(&internal)), S_OK);
    EXPECT_EQ(internal, catalog) << "one table for both IIDs";
    internal->Release();

    PathListDouble list;
    IProgressStatus* status = nullptr;
    BOOL watching = FALSE;
    const struct {
        const char* name;
        HRESULT got;
        HRESULT expected;
    } rows[] = {
        {"slot 7", catalog->Unused7(0), E_FAIL},
        {"unupdatable files", catalog->GetUnupdatableMusicFiles(&list), E_FAIL},
        {"clean-up with nothing asked", catalog->StartCleanup(FALSE, FALSE, &status), E_FAIL},
        {"folder watching", catalog->GetAutoUpdate(&watching, nullptr), S_OK},
        {"off by default", watching ? S_OK : S_FALSE, S_FALSE},
        {"modify music files by default", catalog->IsModifyMusicFilesEnabled(), S_OK},
        {"switched off", (catalog->SetModifyMusicFiles(FALSE), catalog->IsModifyMusicFilesEnabled()), S_FALSE},
        {"plot of no item", catalog->GetTrackPlot(7, reinterpret_cast<ITrackPlot**>(&object)), E_FAIL},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.got, row.expected) << row.name;

    DWORD type = 0;
    ASSERT_EQ(catalog->GetDefaultMixType(&type), S_OK);
    EXPECT_EQ(type, 2u);
    EXPECT_EQ(catalog->SetDefaultMixType(1), S_OK);
    EXPECT_EQ(AfxGetApp()->GetProfileInt(L"Settings", L"Default Mix Type", 0), 1u);

    // A stored plot is handed out and released by the item's id.
    const std::wstring path = MakeWav(L"plotted.wav");
    CCatItem* item = Add(path);
    ASSERT_NE(item, nullptr);
    ITrackPlot* plot = nullptr;
    ASSERT_EQ(catalog->GetTrackPlot(item->GetItemId(), &plot), S_OK);
    EXPECT_EQ(catalog->TouchTrackPlot(plot), S_OK);
    EXPECT_EQ(catalog->ReleaseTrackPlot(plot), S_OK);
    EXPECT_EQ(catalog->ReleaseTrackPlot(plot), E_FAIL) << "no store left for the id";
    plot->Release();
    item->Release();
}

}  // namespace
