// Edit copies: handed out per track with ids of their own, compared with their track, committed
// in one rebuild and undo step, and ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "tests/engine/core/mix/MixManagerFixture.h"
#include "tests/engine/core/mix/SampleMix.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;
using mixtest::Post;

LONG EditId(ITrackEditItem* copy)
{
    LONG id = -1;
    copy->GetEditCopyId(&id);
    return id;
}

using EditCopies = MixManagerTest;

TEST_F(EditCopies, TwoCopiesOfOneTrackAreEditedAndCommittedApart)
{
    Insert({NewTrack(120), NewTrack(126)}, 0);
    IMixManager& mix = Manager();
    ComPtr<ITrackEditItem> first;
    ComPtr<ITrackEditItem> second;
    ASSERT_EQ(mix.BeginTrackEdit(2, first.put()), S_OK);
    ASSERT_EQ(mix.BeginTrackEdit(2, second.put()), S_OK);
    EXPECT_EQ(mix.BeginTrackEdit(9, first.put()), E_FAIL);
    ASSERT_EQ(mix.BeginTrackEdit(2, first.put()), S_OK);
    const LONG firstId = EditId(first.get());
    const LONG secondId = EditId(second.get());
    EXPECT_NE(firstId, secondId);
    EXPECT_NE(first.get(), second.get());

    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 1), S_OK);
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 0), S_FALSE) << "another track";
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 5), S_FALSE) << "an index past the end";
    ASSERT_EQ(first->SetVolumeOffset(-600), S_OK);
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 1), S_FALSE);
    EXPECT_EQ(mix.IsEditCopyUnchanged(secondId, 1), S_OK);

    const int snapshots = Manager().GetUndoStore()->GetUndoCount();
    TakePosts();
    EXPECT_EQ(mix.CommitTrackEdits(IdList({static_cast<DWORD>(firstId)}).get(), TRUE), S_FALSE);
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), snapshots + 1) << "one commit, one undo step";
    EXPECT_TRUE(Manager().IsModified());
    LONG level = 0;
    Manager().Tracks().GetAt(1)->GetVolumeOffset(&level);
    EXPECT_EQ(level, -600);
    LONG trackEditId = 0;
    Manager().Tracks().GetAt(1)->GetEditCopyId(&trackEditId);
    EXPECT_EQ(trackEditId, -1) << "the track stays a track of the mix, not a copy";
    EXPECT_EQ(mix.IsEditCopyUnchanged(firstId, 1), S_FALSE) << "a committed copy is no longer compared";

    // The other copy is still open: its own edit commits over the first.
    ASSERT_EQ(second->SetVolumeOffset(-300), S_OK);
    EXPECT_EQ(mix.CommitTrackEdits(IdList({static_cast<DWORD>(secondId)}).get(), TRUE), S_FALSE);
    Manager().Tracks().GetAt(1)->GetVolumeOffset(&level);
    EXPECT_EQ(level, -300);

    EXPECT_EQ(mix.EndTrackEdit(first.get()), S_OK);
    EXPECT_EQ(mix.EndTrackEdit(first.get()), S_FALSE) << "ended once";
    EXPECT_EQ(mix.EndTrackEdit(second.get()), S_OK);
}

TEST_F(EditCopies, ACommitAfterItsTrackLeftTheMixChangesNothingButRebuilds)
{
    Insert({NewTrack(120), NewTrack(126)}, 0);
    IMixManager& mix = Manager();
    ComPtr<ITrackEditItem> copy;
    ASSERT_EQ(mix.BeginTrackEdit(1, copy.put()), S_OK);
    copy->SetVolumeOffset(-900);
    Insert({NewTrack(100)}, 0);
    Manager().ReplaceMix(nullptr, nullptr, nullptr, TRUE);
    Insert({NewTrack(100)}, 0);
    // The mix as a rebuild leaves it, so that only what the commit adds can differ.
    Manager().UpdateMix(FALSE);
    const std::vector<LONG> ids = Ids();
    CTrackInfoContainer before;
    before.AppendCopies(Manager().Tracks());
    const int snapshots = Manager().GetUndoStore()->GetUndoCount();
    TakePosts();

    EXPECT_EQ(mix.CommitTrackEdits(IdList({static_cast<DWORD>(EditId(copy.get()))}).get(), TRUE), S_FALSE);
    EXPECT_EQ(Ids(), ids);
    mixtest::ExpectSameTracks(before, Manager().Tracks());
    EXPECT_EQ(TakePosts(), (std::vector<Post>{{8, 0}, {9, 1}}));
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), snapshots + 1);
    EXPECT_EQ(mix.EndTrackEdit(copy.get()), S_OK);
}

