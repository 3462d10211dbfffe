// The transport heard in the sound sink: a looped range repeats, a pause resumes where it was
// heard, a track plays alone, a skip lands on the next track's audible start, and a performance
// plays on through the commands it refuses. Wave-out captures are compared with the offline
// render to 1 LSB; the pause is heard through DirectSound, whose device stays open across it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "StreamTest.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
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
std::vector<int16_t> OfflineRender(const std::vector<TrackFile>& files, int solo = -1, LONGLONG from = 0)
{
    fixtures::TempDir folder(L"playmgr");
    RenderedMix model(folder.Path(), files, kMeasures);
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

// A DirectSound capture of the mix that stops and, after a silence, goes on elsewhere in it.
struct HeardParts {
    // Frame of the capture where the mix begins; -1 when it is not in the capture.
    LONGLONG origin = -1;
    // Frame of the mix up to which the first part is the mix.
    LONGLONG heardUntil = 0;
    // Frame of the mix (within half a second of where it was expected) that the first sound after
    // the silence is, and how far it is from it; -1 when nothing follows the silence.
    LONGLONG resumedAt = -1;
    double resumedError = 1e300;
};

// Relative error of 10 ms of `audio` from frame `at` against `reference` from `referenceAt`.
double WindowError(const std::vector<int16_t>& audio, LONGLONG at, const std::vector<int16_t>& reference,
                   LONGLONG referenceAt)
{
    double error = 0.0;
    double energy = 0.0;
    for (LONGLONG k = 0; k < 441; ++k) {
        const double a = audio[static_cast<size_t>((at + k) * 2)];
        const double r = reference[static_cast<size_t>((referenceAt + k) * 2)];
        error += (a - r) * (a - r);
        energy += r * r;
    }
    return energy > 0 ? error / energy : 1.0;
}

// Splits a capture of music-like sound (no silence of its own) at the silence in it: where the
// first part stops matching the mix (10 ms windows of relative error) and which place of the mix
// near `expected` the first sound after the silence is.
HeardParts SplitAtSilence(const std::vector<int16_t>& audio, const std::vector<int16_t>& reference, LONGLONG expected)
{
    HeardParts parts;
    parts.origin = FindOrigin(audio, reference);
    if (parts.origin < 0)
        return parts;
    LONGLONG heardUntil = parts.origin;
    while (heardUntil + 441 < parts.origin + static_cast<LONGLONG>(reference.size() / 2) &&
           WindowError(audio, heardUntil, reference, heardUntil - parts.origin) < 0.1)
        heardUntil += 441;
    parts.heardUntil = heardUntil - parts.origin;
    const LONGLONG frames = static_cast<LONGLONG>(audio.size() / 2);
    const auto quiet = [&](LONGLONG at) { return std::abs(audio[static_cast<size_t>(at * 2)]) < 200; };
    // A silence that does not begin within half a second is not there: the second part follows
    // the first at once.
    LONGLONG after = heardUntil;
    const LONGLONG lookUntil = std::min(frames, heardUntil + FrameOf(kSecond / 2));
    for (LONGLONG run = 0; after < lookUntil && run < 441; ++after)
        run = quiet(after) ? run + 1 : 0;
    if (after >= lookUntil)
        after = heardUntil;
    while (after < frames && quiet(after))
        ++after;
    if (after + FrameOf(kSecond) >= frames)
        return parts;
    for (LONGLONG at = expected - FrameOf(kSecond / 2); at < expected + FrameOf(kSecond / 2); ++at) {
        const double error = WindowError(audio, after + 441, reference, at + 441);
        if (error < parts.resumedError) {
            parts.resumedError = error;
            parts.resumedAt = at;
        }
    }
    return parts;
}

class Transport : public StreamTest {};

}  // namespace

