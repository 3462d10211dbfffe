// The undo store: snapshot numbering and reuse, undo and redo over real snapshot files, a
// snapshot that reads back equal to the mix, and damaged or missing snapshots that change
// nothing.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/core/mix/UndoStore.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/engine/core/mix/SampleMix.h"
#include "tests/engine/core/track/TrackModelBytes.h"
#include "tests/support/TempDir.h"

namespace {

using namespace mixtest;

std::wstring NameOf(const CString& path)
{
    const std::wstring text = path.GetString();
    return text.substr(text.find_last_of(L'\\') + 1);
}

std::vector<std::wstring> UndoNames(const CUndoStore& store)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < store.GetUndoCount(); ++i)
        names.push_back(NameOf(store.GetUndoPath(i)));
    return names;
}

std::vector<std::wstring> RedoNames(const CUndoStore& store)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < store.GetRedoCount(); ++i)
        names.push_back(NameOf(store.GetRedoPath(i)));
    return names;
}

// A mix told apart by its one track's path.
struct SmallMix {
    CTrackInfoContainer tracks;
    CMixGlobals globals;

    explicit SmallMix(const wchar_t* path = L"")
    {
        if (*path)
            Set(path);
    }
    void Set(const wchar_t* path)
    {
        tracks.RemoveAll();
        auto* track = new CTrackInfo();
        track->SetFilePath(path);
        tracks.AppendReference(track);
        track->ReleaseFromOwner();
    }
    std::wstring Path() const { return tracks.GetCount() ? tracks.GetAt(0)->GetFilePath().GetString() : L"-"; }
};

// Snapshots of three one-track mixes: a.mp3, b.mp3, c.mp3.
void SaveThree(CUndoStore& store, SmallMix& mix)
{
    for (const wchar_t* path : {L"a.mp3", L"b.mp3", L"c.mp3"}) {
        mix.Set(path);
        store.SaveSnapshot(mix.tracks, mix.globals, nullptr);
    }
}

// The path of the one track of a snapshot, "-" when it holds none or cannot be read.
std::wstring PathInSnapshot(const CString& snapshot)
{
    SmallMix back;
    if (!CUndoStore::ReadSnapshot(snapshot, back.tracks, back.globals, nullptr))
        return L"-";
    return back.Path();
}

TEST(UndoStore, TheFirst99SavesNumberTheFilesInOrderAndThe100thReusesTheOldest)
{
    fixtures::TempDir dir(L"undo");
    CUndoStore store(dir.Path().c_str());
    SmallMix mix(L"a.mp3");
    std::vector<std::wstring> expected;
    for (int i = 0; i < 99; ++i) {
        store.SaveSnapshot(mix.tracks, mix.globals, nullptr);
        wchar_t name[16];
        swprintf(name, 16, L"undo%.2d.tmp", i);
        expected.push_back(name);
    }
    EXPECT_EQ(UndoNames(store), expected);
    EXPECT_EQ(FolderNames(dir.Path()), expected);
    mix.Set(L"hundredth.mp3");
    store.SaveSnapshot(mix.tracks, mix.globals, nullptr);
    expected.erase(expected.begin());
    expected.push_back(L"undo00.tmp");
    EXPECT_EQ(UndoNames(store), expected);
    EXPECT_EQ(FolderNames(dir.Path()).size(), 99u);

    EXPECT_EQ(PathInSnapshot(store.GetUndoPath(98)), L"hundredth.mp3");
}

TEST(UndoStore, UndoRedoAndANewSaveAfterUndo)
{
    fixtures::TempDir dir(L"undo");
    CUndoStore store(dir.Path().c_str());
    SmallMix mix;
    SaveThree(store, mix);
    ASSERT_TRUE(store.Undo(mix.tracks, mix.globals, nullptr));
    EXPECT_EQ(mix.Path(), L"b.mp3");
    EXPECT_EQ(UndoNames(store), (std::vector<std::wstring>{L"undo00.tmp", L"undo01.tmp"}));
    EXPECT_EQ(RedoNames(store), std::vector<std::wstring>{L"undo02.tmp"});

    ASSERT_TRUE(store.Redo(mix.tracks, mix.globals, nullptr));
    EXPECT_EQ(mix.Path(), L"c.mp3");
    EXPECT_EQ(store.GetRedoCount(), 0);
    EXPECT_FALSE(store.Redo(mix.tracks, mix.globals, nullptr));

    ASSERT_TRUE(store.Undo(mix.tracks, mix.globals, nullptr));
    mix.Set(L"d.mp3");
    store.SaveSnapshot(mix.tracks, mix.globals, nullptr);
    EXPECT_EQ(store.GetRedoCount(), 0);
    EXPECT_EQ(UndoNames(store), (std::vector<std::wstring>{L"undo00.tmp", L"undo01.tmp", L"undo02.tmp"}));
    EXPECT_EQ(PathInSnapshot(store.GetUndoPath(2)), L"d.mp3");
}

