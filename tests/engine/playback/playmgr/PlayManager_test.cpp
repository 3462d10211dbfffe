// The play manager's transport over a live stream: the commands a performance refuses, the
// global mix lock around the commands (and none around the queries), the current track under the
// held position, and which items get mix inputs for the minute after the play position.
#include <gtest/gtest.h>

#include <functional>

#include "StreamTest.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"

using namespace playmgrtest;
using rendertest::TrackFile;

namespace {

LONG TrackId(LiveStream& stream, int index)
{
    return stream.Mix().Track(index).GetTrackIdValue();
}

CPlayItem* Item(LiveStream& stream, int index)
{
    CPlayItem* item = nullptr;
    stream.Manager().GetPlayList().GetAt(index, &item);
    return item;
}

class PlayManager : public StreamTest {};

struct Refusal {
    const char* name;
    std::function<HRESULT(CPlayManager&, LONG track)> call;
    HRESULT answer;
};

}  // namespace

TEST_F(PlayManager, APerformanceRefusesTheTransportAndOnlyStopPerformanceEndsIt)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::None));
    CPlayManager& manager = Manager();
    ASSERT_EQ(manager.SetHeldPosition(3000000), S_OK);
    ASSERT_EQ(manager.StartPerformance(), S_OK);
    ASSERT_EQ(manager.GetPlayState(), CPlayManager::kPerforming);
    Stream().Host().Take();

    const Refusal refusals[] = {
        {"PlayFromCursor", [](CPlayManager& m, LONG) { return m.PlayFromCursor(); }, S_FALSE},
        {"PlayFromStart", [](CPlayManager& m, LONG) { return m.PlayFromStart(); }, E_FAIL},
        {"PlayFromPosition", [](CPlayManager& m, LONG) { return m.PlayFromPosition(1000000); }, S_FALSE},
        {"PlayRange", [](CPlayManager& m, LONG) { return m.PlayRange(0, 1000000, TRUE); }, S_FALSE},
        {"StartPerformance", [](CPlayManager& m, LONG) { return m.StartPerformance(); }, S_FALSE},
        {"TogglePause", [](CPlayManager& m, LONG) { return m.TogglePause(); }, S_FALSE},
        {"SkipToNextTrack", [](CPlayManager& m, LONG) { return m.SkipToNextTrack(); }, E_FAIL},
        {"SkipToPreviousTrack", [](CPlayManager& m, LONG) { return m.SkipToPreviousTrack(); }, E_FAIL},
        {"PlayTrack", [](CPlayManager& m, LONG t) { return m.PlayTrack(static_cast<DWORD>(t)); }, E_FAIL},
        {"PlayTrackFromStart", [](CPlayManager& m, LONG t) { return m.PlayTrackFromStart(static_cast<DWORD>(t)); },
         E_FAIL},
        {"Stop", [](CPlayManager& m, LONG) { return m.Stop(); }, S_FALSE},
        {"StopTrack", [](CPlayManager& m, LONG t) { return m.StopTrack(static_cast<DWORD>(t)); }, E_FAIL},
        {"CanSkipToNext", [](CPlayManager& m, LONG) { return m.CanSkipToNext(); }, S_FALSE},
        {"CanSkipToPrevious", [](CPlayManager& m, LONG) { return m.CanSkipToPrevious(); }, S_FALSE},
        {"CanPause", [](CPlayManager& m, LONG) { return m.CanPause(); }, S_FALSE},
    };
    for (const Refusal& refusal : refusals) {
        EXPECT_EQ(refusal.call(manager, TrackId(Stream(), 1)), refusal.answer) << refusal.name;
        EXPECT_EQ(manager.GetPlayState(), CPlayManager::kPerforming) << refusal.name;
    }
    EXPECT_TRUE(Stream().Host().Take().empty()) << "a refused command reached the video montage";

    // The cue position of a running performance is not moved from outside.
    LONGLONG held = 0;
    EXPECT_EQ(manager.SetHeldPosition(9000000), S_OK);
    manager.GetHeldPosition(&held);
    EXPECT_NE(held, 9000000);

    EXPECT_EQ(manager.StopPerformance(), S_OK);
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    EXPECT_EQ(manager.PlayFromStart(), S_OK) << "stopped, the transport answers again";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kPlaying);
}

