// The transport heard in the sound sink: a looped range repeats, a pause resumes where it was
// heard, a track plays alone, a skip lands on the next track's audible start, and a performance
// plays on through the commands it refuses. Wave-out captures are compared with the offline
// render to 1 LSB; the pause is heard through DirectSound, whose device stays open across it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "LiveStream.h"
#include "engine/playback/graph/MixOutput.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"

using namespace playmgrtest;
using rendertest::FrameOf;
using rendertest::RenderedMix;
using rendertest::TrackFile;

namespace {

constexpr LONGLONG kSecond = 1000000;
constexpr LONGLONG kThreeMilliseconds = 132;
constexpr DWORD kWaitMs = 60000;

// The mix rendered offline as the render tests make it (or only `solo`, played flat), from a
// seek to `from` as the live stream seeks: a block's envelope ramps run between its own ends, so
// a render lines up sample for sample only with one started at the same position.
std::vector<int16_t> OfflineRender(const std::wstring& folder, const std::vector<TrackFile>& files, int solo = -1,
                                   LONGLONG from = 0)
{
    RenderedMix model(folder, files, kMeasures);
    EXPECT_TRUE(model.Ready()) << model.Failure();
    if (!model.Ready())
        return {};
    if (solo >= 0)
        model.Solo(solo, true);
    model.Start(from);
    return model.Pull(static_cast<size_t>(CMixOutput::MicrosecondsToBytes(model.EndTime() - from) / 2), 17640);
}

// Samples of `capture` from frame `from` that differ by more than 1 LSB from `reference` from
// frame `referenceFrom`, over `frames` frames (a capture too short counts its missing samples).
size_t Differing(const std::vector<int16_t>& capture, LONGLONG from, const std::vector<int16_t>& reference,
                 LONGLONG referenceFrom, LONGLONG frames)
{
    size_t differing = 0;
    for (LONGLONG i = 0; i < frames * 2; ++i) {
        const size_t at = static_cast<size_t>(from * 2 + i);
        const size_t ref = static_cast<size_t>(referenceFrom * 2 + i);
        if (at >= capture.size() || ref >= reference.size() || std::abs(capture[at] - reference[ref]) > 1)
            ++differing;
    }
    return differing;
}

std::vector<int16_t> WaveOutCapture()
{
    return WaveOutSamples(outputtest::ReadSink(false));
}

}  // namespace

