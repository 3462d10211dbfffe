// The mix manager as the main program reaches it: documents loaded, saved and emptied through the
// engine main object (with its real catalog, file mapper and player), tracks made from click
// files on disk, and the engine data folder's snapshot and last-mix file read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueBstr.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/UndoStore.h"
#include "engine/core/track/Segment.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "engine/core/server/EngineFolders.h"
#include "engine/core/server/Factory.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "interfaces/ICatDisplayItemMgr.h"
#include "interfaces/IMissingFileLocator.h"
#include "interfaces/IUiUpdateQueue.h"
#include "interfaces/IBrennock.h"
#include "interfaces/IMixManager.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/engine/core/mix/MixFixture.h"
#include "tests/engine/core/mix/IdList.h"
#include "tests/engine/core/mix/OlderDocuments.h"
#include "tests/engine/core/mix/SampleMix.h"
#include "tests/support/PathListDouble.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"

namespace {

using mixtest::IdList;

constexpr double kSeconds = 24.0;

class EngineMix : public testing::Test {
protected:
    void SetUp() override
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(CFactory::GetClassObject(CLSID_BrennockMain, IID_IClassFactory, factory.put_void()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBrennock, m_engine.put_void()), S_OK);
        ASSERT_EQ(m_engine->Initialize(nullptr, nullptr, kMixVersionCurrent, 0x40000), S_OK);
        ASSERT_EQ(m_engine->QueryInterface(IID_IMixManager, m_mix.put_void()), S_OK);
        m_dataFolder = static_cast<const wchar_t*>(GetEngineDataFolder());
        // Two click tracks laid out by hand as a user's document holds them.
        ASSERT_TRUE(mixtest::WriteTwoClickDocument(m_folder.Path(), DocumentPath(), kSeconds));
    }
    void TearDown() override
    {
        m_mix.reset();
        if (m_engine) {
            ForgetClickFiles();
            m_engine->Shutdown();
        }
        m_engine.reset();
    }

    // Loading made the click files catalog items; the catalog lives in the engine data folder that
    // the other engine tests share, so they leave it again (their analysis with them).
    void ForgetClickFiles()
    {
        ComPtr<ICatalog> answer;
        if (FAILED(m_engine->QueryInterface(EngineIid::CatalogInternal, answer.put_void())) || !answer)
            return;
        auto* catalog = static_cast<CCatalog*>(answer.get());
        auto* ids = new CItemIdList();
        for (const std::wstring& path : ClickFiles()) {
            CCatItem* item = nullptr;
            if (catalog->FindItemByPath(path.c_str(), &item)) {
                catalog->DeleteDefaultMix(item->GetMusicFileId());
                ids->Add(item->GetItemId());
                item->Release();
            }
        }
        if (ids->GetCount() > 0) {
            EXPECT_EQ(catalog->DeleteItems(ids, FALSE), S_OK);
        }
        ids->Release();
    }
    std::vector<std::wstring> ClickFiles() const
    {
        std::vector<std::wstring> files = {m_folder.File(L"click120.wav"), m_folder.File(L"click126.wav")};
        files.insert(files.end(), m_playlistFiles.begin(), m_playlistFiles.end());
        return files;
    }
    CCatalog* Catalog()
    {
        ComPtr<ICatalog> answer;
        if (FAILED(m_engine->QueryInterface(EngineIid::CatalogInternal, answer.put_void())) || !answer)
            return nullptr;
        return static_cast<CCatalog*>(answer.get());
    }
    DWORD ItemIdOf(const std::wstring& path)
    {
        CCatItem* item = nullptr;
        if (!Catalog() || !Catalog()->FindItemByPath(path.c_str(), &item))
            return 0xFFFFFFFF;
        const DWORD id = item->GetItemId();
        item->Release();
        return id;
    }
    // The manager behind the interface, for what only the engine sees (the modified flag).
    CMixManager& Manager()
    {
        ComPtr<IMixManagerInternal> internal;
        m_engine->QueryInterface(IID_IMixManagerInternal, internal.put_void());
        return *static_cast<CMixManager*>(internal.get());
    }
    std::wstring DocumentPath() const { return m_folder.File(L"two clicks.cfp"); }
    std::wstring LastMixPath() const { return m_dataFolder + L"defaultplaylist.cfp"; }
    HRESULT Load(const std::wstring& path, BOOL append = FALSE)
    {
        return m_engine->LoadPlaylist(UniqueBstr(path.c_str()).get(), append);
    }
    HRESULT Save(const std::wstring& path) { return m_engine->SavePlaylist(UniqueBstr(path.c_str()).get()); }

    // Loads a saved document and saves it again as `name` in the test folder: the bytes must come
    // back as they were read.
    void ExpectReloadSavesTheSameBytes(const std::wstring& saved, const wchar_t* name, const char* what)
    {
        ASSERT_EQ(Load(saved), S_OK);
        const std::wstring again = m_folder.File(name);
        ASSERT_EQ(Save(again), S_OK);
        EXPECT_EQ(mixtest::ReadFileBytes(again), mixtest::ReadFileBytes(saved)) << what;
    }
    // Copies of the mix's tracks, as the user interface gets them.
    void CopyMix(CTrackInfoContainer& tracks)
    {
        int count = 0;
        ASSERT_EQ(m_mix->GetTrackCount(&count), S_OK);
        for (int i = 0; i < count; ++i) {
            ComPtr<ITrackEditItem> copy;
            ASSERT_EQ(m_mix->GetTrackCopy(i, copy.put()), S_OK);
            tracks.AppendReference(static_cast<CTrackInfo*>(copy.get()));
        }
    }
    std::vector<DWORD> Ids()
    {
        std::vector<DWORD> ids;
        DWORD id = 0;
        for (int i = 0; m_mix->GetTrackIdAt(i, &id) == S_OK; ++i)
            ids.push_back(id);
        return ids;
    }

