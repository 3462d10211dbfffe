// A whole mix played from start to end through the live play manager and the player, once through
// DirectSound and once through wave-out, and read back from the sound sink: every beat where the
// mix model puts it, beat-matched cross-fades, the audio spanning the mix and nothing more, the
// source level kept, the capture against the offline render, and the UI updates on the way.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "LiveStream.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

using namespace playmgrtest;
using rendertest::FrameOf;
using rendertest::RenderedMix;
using rendertest::TrackFile;

namespace {

constexpr int kThreeMilliseconds = 132;
constexpr LONGLONG kTwentyMilliseconds = 882;
constexpr LONGLONG kSinkBufferFrames = 4410;
constexpr int kLoud = 1000;

LONGLONG FirstLoudFrame(const std::vector<int16_t>& audio)
{
    for (size_t i = 0; i < audio.size(); ++i)
        if (std::abs(audio[i]) > kLoud)
            return static_cast<LONGLONG>(i / 2);
    return -1;
}

LONGLONG LastLoudFrame(const std::vector<int16_t>& audio)
{
    for (size_t i = audio.size(); i-- > 0;)
        if (std::abs(audio[i]) > kLoud)
            return static_cast<LONGLONG>(i / 2);
    return -1;
}

// Where two consecutive tracks overlap, the beats they share are heard together: for every beat of
// the outgoing track that lands on one of the incoming track's, both clicks are found within 3 ms
// of each other (relative to where the model puts them).
void ExpectCrossFadesOnTheBeat(RenderedMix& model, const std::vector<TrackFile>& files,
                               const std::vector<int16_t>& audio, LONGLONG origin, const char* name)
{
    for (int t = 0; t + 1 < model.TrackCount(); ++t) {
        CTrackInfo& out = model.Track(t);
        CTrackInfo& in = model.Track(t + 1);
        const LONGLONG from = model.Item(t + 1).GetMixStart();
        const LONGLONG to = model.Item(t).GetMixEnd();
        const auto beats = [&](CTrackInfo& track, int index) {
            std::vector<LONGLONG> times;
            const LONGLONG beat = static_cast<LONGLONG>(60.0e6 / files[static_cast<size_t>(index)].bpm + 0.5);
            for (LONGLONG trackTime = 0; trackTime < track.GetTrackLength(); trackTime += beat) {
                LONGLONG mixTime = 0;
                if (SUCCEEDED(track.TrackTimeToMixTime(trackTime, &mixTime)) && mixTime > from + 20000 &&
                    mixTime < to - 20000 && rendertest::VolumeAt(track, mixTime) >= -1200)
                    times.push_back(mixTime);
            }
            return times;
        };
        const std::vector<LONGLONG> outgoing = beats(out, t);
        const std::vector<LONGLONG> incoming = beats(in, t + 1);
        const std::vector<float> outClick = rendertest::ClickTemplate(files[static_cast<size_t>(t)].sound, 44100);
        const std::vector<float> inClick = rendertest::ClickTemplate(files[static_cast<size_t>(t + 1)].sound, 44100);
        int shared = 0;
        for (const LONGLONG a : outgoing) {
            for (const LONGLONG b : incoming) {
                if (std::abs(a - b) > 20000)
                    continue;
                const rendertest::Match ma = rendertest::FindPattern(audio, origin + FrameOf(a), outClick, 150);
                const rendertest::Match mb = rendertest::FindPattern(audio, origin + FrameOf(b), inClick, 150);
                ++shared;
                EXPECT_LE(std::abs(ma.lag - mb.lag), kThreeMilliseconds)
                    << name << ": cross-fade " << t << " at mix time " << a << ": the tracks' clicks lie "
                    << ma.lag - mb.lag << " frames apart";
            }
        }
        EXPECT_GT(shared, 4) << name << ": cross-fade " << t << " has too few shared beats";
    }
}

class EndToEnd : public ::testing::TestWithParam<Device> {};

}  // namespace