// The commands wait for the global mix lock, also StopPerformance and UpdateLoopRange, which
// change the state and the mix output under the tick; the queries never wait for it.
TEST_F(PlayManager, CommandsWaitForTheMixLockAndQueriesDoNot)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::None));
    CPlayManager& manager = Manager();

    struct Call {
        const char* name;
        std::function<void(CPlayManager&)> call;
        bool locks;
    };
    const Call calls[] = {
        {"StopPerformance", [](CPlayManager& m) { m.StopPerformance(); }, true},
        {"UpdateLoopRange", [](CPlayManager& m) { m.UpdateLoopRange(0, 2000000); }, true},
        {"Stop", [](CPlayManager& m) { m.Stop(); }, true},
        {"CanPlay", [](CPlayManager& m) { m.CanPlay(); }, true},
        {"GetPlayPosition",
         [](CPlayManager& m) {
             LONGLONG p;
             m.GetPlayPosition(&p);
         },
         false},
        {"GetCursorPosition",
         [](CPlayManager& m) {
             LONGLONG p;
             m.GetCursorPosition(&p);
         },
         false},
        {"GetHeldPosition",
         [](CPlayManager& m) {
             LONGLONG p;
             m.GetHeldPosition(&p);
         },
         false},
        {"SetCursorPosition", [](CPlayManager& m) { m.SetCursorPosition(5, FALSE); }, false},
        {"IsPlaying", [](CPlayManager& m) { m.IsPlaying(); }, false},
        {"IsPerforming", [](CPlayManager& m) { m.IsPerforming(); }, false},
        {"IsPlayingNormally", [](CPlayManager& m) { m.IsPlayingNormally(); }, false},
        {"CanPause", [](CPlayManager& m) { m.CanPause(); }, false},
        {"CanStopPerformance", [](CPlayManager& m) { m.CanStopPerformance(); }, false},
    };
    for (const Call& call : calls) {
        struct Job {
            const Call* call;
            CPlayManager* manager;
        } job{&call, &manager};
        UniqueKernelHandle thread;
        {
            CLiveAndPendingMixSingleThreadAccess held;
            thread.reset(CreateThread(
                nullptr, 0,
                [](void* p) -> DWORD {
                    auto* j = static_cast<Job*>(p);
                    j->call->call(*j->manager);
                    return 0;
                },
                &job, 0, nullptr));
            ASSERT_TRUE(thread);
            const DWORD early = WaitForSingleObject(thread.get(), 300);
            EXPECT_EQ(early, call.locks ? static_cast<DWORD>(WAIT_TIMEOUT) : WAIT_OBJECT_0)
                << call.name
                << (call.locks ? " ran while another thread held the mix lock" : " waited for the mix lock");
        }
        EXPECT_EQ(WaitForSingleObject(thread.get(), 5000), WAIT_OBJECT_0) << call.name;
    }
}

TEST_F(PlayManager, TheCurrentTrackIsTheFirstItemEndingAfterTheHeldPosition)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::None));
    CPlayManager& manager = Manager();
    EXPECT_EQ(manager.GetCurrentTrackId(), TrackId(Stream(), 0)) << "the list's update found the first track";
    struct Case {
        const char* name;
        LONGLONG held;
        LONG track;  // index, -1 none
    };
    const Case cases[] = {
        {"inside the first track", Item(Stream(), 0)->GetMixStart() + 1000000, 0},
        {"at the first track's end", Item(Stream(), 0)->GetMixEnd(), 1},
        {"just before the second's end", Item(Stream(), 1)->GetMixEnd() - 1, 1},
        {"at the last track's end", Item(Stream(), 2)->GetMixEnd(), -1},
        {"back at the start", 0, 0},
    };
    for (const Case& c : cases) {
        Stream().Ui().Clear();
        const LONG before = manager.GetCurrentTrackId();
        manager.SetHeldPosition(c.held);
        const LONG expected = c.track < 0 ? CPlayManager::kNoTrack : TrackId(Stream(), c.track);
        EXPECT_EQ(manager.GetCurrentTrackId(), expected) << c.name;
        int changes = 0;
        for (const UiPost& post : Stream().Ui().Take())
            changes += post.code == PlayManagerUi::CurrentTrack;
        EXPECT_EQ(changes, before != expected ? 1 : 0) << c.name << ": UI 13 only when the track changes";
    }
}

// Only the items that overlap the minute after the play position's ten-second bucket render, and
// the next primary track after the one under the minute's end, so a long cross-fade is ready.
TEST_F(PlayManager, ItemsRenderForTheMinuteAfterThePlayPosition)
{
    constexpr int kTracks = 8;
    std::vector<TrackFile> files;
    for (int i = 0; i < kTracks; ++i)
        files.push_back({100, i % 2 ? kMid : kLow, 44100, false});
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut, files));
    CPlayManager& manager = Manager();
    ASSERT_NE(manager.GetMixOutput(), nullptr) << "the player built the stream's graph";
    LONG trackAtEnd = 0;
    int indexAtEnd = 0;
    for (const LONGLONG from : {0LL, 75000000LL}) {
        manager.SetCursorPosition(from, FALSE);
        ASSERT_EQ(manager.PlayFromCursor(), S_OK);
        const LONGLONG windowStart = from / 10000000 * 10000000;
        const LONGLONG windowEnd = windowStart + 60000000;
        // Past the mix's end no track follows.
        if (!Stream().MixManager().FindTrackAtPosition(windowEnd, &trackAtEnd, &indexAtEnd))
            indexAtEnd = kTracks;
        int rendering = 0;
        for (int i = 0; i < kTracks; ++i) {
            const CPlayItem* item = Item(Stream(), i);
            const bool overlaps = item->GetMixEnd() >= windowStart && item->GetMixStart() <= windowEnd;
            const bool next = i == indexAtEnd + 1;
            rendering += overlaps || next;
            EXPECT_EQ(manager.GetMixOutput()->HasInput(item), overlaps || next)
                << "from " << from << ": item " << i << " [" << item->GetMixStart() << ", " << item->GetMixEnd() << "]";
        }
        EXPECT_LT(rendering, kTracks) << "from " << from << ": the case leaves no item out";
        manager.Stop();
    }
    EXPECT_GT(Stream().MixManager().cancelled.load(), 0) << "items left behind leave the analysis queue";
}