    fixtures::TempDir m_folder{L"mixmgr engine"};
    std::vector<std::wstring> m_playlistFiles;
    std::wstring m_dataFolder;
    CMixGlobals m_globals;
    ComPtr<IBrennock> m_engine;
    ComPtr<IMixManager> m_mix;
};

TEST_F(EngineMix, DocumentLoadsSavesAsTheCurrentFormAndReloadsToTheSameBytes)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    EXPECT_EQ(Ids().size(), 2u);
    CTrackInfoContainer mix;
    CopyMix(mix);

    const std::wstring first = m_folder.File(L"first.cfp");
    ASSERT_EQ(Save(first), S_OK);
    CTrackInfoContainer saved;
    CMixGlobals savedGlobals;
    CFVR_RECORD record{};
    DWORD version = 0;
    ASSERT_TRUE(ReadMixFile(&record, first.c_str(), saved, savedGlobals, nullptr, &version));
    EXPECT_EQ(version, kMixVersionCurrent);
    EXPECT_EQ(record.version2, 0x40000u);
    mixtest::ExpectSameTracks(mix, saved);

    // A saved document, loaded and saved again, is written byte for byte as it was read: what the
    // rebuild lays on a loaded mix is already in the file, in the same order.
    ExpectReloadSavesTheSameBytes(first, L"second.cfp", "the first save is not a fixed point");
    ExpectReloadSavesTheSameBytes(m_folder.File(L"second.cfp"), L"third.cfp", "the second save is not a fixed point");
}

TEST_F(EngineMix, AfterALoadTheSnapshotAndTheLastMixFileHoldTheMix)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    CTrackInfoContainer mix;
    CopyMix(mix);
    ASSERT_EQ(mix.GetCount(), 2);

    CTrackInfoContainer snapshot;
    CMixGlobals snapshotGlobals;
    ASSERT_TRUE(CUndoStore::ReadSnapshot((m_dataFolder + L"undo00.tmp").c_str(), snapshot, snapshotGlobals, nullptr));
    mixtest::ExpectSameTracks(mix, snapshot);

    CTrackInfoContainer last;
    CMixGlobals lastGlobals;
    CFVR_RECORD record{};
    DWORD version = 0;
    ASSERT_TRUE(ReadMixFile(&record, LastMixPath().c_str(), last, lastGlobals, nullptr, &version));
    mixtest::ExpectSameTracks(mix, last);
}

TEST_F(EngineMix, BadFilesFailWithoutChangingTheMixOrAnyFile)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> ids = Ids();
    std::vector<BYTE> document = mixtest::ReadFileBytes(DocumentPath());
    mixtest::WriteFileBytes(m_folder.File(L"damaged.cfp"),
                            std::vector<BYTE>(document.begin(), document.begin() + document.size() / 2));
    mixtest::WriteFileBytes(m_folder.File(L"foreign.cfp"), mixtest::ReadFileBytes(m_folder.File(L"click120.wav")));
    mixtest::WriteFileBytes(m_folder.File(L"empty.cfp"), {});
    const std::vector<const wchar_t*> bad = {L"missing.cfp", L"damaged.cfp", L"foreign.cfp", L"empty.cfp"};

    const std::vector<std::wstring> folderBefore = mixtest::FolderNames(m_folder.Path());
    const std::vector<std::wstring> dataBefore = mixtest::FolderNames(m_dataFolder);
    const std::vector<BYTE> lastMixBefore = mixtest::ReadFileBytes(LastMixPath());
    for (const wchar_t* name : bad) {
        SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)));
        const std::vector<BYTE> bytes = mixtest::ReadFileBytes(m_folder.File(name));
        for (BOOL append : {FALSE, TRUE}) {
            EXPECT_TRUE(FAILED(Load(m_folder.File(name), append))) << "append " << append;
            EXPECT_EQ(Ids(), ids);
        }
        EXPECT_EQ(mixtest::ReadFileBytes(m_folder.File(name)), bytes);
    }
    EXPECT_EQ(mixtest::FolderNames(m_folder.Path()), folderBefore) << "a file was created";
    EXPECT_EQ(mixtest::FolderNames(m_dataFolder), dataBefore) << "a snapshot or file was created";
    EXPECT_EQ(mixtest::ReadFileBytes(LastMixPath()), lastMixBefore);
}