TEST_P(EndToEnd, AMixPlaysFromStartToEndAsTheModelLaysItOut)
{
    const bool waveOut = GetParam() == Device::WaveOut;
    const char* name = waveOut ? "wave-out" : "DirectSound";
    fixtures::TempDir folder(L"playmgr");
    LiveStream stream(folder.Path(), kThreeTracks, kMeasures, GetParam());
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    fixtures::TempDir offlineFolder(L"playmgr");
    RenderedMix model(offlineFolder.Path(), kThreeTracks, kMeasures);
    ASSERT_TRUE(model.Ready()) << model.Failure();
    model.Start(0);
    const std::vector<int16_t> reference = model.PullAll(17640);
    ASSERT_EQ(model.EndTime(), stream.EndTime()) << "the live list and the model end together";

    CPlayManager& manager = stream.Manager();
    bool stopped = false;
    const bool clean = stream.PlayCleanly([&] {
        manager.PlayFromStart();
        // The sink runs faster than real time; real time and a margin bound the wait.
        stopped = stream.WaitUntilStopped(static_cast<DWORD>(stream.EndTime() / 1000) + 20000);
    });
    ASSERT_TRUE(stopped) << name << ": the mix did not end";
    if (!clean)
        GTEST_SKIP() << name << ": the renderer fell behind the sink in every attempt (machine too loaded)";
    const std::vector<UiPost> posts = stream.Ui().Take();
    const std::vector<float> sink = outputtest::ReadSink(!waveOut);
    ASSERT_FALSE(sink.empty()) << name << ": nothing reached the sink";

    std::vector<int16_t> audio;
    if (waveOut) {
        audio = WaveOutSamples(sink);
    } else {
        audio = SinkFloat48ToPcm44(folder.Path(), sink);
        if (audio.empty())
            GTEST_SKIP() << "sox is not reachable from this process";
    }
    const LONGLONG origin = FindOrigin(audio, reference);
    ASSERT_GE(origin, 0) << name << ": the mix is not in the capture";

    // Nothing before the mix's start, all of it, and nothing after its end.
    EXPECT_NEAR(static_cast<double>(FirstLoudFrame(audio) - origin), static_cast<double>(FirstLoudFrame(reference)),
                kTwentyMilliseconds)
        << name;
    EXPECT_NEAR(static_cast<double>(LastLoudFrame(audio) - origin), static_cast<double>(LastLoudFrame(reference)),
                kTwentyMilliseconds)
        << name;
    // Once the mix is over the stream stops and wave-out resets its device; ALSA's file sink then
    // drops what it had taken but not yet written out (up to its buffer), although the device had
    // played it. DirectSound's device stays open and the sink keeps all of it.
    const LONGLONG tailLost = waveOut ? kSinkBufferFrames : 0;
    EXPECT_GE(static_cast<LONGLONG>(audio.size() / 2),
              origin + FrameOf(stream.EndTime()) - kTwentyMilliseconds - tailLost)
        << name << ": the capture ends before the mix does";

    rendertest::ExpectBeatsOnTheirMixTimes(model, kThreeTracks, audio, origin, kThreeMilliseconds, name);
    ExpectCrossFadesOnTheBeat(model, kThreeTracks, audio, origin, name);
    rendertest::ExpectSourceLevelAtOwnTempo(model, kThreeTracks, audio, origin, 0.2, name);

    if (waveOut) {
        size_t differing = 0;
        size_t first = 0;
        for (size_t i = 0; i < reference.size(); ++i) {
            const size_t at = static_cast<size_t>(origin) * 2 + i;
            const int captured = at < audio.size() ? audio[at] : 0;
            if (std::abs(captured - reference[i]) > 1 && differing++ == 0)
                first = i;
        }
        EXPECT_EQ(differing, 0u) << "the wave-out capture differs from the offline render in " << differing
                                 << " samples, the first at frame " << first / 2;
        EXPECT_EQ(origin, 0) << "wave-out starts with the mix's first sample";
    } else {
        const std::vector<float> resampled = ResampleTo48k(folder.Path(), reference);
        ASSERT_FALSE(resampled.empty()) << "sox did not resample the render";
        EXPECT_GE(SnrAgainstRender(sink, resampled, origin * 48000 / 44100), 40.0);
    }

    // UI updates: the start, positions rising to the end, each item starting and stopping, then
    // the cursor set at the end.
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.front().code, PlayManagerUi::PlaybackStarted);
    LONGLONG lastPosition = -1;
    int positions = 0;
    std::map<int, int> activity;
    std::vector<int> activityOrder;
    for (const UiPost& post : posts) {
        if (post.code == PlayManagerUi::PositionChanged) {
            EXPECT_GE(post.playPosition, lastPosition) << name << ": the play position went back";
            lastPosition = post.playPosition;
            ++positions;
        } else if (post.code == PlayManagerUi::ItemActivity) {
            if (activity[post.value]++ == 0)
                activityOrder.push_back(post.value);
        }
    }
    EXPECT_GT(positions, 10) << name;
    EXPECT_NEAR(static_cast<double>(lastPosition), static_cast<double>(stream.EndTime()), 1000.0) << name;
    ASSERT_EQ(activityOrder.size(), 3u) << name;
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(activityOrder[static_cast<size_t>(t)], stream.Mix().Track(t).GetTrackIdValue()) << name;
        EXPECT_GE(activity[activityOrder[static_cast<size_t>(t)]], 2) << name << ": track " << t;
    }
    EXPECT_EQ(posts.back().code, PlayManagerUi::CursorSet) << name;
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    LONGLONG cursor = 0;
    manager.GetCursorPosition(&cursor);
    EXPECT_EQ(cursor, manager.GetEndPosition()) << name;
    EXPECT_EQ(manager.GetEndPosition(), stream.EndTime()) << name;
}

INSTANTIATE_TEST_SUITE_P(Devices, EndToEnd, ::testing::Values(Device::DirectSound, Device::WaveOut),
                         [](const ::testing::TestParamInfo<Device>& info) {
                             return info.param == Device::WaveOut ? "WaveOut" : "DirectSound";
                         });
