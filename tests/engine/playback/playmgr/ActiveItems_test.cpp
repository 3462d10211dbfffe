// The items with mix inputs while the tick follows the play position: entering another ten-second
// bucket gives inputs at once to the items heard within ten seconds and makes the other changes of
// the minute ahead one per tick; items that enter the minute while playing are heard whole; the
// spare inputs made ahead end with the stream. The test holds the global mix lock and ticks
// itself, so the stream's own ticker waits.
#include <gtest/gtest.h>
#include <windows.h>

// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <algorithm>
#include <cmath>

#include "LiveStream.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/server/Unknown.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "tests/support/TempDir.h"

using namespace playmgrtest;
using rendertest::TrackFile;

namespace {

constexpr LONGLONG kSecond = 1000000;
constexpr int kTracks = 8;

std::vector<TrackFile> EightTracks()
{
    std::vector<TrackFile> files;
    for (int i = 0; i < kTracks; ++i)
        files.push_back({100, i % 2 ? kMid : kLow, 44100, false});
    return files;
}

CPlayItem* Item(LiveStream& stream, int index)
{
    CPlayItem* item = nullptr;
    stream.Manager().GetPlayList().GetAt(index, &item);
    return item;
}

// The items the minute after `position`'s bucket wants, as the play manager's rule states it: those
// overlapping the window and the primary item after the one under the window's end.
std::vector<bool> WantedAt(LiveStream& stream, LONGLONG position)
{
    const LONGLONG windowStart = position / CPlayManager::kBucketLength * CPlayManager::kBucketLength;
    const LONGLONG windowEnd = windowStart + CPlayManager::kActiveWindow;
    LONG trackAtEnd = 0;
    int indexAtEnd = 0;
    if (!stream.MixManager().FindTrackAtPosition(windowEnd, &trackAtEnd, &indexAtEnd))
        indexAtEnd = kTracks;
    std::vector<bool> wanted;
    for (int i = 0; i < kTracks; ++i) {
        const CPlayItem* item = Item(stream, i);
        wanted.push_back((item->GetMixEnd() >= windowStart && item->GetMixStart() <= windowEnd) || i == indexAtEnd + 1);
    }
    return wanted;
}

std::vector<bool> WithInputs(LiveStream& stream)
{
    std::vector<bool> has;
    for (int i = 0; i < kTracks; ++i)
        has.push_back(stream.Manager().GetMixOutput()->HasInput(Item(stream, i)));
    return has;
}

int Differences(const std::vector<bool>& a, const std::vector<bool>& b)
{
    int count = 0;
    for (size_t i = 0; i < a.size(); ++i)
        count += a[i] != b[i];
    return count;
}

// Threads of this process, counted by the system's snapshot (not by the engine's own count).
int ProcessThreads()
{
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

}  // namespace

// A jump into a later bucket (the stream's position moved by its mix output, as a loop jump
// does): the tick that sees it gives inputs to the items heard within the next ten seconds, then
// each tick makes one more change, inputs before removals, until the minute ahead is as a command
// would have made it at once.
TEST(ActiveItems, InputsOfTheMinuteAheadArriveOverTheFollowingTicks)
{
    fixtures::TempDir folder(L"playmgr");
    LiveStream stream(folder.Path(), EightTracks(), kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    CPlayManager& manager = stream.Manager();
    ASSERT_NE(manager.GetMixOutput(), nullptr);
    CMixOutput& output = *manager.GetMixOutput();
    CLiveAndPendingMixSingleThreadAccess held;
    const LONGLONG jump = Item(stream, kTracks - 3)->GetMixStart() + 2 * kSecond;
    const std::vector<bool> wanted = WantedAt(stream, jump);
    output.SetEndPosition(stream.EndTime());
    output.SeekTo(jump);
    manager.OnTick();

    std::vector<bool> has = WithInputs(stream);
    int heardSoon = 0;
    for (int i = 0; i < kTracks; ++i) {
        const CPlayItem* item = Item(stream, i);
        if (!wanted[static_cast<size_t>(i)] || item->GetMixEnd() < jump || item->GetMixStart() > jump + 10 * kSecond)
            continue;
        ++heardSoon;
        EXPECT_TRUE(has[static_cast<size_t>(i)]) << "item " << i << " is heard within ten seconds";
    }
    ASSERT_GT(heardSoon, 0) << "the case has items heard at once";
    const int left = Differences(has, wanted);
    ASSERT_GT(left, 2) << "the case leaves changes for the following ticks";

    bool removed = false;
    for (int tick = 1; tick <= left; ++tick) {
        manager.OnTick();
        const std::vector<bool> now = WithInputs(stream);
        ASSERT_EQ(Differences(now, has), 1) << "tick " << tick << " makes one change";
        for (int i = 0; i < kTracks; ++i) {
            if (now[static_cast<size_t>(i)] == has[static_cast<size_t>(i)])
                continue;
            EXPECT_EQ(now[static_cast<size_t>(i)], wanted[static_cast<size_t>(i)]) << "tick " << tick << ", item " << i;
            if (now[static_cast<size_t>(i)])
                EXPECT_FALSE(removed) << "item " << i << " got its input after a removal";
            else
                removed = true;
        }
        has = now;
    }
    EXPECT_EQ(Differences(has, wanted), 0);
    manager.OnTick();
    EXPECT_EQ(Differences(WithInputs(stream), wanted), 0) << "nothing changes once the minute is complete";
}

// The stream's mix output pulled as a file writer pulls it, 50 ms of audio per service tick, from
// the start to the end of a mix longer than the minute ahead: the items that get their inputs
// from the ticks on the way sound exactly as in the offline render, from their first frame.
TEST(ActiveItems, ItemsEnteringTheMinuteAheadWhilePlayingAreHeardWhole)
{
    fixtures::TempDir folder(L"playmgr");
    LiveStream stream(folder.Path(), EightTracks(), kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    const LONGLONG frames = CMixOutput::MicrosecondsToBytes(stream.EndTime()) / CMixOutput::kFrameBytes;
    stream.Mix().Start(0);
    const std::vector<float> reference = stream.Mix().PullFloats(frames);

    CPlayManager& manager = stream.Manager();
    ASSERT_NE(manager.GetMixOutput(), nullptr);
    CMixOutput& output = *manager.GetMixOutput();
    CLiveAndPendingMixSingleThreadAccess held;
    const int preparedAtStart = stream.MixManager().prepared.load();
    output.SetEndPosition(stream.EndTime());
    output.SeekTo(0);
    output.SetActive(TRUE);
    constexpr unsigned kTickBytes = 44100 / 20 * CMixOutput::kFrameBytes;
    std::vector<float> pulled(static_cast<size_t>(frames) * 2);
    auto* out = reinterpret_cast<BYTE*>(pulled.data());
    const size_t bytes = pulled.size() * sizeof(float);
    for (size_t done = 0; done < bytes; done += kTickBytes) {
        while (output.IsDataReady() != S_OK)
            Sleep(1);
        ASSERT_EQ(output.Read(out + done, static_cast<unsigned>(std::min<size_t>(kTickBytes, bytes - done))), S_OK);
        output.SetBufferedBytes(0);
        manager.OnTick();
    }
    output.SetActive(FALSE);
    ASSERT_GT(stream.MixManager().prepared.load(), preparedAtStart) << "items got their inputs from the ticks";

    LONGLONG first = -1;
    double worst = 0.0;
    for (size_t i = 0; i < pulled.size(); ++i) {
        const double d = std::abs(pulled[i] - reference[i]);
        if (d > 1e-5 && first < 0)
            first = static_cast<LONGLONG>(i / 2);
        worst = std::max(worst, d);
    }
    EXPECT_LT(first, 0) << "the pull differs from the render from mix time " << first * kSecond / 44100
                        << " us on, by up to " << worst;
}

// The spares made ahead for a stream's mix output: at Close their render threads and the thread
// that makes them all end.
TEST(ActiveItems, SpareInputsEndWithTheStream)
{
    const LONG before = ModuleCounts::Activity();
    int threadsWithSpares = 0;
    {
        fixtures::TempDir folder(L"playmgr");
        LiveStream stream(folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
        ASSERT_TRUE(stream.Ready()) << stream.Failure();
        CMixOutput* output = stream.Manager().GetMixOutput();
        ASSERT_NE(output, nullptr);
        for (int waited = 0; waited < 10000 && output->GetSpareCount() < CMixInputSpares::kSpareCount; waited += 10)
            Sleep(10);
        ASSERT_EQ(output->GetSpareCount(), CMixInputSpares::kSpareCount) << "the items' inputs made spares follow";
        threadsWithSpares = ProcessThreads();
        stream.Manager().Close();
    }
    // Inputs of earlier tests may still be winding down when the count is taken.
    for (int waited = 0; waited < 5000 && ModuleCounts::Activity() > before; waited += 10)
        Sleep(10);
    EXPECT_LE(ModuleCounts::Activity(), before) << "every engine thread of the stream ended";
    // The spares' render threads and the maker at least.
    EXPECT_LE(ProcessThreads(), threadsWithSpares - (CMixInputSpares::kSpareCount + 1));
}