TEST_F(EngineMix, OlderFormsLoadSaveAsTheCurrentFormAndReload)
{
    const std::wstring clicks[] = {m_folder.File(L"click120.wav"), m_folder.File(L"click126.wav")};
    const auto flatTrack = [](const std::wstring& path) {
        Bytes name;
        PutWide(name, path, true);
        return List("TRKI", {Chunk("TRKH", TrkhBody(120000, 0, kTrackPrimary, kMixingStandard)), Chunk("TRKF", name),
                             Chunk("TRKS", TrksPlain(0, 10000000, 0)), Chunk("TRKM", TrkmPlain(kMarkerStart, 1000000)),
                             Chunk("TRKM", TrkmPlain(kMarkerEnd, 9000000))});
    };
    const struct {
        const char* name;
        Bytes file;
    } rows[] = {
        {"0x30000: record file of track archives",
         mixtest::RecordFile(
             {V4Blob(mixtest::SmallBlob(3, clicks[0].c_str())), V4Blob(mixtest::SmallBlob(4, clicks[1].c_str()))})},
        {"0x40000: one archive chunk per track",
         Form("CFMP", {List("TRKL", {List("TRKI", {Chunk("TRKB", V4Blob(mixtest::SmallBlob(4, clicks[0].c_str())))}),
                                     List("TRKI", {Chunk("TRKB", V4Blob(mixtest::SmallBlob(3, clicks[1].c_str())))})}),
                       mixtest::GlobalsList(1, 2, 3)})},
        {"0x40005: objects directly in the track",
         Form("CFMP", {List("TRKL", {flatTrack(clicks[0]), flatTrack(clicks[1])}), mixtest::GlobalsList(4, 5, 6)})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring old = m_folder.File(L"old.cfp");
        mixtest::WriteFileBytes(old, row.file);
        ASSERT_EQ(Load(old), S_OK);
        EXPECT_EQ(Ids().size(), 2u);
        EXPECT_EQ(mixtest::ReadFileBytes(old), row.file) << "reading wrote to the file";

        const std::wstring first = m_folder.File(L"first.cfp");
        ASSERT_EQ(Save(first), S_OK);
        CTrackInfoContainer saved;
        CMixGlobals globals;
        CFVR_RECORD record{};
        DWORD version = 0;
        ASSERT_TRUE(ReadMixFile(&record, first.c_str(), saved, globals, nullptr, &version));
        EXPECT_EQ(version, kMixVersionCurrent);
        ASSERT_EQ(saved.GetCount(), 2);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(std::wstring(saved.GetAt(i)->GetFilePath()), clicks[i]);

        ExpectReloadSavesTheSameBytes(first, L"second.cfp", "the reloaded mix saved other bytes");
        EXPECT_EQ(Ids().size(), 2u);
    }
}

TEST_F(EngineMix, ADocumentWithoutTracksIsReadButChangesNothing)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> ids = Ids();
    const std::wstring empty = m_folder.File(L"no tracks.cfp");
    CTrackInfoContainer none;
    CFVR_RECORD record{sizeof(CFVR_RECORD), 0, kMixVersionCurrent, 0x40000};
    ASSERT_TRUE(WriteMixFile(nullptr, &record, empty.c_str(), none, m_globals, FALSE));
    const std::vector<BYTE> lastMix = mixtest::ReadFileBytes(LastMixPath());
    EXPECT_EQ(Load(empty), S_FALSE);
    EXPECT_EQ(Ids(), ids);
    EXPECT_EQ(mixtest::ReadFileBytes(LastMixPath()), lastMix);
}

TEST_F(EngineMix, SavesOnlyToMixDocumentPaths)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::wstring playlist = m_folder.File(L"list.m3u");
    const std::vector<BYTE> list = {'a', '.', 'w', 'a', 'v', '\r', '\n'};
    mixtest::WriteFileBytes(playlist, list);
    EXPECT_TRUE(FAILED(Save(playlist)));
    EXPECT_EQ(mixtest::ReadFileBytes(playlist), list);
    EXPECT_TRUE(FAILED(Save(m_folder.File(L"no such folder\\mix.cfp"))));
    EXPECT_FALSE(mixtest::FileExists(m_folder.File(L"no such folder")));
}

TEST_F(EngineMix, AppendAddsAtTheEndAndNewMixEmptiesIt)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> first = Ids();
    ASSERT_EQ(Load(DocumentPath(), TRUE), S_OK);
    const std::vector<DWORD> appended = Ids();
    ASSERT_EQ(appended.size(), 4u);
    EXPECT_EQ(std::vector<DWORD>(appended.begin(), appended.begin() + 2), first);
    EXPECT_GT(appended[2], first[1]) << "appended tracks get new ids";

    ASSERT_EQ(m_engine->NewMix(), S_OK);
    EXPECT_TRUE(Ids().empty());
}

