// The performance commands and queries while nothing plays (the fixture's play managers have no
// player): what they refuse, the pause inserted after a track, cueing and its posts, looping,
// hiding performed tracks and the track at a time.
#include <gtest/gtest.h>

#include <vector>

#include "engine/playback/playmgr/PlayManager.h"
#include "tests/engine/core/mix/MixManagerFixture.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;
using mixtest::Post;

class Performance : public MixManagerTest {
protected:
    void SetUp() override
    {
        MixManagerTest::SetUp();
        Insert({NewTrack(120), NewTrack(126), NewTrack(100)}, 0);
    }
    std::vector<bool> Pauses()
    {
        std::vector<bool> pauses;
        for (int i = 0; i < Manager().Tracks().GetCount(); ++i)
            pauses.push_back(Manager().Tracks().GetAt(i)->IsPause());
        return pauses;
    }
};

TEST_F(Performance, WhileNothingPlaysTheCommandsRefuseAndChangeNothing)
{
    IMixManager& mix = Manager();
    const int snapshots = Manager().GetUndoStore()->GetUndoCount();
    LONGLONG position = -1;
    EXPECT_EQ(mix.GetPlayPosition(&position), S_FALSE);
    EXPECT_EQ(mix.CanMixIntoNextTrack(), S_FALSE);
    EXPECT_EQ(mix.CanFadeOutCurrentTrack(), S_FALSE);
    EXPECT_EQ(mix.CanPauseAfterCurrentTrack(), S_FALSE);
    EXPECT_EQ(mix.MixIntoNextTrackNow(), E_FAIL);
    EXPECT_EQ(mix.FadeOutCurrentTrack(), E_FAIL);
    EXPECT_EQ(mix.PauseAfterCurrentTrack(), S_OK);
    EXPECT_EQ(Pauses(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount(), snapshots);
    EXPECT_FALSE(mix.IsPerformanceRunning());
}

TEST_F(Performance, APauseFollowsATrackOnceBeforeTheNextPrimaryTrack)
{
    IMixManager& mix = Manager();
    struct Case {
        const char* name;
        DWORD track;
        HRESULT can;
        std::vector<bool> pauses;  // after the insert
        int snapshots;
    };
    const std::vector<Case> cases = {
        {"after the first track", 1, S_OK, {false, true, false, false}, 1},
        {"once only", 1, S_FALSE, {false, true, false, false}, 0},
        {"a pause track takes none", 4, S_FALSE, {false, true, false, false}, 0},
        {"after the last track", 3, S_OK, {false, true, false, false, true}, 1},
        {"a track not in the mix", 9, S_FALSE, {false, true, false, false, true}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = Manager().GetUndoStore()->GetUndoCount();
        EXPECT_EQ(mix.CanInsertPauseAfterTrack(IdList({c.track}).get()), c.can);
        EXPECT_EQ(mix.InsertPauseAfterTrack(IdList({c.track}).get()), S_OK);
        EXPECT_EQ(Pauses(), c.pauses);
        EXPECT_EQ(Manager().GetUndoStore()->GetUndoCount() - before, c.snapshots);
    }
}

TEST_F(Performance, CueingHoldsTheTracksAudibleStartAndPostsTheModifiedFlagAsItStands)
{
    IMixManager& mix = Manager();
    Manager().ReplaceMix(nullptr, nullptr, nullptr, FALSE);
    Insert({NewTrack(120), NewTrack(126)}, 0);
    CTrackInfoContainer copy;
    copy.AppendCopies(Manager().Tracks());
    Manager().ReplaceMix(&copy, nullptr, nullptr, FALSE);
    ASSERT_FALSE(Manager().IsModified());
    CPlayManager* live = Manager().GetLivePlayManager();
    const std::vector<LONG> ids = Ids();

    EXPECT_EQ(mix.CanCueTrack(IdList({static_cast<DWORD>(ids[0])}).get()), S_OK);
    EXPECT_EQ(mix.CanCueTrack(IdList({99}).get()), S_FALSE);
    EXPECT_EQ(mix.CueTrack(IdList({99}).get()), S_FALSE);

    // The first track has no track before it: nothing is inserted, the document stays unmodified.
    TakePosts();
    ASSERT_EQ(mix.CueTrack(IdList({static_cast<DWORD>(ids[0])}).get()), S_OK);
    LONGLONG audible = 0;
    Manager().Tracks().GetAt(0)->GetAudibleStart(&audible);
    LONGLONG held = -1;
    live->GetHeldPosition(&held);
    EXPECT_EQ(held, audible);
    std::vector<Post> posts;
    for (const Post& post : TakePosts())
        if (post.code == 8 || post.code == 9)
            posts.push_back(post);
    EXPECT_EQ(posts, (std::vector<Post>{{8, 0}, {9, 0}}));

    // The second: a pause goes in after the first, an edit the program must still offer to save.
    ASSERT_EQ(mix.CueTrack(IdList({static_cast<DWORD>(ids[1])}).get()), S_OK);
    EXPECT_EQ(Pauses(), (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(Manager().IsModified());
    Manager().Tracks().GetAt(2)->GetAudibleStart(&audible);
    live->GetHeldPosition(&held);
    EXPECT_EQ(held, audible);
    posts.clear();
    for (const Post& post : TakePosts())
        if (post.code == 8 || post.code == 9)
            posts.push_back(post);
    EXPECT_EQ(posts, (std::vector<Post>{{8, 0}, {9, 1}, {8, 0}, {9, 1}}));

    ASSERT_EQ(mix.CueTrack(nullptr), S_OK);
    live->GetHeldPosition(&held);
    EXPECT_EQ(held, 0);
}

TEST_F(Performance, LoopingPerformedTracksAndTheTrackAtATime)
{
    IMixManager& mix = Manager();
    EXPECT_EQ(mix.IsLoopEnabled(), S_FALSE);
    Manager().AddPendingPlayManager();
    EXPECT_EQ(mix.SetLoopEnabled(TRUE), S_OK);
    EXPECT_EQ(mix.IsLoopEnabled(), S_OK);
    EXPECT_TRUE(Manager().GetCurrentPlayManager()->IsLoopEnabled()) << "every play manager loops";
    Manager().RemovePendingPlayManager();

    EXPECT_EQ(mix.GetShowPerformedTracks(), S_OK);
    LONGLONG first = -1;
    EXPECT_EQ(mix.GetFirstVisibleTrackStart(&first), S_OK);
    EXPECT_EQ(first, 0);
    TakePosts();
    EXPECT_EQ(mix.SetShowPerformedTracks(FALSE), S_OK);
    EXPECT_EQ(mix.GetShowPerformedTracks(), S_FALSE);
    EXPECT_EQ(TakePosts(), (std::vector<Post>{{8, 0}, {9, Manager().IsModified()}}));

    LONGLONG start = 0;
    LONGLONG end = 0;
    CTrackInfo* second = Manager().Tracks().GetAt(1);
    second->GetLeadSpan(&start, &end);
    DWORD id = 0;
    int index = -1;
    EXPECT_EQ(mix.GetTrackAtTime((start + end) / 2, &id, &index), S_OK);
    EXPECT_EQ(id, 2u);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(mix.GetTrackAtTime(-5000000, &id, nullptr), E_FAIL);
}

}  // namespace