TEST(Transport, ALoopedRangeRepeatsTheRange)
{
    fixtures::TempDir folder(L"playmgr");
    LiveStream stream(folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    fixtures::TempDir offline(L"playmgr");
    // Two seconds across the first cross-fade, on whole frames.
    const LONGLONG start = 11 * kSecond;
    const LONGLONG end = 13 * kSecond;
    const std::vector<int16_t> reference = OfflineRender(offline.Path(), kThreeTracks, -1, start);
    const LONGLONG length = FrameOf(end) - FrameOf(start);
    CPlayManager& manager = stream.Manager();
    bool heard = false;
    ASSERT_TRUE(stream.PlayCleanly([&] {
        manager.PlayRange(start, end, TRUE);
        heard = outputtest::WaitForSinkBytes(length * 4 * 7 / 2, kWaitMs);
        manager.Stop();
    })) << "the renderer fell behind the sink in every attempt";
    ASSERT_TRUE(heard) << "the range was not played three times";
    const std::vector<int16_t> capture = WaveOutCapture();
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_EQ(Differing(capture, pass * length, reference, 0, length), 0u) << "pass " << pass;
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
}

TEST(Transport, PlayTrackPlaysOneTrackAloneToItsEnd)
{
    fixtures::TempDir folder(L"playmgr");
    LiveStream stream(folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    fixtures::TempDir offline(L"playmgr");
    const std::vector<int16_t> alone = OfflineRender(offline.Path(), kThreeTracks, 1);
    CPlayManager& manager = stream.Manager();
    CPlayItem* item = nullptr;
    ASSERT_TRUE(manager.GetPlayList().GetAt(1, &item));
    const LONGLONG itemStart = item->GetMixStart();
    const LONGLONG itemEnd = item->GetMixEnd();
    const LONGLONG frames = FrameOf(itemEnd) - FrameOf(itemStart);
    bool ended = false;
    ASSERT_TRUE(stream.PlayCleanly(
        [&] {
            // The cursor lies before the item: it plays from the item's start.
            manager.SetCursorPosition(0, FALSE);
            manager.PlayTrack(static_cast<DWORD>(item->GetTrackId()));
            ended = stream.WaitUntilStopped(kWaitMs);
        },
        [&] { return HasSinkGap(WaveOutCapture(), 0, alone, FrameOf(itemStart), frames); }))
        << "the renderer or the sound system fell behind the sink in every attempt";
    ASSERT_TRUE(ended);
    // The stream stops itself at the item's end, so the sink may drop the last of it.
    const std::vector<int16_t> capture = WaveOutCapture();
    const auto heard = static_cast<LONGLONG>(capture.size() / 2);
    ASSERT_GE(heard + kSinkDropFrames, frames) << "the capture ends before the item's end";
    EXPECT_EQ(Differing(capture, 0, alone, FrameOf(itemStart), std::min(frames, heard)), 0u)
        << "the capture is not the track alone from its start to its end";
    LONGLONG cursor = 0;
    manager.GetCursorPosition(&cursor);
    EXPECT_EQ(cursor, itemEnd) << "the cursor lands on the item's end";
    const std::vector<std::string> calls = stream.Host().Take();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "starting " + std::to_string(itemStart));
    EXPECT_EQ(calls[1], "started " + std::to_string(itemStart));
}

TEST(Transport, ASkipMovesThePlayPositionToTheNextTracksAudibleStart)
{
    fixtures::TempDir folder(L"playmgr");
    LiveStream stream(folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    fixtures::TempDir offline(L"playmgr");
    const std::vector<int16_t> reference = OfflineRender(offline.Path(), kThreeTracks);
    LONGLONG audibleStart = 0;
    ASSERT_EQ(stream.Mix().Track(1).GetAudibleStart(&audibleStart), S_OK);
    fixtures::TempDir offlineAfter(L"playmgr");
    const std::vector<int16_t> afterReference = OfflineRender(offlineAfter.Path(), kThreeTracks, -1, audibleStart);
    CPlayManager& manager = stream.Manager();
    LONGLONG afterSkip = -1;
    bool reached = false;
    ASSERT_TRUE(stream.PlayCleanly([&] {
        manager.PlayFromStart();
        stream.WaitForPosition(2 * kSecond, kWaitMs);
        manager.SkipToNextTrack();
        manager.GetPlayPosition(&afterSkip);
        reached = stream.WaitForPosition(audibleStart + 2 * kSecond, kWaitMs);
        manager.Stop();
    })) << "the renderer fell behind the sink in every attempt";
    ASSERT_TRUE(reached);
    EXPECT_EQ(afterSkip, audibleStart);
    const std::vector<int16_t> capture = WaveOutCapture();
    // The capture is the mix from its start, then (after what the device already held) the mix
    // from the next track's audible start, sample for sample.
    LONGLONG diverges = 0;
    while (diverges < static_cast<LONGLONG>(capture.size() / 2) &&
           Differing(capture, diverges, reference, diverges, 1) == 0)
        ++diverges;
    ASSERT_GT(diverges, FrameOf(2 * kSecond) - kThreeMilliseconds) << "the start of the mix was not heard whole";
    // The next track's audible start follows within a second (at most 2% of 100 ms off by more
    // than 1 LSB: a seek while playing renders its first blocks without the inputs' history).
    LONGLONG resumed = -1;
    const LONGLONG probe = FrameOf(kSecond / 10);
    for (LONGLONG at = diverges - 1; at < diverges + FrameOf(kSecond) && resumed < 0; ++at)
        if (Differing(capture, at, afterReference, 0, probe) <= static_cast<size_t>(probe * 2 / 50))
            resumed = at;
    EXPECT_GE(resumed, 0) << "the next track's audible start is not heard after the skip";
    const std::vector<std::string> calls = stream.Host().Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "starting " + std::to_string(audibleStart)), calls.end());
}