// A scripted session of edits on the loaded document, then as many undos and as many redos: the
// documents saved at the end of each match, byte for byte, the ones saved before and after the
// edits.
class EngineUndo : public EngineMix {
protected:
    void ExpectUndoAndRedoRestoreTheDocuments(const std::vector<std::function<HRESULT()>>& edits)
    {
        const std::wstring before = m_folder.File(L"before.cfp");
        ASSERT_EQ(Save(before), S_OK);
        for (size_t i = 0; i < edits.size(); ++i)
            ASSERT_EQ(edits[i](), S_OK) << "edit " << i;
        const std::wstring after = m_folder.File(L"after.cfp");
        ASSERT_EQ(Save(after), S_OK);
        ASSERT_NE(mixtest::ReadFileBytes(after), mixtest::ReadFileBytes(before));

        for (size_t i = 0; i < edits.size(); ++i)
            ASSERT_EQ(m_mix->Undo(), S_OK) << "undo " << i;
        EXPECT_EQ(m_mix->CanUndo(), S_FALSE) << "back at the loaded document";
        const std::wstring undone = m_folder.File(L"undone.cfp");
        ASSERT_EQ(Save(undone), S_OK);
        EXPECT_EQ(mixtest::ReadFileBytes(undone), mixtest::ReadFileBytes(before));

        for (size_t i = 0; i < edits.size(); ++i)
            ASSERT_EQ(m_mix->Redo(), S_OK) << "redo " << i;
        EXPECT_EQ(m_mix->CanRedo(), S_FALSE);
        const std::wstring redone = m_folder.File(L"redone.cfp");
        ASSERT_EQ(Save(redone), S_OK);
        EXPECT_EQ(mixtest::ReadFileBytes(redone), mixtest::ReadFileBytes(after));
    }
    LONGLONG StartOf(DWORD trackId)
    {
        ComPtr<ITrackEditItem> track;
        LONGLONG start = 0;
        EXPECT_EQ(m_mix->GetTrackById(trackId, track.put()), S_OK);
        if (track) {
            EXPECT_EQ(track->GetStartTime(&start), S_OK);
        }
        return start;
    }
};

TEST_F(EngineUndo, TrackListEditsUndoneAndRedoneSaveTheDocumentsBeforeAndAfterByteForByte)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> loaded = Ids();
    ASSERT_EQ(loaded.size(), 2u);
    PathListDouble dropped({m_folder.File(L"click120.wav")});
    ExpectUndoAndRedoRestoreTheDocuments({
        [&] { return m_mix->InsertCatalogItems(IdList({ItemIdOf(m_folder.File(L"click126.wav"))}).get(), 0); },
        [&] { return m_mix->MoveTracks(IdList({loaded[0]}).get(), 99); },
        [&] { return m_mix->InsertFiles(&dropped, 1); },
        [&] { return m_mix->SortTracksByBpm(FALSE, nullptr); },
        [&] { return m_mix->RemoveTracks(IdList({loaded[1]}).get()); },
        [&] { return m_mix->ShuffleTracks(nullptr); },
    });
}

TEST_F(EngineUndo, TrackEditsUndoneAndRedoneSaveTheDocumentsBeforeAndAfterByteForByte)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> loaded = Ids();
    ASSERT_EQ(loaded.size(), 2u);
    const LONGLONG second = StartOf(loaded[1]);
    ComPtr<ITrackEditItem> copy;
    ExpectUndoAndRedoRestoreTheDocuments({
        [&] {
            return m_mix->InsertCatalogItemsAtTime(IdList({ItemIdOf(m_folder.File(L"click126.wav"))}).get(), 0xFFFFFFFF,
                                                   5000000);
        },
        [&] { return m_mix->InsertPauseAfterTrack(IdList({loaded[0]}).get()); },
        [&] { return m_mix->SplitSegmentsAt(IdList({loaded[1]}).get(), second + 6000000); },
        [&] { return m_mix->ReverseTrackRange(IdList({loaded[1]}).get(), second + 6000000, second + 9000000); },
        [&] { return m_mix->DeleteTrackRange(IdList({loaded[1]}).get(), second + 12000000, second + 13000000); },
        [&] { return m_mix->ResetObjectMarkers(IdList({loaded[1]}).get()); },
        [&] {
            // An edit copy, changed and committed: one step.
            HRESULT hr = m_mix->BeginTrackEdit(loaded[1], copy.put());
            LONG editId = -1;
            if (SUCCEEDED(hr))
                hr = copy->GetEditCopyId(&editId);
            if (SUCCEEDED(hr))
                hr = copy->SetVolumeOffset(-600);
            if (SUCCEEDED(hr))
                hr = m_mix->CommitTrackEdits(IdList({static_cast<DWORD>(editId)}).get(), TRUE);
            m_mix->EndTrackEdit(copy.get());
            return SUCCEEDED(hr) ? S_OK : hr;
        },
        [&] { return m_mix->MakeOverlayTracks(IdList({loaded[1]}).get()); },
    });
}

TEST_F(EngineMix, AnalysisTakenOverKeepsAnEditedMixModifiedAndWritesNoUndoStep)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    ASSERT_FALSE(Manager().IsModified());
    const DWORD item = ItemIdOf(m_folder.File(L"click120.wav"));
    ASSERT_EQ(m_mix->UpdateTracksFromCatalogItem(item), S_OK);
    EXPECT_FALSE(Manager().IsModified()) << "a take-over marks nothing modified";
    const std::vector<DWORD> ids = Ids();
    ASSERT_EQ(m_mix->MoveTracks(IdList({ids[0]}).get(), 2), S_OK);
    ASSERT_TRUE(Manager().IsModified());
    const int undo = Manager().GetUndoStore()->GetUndoCount();
    ASSERT_EQ(m_mix->UpdateTracksFromCatalogItem(item), S_OK);
    EXPECT_TRUE(Manager().IsModified()) << "the edit is still to be saved";
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), undo);
}

