// The transport's commands on a stream that plays, with nothing compared in the sound sink: a
// rebuild keeps the end of what plays, and a stop or a pause that comes while the first blocks
// render is honoured.
#include <gtest/gtest.h>

#include <functional>

#include "StreamTest.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"

using namespace playmgrtest;

namespace {

constexpr LONGLONG kSecond = 1000000;

class Transport : public StreamTest {};

}  // namespace

TEST_F(Transport, ARebuildKeepsTheEndOfATrackPlayedAloneAndOfARange)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    CPlayManager& manager = Manager();
    CPlayItem* item = nullptr;
    ASSERT_TRUE(manager.GetPlayList().GetAt(1, &item));
    const DWORD track = static_cast<DWORD>(item->GetTrackId());
    struct Case {
        const char* name;
        std::function<void()> play;
        LONGLONG end;
    };
    const std::vector<Case> cases = {
        {"a track alone", [&] { manager.PlayTrackFromStart(track); }, item->GetMixEnd()},
        {"a range", [&] { manager.PlayRange(2 * kSecond, 5 * kSecond, FALSE); }, 5 * kSecond},
    };
    for (const Case& c : cases) {
        c.play();
        for (int i = 0; i < 1000 && manager.IsPlaying() != S_OK; ++i)
            Sleep(10);
        ASSERT_EQ(manager.IsPlaying(), S_OK) << c.name;
        // What the mix manager does after every rebuild.
        manager.UpdateEndPosition();
        LONGLONG end = 0;
        ASSERT_EQ(manager.GetMixOutput()->GetLength(&end), S_OK);
        EXPECT_EQ(end, CMixOutput::MicrosecondsToBytes(c.end)) << c.name << " plays to its own end after a rebuild";
        manager.Stop();
    }
}

// The device starts only once the first blocks are rendered; a stop or a pause in that wait is
// honoured: the stream never starts on its own afterwards.
TEST_F(Transport, AStopOrAPauseWhileTheFirstBlocksRenderIsHonoured)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    CPlayManager& manager = Manager();
    struct Case {
        const char* name;
        HRESULT (CPlayManager::*start)();
        HRESULT (CPlayManager::*stop)();
    };
    const std::vector<Case> cases = {
        {"StopPerformance", &CPlayManager::StartPerformance, &CPlayManager::StopPerformance},
        {"TogglePause", &CPlayManager::PlayFromStart, &CPlayManager::TogglePause},
    };
    for (const Case& c : cases) {
        {
            // The render threads wait for the items (and the tick for the mix lock) until both
            // commands have run: the device is still waiting for its first blocks.
            CLiveAndPendingMixSingleThreadAccess lock;
            manager.GetPlayList().LockAll();
            ASSERT_EQ((manager.*c.start)(), S_OK) << c.name;
            EXPECT_EQ(manager.IsPlaying(), S_FALSE) << c.name << ": still waiting";
            EXPECT_EQ((manager.*c.stop)(), S_OK) << c.name;
            manager.GetPlayList().UnlockAll();
        }
        Sleep(500);
        EXPECT_EQ(manager.IsPlaying(), S_FALSE) << c.name << ": the stream started after all";
        EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped) << c.name;
        manager.Stop();
    }
}
