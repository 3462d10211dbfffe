// The mix manager's core: its interfaces, track ids, rebuild posts, snapshots and queries.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/track/Segment.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/IEfxManager.h"
#include "interfaces/IMasterBeatMap.h"
#include "interfaces/IPlayManager.h"
#include "interfaces/IUiUpdateQueue.h"
#include "interfaces/IVideoMontage.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/engine/core/mix/MixManagerFixture.h"
#include "tests/engine/core/mix/SampleMix.h"
#include "tests/support/TempDir.h"

#include "tests/engine/core/mix/MixManagerFixture.h"

namespace {

using mixtest::CFakeVideoList;
using mixtest::MixManagerTest;
using mixtest::Post;
using mixtest::VideoFake;

TEST_F(MixManagerTest, AnswersEachInterfaceOfItsTable)
{
    IUnknown* object = nullptr;
    const auto answer = [&](REFIID iid) -> void* {
        object = nullptr;
        if (Manager().NonDelegatingQueryInterface(iid, reinterpret_cast<void**>(&object)) != S_OK)
            return nullptr;
        object->Release();
        return object;
    };
    CPlayManager* live = Manager().GetLivePlayManager();
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(answer(EngineIid::MixManager), static_cast<IMixManager*>(&Manager()));
    EXPECT_EQ(answer(EngineIid::MixManagerInternal), static_cast<IMixManager*>(&Manager()))
        << "the engine's own IID of the same table";
    EXPECT_EQ(answer(IID_IMixManagerInternal), static_cast<IMixManagerInternal*>(&Manager()));
    EXPECT_EQ(answer(IID_IPlayManager), static_cast<IPlayManager*>(live));
    EXPECT_EQ(answer(IID_IPlayManagerLive), static_cast<IPlayManager*>(live));
    EXPECT_NE(answer(IID_IMasterBeatMap), nullptr);
    EXPECT_NE(answer(IID_IEfxManager), nullptr);
    EXPECT_EQ(answer(IID_IClassFactory), nullptr);

    Manager().AddPendingPlayManager();
    CPlayManager* pending = Manager().GetCurrentPlayManager();
    ASSERT_NE(pending, live);
    EXPECT_EQ(pending->GetStreamId(), CMixManager::kPendingStream);
    EXPECT_TRUE(Manager().IsPerformanceRunning());
    EXPECT_EQ(answer(IID_IPlayManager), static_cast<IPlayManager*>(pending)) << "the pending one while it exists";
    EXPECT_EQ(answer(IID_IPlayManagerLive), static_cast<IPlayManager*>(live));
    Manager().RemovePendingPlayManager();
    EXPECT_EQ(answer(IID_IPlayManager), static_cast<IPlayManager*>(live));
    EXPECT_FALSE(Manager().IsPerformanceRunning());
}

TEST_F(MixManagerTest, TrackIdsAreNeverReused)
{
    Insert({NewTrack(120), NewTrack(126)}, 0);
    EXPECT_EQ(Ids(), (std::vector<LONG>{1, 2}));
    // A new mix, then new tracks: the ids go on from the last one handed out.
    Manager().ReplaceMix(nullptr, nullptr, nullptr, TRUE);
    EXPECT_TRUE(Ids().empty());
    Insert({NewTrack(100)}, 0);
    Insert({NewTrack(120)}, 0);
    EXPECT_EQ(Ids(), (std::vector<LONG>{4, 3}));
    // A track inserted with the id of one in the mix moves there instead of doubling.
    CTrackInfo* moved = new CTrackInfo();
    moved->CopyFrom(*Manager().Tracks().GetAt(1));
    Insert({moved}, 0);
    EXPECT_EQ(Ids(), (std::vector<LONG>{3, 4}));
}

TEST_F(MixManagerTest, EachRebuildPostsOneMixChangeAndTheModifiedFlag)
{
    const int beforeInit = 0;
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), beforeInit) << "the first rebuild is no edit";
    struct Case {
        const char* name;
        std::function<void(CMixManager&)> change;
        BOOL modified;
        int snapshots;  // written by the change
    };
    mixtest::Mix sample;
    CMixGlobals globals;
    mixtest::BuildSampleMix(sample, globals);
    const std::vector<Case> cases = {
        {"an edit", [](CMixManager& m) { m.UpdateMix(TRUE); }, TRUE, 1},
        {"a background rebuild keeps the flag set", [](CMixManager& m) { m.UpdateMix(FALSE); }, TRUE, 0},
        {"a pending stream keeps it", [](CMixManager& m) { m.AddPendingPlayManager(); }, TRUE, 0},
        {"a loaded document clears it", [&](CMixManager& m) { m.ReplaceMix(&sample.tracks, &globals, nullptr, FALSE); },
         FALSE, 1},
        {"a background rebuild keeps it clear", [](CMixManager& m) { m.UpdateMix(FALSE); }, FALSE, 0},
        {"a new mix sets it", [](CMixManager& m) { m.ReplaceMix(nullptr, nullptr, nullptr, TRUE); }, TRUE, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TakePosts();
        const int before = Manager().GetUndoStore()->GetUndoCount();
        c.change(Manager());
        std::vector<Post> mixPosts;
        for (const Post& post : TakePosts())
            if (post.code == MixManagerUi::MixChanged || post.code == MixManagerUi::ModifiedChanged)
                mixPosts.push_back(post);
        EXPECT_EQ(mixPosts, (std::vector<Post>{{8, 0}, {9, c.modified}}));
        EXPECT_EQ(Manager().IsModified(), c.modified);
        EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount() - before, c.snapshots);
    }
}

