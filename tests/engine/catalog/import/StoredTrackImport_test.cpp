// A record file of stored tracks read into the saved mix settings: tracks with settings of their
// own are kept under their stored identity and under their music file's present one; the file is
// only read, so a damaged file keeps every byte and a missing one is not created.
#include "engine/catalog/import/CatImporter.h"

#include <gtest/gtest.h>

#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/core/storage/ItemFile.h"
#include "tests/engine/catalog/catalog/CatalogTest.h"

namespace {

using catalog_test::CustomTrack;

class StoredTrackImportTest : public catalog_test::CatalogTest {
protected:
    // Writes the tracks in their archive form, one record each, then the given stray bytes.
    void WriteStoredTracks(const std::vector<CTrackInfo*>& tracks, const std::string& trailing)
    {
        {
            CItemFile file(m_stored.c_str(), CItemFile::flagCreate);
            ASSERT_TRUE(file.IsOpen());
            for (CTrackInfo* track : tracks) {
                CArchive* archive = nullptr;
                ASSERT_TRUE(file.BeginAppendItem(&archive, nullptr));
                track->Serialize(*archive);
                ASSERT_TRUE(file.EndAppendItem());
            }
        }
        std::vector<BYTE> bytes = fixtures::ReadFileBytes(m_stored);
        bytes.insert(bytes.end(), trailing.begin(), trailing.end());
        ASSERT_TRUE(profiler_test::WriteBytes(m_stored, bytes));
    }
    // Whether the saved mix settings of the identity give a track settings of its own.
    bool HasSavedMix(const CMusicFileId& id)
    {
        ComPtr<CTrackInfo> track = ComPtr<CTrackInfo>::attach(new CTrackInfo());
        track->SetMusicFileId(id);
        return m_fixture.Catalog()->ApplyDefaultMix(track.get()) && track->HasCustomSettings();
    }
    BSTR Path(const std::wstring& path)
    {
        m_texts.push_back(SysAllocString(path.c_str()));
        return m_texts.back();
    }
    void TearDown() override
    {
        for (BSTR text : m_texts)
            SysFreeString(text);
    }

    std::wstring m_stored = m_music.File(L"stored tracks.dat");
    std::vector<BSTR> m_texts;
};

TEST_F(StoredTrackImportTest, TracksWithSettingsAreKeptUnderBothIdentitiesAndTheFileStaysAsItWas)
{
    const std::wstring moved = MakeWav(L"changed since.wav", 330);
    const std::wstring same = MakeWav(L"unchanged.wav", 550);
    CMusicFileId movedNow;
    CMusicFileId sameNow;
    ASSERT_TRUE(ComputeMusicFileId(moved.c_str(), &movedNow));
    ASSERT_TRUE(ComputeMusicFileId(same.c_str(), &sameNow));
    const CMusicFileId movedStored = profiler_test::MakeId(1);
    const CMusicFileId goneStored = profiler_test::MakeId(2);
    const CMusicFileId plainStored = profiler_test::MakeId(3);

    ComPtr<CTrackInfo> changed = CustomTrack(movedStored);
    changed->SetFilePath(moved.c_str());
    ComPtr<CTrackInfo> unchanged = CustomTrack(sameNow);
    unchanged->SetFilePath(same.c_str());
    ComPtr<CTrackInfo> gone = CustomTrack(goneStored);
    gone->SetFilePath(m_music.File(L"gone.wav").c_str());
    ComPtr<CTrackInfo> plain = ComPtr<CTrackInfo>::attach(new CTrackInfo());
    plain->SetMusicFileId(plainStored);
    plain->SetFilePath(same.c_str());
    ASSERT_FALSE(plain->HasCustomSettings());
    // Stray bytes at the end: the repair scan skips them, and nothing writes them away.
    WriteStoredTracks({changed.get(), unchanged.get(), gone.get(), plain.get()}, "#garbage#");
    const std::vector<BYTE> before = fixtures::ReadFileBytes(m_stored);

    ASSERT_EQ(m_fixture.Catalog()->ImportDefaultTrackSettings(Path(m_stored)), S_OK);
    const struct {
        const char* name;
        CMusicFileId id;
        bool expected;
    } rows[] = {
        {"stored identity of a changed file", movedStored, true},
        {"present identity of the changed file", movedNow, true},
        {"a file whose identity is the same", sameNow, true},
        {"stored identity of a file that is gone", goneStored, true},
        {"a track without settings of its own", plainStored, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(HasSavedMix(row.id), row.expected) << row.name;
    EXPECT_EQ(fixtures::ReadFileBytes(m_stored), before) << "the stored tracks were only read";
}

TEST_F(StoredTrackImportTest, AMissingFileFailsAndIsNotCreated)
{
    EXPECT_EQ(m_fixture.Catalog()->ImportDefaultTrackSettings(Path(m_stored)), E_FAIL);
    EXPECT_FALSE(profiler_test::FileExists(m_stored));
}

}  // namespace