TEST_F(EngineMix, SavedTrackSettingsComeWithAnInsertedItemAndAreRestored)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    CCatalog* catalog = Catalog();
    ASSERT_NE(catalog, nullptr);
    ComPtr<ITrackEditItem> loaded;
    ASSERT_EQ(m_mix->GetTrackById(Ids()[0], loaded.put()), S_OK);
    auto* saved = static_cast<CTrackInfo*>(loaded.get());
    ASSERT_TRUE(saved->HasCustomSettings());
    catalog->SaveDefaultMix(saved);
    LONGLONG savedFirst = 0;
    LONGLONG savedLast = 0;
    ASSERT_EQ(saved->GetType2MarkerSpan(&savedFirst, &savedLast), S_OK);

    ASSERT_EQ(m_mix->InsertCatalogItems(IdList({ItemIdOf(m_folder.File(L"click120.wav"))}).get(), 0), S_OK);
    const DWORD inserted = Ids()[0];
    EXPECT_EQ(m_mix->HasSavedTrackSettings(IdList({inserted}).get()), S_OK);
    ComPtr<ITrackEditItem> track;
    ASSERT_EQ(m_mix->GetTrackById(inserted, track.put()), S_OK);
    LONGLONG first = 0;
    LONGLONG last = 0;
    ASSERT_EQ(track->GetType2MarkerSpan(&first, &last), S_OK);
    EXPECT_EQ(first, savedFirst) << "the outro from defaultmixes.dat";
    EXPECT_EQ(last, savedLast);

    // The user moves the outro; restoring brings the saved one back, on the same track.
    static_cast<CTrackInfo*>(track.get())->RemoveMarkersInWindow(0, savedLast, 2);
    ASSERT_EQ(m_mix->RestoreSavedTrackSettings(IdList({inserted}).get()), S_OK);
    ComPtr<ITrackEditItem> restored;
    ASSERT_EQ(m_mix->GetTrackById(inserted, restored.put()), S_OK);
    ASSERT_EQ(restored->GetType2MarkerSpan(&first, &last), S_OK);
    EXPECT_EQ(first, savedFirst);
    EXPECT_EQ(last, savedLast);
}

TEST_F(EngineMix, CatalogItemsDroppedOnTheTimelineBecomeOverlaysOfTheTrackThere)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> ids = Ids();
    const DWORD item = ItemIdOf(m_folder.File(L"click126.wav"));
    const LONGLONG drop = 5000000;
    EXPECT_EQ(m_mix->InsertCatalogItemsAtTime(IdList({0xFFFFFF0}).get(), 0xFFFFFFFF, drop), E_FAIL)
        << "no item, no track";
    EXPECT_EQ(Ids(), ids);
    ASSERT_EQ(m_mix->InsertCatalogItemsAtTime(IdList({item}).get(), 0xFFFFFFFF, drop), S_OK);
    const std::vector<DWORD> after = Ids();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0], ids[0]);
    EXPECT_EQ(after[2], ids[1]) << "inserted directly after the track under the drop";
    ComPtr<ITrackEditItem> overlay;
    ASSERT_EQ(m_mix->GetTrackById(after[1], overlay.put()), S_OK);
    auto* track = static_cast<CTrackInfo*>(overlay.get());
    EXPECT_FALSE(track->IsPrimary());
    EXPECT_EQ(track->GetLinkId(), static_cast<LONG>(ids[0]));
    LONGLONG start = 0;
    ASSERT_EQ(track->GetStartTime(&start), S_OK);
    EXPECT_NEAR(static_cast<double>(start), static_cast<double>(drop), 1.0);
}

TEST_F(EngineMix, DroppedFilesThatAreMissingInsertNothing)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> ids = Ids();
    PathListDouble missing({m_folder.File(L"gone.wav"), L"", L"C:\\no folder\\x.wav"});
    EXPECT_EQ(m_mix->InsertFiles(&missing, 0), S_FALSE);
    EXPECT_EQ(Ids(), ids);
    PathListDouble dropped({m_folder.File(L"click126.wav"), m_folder.File(L"gone.wav")});
    EXPECT_EQ(m_mix->InsertFiles(&dropped, -7), S_OK);
    const std::vector<DWORD> now = Ids();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(std::vector<DWORD>(now.begin(), now.begin() + 2), ids) << "a position outside: at the end";
}

