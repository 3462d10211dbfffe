// Timeline commands on track objects: split, delete (the only segment takes its track along),
// effect clips, object markers, and objects copied and pasted through the clipboard with new ids.
// Each command is one undo step.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/core/mix/MixBuilder.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "tests/engine/core/mix/MixManagerFixture.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;

std::vector<CTrackObj*> Segments(CTrackInfo& track)
{
    std::vector<CTrackObj*> found;
    for (int i = 0; i < track.MainObjects().GetCount(); ++i)
        if (track.MainObjects().GetAt(i)->GetClass() == kTrackObjSegment)
            found.push_back(track.MainObjects().GetAt(i));
    return found;
}

LONGLONG MixTime(CTrackInfo& track, LONGLONG trackTime)
{
    LONGLONG mixTime = 0;
    EXPECT_EQ(track.TrackTimeToMixTime(trackTime, &mixTime), S_OK);
    return mixTime;
}

class TrackObjects : public MixManagerTest {
protected:
    void SetUp() override
    {
        MixManagerTest::SetUp();
        Insert({NewTrack(120), NewTrack(126)}, 0);
    }
    CTrackInfo& Track(int index) { return *Manager().Tracks().GetAt(index); }
    // Runs the command and checks it wrote exactly one undo snapshot.
    template <typename Command>
    void OneStep(Command command)
    {
        const int before = Manager().GetUndoStore()->GetUndoCount();
        EXPECT_EQ(command(), S_OK);
        EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), before + 1) << "one command, one undo step";
    }
};

TEST_F(TrackObjects, ObjectsOfTheMixHaveIdsUniqueWithinIt)
{
    std::vector<LONG> ids;
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < Track(t).MainObjects().GetCount(); ++i)
            ids.push_back(Track(t).MainObjects().GetAt(i)->GetId());
    std::vector<LONG> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_GT(sorted.front(), 0);
}

TEST_F(TrackObjects, SplittingAndDeletingSegments)
{
    ASSERT_EQ(Segments(Track(1)).size(), 1u);
    const LONGLONG middle = MixTime(Track(1), Track(1).GetTrackLength() / 2);
    OneStep([&] { return Manager().SplitSegmentsAt(IdList({2}).get(), middle); });
    const std::vector<CTrackObj*> pieces = Segments(Track(1));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0]->GetEnd() + 1, pieces[1]->GetStart()) << "split without a gap";
    EXPECT_NE(pieces[0]->GetId(), pieces[1]->GetId());
    EXPECT_EQ(Segments(Track(0)).size(), 1u) << "an unlisted track is left alone";

    // Deleting a piece closes the gap; deleting the only segment left removes the track.
    OneStep([&] { return Manager().DeleteTrackObjects(IdList({static_cast<DWORD>(pieces[0]->GetId())}).get()); });
    ASSERT_EQ(Ids(), (std::vector<LONG>{1, 2}));
    const std::vector<CTrackObj*> left = Segments(Track(1));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->GetStart(), 0);
    EXPECT_GT(left[0]->GetEnd(), 0);
    OneStep([&] { return Manager().DeleteTrackObjects(IdList({static_cast<DWORD>(left[0]->GetId())}).get()); });
    EXPECT_EQ(Ids(), (std::vector<LONG>{1}));
}

TEST_F(TrackObjects, EffectClipsAndObjectMarkers)
{
    const LONGLONG start = MixTime(Track(0), 2000000);
    OneStep([&] { return Manager().AddEffectClipToTracks(IdList({1, 2}).get(), 7, start, start + 1000000); });
    int clips = 0;
    for (int i = 0; i < Track(0).MainObjects().GetCount(); ++i)
        if (CTrackObj* o = Track(0).MainObjects().GetAt(i); o->GetClass() == kTrackObjEffectClip) {
            ++clips;
            EXPECT_EQ(o->GetStart(), 2000000);
        }
    EXPECT_EQ(clips, 1);

    OneStep([&] { return Manager().ResetObjectMarkers(IdList({1}).get()); });
    std::vector<LONGLONG> anchors;
    std::vector<LONGLONG> objectMarkers;
    for (int i = 0; i < Track(0).MainObjects().GetCount(); ++i) {
        CTrackObj* o = Track(0).MainObjects().GetAt(i);
        if (o->Matches(kTrackObjMarker, 0x7))
            anchors.push_back(o->GetStart());
        if (o->Matches(kTrackObjMarker, kMarkerObject)) {
            objectMarkers.push_back(o->GetStart());
            EXPECT_TRUE(static_cast<CMarker*>(o)->IsUserAdjusted());
        }
    }
    std::sort(anchors.begin(), anchors.end());
    std::sort(objectMarkers.begin(), objectMarkers.end());
    EXPECT_FALSE(anchors.empty());
    EXPECT_EQ(objectMarkers, anchors) << "one object marker at each start, end and type-4 marker";
}