TEST(UndoStore, UndoOfTheOnlySnapshotMovesItAndLoadsNothing)
{
    fixtures::TempDir dir(L"undo");
    CUndoStore store(dir.Path().c_str());
    SmallMix mix(L"a.mp3");
    EXPECT_FALSE(store.Undo(mix.tracks, mix.globals, nullptr));
    store.SaveSnapshot(mix.tracks, mix.globals, nullptr);
    mix.Set(L"changed.mp3");
    EXPECT_FALSE(store.Undo(mix.tracks, mix.globals, nullptr));
    EXPECT_EQ(store.GetUndoCount(), 0);
    EXPECT_EQ(store.GetRedoCount(), 1);
    EXPECT_EQ(mix.Path(), L"changed.mp3");
}

TEST(UndoStore, AMissingOrDamagedSnapshotChangesNeitherListsNorMix)
{
    struct Row {
        const char* name;
        bool redo;      // the redo snapshot is spoiled, else the one undo would load
        bool truncate;  // cut short, else deleted
    } rows[] = {
        {"redo snapshot deleted", true, false},
        {"redo snapshot cut short", true, true},
        {"undo snapshot deleted", false, false},
        {"undo snapshot cut short", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fixtures::TempDir dir(L"undo");
        CUndoStore store(dir.Path().c_str());
        SmallMix mix;
        SaveThree(store, mix);
        if (row.redo) {
            ASSERT_TRUE(store.Undo(mix.tracks, mix.globals, nullptr));
        }
        const CString spoiled = row.redo ? store.GetRedoPath(0) : store.GetUndoPath(1);
        if (row.truncate) {
            Bytes bytes = ReadFileBytes(spoiled.GetString());
            bytes.resize(bytes.size() / 2);
            WriteFileBytes(spoiled.GetString(), bytes);
        } else {
            DeleteFileW(spoiled);
        }
        const std::vector<std::wstring> undo = UndoNames(store);
        const std::vector<std::wstring> redo = RedoNames(store);
        const std::wstring before = mix.Path();
        const BOOL stepped =
            row.redo ? store.Redo(mix.tracks, mix.globals, nullptr) : store.Undo(mix.tracks, mix.globals, nullptr);
        EXPECT_FALSE(stepped);
        EXPECT_EQ(UndoNames(store), undo);
        EXPECT_EQ(RedoNames(store), redo);
        EXPECT_EQ(mix.Path(), before);
    }
}

TEST(UndoStore, ASnapshotReadsBackEqualToTheMix)
{
    fixtures::TempDir dir(L"undo");
    Mix mix;
    CMixGlobals globals;
    BuildSampleMix(mix, globals);
    CFakeVideoList video;
    video.clips = 0xBEEF;
    const std::wstring path = dir.File(L"undo00.tmp");
    ASSERT_TRUE(CUndoStore::WriteSnapshot(path.c_str(), mix.tracks, globals, &video));

    CTrackInfoContainer back;
    CMixGlobals backGlobals;
    CFakeVideoList backVideo;
    ASSERT_TRUE(CUndoStore::ReadSnapshot(path.c_str(), back, backGlobals, &backVideo));
    ASSERT_EQ(back.GetCount(), mix.tracks.GetCount());
    for (int i = 0; i < back.GetCount(); ++i)
        EXPECT_TRUE(back.GetAt(i)->IsEqual(*mix.tracks.GetAt(i))) << "track " << i;
    ExpectSameGlobals(globals, backGlobals);
    EXPECT_EQ(backVideo.clips, 0xBEEFu);
}

TEST(UndoStore, DamagedSnapshotsNeverCrashAndAFailedReadChangesNothing)
{
    fixtures::TempDir dir(L"undo");
    Mix mix;
    CMixGlobals globals;
    BuildSampleMix(mix, globals);
    const std::wstring saved = dir.File(L"undo00.tmp");
    ASSERT_TRUE(CUndoStore::WriteSnapshot(saved.c_str(), mix.tracks, globals, nullptr));
    const Bytes base = ReadFileBytes(saved);
    std::mt19937 random(1110);
    const std::wstring path = dir.File(L"undo01.tmp");
    int failed = 0;
    for (int i = 0; i < 2000; ++i) {
        WriteFileBytes(path, Damaged(base, random));
        SmallMix kept(L"kept.mp3");
        kept.globals.SetValue(2, 0x5E17);
        CTrackInfo* track = kept.tracks.GetAt(0);
        if (!CUndoStore::ReadSnapshot(path.c_str(), kept.tracks, kept.globals, nullptr)) {
            ++failed;
            ASSERT_EQ(kept.tracks.GetCount(), 1) << "case " << i;
            EXPECT_EQ(kept.tracks.GetAt(0), track) << "case " << i;
            EXPECT_EQ(kept.globals.GetValue(2), 0x5E17u) << "case " << i;
        }
    }
    EXPECT_GT(failed, 500);
}

}  // namespace