TEST_F(EngineMix, InsertedItemsAndFilesLandAtVisiblePositionsWhilePerformedTracksAreHidden)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    ASSERT_EQ(Load(DocumentPath(), TRUE), S_OK);
    const std::vector<DWORD> ids = Ids();
    ASSERT_EQ(ids.size(), 4u);
    const DWORD item = ItemIdOf(m_folder.File(L"click126.wav"));
    PathListDouble file({m_folder.File(L"click120.wav")});
    ASSERT_EQ(m_mix->SetShowPerformedTracks(FALSE), S_OK);
    CPlayManager* live = Manager().GetLivePlayManager();
    ASSERT_NE(live, nullptr);
    // The live play manager holds a position where the second track has ended: the third plays,
    // the first two are hidden.
    CPlayItem* second = nullptr;
    ASSERT_TRUE(live->GetPlayList().GetAt(1, &second));
    ASSERT_EQ(live->SetHeldPosition(second->GetMixEnd()), S_OK);
    ASSERT_EQ(live->GetCurrentTrackId(), static_cast<LONG>(ids[2]));
    int visible = 0;
    ASSERT_EQ(m_mix->GetVisibleTrackCount(&visible), S_OK);
    ASSERT_EQ(visible, 2);

    const auto itemAt = [&](int index) {
        ComPtr<ITrackEditItem> copy;
        LONG id = -1;
        if (m_mix->GetTrackCopy(index, copy.put()) == S_OK)
            static_cast<CTrackInfo*>(copy.get())->GetCatalogItemId(&id);
        return static_cast<DWORD>(id);
    };
    ASSERT_EQ(m_mix->InsertCatalogItems(IdList({item}).get(), 0), S_OK);
    std::vector<DWORD> now = Ids();
    ASSERT_EQ(now.size(), 5u);
    EXPECT_EQ((std::vector<DWORD>{now[0], now[1], now[3], now[4]}), ids) << "inserted after the hidden tracks";
    EXPECT_EQ(itemAt(2), item);

    // The held position stays with the track it lay in; the visible list starts where that
    // track's row now stands.
    const auto current = std::find(now.begin(), now.end(), static_cast<DWORD>(live->GetCurrentTrackId()));
    ASSERT_NE(current, now.end());
    const int hidden = static_cast<int>(current - now.begin());
    ASSERT_EQ(m_mix->GetVisibleTrackCount(&visible), S_OK);
    ASSERT_EQ(visible, 5 - hidden);
    ASSERT_EQ(m_mix->InsertFiles(&file, 1), S_OK);
    now = Ids();
    ASSERT_EQ(now.size(), 6u);
    EXPECT_EQ(itemAt(hidden + 1), ItemIdOf(m_folder.File(L"click120.wav"))) << "the file at visible position 1";

    // Every track performed: the visible list is empty, and its position 0 is the end.
    CPlayItem* last = nullptr;
    LONGLONG end = 0;
    for (int i = 0; live->GetPlayList().GetAt(i, &last); ++i)
        end = std::max(end, last->GetMixEnd() + 1);
    ASSERT_EQ(live->SetHeldPosition(end), S_OK);
    ASSERT_EQ(live->GetCurrentTrackId(), CPlayManager::kNoTrack);
    ASSERT_EQ(m_mix->GetVisibleTrackCount(&visible), S_OK);
    EXPECT_EQ(visible, 0);
    ASSERT_EQ(m_mix->InsertCatalogItems(IdList({item}).get(), 0), S_OK);
    const std::vector<DWORD> after = Ids();
    ASSERT_EQ(after.size(), 7u);
    EXPECT_EQ(std::vector<DWORD>(after.begin(), after.begin() + 6), now);
}

// The program's missing-file locator: while the user is asked, another thread (a play manager's)
// tries the global mix lock; the user then skips the file.
class LockProbeLocator : public IMissingFileLocator {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE LocateFile(BSTR missing, int, BSTR* newPath) override
    {
        asked.emplace_back(missing ? missing : L"");
        *newPath = nullptr;
        HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        // Joined after the load: a thread that could not take the lock gets it only then.
        others.emplace_back([taken] {
            CLiveAndPendingMixSingleThreadAccess lock;
            SetEvent(taken);
        });
        lockFreeWhileAsked.push_back(WaitForSingleObject(taken, 3000) == WAIT_OBJECT_0);
        events.push_back(taken);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE ResetAnswer() override { return S_OK; }
    void JoinOthers()
    {
        for (std::thread& other : others)
            other.join();
        others.clear();
        for (HANDLE event : events)
            CloseHandle(event);
        events.clear();
    }
    virtual ~LockProbeLocator() { JoinOthers(); }