TEST_F(TrackObjects, CopiedObjectsPasteWithNewIds)
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    // A label marker of the first track, pasted into the second at a mix time.
    ASSERT_EQ(Track(0).AddMarker(MixTime(Track(0), 3000000), kMarkerLabel), S_OK);
    Manager().UpdateMix(TRUE);
    CMarker* label = mixtest::FindMarker(Track(0), kMarkerLabel);
    ASSERT_NE(label, nullptr);
    const LONG labelId = static_cast<CTrackObj*>(label)->GetId();
    ASSERT_EQ(Manager().CopyTrackObjects(IdList({static_cast<DWORD>(labelId)}).get()), S_OK);
    EXPECT_EQ(Manager().CanPasteTrackObjects(), S_OK);

    const LONGLONG at = MixTime(Track(1), 5000000);
    OneStep([&] { return Manager().PasteTrackObjects(IdList({2}).get(), at); });
    CMarker* pasted = mixtest::FindMarker(Track(1), kMarkerLabel);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->GetStart(), 5000000);
    EXPECT_NE(static_cast<CTrackObj*>(pasted)->GetId(), labelId);
    EXPECT_GT(static_cast<CTrackObj*>(pasted)->GetId(), 0);
    EXPECT_EQ(static_cast<CTrackObj*>(mixtest::FindMarker(Track(0), kMarkerLabel))->GetId(), labelId)
        << "the original stays";
    OleUninitialize();
}

TEST_F(TrackObjects, ReversingNeedsTheCatalog)
{
    const std::vector<LONG> ids = Ids();
    const int before = Manager().GetUndoStore()->GetUndoCount();
    EXPECT_EQ(Manager().ReverseTrackRange(IdList({1}).get(), 0, 1000000), E_FAIL);
    EXPECT_EQ(Manager().ReverseTrackObjects(IdList({1}).get()), E_FAIL);
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), before);
    EXPECT_EQ(Ids(), ids);
}

}  // namespace

TEST_F(TrackObjects, ASplitChangesNeitherTimeMapsNorFades)
{
    // Splitting only cuts a segment in two: every track keeps where each of its moments is heard
    // and at what level, wherever the split falls.
    Insert({NewTrack(100)}, 2);
    const auto heard = [&] {
        std::vector<LONGLONG> times;
        for (int t = 0; t < 3; ++t)
            for (LONGLONG at = 0; at < Track(t).GetTrackLength(); at += 250000) {
                LONGLONG mixTime = -1;
                Track(t).TrackTimeToMixTime(at, &mixTime);
                times.push_back(mixTime);
            }
        // Every marker (the fades' envelope points among them) where it is heard, with its value.
        for (int t = 0; t < 3; ++t)
            for (int i = 0; i < Track(t).MainObjects().GetCount(); ++i)
                if (const CTrackObj* o = Track(t).MainObjects().GetAt(i); o->GetClass() == kTrackObjMarker) {
                    times.push_back(o->GetType());
                    times.push_back(MixTime(Track(t), o->GetStart()));
                    times.push_back(static_cast<const CMarker*>(o)->GetMainValue());
                }
        return times;
    };
    const std::vector<LONGLONG> before = heard();
    for (const int t : {1, 2, 0})
        for (const LONGLONG share : {4, 2}) {
            SCOPED_TRACE(testing::Message() << "track " << t << " split at 1/" << share);
            const LONGLONG at = MixTime(Track(t), Track(t).GetTrackLength() / share);
            OneStep([&] {
                return Manager().SplitSegmentsAt(IdList({static_cast<DWORD>(Track(t).GetTrackIdValue())}).get(), at);
            });
            const std::vector<LONGLONG> after = heard();
            ASSERT_EQ(after.size(), before.size());
            for (size_t i = 0; i < before.size(); ++i)
                ASSERT_EQ(after[i], before[i]) << "value " << i;
        }
}
