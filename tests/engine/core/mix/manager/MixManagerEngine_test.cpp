// The mix manager as the main program reaches it: documents loaded, saved and emptied through the
// engine main object (with its real catalog, file mapper and player), tracks made from click
// files on disk, and the engine data folder's snapshot and last-mix file read back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/mix/UndoStore.h"
#include "engine/core/track/Segment.h"
#include "engine/core/server/EngineFolders.h"
#include "engine/core/server/Factory.h"
#include "interfaces/IBrennock.h"
#include "interfaces/IMixManager.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/engine/core/mix/MixFixture.h"
#include "tests/engine/core/mix/IdList.h"
#include "tests/engine/core/mix/SampleMix.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"

namespace {

using mixtest::IdList;

constexpr double kSeconds = 24.0;

// A BSTR for the length of one call.
class Bstr {
public:
    explicit Bstr(const std::wstring& text) : m_text(SysAllocString(text.c_str())) {}
    ~Bstr() { SysFreeString(m_text); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

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
        const std::vector<std::pair<double, const wchar_t*>> files = {{120.0, L"click120.wav"},
                                                                      {126.0, L"click126.wav"}};
        for (const auto& [bpm, name] : files) {
            ASSERT_TRUE(
                fixtures::WriteWav16(m_folder.File(name), fixtures::ClickTrack(bpm, kSeconds, 44100, 2), 44100, 2));
            const LONGLONG length = static_cast<LONGLONG>(kSeconds * 1000000);
            CTrackInfo* track = mixtest::AddManualTrack(m_document, static_cast<float>(bpm), length, {0, 4000000},
                                                        {length - 8000000, length - 4000000}, kMixingStandard);
            track->SetFilePath(m_folder.File(name).c_str());
        }
        CFVR_RECORD record{sizeof(CFVR_RECORD), 0, kMixVersionCurrent, 0x40000};
        ASSERT_TRUE(WriteMixFile(nullptr, &record, DocumentPath().c_str(), m_document.tracks, m_globals, FALSE));
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
        for (const wchar_t* name : {L"click120.wav", L"click126.wav"}) {
            CCatItem* item = nullptr;
            if (catalog->FindItemByPath(m_folder.File(name).c_str(), &item)) {
                ids->Add(item->GetItemId());
                item->Release();
            }
        }
        if (ids->GetCount() > 0) {
            EXPECT_EQ(catalog->DeleteItems(ids, FALSE), S_OK);
        }
        ids->Release();
    }
    std::wstring DocumentPath() const { return m_folder.File(L"two clicks.cfp"); }
    std::wstring LastMixPath() const { return m_dataFolder + L"defaultplaylist.cfp"; }
    HRESULT Load(const std::wstring& path, BOOL append = FALSE) { return m_engine->LoadPlaylist(Bstr(path), append); }
    HRESULT Save(const std::wstring& path) { return m_engine->SavePlaylist(Bstr(path)); }

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
    std::wstring m_dataFolder;
    mixtest::Mix m_document;
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
    // rebuild lays on a loaded mix is already in the file.
    ASSERT_EQ(Load(first), S_OK);
    const std::wstring second = m_folder.File(L"second.cfp");
    ASSERT_EQ(Save(second), S_OK);
    ASSERT_EQ(Load(second), S_OK);
    const std::wstring third = m_folder.File(L"third.cfp");
    ASSERT_EQ(Save(third), S_OK);
    EXPECT_EQ(mixtest::ReadFileBytes(third), mixtest::ReadFileBytes(second));
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