    std::vector<std::wstring> asked;
    std::vector<bool> lockFreeWhileAsked;
    std::vector<std::thread> others;
    std::vector<HANDLE> events;
};

// Takes the locator back from the engine however the test ends.
struct CallbackSet {
    IBrennock* engine;
    ~CallbackSet() { engine->ClearFileMapperCallback(); }
};

TEST_F(EngineMix, ADocumentWithAMissingFileSaysSoAndIsNotWrittenOver)
{
    // The program's view of the engine's updates.
    ComPtr<ICatDisplayItemMgr> display;
    ASSERT_EQ(m_engine->CreateCatDisplayItemMgr(display.put()), S_OK);
    ComPtr<IUiUpdateQueue> queue;
    ASSERT_EQ(display->QueryInterface(IID_IUiUpdateQueue, queue.put_void()), S_OK);
    LockProbeLocator locator;
    ASSERT_EQ(m_engine->SetFileMapperCallback(&locator), S_OK);
    const CallbackSet callback{m_engine.get()};
    const std::wstring missing = m_folder.File(L"click126.wav");
    ASSERT_TRUE(DeleteFileW(missing.c_str()));
    const std::vector<BYTE> document = mixtest::ReadFileBytes(DocumentPath());
    int code = 0;
    int value = 0;
    while (queue->PopUpdate(&code, &value) == S_OK) {
    }

    EXPECT_EQ(Load(DocumentPath()), S_FALSE) << "a distinct success: a track was left out";
    locator.JoinOthers();
    EXPECT_EQ(Ids().size(), 1u);
    EXPECT_TRUE(Manager().IsModified()) << "the mix is not the document any more";
    EXPECT_EQ(mixtest::ReadFileBytes(DocumentPath()), document) << "the document stays as it was";
    std::vector<std::pair<int, int>> posts;
    while (queue->PopUpdate(&code, &value) == S_OK)
        posts.emplace_back(code, value);
    EXPECT_NE(std::find(posts.begin(), posts.end(), std::make_pair(MixManagerUi::TracksLeftOut, 1)), posts.end())
        << "the program learns how many tracks were left out";
    EXPECT_EQ(std::find(posts.begin(), posts.end(), std::make_pair(MixManagerUi::ModifiedChanged, 0)), posts.end());
    ASSERT_EQ(locator.asked.size(), 1u) << "the user was asked about the missing file";
    EXPECT_EQ(lstrcmpiW(locator.asked[0].c_str(), missing.c_str()), 0);
    EXPECT_TRUE(locator.lockFreeWhileAsked[0]) << "the mix stayed locked while the user was asked";

    // Appended, the document also answers that a track was left out.
    locator.asked.clear();
    EXPECT_EQ(Load(DocumentPath(), TRUE), S_FALSE);
    locator.JoinOthers();
    EXPECT_EQ(Ids().size(), 2u);
    ASSERT_EQ(locator.lockFreeWhileAsked.size(), 2u);
    EXPECT_TRUE(locator.lockFreeWhileAsked[1]);
}

class EnginePlaylist : public EngineMix {
protected:
    void SetUp() override
    {
        EngineMix::SetUp();
        CreateDirectoryW(m_folder.File(L"clicks").c_str(), nullptr);
        const std::vector<std::pair<double, const wchar_t*>> files = {
            {120.0, L"clicks\\a120.wav"}, {126.0, L"clicks\\b126.wav"}, {100.0, L"clicks\\c100 caf\u00e9.wav"}};
        for (const auto& [bpm, name] : files) {
            m_playlistFiles.push_back(m_folder.File(name));
            // Long enough for the analysis to find the tempo; a hum of its own makes each file's
            // identity its own, also against the program tests' click tracks of these tempos,
            // which hum 50 Hz above the tempo (files of one identity share their stored analysis,
            // and these tests leave theirs).
            std::vector<int16_t> samples = fixtures::ClickTrack(bpm, 30.0, 44100, 2);
            fixtures::AddTone(samples, 55.0 + bpm, 44100, 2, 0.01);
            ASSERT_TRUE(fixtures::WriteWav16(m_playlistFiles.back(), samples, 44100, 2));
        }
    }
    // Entries relative to the list, with either separator.
    static std::vector<BYTE> Playlist(UINT codePage)
    {
        return mixtest::ExtendedM3u({{L"Clicks - 120", L"clicks\\a120.wav"},
                                     {L"Clicks - 126", L"clicks/b126.wav"},
                                     {L"Clicks - 100", L"clicks\\c100 caf\u00e9.wav"}},
                                    codePage);
    }
    std::vector<std::wstring> TrackPaths()
    {
        std::vector<std::wstring> paths;
        int count = 0;
        m_mix->GetTrackCount(&count);
        for (int i = 0; i < count; ++i) {
            ComPtr<ITrackEditItem> copy;
            if (m_mix->GetTrackCopy(i, copy.put()) == S_OK)
                paths.emplace_back(static_cast<const wchar_t*>(static_cast<CTrackInfo*>(copy.get())->GetFilePath()));
        }
        return paths;
    }
};

TEST_F(EnginePlaylist, M3uAndM3u8ListsLoadTheirFilesInOrder)
{
    struct Case {
        const wchar_t* name;
        UINT codePage;
    };
    for (const Case& c : {Case{L"mix.m3u", CP_ACP}, Case{L"mix.m3u8", CP_UTF8}}) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
        const std::vector<BYTE> bytes = Playlist(c.codePage);
        mixtest::WriteFileBytes(m_folder.File(c.name), bytes);
        ASSERT_EQ(Load(m_folder.File(c.name)), S_OK);
        const std::vector<std::wstring> paths = TrackPaths();
        ASSERT_EQ(paths.size(), 3u);
        for (size_t i = 0; i < paths.size(); ++i)
            EXPECT_EQ(lstrcmpiW(paths[i].c_str(), m_playlistFiles[i].c_str()), 0) << i;
        EXPECT_EQ(mixtest::ReadFileBytes(m_folder.File(c.name)), bytes) << "the list is only read";
    }
    // Appended, the list's tracks follow the mix's.
    ASSERT_EQ(Load(m_folder.File(L"mix.m3u"), TRUE), S_OK);
    EXPECT_EQ(TrackPaths().size(), 6u);
}