TEST_F(Transport, ALoopedRangeRepeatsTheRange)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    // Two seconds across the first cross-fade, on whole frames.
    const LONGLONG start = 11 * kSecond;
    const LONGLONG end = 13 * kSecond;
    const std::vector<int16_t> reference = OfflineRender(kThreeTracks, -1, start);
    const LONGLONG length = FrameOf(end) - FrameOf(start);
    CPlayManager& manager = Manager();
    bool heard = false;
    ASSERT_TRUE(Stream().PlayCleanly([&] {
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

TEST_F(Transport, PlayTrackPlaysOneTrackAloneToItsEnd)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    const std::vector<int16_t> alone = OfflineRender(kThreeTracks, 1);
    CPlayManager& manager = Manager();
    CPlayItem* item = nullptr;
    ASSERT_TRUE(manager.GetPlayList().GetAt(1, &item));
    const LONGLONG itemStart = item->GetMixStart();
    const LONGLONG itemEnd = item->GetMixEnd();
    const LONGLONG frames = FrameOf(itemEnd) - FrameOf(itemStart);
    bool ended = false;
    ASSERT_TRUE(Stream().PlayCleanly(
        [&] {
            // The cursor lies before the item: it plays from the item's start.
            manager.SetCursorPosition(0, FALSE);
            manager.PlayTrack(static_cast<DWORD>(item->GetTrackId()));
            ended = Stream().WaitUntilStopped(kWaitMs);
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
    const std::vector<std::string> calls = Stream().Host().Take();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "starting " + std::to_string(itemStart));
    EXPECT_EQ(calls[1], "started " + std::to_string(itemStart));
}

// Wave-out hands the sink our samples as they are: after a skip the next track's audible start
// follows what was heard of the mix, sample for sample, with no silence of unrendered blocks.
TEST_F(Transport, ASkipMovesThePlayPositionToTheNextTracksAudibleStart)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    const std::vector<int16_t> reference = OfflineRender(kThreeTracks);
    LONGLONG audibleStart = 0;
    ASSERT_EQ(Stream().Mix().Track(1).GetAudibleStart(&audibleStart), S_OK);
    const std::vector<int16_t> afterReference = OfflineRender(kThreeTracks, -1, audibleStart);
    CPlayManager& manager = Manager();
    LONGLONG heardAtSkip = 0;
    LONGLONG afterSkip = -1;
    bool reached = false;
    ASSERT_TRUE(Stream().PlayCleanly([&] {
        manager.PlayFromStart();
        Stream().WaitForPosition(2 * kSecond, kWaitMs);
        heardAtSkip = manager.GetMixOutput()->GetPosition();
        manager.SkipToNextTrack();
        manager.GetPlayPosition(&afterSkip);
        reached = Stream().WaitForPosition(audibleStart + 2 * kSecond, kWaitMs);
        manager.Stop();
    })) << "the renderer fell behind the sink in every attempt";
    ASSERT_TRUE(reached);
    EXPECT_EQ(afterSkip, audibleStart);
    const std::vector<int16_t> capture = WaveOutCapture();
    // Where the next track's audible start begins in the capture: the capture from there is that
    // part of the mix for a second (at most 2% of it off by more than 1 LSB: a seek renders its
    // first blocks without the inputs' history).
    const LONGLONG second = FrameOf(kSecond);
    LONGLONG resumed = -1;
    for (LONGLONG at = 0; at + second <= static_cast<LONGLONG>(capture.size() / 2) && resumed < 0; ++at)
        if (Differing(capture, at, afterReference, 0, second) <= static_cast<size_t>(second * 2 / 50))
            resumed = at;
    ASSERT_GE(resumed, 0) << "the next track's audible start is not heard whole after the skip";
    // Before it the capture holds the mix from its start, as far as the sink kept it (wave-out
    // opens the sink anew when the stream starts again): the next track follows within 100 ms of
    // what was heard at the skip.
    EXPECT_EQ(Differing(capture, 0, reference, 0, resumed), 0u) << "the start of the mix was not heard as it is";
    EXPECT_LE(resumed, FrameOf(heardAtSkip) + FrameOf(kSecond / 10))
        << "the old place played on for " << (resumed - FrameOf(heardAtSkip)) * 1000 / CMixOutput::kRate
        << " ms after the skip";
    const std::vector<std::string> calls = Stream().Host().Take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "starting " + std::to_string(audibleStart)), calls.end());
}

// Heard through DirectSound, whose buffer holds what was written ahead of its play cursor (up to
// the whole buffer): the skip stops it before it seeks, so nothing of the old place plays on past
// the moment of the skip, and the next track's audible start is what follows the short silence
// while its first blocks render.
TEST_F(Transport, ASkipThroughDirectSoundLeavesNothingOfTheOldPlaceToPlayOn)
{
    // Two tracks of music-like sound, the second the first backwards: no place of one passes for
    // a place of the other.
    const std::vector<int16_t> music = fixtures::MusicLike(24.0, 44100, 2);
    const std::vector<int16_t> backwards(music.rbegin(), music.rend());
    const std::vector<TrackFile> files = {{120, kLow, 44100, false, music}, {126, kMid, 44100, false, backwards}};
    ASSERT_NO_FATAL_FAILURE(Open(Device::DirectSound, files));
    const std::vector<int16_t> reference = OfflineRender(files);
    LONGLONG audibleStart = 0;
    ASSERT_EQ(Stream().Mix().Track(1).GetAudibleStart(&audibleStart), S_OK);
    CPlayManager& manager = Manager();
    LONGLONG heardAtSkip = 0;
    bool reached = false;
    ASSERT_TRUE(Stream().PlayCleanly([&] {
        manager.PlayFromStart();
        Stream().WaitForPosition(3 * kSecond, kWaitMs);
        heardAtSkip = manager.GetMixOutput()->GetPosition();
        manager.SkipToNextTrack();
        reached = Stream().WaitForPosition(audibleStart + 2 * kSecond, kWaitMs);
        manager.Stop();
        Sleep(200);
    })) << "the renderer fell behind the sink in every attempt";
    ASSERT_TRUE(reached);
    const std::vector<int16_t> audio = SinkFloat48ToPcm44(Folder().Path(), outputtest::ReadSink(true));
    if (audio.empty())
        GTEST_SKIP() << "sox is not reachable from this process";
    const HeardParts parts = SplitAtSilence(audio, reference, FrameOf(audibleStart));
    ASSERT_GE(parts.origin, 0);
    // One 20 ms pass of the device thread is 80 ms of audio in the sink: that is the tolerance.
    EXPECT_LE(parts.heardUntil, FrameOf(heardAtSkip) + FrameOf(100000))
        << "the old place played on for " << (parts.heardUntil - FrameOf(heardAtSkip)) * 1000 / CMixOutput::kRate
        << " ms after the skip";
    ASSERT_GE(parts.resumedAt, 0) << "nothing heard after the skip";
    EXPECT_LT(parts.resumedError, 0.1) << "what was heard after the skip is not the mix";
    // Where the second part begins is known to a 10 ms window when no silence parts it from the first.
    EXPECT_NEAR(static_cast<double>(parts.resumedAt), static_cast<double>(FrameOf(audibleStart)),
                441 + kThreeMilliseconds)
        << "the skip landed elsewhere than at the next track's audible start";
}

TEST_F(Transport, APerformancePlaysOnThroughTheCommandsItRefuses)
{
    ASSERT_NO_FATAL_FAILURE(Open(Device::WaveOut));
    const std::vector<int16_t> reference = OfflineRender(kThreeTracks);
    CPlayManager& manager = Manager();
    const DWORD track = static_cast<DWORD>(Stream().Mix().Track(2).GetTrackIdValue());
    bool reached = false;
    const LONGLONG compared = FrameOf(4 * kSecond);
    ASSERT_TRUE(Stream().PlayCleanly(
        [&] {
            manager.SetHeldPosition(0);
            manager.StartPerformance();
            Stream().WaitForPosition(kSecond, kWaitMs);
            manager.PlayFromStart();
            manager.PlayFromPosition(20 * kSecond);
            manager.SkipToNextTrack();
            manager.PlayTrack(track);
            manager.TogglePause();
            manager.Stop();
            // Past the compared part by what the sink may drop at the stop.
            reached = Stream().WaitForPosition(4 * kSecond + kSinkDropFrames * kSecond / CMixOutput::kRate, kWaitMs);
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
TEST_F(Transport, PauseAndResumeContinueWhereItPaused)
{
    const std::vector<TrackFile> files = {{120, kLow, 44100, false, fixtures::MusicLike(24.0, 44100, 2)}};
    ASSERT_NO_FATAL_FAILURE(Open(Device::DirectSound, files));
    const std::vector<int16_t> reference = OfflineRender(files);
    CPlayManager& manager = Manager();
    LONGLONG cursor = 0;
    bool resumed = false;
    ASSERT_TRUE(Stream().PlayCleanly([&] {
        manager.PlayFromStart();
        Stream().WaitForPosition(3 * kSecond, kWaitMs);
        manager.TogglePause();
        EXPECT_EQ(manager.IsPlaying(), S_FALSE);
        manager.GetCursorPosition(&cursor);
        Sleep(300);
        manager.TogglePause();
        resumed = Stream().WaitForPosition(cursor + 2 * kSecond, kWaitMs);
        manager.Stop();
        Sleep(200);
    })) << "the renderer fell behind the sink in every attempt";
    ASSERT_TRUE(resumed);
    const std::vector<int16_t> audio = SinkFloat48ToPcm44(Folder().Path(), outputtest::ReadSink(true));
    if (audio.empty())
        GTEST_SKIP() << "sox is not reachable from this process";
    const HeardParts parts = SplitAtSilence(audio, reference, FrameOf(cursor));
    ASSERT_GE(parts.origin, 0);
    ASSERT_GE(parts.resumedAt, 0) << "nothing heard after the pause";
    EXPECT_LT(parts.resumedError, 0.1) << "what was heard after the pause is not the mix";
    EXPECT_NEAR(static_cast<double>(parts.resumedAt), static_cast<double>(FrameOf(cursor)), kThreeMilliseconds)
        << "playback resumed elsewhere than at the cursor";
    // The pause lands where the sound stopped. The sink drains four times faster than real
    // time, so one 20 ms pass of the device thread is 80 ms of audio: that is the tolerance.
    EXPECT_NEAR(static_cast<double>(parts.heardUntil), static_cast<double>(FrameOf(cursor)), FrameOf(100000))
        << "the cursor is not where the sound paused";
}
