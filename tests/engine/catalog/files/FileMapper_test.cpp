// The file mapper over a real catalog and real folders: files moved between folders are found by
// identity, beside the document, or through a locator double that records its calls.
#include "engine/catalog/files/FileMapper.h"

#include <gtest/gtest.h>

#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "engine/core/track/TrackObj.h"
#include "engine/core/track/Segment.h"
#include "tests/engine/catalog/CatalogTestSupport.h"

namespace {

using catalog_test::CatalogFixture;

// The main program's locator as the engine sees it: answers with the paths it was given, in
// order (an empty path refuses), and counts its calls.
class LocatorDouble : public IMissingFileLocator {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown))
            return E_NOINTERFACE;
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE LocateFile(BSTR missing, int reserved, BSTR* newPath) override
    {
        asked.push_back(missing);
        EXPECT_EQ(reserved, 0);
        *newPath = nullptr;
        if (answers.empty() || answers.front().empty()) {
            if (!answers.empty())
                answers.erase(answers.begin());
            return S_FALSE;
        }
        *newPath = SysAllocString(answers.front().c_str());
        answers.erase(answers.begin());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ResetAnswer() override
    {
        ++resets;
        return S_OK;
    }

    LONG refs = 1;
    int resets = 0;
    std::vector<std::wstring> asked;
    std::vector<std::wstring> answers;
};

class FileMapperTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const wchar_t* folder : {L"old", L"new", L"doc", L"picked"})
            CreateDirectoryW(m_dir.File(folder).c_str(), nullptr);
        m_catalog.engine.fileMapper->SetResolver(&m_locator);
    }
    void TearDown() override { m_catalog.engine.fileMapper->ClearResolver(); }

    std::wstring MakeWav(const wchar_t* name, double frequency)
    {
        const std::wstring path = m_dir.File(name);
        EXPECT_TRUE(fixtures::WriteWav16(path, fixtures::Tone(frequency, 0.5, 44100, 2), 44100, 2));
        return path;
    }
    DWORD AddItem(const std::wstring& path)
    {
        CCatItem* item = nullptr;
        EXPECT_TRUE(m_catalog.Catalog()->AddItemFromFile(path.c_str(), &item, FALSE));
        if (!item)
            return CCatItem::kNotInCatalog;
        const DWORD id = item->GetItemId();
        item->Release();
        return id;
    }
    CTrackInfo* Track(const std::wstring& path, const CMusicFileId& id = CMusicFileId())
    {
        CTrackInfo* track = new CTrackInfo();
        track->SetFilePath(path.c_str());
        track->SetMusicFileId(id);
        return track;
    }
    CFileMapper* Mapper() { return m_catalog.engine.fileMapper; }

    fixtures::TempDir m_dir{L"mapper"};
    CatalogFixture m_catalog;
    LocatorDouble m_locator;
};

TEST_F(FileMapperTest, MapFileFindsAMovedFileByIdentityWithoutAsking)
{
    const std::wstring old = MakeWav(L"old\\song.wav", 440);
    CMusicFileId id;
    ASSERT_TRUE(ComputeMusicFileId(old.c_str(), &id));
    const std::wstring moved = m_dir.File(L"new\\renamed.wav");
    ASSERT_TRUE(MoveFileW(old.c_str(), moved.c_str()));
    const DWORD itemId = AddItem(moved);

    BSTR path = SysAllocString(old.c_str());
    DWORD mapped = 0;
    EXPECT_EQ(Mapper()->MapFile(path, &id, &mapped), S_OK);
    EXPECT_EQ(mapped, itemId);
    EXPECT_TRUE(m_locator.asked.empty());

    // Unknown identity and no file: the locator is asked; its refusal fails the mapping.
    CMusicFileId none;
    m_locator.answers = {L""};
    EXPECT_EQ(Mapper()->MapFile(path, &none, &mapped), E_FAIL);
    EXPECT_EQ(m_locator.asked.size(), 1u);
    SysFreeString(path);
}