TEST_F(EnginePlaylist, ItsAnalysedTracksSavedAndReopenedSaveTheSameBytes)
{
    mixtest::WriteFileBytes(m_folder.File(L"mix.m3u"), Playlist(CP_ACP));
    ASSERT_EQ(Load(m_folder.File(L"mix.m3u")), S_OK);
    // The analysis runs in the background; each result is taken over as the program does on its
    // update.
    const std::vector<DWORD> ids = Ids();
    ASSERT_EQ(ids.size(), 3u);
    bool analysed = false;
    for (DWORD waited = 0; waited < 120000 && !analysed; waited += 100) {
        Sleep(100);
        for (const std::wstring& path : m_playlistFiles)
            m_mix->UpdateTracksFromCatalogItem(ItemIdOf(path));
        analysed = m_mix->CanEditTrackProperties(IdList(ids).get()) == S_OK;
    }
    ASSERT_TRUE(analysed) << "the tracks never took their analysis over";

    const std::wstring first = m_folder.File(L"first.cfp");
    ASSERT_EQ(Save(first), S_OK);
    ExpectReloadSavesTheSameBytes(first, L"second.cfp", "the analysed tempo did not survive the document");
}

TEST_F(EnginePlaylist, BadListsFailCleanlyAndLeaveTheMixAsItWas)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const std::vector<DWORD> ids = Ids();
    mixtest::WriteFileBytes(m_folder.File(L"binary.m3u"), mixtest::ReadFileBytes(m_folder.File(L"click120.wav")));
    mixtest::WriteFileBytes(m_folder.File(L"empty.m3u"), {});
    const std::string missing = "#EXTM3U\r\nnot here.wav\r\nclicks\\gone.wav\r\nC:\\nowhere\\x.wav";
    mixtest::WriteFileBytes(m_folder.File(L"missing.m3u8"), std::vector<BYTE>(missing.begin(), missing.end()));
    struct Case {
        const wchar_t* name;
        bool failure;  // else S_FALSE: read, but no track made
    };
    const std::vector<Case> cases = {
        {L"no such list.m3u", true}, {L"binary.m3u", false}, {L"empty.m3u", false}, {L"missing.m3u8", false}};
    const std::vector<BYTE> lastMix = mixtest::ReadFileBytes(LastMixPath());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
        for (BOOL append : {FALSE, TRUE}) {
            const HRESULT hr = Load(m_folder.File(c.name), append);
            if (c.failure)
                EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
            else
                EXPECT_EQ(hr, S_FALSE);
            EXPECT_EQ(Ids(), ids);
        }
    }
    EXPECT_EQ(mixtest::ReadFileBytes(LastMixPath()), lastMix);
}

TEST_F(EngineMix, ReversingTwiceGivesTheMaterialBackAsItWas)
{
    ASSERT_EQ(Load(DocumentPath()), S_OK);
    const DWORD trackId = Ids()[1];
    ComPtr<ITrackEditItem> item;
    ASSERT_EQ(m_mix->GetTrackById(trackId, item.put()), S_OK);
    auto* track = static_cast<CTrackInfo*>(item.get());
    const auto segments = [&] {
        std::vector<std::pair<LONGLONG, DWORD>> found;  // source position and flags per segment
        for (int i = 0; i < track->MainObjects().GetCount(); ++i)
            if (CTrackObj* o = track->MainObjects().GetAt(i); o->GetClass() == kTrackObjSegment) {
                auto* segment = static_cast<CSegment*>(o);
                found.emplace_back(segment->GetSource(), segment->GetFlagsValue());
            }
        return found;
    };
    LONGLONG start = 0;
    ASSERT_EQ(track->GetStartTime(&start), S_OK);
    const LONGLONG from = start + 6000000;
    const LONGLONG to = start + 9000000;

    // A range: the material is split at both ends and only the piece inside turns round.
    ASSERT_EQ(m_mix->SplitSegmentsAt(IdList({trackId}).get(), from), S_OK);
    ASSERT_EQ(m_mix->SplitSegmentsAt(IdList({trackId}).get(), to), S_OK);
    const auto split = segments();
    ASSERT_EQ(m_mix->ReverseTrackRange(IdList({trackId}).get(), from, to), S_OK);
    const auto once = segments();
    ASSERT_EQ(once.size(), 3u);
    EXPECT_EQ(once[0].second & kSegmentReversed, 0u);
    EXPECT_EQ(once[1].second & kSegmentReversed, kSegmentReversed);
    EXPECT_EQ(once[2].second & kSegmentReversed, 0u);
    ASSERT_EQ(m_mix->ReverseTrackRange(IdList({trackId}).get(), from, to), S_OK);
    const auto twice = segments();
    ASSERT_EQ(twice.size(), 3u);
    EXPECT_EQ(twice, split) << "source positions and flags as before";
    EXPECT_NE(once[1].first, split[1].first) << "a reversed piece starts from the end of its file range";

    // One object by its id, twice.
    LONG middleId = -1;
    for (int i = 0, n = 0; i < track->MainObjects().GetCount(); ++i)
        if (CTrackObj* o = track->MainObjects().GetAt(i); o->GetClass() == kTrackObjSegment && n++ == 1)
            middleId = o->GetId();
    ASSERT_GT(middleId, 0);
    ASSERT_EQ(m_mix->ReverseTrackObjects(IdList({static_cast<DWORD>(middleId)}).get()), S_OK);
    EXPECT_EQ(segments()[1].second & kSegmentReversed, kSegmentReversed);
    ASSERT_EQ(m_mix->ReverseTrackObjects(IdList({static_cast<DWORD>(middleId)}).get()), S_OK);
    EXPECT_EQ(segments(), twice);
}

}  // namespace