TEST(Transport, APerformancePlaysOnThroughTheCommandsItRefuses)
{
    fixtures::TempDir folder(L"playmgr");
    LiveStream stream(folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    fixtures::TempDir offline(L"playmgr");
    const std::vector<int16_t> reference = OfflineRender(offline.Path(), kThreeTracks);
    CPlayManager& manager = stream.Manager();
    const DWORD track = static_cast<DWORD>(stream.Mix().Track(2).GetTrackIdValue());
    bool reached = false;
    const LONGLONG compared = FrameOf(4 * kSecond);
    ASSERT_TRUE(stream.PlayCleanly(
        [&] {
            manager.SetHeldPosition(0);
            manager.StartPerformance();
            stream.WaitForPosition(kSecond, kWaitMs);
            manager.PlayFromStart();
            manager.PlayFromPosition(20 * kSecond);
            manager.SkipToNextTrack();
            manager.PlayTrack(track);
            manager.TogglePause();
            manager.Stop();
            // Past the compared part by what the sink may drop at the stop.
            reached = stream.WaitForPosition(4 * kSecond + kSinkDropFrames * kSecond / CMixOutput::kRate, kWaitMs);
            manager.StopPerformance();
        },
        [&] { return HasSinkGap(WaveOutCapture(), 0, reference, 0, compared); }))
        << "the renderer or the sound system fell behind the sink in every attempt";
    ASSERT_TRUE(reached) << "the performance did not play on";
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    LONGLONG held = 0;
    manager.GetHeldPosition(&held);
    EXPECT_GE(held, 4 * kSecond) << "the held position follows the performance";
    const std::vector<int16_t> capture = WaveOutCapture();
    EXPECT_EQ(Differing(capture, 0, reference, 0, compared), 0u) << "the performance was moved by a command it refused";
}

// Heard through DirectSound, whose device stays open across the pause: the capture holds what was
// heard before it and after it. A track of music-like sound (no silence of its own) shows where
// each part lies in the mix.
TEST(Transport, PauseAndResumeContinueWhereItPaused)
{
    fixtures::TempDir folder(L"playmgr");
    const std::vector<TrackFile> files = {{120, kLow, 44100, false, fixtures::MusicLike(24.0, 44100, 2)}};
    LiveStream stream(folder.Path(), files, kMeasures, Device::DirectSound);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    fixtures::TempDir offline(L"playmgr");
    const std::vector<int16_t> reference = OfflineRender(offline.Path(), files);
    CPlayManager& manager = stream.Manager();
    LONGLONG cursor = 0;
    bool resumed = false;
    ASSERT_TRUE(stream.PlayCleanly([&] {
        manager.PlayFromStart();
        stream.WaitForPosition(3 * kSecond, kWaitMs);
        manager.TogglePause();
        EXPECT_EQ(manager.IsPlaying(), S_FALSE);
        manager.GetCursorPosition(&cursor);
        Sleep(300);
        manager.TogglePause();
        resumed = stream.WaitForPosition(cursor + 2 * kSecond, kWaitMs);
        manager.Stop();
        Sleep(200);
    })) << "the renderer fell behind the sink in every attempt";
    ASSERT_TRUE(resumed);
    const std::vector<int16_t> audio = SinkFloat48ToPcm44(folder.Path(), outputtest::ReadSink(true));
    if (audio.empty())
        GTEST_SKIP() << "sox is not reachable from this process";
    const LONGLONG origin = FindOrigin(audio, reference);
    ASSERT_GE(origin, 0);
    // Where the first part stops matching the mix (10 ms windows of relative error).
    const auto windowError = [&](LONGLONG at, LONGLONG referenceAt) {
        double error = 0.0;
        double energy = 0.0;
        for (LONGLONG k = 0; k < 441; ++k) {
            const double a = audio[static_cast<size_t>((at + k) * 2)];
            const double r = reference[static_cast<size_t>((referenceAt + k) * 2)];
            error += (a - r) * (a - r);
            energy += r * r;
        }
        return energy > 0 ? error / energy : 1.0;
    };
    LONGLONG heardUntil = origin;
    while (heardUntil + 441 < origin + static_cast<LONGLONG>(reference.size() / 2) &&
           windowError(heardUntil, heardUntil - origin) < 0.1)
        heardUntil += 441;
    // The second part: the first sound after the silence of the pause, located in the mix.
    const LONGLONG frames = static_cast<LONGLONG>(audio.size() / 2);
    const auto quiet = [&](LONGLONG at) { return std::abs(audio[static_cast<size_t>(at * 2)]) < 200; };
    LONGLONG after = heardUntil;
    for (LONGLONG run = 0; after < frames && run < 441; ++after)
        run = quiet(after) ? run + 1 : 0;
    while (after < frames && quiet(after))
        ++after;
    ASSERT_LT(after + FrameOf(kSecond), static_cast<LONGLONG>(audio.size() / 2)) << "nothing heard after the pause";
    LONGLONG best = 0;
    double bestError = 1e300;
    for (LONGLONG at = FrameOf(cursor) - FrameOf(kSecond / 2); at < FrameOf(cursor) + FrameOf(kSecond / 2); ++at) {
        const double error = windowError(after + 441, at + 441);
        if (error < bestError) {
            bestError = error;
            best = at;
        }
    }
    EXPECT_LT(bestError, 0.1) << "what was heard after the pause is not the mix";
    EXPECT_NEAR(static_cast<double>(best), static_cast<double>(FrameOf(cursor)), kThreeMilliseconds)
        << "playback resumed elsewhere than at the cursor";
    // The pause lands where the sound stopped. The sink drains four times faster than real
    // time, so one 20 ms pass of the device thread is 80 ms of audio: that is the tolerance.
    EXPECT_NEAR(static_cast<double>(heardUntil - origin), static_cast<double>(FrameOf(cursor)), FrameOf(100000))
        << "the cursor is not where the sound paused";
}