TEST_F(FileMapperTest, ResolveTracksAsksOncePerMissingFileAndKeepsWhatWasFound)
{
    const std::wstring movedOld = MakeWav(L"old\\moved.wav", 300);
    CMusicFileId movedId;
    ASSERT_TRUE(ComputeMusicFileId(movedOld.c_str(), &movedId));
    const std::wstring movedNew = m_dir.File(L"new\\moved.wav");
    ASSERT_TRUE(MoveFileW(movedOld.c_str(), movedNew.c_str()));
    AddItem(movedNew);

    const std::wstring besideDocument = MakeWav(L"doc\\beside.wav", 500);
    const std::wstring picked = MakeWav(L"picked\\chosen.wav", 600);
    const std::wstring present = MakeWav(L"old\\present.wav", 700);

    CTrackInfoContainer tracks;
    tracks.SetPath(m_dir.File(L"doc\\mix.cfp").c_str());
    CTrackInfo* pause = Track(L"C:\\nowhere\\pause.wav");
    pause->MakePauseTrack();
    tracks.AppendReference(pause);
    tracks.AppendReference(Track(present));
    tracks.AppendReference(Track(movedOld, movedId));
    tracks.AppendReference(Track(m_dir.File(L"old\\beside.wav")));
    tracks.AppendReference(Track(m_dir.File(L"old\\gone.wav")));
    tracks.AppendReference(Track(m_dir.File(L"old\\refused.wav")));
    m_locator.answers = {picked, L""};

    Mapper()->ResolveTracks(&tracks, FALSE);

    EXPECT_EQ(m_locator.resets, 1);
    ASSERT_EQ(m_locator.asked.size(), 2u) << "one question per file still missing";
    EXPECT_EQ(m_locator.asked[0], m_dir.File(L"old\\gone.wav"));
    EXPECT_EQ(m_locator.asked[1], m_dir.File(L"old\\refused.wav"));
    ASSERT_EQ(tracks.GetCount(), 4) << "the pause and the refused track are gone";
    const std::wstring expected[] = {present, movedNew, besideDocument, picked};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(std::wstring(tracks.GetAt(i)->GetFilePath().GetString()), expected[i]) << i;
        LONG itemId = -1;
        tracks.GetAt(i)->GetCatalogItemId(&itemId);
        CCatItem* item = nullptr;
        ASSERT_TRUE(m_catalog.Catalog()->GetItemById(static_cast<DWORD>(itemId), &item)) << i;
        EXPECT_EQ(std::wstring(item->GetPath().GetString()), expected[i]) << i;
        EXPECT_TRUE(item->GetMusicFileId() == tracks.GetAt(i)->GetMusicFileId()) << i;
        item->Release();
    }

    // A second pass starts with a reset of its own.
    Mapper()->ResolveTracks(&tracks, FALSE);
    EXPECT_EQ(m_locator.resets, 2);
    EXPECT_EQ(m_locator.asked.size(), 2u);
}

// A file of the missing one's name beside the document that cannot be made an item (it is no
// music file) is not the one wanted: the user is asked, as when nothing was found.
TEST_F(FileMapperTest, AFileBesideTheDocumentThatCannotBeAddedLeadsToTheQuestion)
{
    ASSERT_TRUE(profiler_test::WriteBytes(m_dir.File(L"doc\\broken.wav"), std::vector<BYTE>(5000, 0x42)));
    const std::wstring picked = MakeWav(L"picked\\chosen.wav", 600);
    const std::wstring missing = m_dir.File(L"old\\broken.wav");

    CTrackInfoContainer tracks;
    tracks.SetPath(m_dir.File(L"doc\\mix.cfp").c_str());
    tracks.AppendReference(Track(missing));
    m_locator.answers = {picked};
    Mapper()->ResolveTracks(&tracks, FALSE);
    ASSERT_EQ(m_locator.asked, std::vector<std::wstring>{missing});
    ASSERT_EQ(tracks.GetCount(), 1);
    EXPECT_EQ(std::wstring(tracks.GetAt(0)->GetFilePath().GetString()), picked);

    m_locator.answers = {picked};
    BSTR path = SysAllocString(missing.c_str());
    DWORD mapped = CCatItem::kNotInCatalog;
    EXPECT_EQ(Mapper()->MapFile(path, nullptr, &mapped), S_OK);
    SysFreeString(path);
    EXPECT_EQ(m_locator.asked.size(), 2u);
    CCatItem* item = nullptr;
    ASSERT_TRUE(m_catalog.Catalog()->GetItemById(mapped, &item));
    EXPECT_EQ(std::wstring(item->GetPath().GetString()), picked);
    item->Release();
}