TEST_F(EditCopies, ResettingTransitionsLaysTheDefaultFadesOnTheCopiesOnly)
{
    Insert({NewTrack(120), NewTrack(126), NewTrack(100)}, 0);
    IMixManager& mix = Manager();
    // Every volume marker of a track as {position, level}.
    const auto fades = [](const CTrackInfo& track) {
        std::vector<std::pair<LONGLONG, LONG>> found;
        ForEachObject(track.Layers(), kTrackObjMarker, kMarkerVolumeMask, [&found](CTrackObj* object) {
            found.emplace_back(object->GetStart(), static_cast<CMarker*>(object)->GetMainValue());
        });
        std::sort(found.begin(), found.end());
        return found;
    };
    const auto laid = fades(*Manager().Tracks().GetAt(1));
    ASSERT_FALSE(laid.empty());
    ComPtr<ITrackEditItem> copy;
    ASSERT_EQ(mix.BeginTrackEdit(2, copy.put()), S_OK);
    auto& edited = *static_cast<CTrackInfo*>(copy.get());
    edited.Layers().RemoveObjects(kTrackObjMarker, kMarkerVolumeMask);
    ASSERT_TRUE(fades(edited).empty());
    const int snapshots = Manager().GetUndoStore()->GetUndoCount();
    TakePosts();

    EXPECT_EQ(mix.ResetTransitions(IdList({static_cast<DWORD>(EditId(copy.get()))}).get()), S_OK);
    EXPECT_EQ(fades(edited), laid) << "the fades the rebuild lays between the same neighbours";
    EXPECT_EQ(fades(*Manager().Tracks().GetAt(1)), laid);
    EXPECT_TRUE(TakePosts().empty()) << "no rebuild: the copy reaches the mix when it is committed";
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), snapshots);
    EXPECT_EQ(mix.ResetTransitions(IdList({999}).get()), S_OK) << "no such copy: nothing to do";
    EXPECT_EQ(mix.EndTrackEdit(copy.get()), S_OK);
}

TEST_F(EditCopies, ABeatSegmentCommittedOnAPrimaryTrackPlaysWhereItWasPut)
{
    Insert({NewTrack(120), NewTrack(126), NewTrack(100)}, 0);
    IMixManager& mix = Manager();
    LONGLONG trackStart = 0;
    ASSERT_EQ(Manager().Tracks().GetAt(1)->GetStartTime(&trackStart), S_OK);
    // A layer of its own with a beat segment placed 10 s into the track's span of the mix.
    const LONGLONG put = trackStart + 10000000;
    ComPtr<ITrackEditItem> copy;
    ASSERT_EQ(mix.BeginTrackEdit(2, copy.put()), S_OK);
    CTrackLayer* layer = nullptr;
    ASSERT_EQ(static_cast<CTrackInfo*>(copy.get())->Layers().AddLayer(&layer), S_OK);
    auto* segment = new CSegment(kSegmentBeat, 0, 4000000, 0);
    segment->SetTime(8, 4000000);
    segment->SetTime(9, put);
    segment->SetTime(10, put + 4000000);
    layer->Objects().Append(segment);
    mix.CommitTrackEdits(IdList({static_cast<DWORD>(EditId(copy.get()))}).get(), TRUE);
    EXPECT_EQ(mix.EndTrackEdit(copy.get()), S_OK);

    CTrackLayer* placed = nullptr;
    ASSERT_TRUE(Manager().Tracks().GetAt(1)->Layers().GetLayer(1, &placed));
    ASSERT_GT(placed->TimeMap().GetPointCount(), 0);
    EXPECT_NEAR(static_cast<double>(placed->TimeMap().GetPoint(0).mixTime), static_cast<double>(put), 1000.0);
}

// An overlay dragged on the timeline: its edit copy's beat segments move in mix time and the
// copy is committed. Each step of a session of moves, commits, undos, redos, a save and a
// reload must leave the overlay where it was put.
class OverlayEdits : public MixManagerTest {
protected:
    static constexpr double kMillisecond = 1000.0;