TEST_F(MixManagerTest, SnapshotMarksModifiedOnlyWhenAsked)
{
    Manager().ReplaceMix(nullptr, nullptr, nullptr, FALSE);
    TakePosts();
    EXPECT_EQ(Manager().SaveUndoSnapshot(FALSE), S_OK);
    EXPECT_FALSE(Manager().IsModified());
    EXPECT_TRUE(TakePosts().empty());
    EXPECT_EQ(Manager().SaveUndoSnapshot(TRUE), S_OK);
    EXPECT_TRUE(Manager().IsModified());
    EXPECT_EQ(TakePosts(), (std::vector<Post>{{9, 1}}));
}

TEST_F(MixManagerTest, SnapshotAskedForInsideARebuildWritesNothingButTheRebuildsOwnIsWritten)
{
    m_owner.video.onMixChanged = &Manager();
    const int before = Manager().GetUndoStore()->GetUndoCount();
    Manager().UpdateMix(FALSE);
    EXPECT_EQ(m_owner.video.onMixChangedResult, S_FALSE);
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), before);
    Manager().UpdateMix(TRUE);
    EXPECT_EQ(m_owner.video.onMixChangedResult, S_FALSE);
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), before + 1);
}

TEST_F(MixManagerTest, VideoMontageFollowsEveryRebuildAndIsStoredWithEachSnapshot)
{
    struct Case {
        const char* name;
        std::function<void(CMixManager&, VideoFake&)> change;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"background rebuild", [](CMixManager& m, VideoFake&) { m.UpdateMix(FALSE); }, {"changed"}},
        // The snapshot and the last-mix file each take the current clip list.
        {"edit", [](CMixManager& m, VideoFake&) { m.UpdateMix(TRUE); }, {"changed", "get", "prepare", "get"}},
        {"loaded document with its clips",
         [](CMixManager& m, VideoFake& v) { m.ReplaceMix(nullptr, nullptr, &v.list, FALSE); },
         {"restore", "changed", "get", "prepare", "get"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_owner.video.calls.clear();
        c.change(Manager(), m_owner.video);
        EXPECT_EQ(m_owner.video.calls, c.calls);
    }
    m_owner.withVideo = false;
    Manager().UpdateMix(TRUE);
    EXPECT_EQ(Manager().IsModified(), TRUE) << "a rebuild without the video library still runs";
}

TEST_F(MixManagerTest, AfterALoadTheSnapshotAndTheLastMixFileHoldTheMix)
{
    mixtest::Mix sample;
    CMixGlobals globals;
    mixtest::BuildSampleMix(sample, globals);
    ASSERT_EQ(Manager().ReplaceMix(&sample.tracks, &globals, nullptr, FALSE), S_OK);
    ASSERT_EQ(Manager().GetUndoStore()->GetUndoCount(), 1);
    const std::wstring snapshot = static_cast<const wchar_t*>(Manager().GetUndoStore()->GetUndoPath(0));
    EXPECT_EQ(snapshot, m_folder.File(L"undo00.tmp"));

    CTrackInfoContainer fromSnapshot;
    CMixGlobals snapshotGlobals;
    CFakeVideoList video;
    ASSERT_TRUE(CUndoStore::ReadSnapshot(snapshot.c_str(), fromSnapshot, snapshotGlobals, &video));
    mixtest::ExpectSameTracks(Manager().Tracks(), fromSnapshot);
    mixtest::ExpectSameGlobals(Manager().Globals(), snapshotGlobals);

    CTrackInfoContainer fromFile;
    CMixGlobals fileGlobals;
    CFVR_RECORD record{};
    DWORD version = 0;
    ASSERT_TRUE(ReadMixFile(&record, LastMixPath().c_str(), fromFile, fileGlobals, nullptr, &version));
    EXPECT_EQ(version, kMixVersionCurrent);
    mixtest::ExpectSameTracks(Manager().Tracks(), fromFile);
    mixtest::ExpectSameGlobals(Manager().Globals(), fileGlobals);
}

// The catalog seam for the tracks' files: no files here, only the plots the manager touches.
class PlotTouches : public IMixTrackSource {
public:
    BOOL GetTrackItem(CTrackInfo&, IProfileSource**) override { return FALSE; }
    BOOL GetTrackItemFlags(CTrackInfo&, int*) override { return FALSE; }
    void TouchTrackPlot(CTrackInfo& track) override
    {
        LONG id = -1;
        track.GetCatalogItemId(&id);
        touched.push_back(id);
    }
    std::vector<LONG> touched;
};

TEST_F(MixManagerTest, TracksJoiningTheMixTouchTheirCatalogItemsPlots)
{
    PlotTouches files;
    Manager().SetCatalogSources(nullptr, &files);
    const auto track = [](float bpm, LONG item) {
        CTrackInfo* made = NewTrack(bpm);
        made->SetCatalogItemId(item);
        return made;
    };
    Insert({track(120, 7), track(126, 9)}, 0);
    EXPECT_EQ(files.touched, (std::vector<LONG>{7, 9})) << "inserted tracks";
    files.touched.clear();
    Insert({track(100, 4), mixtest::MakePause(2000000, -1)}, 1);
    EXPECT_EQ(files.touched, (std::vector<LONG>{4})) << "only the inserted track; a pause has no plot";

    files.touched.clear();
    mixtest::Mix loaded;
    loaded.tracks.AppendReference(track(120, 11));
    loaded.tracks.GetAt(0)->ReleaseFromOwner();
    loaded.tracks.AppendReference(track(126, 12));
    loaded.tracks.GetAt(1)->ReleaseFromOwner();
    ASSERT_EQ(Manager().ReplaceMix(&loaded.tracks, nullptr, nullptr, FALSE), S_OK);
    EXPECT_EQ(files.touched, (std::vector<LONG>{11, 12})) << "a loaded document";
    files.touched.clear();
    ASSERT_EQ(Manager().ReplaceMix(nullptr, nullptr, nullptr, TRUE), S_OK);
    EXPECT_TRUE(files.touched.empty()) << "a new mix";
    Manager().SetCatalogSources(nullptr, nullptr);
}

TEST_F(MixManagerTest, OlderFormsTurnOverlayBeatTimesFromTheParentsStartIntoItsTrackTimes)
{
    // A standard-mixed parent plays at its own tempo from track time 2 s, after a first primary
    // track; its overlay's beat segment says 1 s and 3 s, which the
    // older forms count from the parent's start in the mix.
    const mixtest::SyntheticTrack first{120, 16, 2, 2, 12, 2, kMixingStandard};
    const mixtest::SyntheticTrack parent{126, 16, 2, 2, 12, 2, kMixingStandard};
    constexpr LONGLONG kParentSegmentStart = 2000000;
    const auto build = [&](CTrackInfoContainer& tracks) {
        CTrackInfo* a = mixtest::MakeTrack(first, mixtest::MakeResults(first, 1), -1);
        CTrackInfo* b = mixtest::MakeTrack(parent, mixtest::MakeResults(parent, 2), -1);
        // The parent's material begins 2 s into its track time.
        for (int i = 0; i < b->MainObjects().GetCount(); ++i)
            b->MainObjects().GetAt(i)->Move(kParentSegmentStart);
        auto* overlay = new CTrackInfo();
        overlay->SetSampleInfo(mixtest::kRate, mixtest::kRate * 10);
        overlay->SetFlags(kTrackOverlay);
        auto* segment = new CSegment(kSegmentBeat, 0, 4000000, 0);
        segment->SetTime(6, 1000000);
        segment->SetTime(7, 3000000);
        overlay->MainObjects().Append(segment);
        overlay->SetOverlayMusicTimesSet(TRUE);
        for (CTrackInfo* track : {a, b, overlay}) {
            tracks.AppendReference(track);
            track->ReleaseFromOwner();
        }
    };
    struct Row {
        DWORD version;
        LONGLONG beatStart;
        LONGLONG beatEnd;
        BOOL musicTimesSet;
    } rows[] = {
        {kMixVersionRecordFile, kParentSegmentStart + 1000000, kParentSegmentStart + 3000000, FALSE},
        {kMixVersionTrackArchives, kParentSegmentStart + 1000000, kParentSegmentStart + 3000000, FALSE},
        {kMixVersionFlat, 1000000, 3000000, FALSE},
        {kMixVersionCurrent, 1000000, 3000000, TRUE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.version);
        CTrackInfoContainer tracks;
        build(tracks);
        Manager().ConvertLoadedTracks(tracks, row.version);
        CTrackInfo* overlay = tracks.GetAt(2);
        auto* segment = static_cast<CSegment*>(overlay->MainObjects().GetAt(0));
        LONGLONG start = 0;
        LONGLONG end = 0;
        ASSERT_EQ(segment->GetTime(6, &start), S_OK);
        ASSERT_EQ(segment->GetTime(7, &end), S_OK);
        EXPECT_EQ(start, row.beatStart);
        EXPECT_EQ(end, row.beatEnd);
        EXPECT_EQ(overlay->AreOverlayMusicTimesSet(), row.musicTimesSet);
    }
}

TEST_F(MixManagerTest, ReadOnlySlotsDescribeTheMix)
{
    CTrackInfo* pause = mixtest::MakePause(2000000, -1);
    Insert({NewTrack(120), pause, NewTrack(126)}, 0);
    IMixManager& mix = Manager();
    int count = 0;
    EXPECT_EQ(mix.GetTrackCount(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(mix.GetVisibleTrackCount(&count), S_OK);
    EXPECT_EQ(count, 3);
    DWORD id = 0;
    EXPECT_EQ(mix.GetTrackIdAt(2, &id), S_OK);
    EXPECT_EQ(id, 3u);
    EXPECT_EQ(mix.GetTrackIdAt(3, &id), S_FALSE);
    int kind = 0;
    int mode = 0;
    EXPECT_EQ(mix.GetTrackInfoAt(1, &id, &kind, &mode), S_OK);
    EXPECT_EQ(kind, 0x40000);
    EXPECT_EQ(mix.GetTrackInfoAt(0, &id, &kind, nullptr), S_OK);
    EXPECT_EQ(kind, 0x10000);
    EXPECT_EQ(mix.GetTrackInfoAt(3, &id, &kind, &mode), E_FAIL);
    EXPECT_EQ(mix.ContainsTrackId(2), S_OK);
    EXPECT_EQ(mix.ContainsTrackId(4), S_FALSE);
    EXPECT_EQ(mix.ContainsCatalogItem(7), S_FALSE);

    ComPtr<ITrackEditItem> copy;
    ASSERT_EQ(mix.GetTrackCopy(2, copy.put()), S_OK);
    LONG copyId = 0;
    copy->GetTrackId(&copyId);
    EXPECT_EQ(copyId, 3);
    EXPECT_NE(copy.get(), static_cast<ITrackEditItem*>(Manager().Tracks().GetAt(2))) << "a copy, not the track";
    EXPECT_EQ(mix.GetTrackCopy(3, copy.put()), E_FAIL);
    ComPtr<ITrackEditItem> live;
    ASSERT_EQ(mix.GetTrackById(3, live.put()), S_OK);
    EXPECT_EQ(live.get(), static_cast<ITrackEditItem*>(Manager().Tracks().GetAt(2)));
    EXPECT_EQ(mix.GetTrackById(9, live.put()), E_FAIL);
    LONGLONG length = -1;
    EXPECT_EQ(mix.GetMixLength(&length), S_OK);
    LONGLONG lastEnd = 0;
    Manager().Tracks().GetAt(2)->GetEndTime(&lastEnd);
    EXPECT_EQ(length, lastEnd) << "the live play list ends with the last track";
    EXPECT_EQ(mix.NotImplemented39(), E_FAIL);
    EXPECT_EQ(mix.RemoveTracks(nullptr), S_FALSE) << "an empty list removes nothing";
}

}  // namespace

namespace {

TEST_F(MixManagerTest, APlayItemIsPreparedOnlyFromATrackWithAPlaceInTheMix)
{
    Insert({NewTrack(120), NewTrack(126)}, 0);
    CPlayItem* item = nullptr;
    ASSERT_TRUE(Manager().GetLivePlayManager()->GetPlayList().GetAt(1, &item));
    EXPECT_TRUE(Manager().PreparePlayItem(item));
    // The track loses its time map: the item has nothing to render.
    CTrackLayer* layer = nullptr;
    ASSERT_TRUE(Manager().Tracks().GetAt(1)->Layers().GetLayer(0, &layer));
    layer->TimeMap().Clear();
    EXPECT_FALSE(Manager().PreparePlayItem(item));
    EXPECT_FALSE(Manager().PreparePlayItem(nullptr));
}

}  // namespace