TEST_F(FileMapperTest, AChangedFilesSavedMixMovesToItsNewIdentity)
{
    const std::wstring path = MakeWav(L"old\\edited.wav", 440);
    const DWORD itemId = AddItem(path);
    CCatItem* item = nullptr;
    ASSERT_TRUE(m_catalog.Catalog()->GetItemById(itemId, &item));
    const CMusicFileId oldId = item->GetMusicFileId();

    ComPtr<CTrackInfo> saved = ComPtr<CTrackInfo>::attach(Track(path, oldId));
    saved->SetSampleInfo(44100, 22050);
    saved->ResetToDefaults();
    saved->SetPrimary(FALSE);
    saved->MainObjects().Append(new CSegment(kSegmentPlain, 0, 400000, 0));
    ASSERT_TRUE(saved->HasCustomSettings());
    m_catalog.Catalog()->SaveDefaultMix(saved.get());
    ASSERT_TRUE(m_catalog.Catalog()->HasDefaultMix(saved.get()));

    ASSERT_TRUE(fixtures::WriteWav16(path, fixtures::Tone(880, 0.5, 44100, 2), 44100, 2));
    CTrackInfoContainer tracks;
    tracks.AppendReference(Track(path, oldId));
    Mapper()->ResolveTracks(&tracks, FALSE);

    ASSERT_EQ(tracks.GetCount(), 1);
    const CMusicFileId newId = item->GetMusicFileId();
    EXPECT_FALSE(newId == oldId);
    EXPECT_TRUE(tracks.GetAt(0)->GetMusicFileId() == newId);
    ComPtr<CTrackInfo> probe = ComPtr<CTrackInfo>::attach(Track(path, oldId));
    EXPECT_FALSE(m_catalog.Catalog()->HasDefaultMix(probe.get())) << "the old identity's entry is gone";
    probe->SetMusicFileId(newId);
    EXPECT_TRUE(m_catalog.Catalog()->HasDefaultMix(probe.get()));
    EXPECT_TRUE(m_catalog.Catalog()->ApplyDefaultMix(probe.get()));
    item->Release();
}

TEST_F(FileMapperTest, ExpandFoldersEntersEachFolderOnceAndTakesSupportedFiles)
{
    MakeWav(L"old\\a.wav", 440);
    MakeWav(L"new\\b.wav", 440);
    ASSERT_TRUE(profiler_test::WriteBytes(m_dir.File(L"new\\notes.txt"), {'x'}));
    CreateDirectoryW(m_dir.File(L"new\\deeper").c_str(), nullptr);
    MakeWav(L"new\\deeper\\c.wav", 440);
    // A Unix link back to the top folder: Wine shows it as a folder like any other.
    const std::string link = fixtures::UnixPath(m_dir.File(L"new\\deeper")) + "/loop";
    if (fixtures::HaveUnixTools()) {
        ASSERT_EQ(fixtures::RunUnixTool("ln", {"-s", fixtures::UnixPath(m_dir.Path()), link}), 0);
    }

    std::vector<CString> paths = {CString(m_dir.Path().c_str())};
    Mapper()->ExpandFolders(paths);
    std::vector<std::wstring> found;
    for (size_t i = 1; i < paths.size(); ++i)
        found.push_back(paths[i].GetString());
    std::sort(found.begin(), found.end());
    const std::vector<std::wstring> expected = {m_dir.File(L"new\\b.wav"), m_dir.File(L"new\\deeper\\c.wav"),
                                                m_dir.File(L"old\\a.wav")};
    EXPECT_EQ(found, expected);
}

}  // namespace

namespace {

TEST_F(FileMapperTest, NoBaseFolderMeansNoGuessAtTheRootOfTheDrive)
{
    // A file of the missing name at the root of the current drive is unrelated to the document.
    const std::wstring name = L"root candidate " + std::to_wstring(GetCurrentProcessId()) + L".wav";
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    ASSERT_TRUE(SetCurrentDirectoryW(temp));
    const std::wstring root = std::wstring(1, temp[0]) + L":\\" + name;
    ASSERT_TRUE(fixtures::WriteWav16(root, fixtures::Tone(440, 0.3, 44100, 2), 44100, 2));

    BSTR path = SysAllocString(m_dir.File(L"old\\" + name).c_str());
    DWORD mapped = 0;
    m_locator.answers = {L""};
    EXPECT_EQ(Mapper()->MapFile(path, nullptr, &mapped), E_FAIL);
    EXPECT_EQ(m_locator.asked.size(), 1u) << "the user is asked instead";
    SysFreeString(path);
    DeleteFileW(root.c_str());
    SetCurrentDirectoryW(saved);
}

}  // namespace
