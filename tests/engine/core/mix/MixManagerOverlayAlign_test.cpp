// Aligning overlay tracks: each overlay goes to the track playing at its start and stands after
// it; pause tracks are no overlays and keep their place, so the mix still stops where it did.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/engine/core/mix/MixManagerFixture.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;

class OverlayAlign : public MixManagerTest {
protected:
    void SetUp() override
    {
        MixManagerTest::SetUp();
        // Ids 1 to 5: a track, a pause after it, three more tracks.
        Insert({NewTrack(120), mixtest::MakePause(2000000, -1), NewTrack(126), NewTrack(100), NewTrack(110)}, 0);
        ASSERT_EQ(Ids(), (std::vector<LONG>{1, 2, 3, 4, 5}));
        ASSERT_TRUE(Manager().Tracks().GetAt(1)->IsPause());
    }
    CTrackInfo& At(LONG id)
    {
        CTrackInfo* track = nullptr;
        Manager().Tracks().FindById(id, &track);
        return *track;
    }
    int IndexOf(LONG id)
    {
        const std::vector<LONG> ids = Ids();
        return static_cast<int>(std::find(ids.begin(), ids.end(), id) - ids.begin());
    }
    // The first pause the play manager stops at after the mix start.
    LONGLONG StopTime()
    {
        LONGLONG stop = -1;
        Manager().FindNextTrackStart(0, &stop);
        return stop;
    }
};

TEST_F(OverlayAlign, APauseTrackStaysAfterTheTrackItFollows)
{
    const LONGLONG stop = StopTime();
    ASSERT_GT(stop, 0);
    const int undo = Manager().GetUndoStore()->GetUndoCount();
    EXPECT_EQ(Manager().CanAlignOverlayTracks(), S_FALSE);
    ASSERT_EQ(Manager().AlignOverlayTracks(), S_OK);
    EXPECT_EQ(Ids(), (std::vector<LONG>{1, 2, 3, 4, 5}));
    EXPECT_EQ(StopTime(), stop) << "the mix stops after the same track";
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), undo + 1) << "one undo step";
}

TEST_F(OverlayAlign, AnOverlayMovedAwayReturnsAfterTheTrackPlayingAtItsStart)
{
    // Track 5 becomes an overlay in its place, then is moved to the front of the list, where the
    // mix lays it out without a parent.
    ASSERT_EQ(Manager().MakeOverlayTracks(IdList({5}).get()), S_OK);
    EXPECT_EQ(Manager().CanAlignOverlayTracks(), S_OK);
    ASSERT_EQ(Manager().MoveTracks(IdList({5}).get(), 0), S_OK);
    ASSERT_EQ(Ids().front(), 5);
    LONGLONG start = 0;
    ASSERT_EQ(At(5).GetStartTime(&start), S_OK);
    const LONGLONG stop = StopTime();

    ASSERT_EQ(Manager().AlignOverlayTracks(), S_OK);
    DWORD playing = 0;
    ASSERT_EQ(Manager().GetTrackAtTime(start, &playing, nullptr), S_OK);
    EXPECT_EQ(At(5).GetLinkId(), static_cast<LONG>(playing));
    EXPECT_EQ(IndexOf(5), IndexOf(static_cast<LONG>(playing)) + 1) << "directly after its parent";
    EXPECT_LT(IndexOf(1), IndexOf(2)) << "the pause still follows track 1";
    EXPECT_LT(IndexOf(2), IndexOf(3)) << "and comes before the next primary track";
    std::vector<LONG> primaries;
    for (LONG id : Ids())
        if (At(id).IsPrimary())
            primaries.push_back(id);
    EXPECT_EQ(primaries, (std::vector<LONG>{1, 3, 4}));
    EXPECT_EQ(StopTime(), stop);
    LONGLONG aligned = 0;
    ASSERT_EQ(At(5).GetStartTime(&aligned), S_OK);
    EXPECT_NEAR(static_cast<double>(aligned), static_cast<double>(start), 1000.0) << "it keeps its place in the mix";
}

}  // namespace