    void SetUp() override
    {
        MixManagerTest::SetUp();
        Insert({NewTrack(120), NewTrack(126), NewTrack(100), NewTrack(110)}, 0);
        ASSERT_EQ(Manager().SetStandardMixing(IdList({1, 2, 3, 4}).get()), S_OK);
        ASSERT_EQ(Manager().MakeOverlayTracks(IdList({3}).get()), S_OK);
        ASSERT_FALSE(Overlay().IsPrimary());
    }
    // The mix's one overlay (a reloaded document gives its tracks new ids).
    CTrackInfo& Overlay()
    {
        for (int i = 0; i < Manager().Tracks().GetCount(); ++i)
            if (!Manager().Tracks().GetAt(i)->IsPrimary())
                return *Manager().Tracks().GetAt(i);
        ADD_FAILURE() << "no overlay in the mix";
        return *Manager().Tracks().GetAt(0);
    }
    LONGLONG OverlayStart()
    {
        LONGLONG start = 0;
        EXPECT_EQ(Overlay().GetStartTime(&start), S_OK);
        return start;
    }
    // The user drags the overlay by `shift` (0: opens and commits it unchanged).
    void Move(LONGLONG shift)
    {
        ComPtr<ITrackEditItem> copy;
        ASSERT_EQ(Manager().BeginTrackEdit(static_cast<DWORD>(Overlay().GetTrackIdValue()), copy.put()), S_OK);
        ForEachObject(static_cast<CTrackInfo*>(copy.get())->Layers(), kTrackObjSegment, kSegmentBeat,
                      [shift](CTrackObj* object) {
                          auto* segment = static_cast<CSegment*>(object);
                          for (int kind : {9, 10}) {
                              LONGLONG time = 0;
                              segment->GetTime(kind, &time);
                              segment->SetTime(kind, time + shift);
                          }
                      });
        Manager().CommitTrackEdits(IdList({static_cast<DWORD>(EditId(copy.get()))}).get(), TRUE);
        Manager().EndTrackEdit(copy.get());
    }
    // Saves the mix as a document and opens it again, as the engine's load does.
    void SaveAndReload()
    {
        const std::wstring path = m_folder.File(L"session.cfp");
        ASSERT_TRUE(Manager().WriteMix(path.c_str()));
        CTrackInfoContainer tracks;
        CMixGlobals globals;
        CFVR_RECORD record{};
        DWORD version = 0;
        ASSERT_TRUE(ReadMixFile(&record, path.c_str(), tracks, globals, nullptr, &version));
        // What the engine's file mapper and catalog give a loaded track back: its file's rate and
        // length and its analysed beats (a document holds neither).
        ASSERT_EQ(tracks.GetCount(), Manager().Tracks().GetCount());
        for (int i = 0; i < tracks.GetCount(); ++i) {
            CTrackInfo* source = Manager().Tracks().GetAt(i);
            tracks.GetAt(i)->SetSampleInfo(source->GetSampleRate(), source->GetSampleCount());
            tracks.GetAt(i)->BeatPoints() = source->BeatPoints();
        }
        Manager().ConvertLoadedTracks(tracks, version);
        ASSERT_EQ(Manager().ReplaceMix(&tracks, &globals, nullptr, FALSE), S_OK);
    }
};

TEST_F(OverlayEdits, AnUnchangedCommitLeavesTheOverlayWhereItIs)
{
    const LONGLONG start = OverlayStart();
    Move(0);
    EXPECT_NEAR(static_cast<double>(OverlayStart()), static_cast<double>(start), kMillisecond);
    Move(0);
    EXPECT_NEAR(static_cast<double>(OverlayStart()), static_cast<double>(start), kMillisecond);
}

TEST_F(OverlayEdits, MovesUndosRedosAndAReloadKeepEveryPlace)
{
    const LONGLONG placed = OverlayStart();
    const LONGLONG first = placed + 2000000;
    const LONGLONG second = first - 3500000;
    const struct {
        const char* step;
        std::function<void()> act;
        LONGLONG expected;
    } steps[] = {
        {"move later", [&] { Move(2000000); }, first},
        {"move earlier", [&] { Move(-3500000); }, second},
        {"undo", [&] { ASSERT_EQ(Manager().Undo(), S_OK); }, first},
        {"undo again", [&] { ASSERT_EQ(Manager().Undo(), S_OK); }, placed},
        {"redo", [&] { ASSERT_EQ(Manager().Redo(), S_OK); }, first},
        {"redo again", [&] { ASSERT_EQ(Manager().Redo(), S_OK); }, second},
        {"save and reload", [&] { SaveAndReload(); }, second},
        {"unchanged commit after the reload", [&] { Move(0); }, second},
        {"undo after the reload", [&] { ASSERT_EQ(Manager().Undo(), S_OK); }, second},
        {"redo after the reload", [&] { ASSERT_EQ(Manager().Redo(), S_OK); }, second},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        step.act();
        EXPECT_NEAR(static_cast<double>(OverlayStart()), static_cast<double>(step.expected), kMillisecond);
    }
}

TEST_F(OverlayEdits, AnEditOfItsParentUndoneAndRedoneLeavesTheOverlayWhereTheEditPutIt)
{
    // Four seconds of the parent's material before the overlay are cut out: the overlay keeps its
    // musical place, and the parent track times it was first placed by no longer match it.
    const DWORD parent = static_cast<DWORD>(Overlay().GetLinkId());
    CTrackInfo* parentTrack = nullptr;
    ASSERT_TRUE(Manager().Tracks().FindById(static_cast<LONG>(parent), &parentTrack));
    LONGLONG parentStart = 0;
    ASSERT_EQ(parentTrack->GetStartTime(&parentStart), S_OK);
    const LONGLONG placed = OverlayStart();
    ASSERT_EQ(Manager().DeleteTrackRange(IdList({parent}).get(), parentStart + 1000000, parentStart + 5000000), S_OK);
    const LONGLONG edited = OverlayStart();
    ASSERT_EQ(Manager().Undo(), S_OK);
    EXPECT_NEAR(static_cast<double>(OverlayStart()), static_cast<double>(placed), kMillisecond);
    ASSERT_EQ(Manager().Redo(), S_OK);
    EXPECT_NEAR(static_cast<double>(OverlayStart()), static_cast<double>(edited), kMillisecond);
    SaveAndReload();
    EXPECT_NEAR(static_cast<double>(OverlayStart()), static_cast<double>(edited), kMillisecond);
}

}  // namespace
