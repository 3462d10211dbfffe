// Offline renders of beat-matched mixes through the whole graph, read back by sox: every beat on
// the mix time its track's time map gives it, the source level kept where a track plays at its own
// tempo, the volume envelope's gain law across a cross-fade, resampled sources on the same beats,
// and output that depends neither on the consumer's read size nor on thread timing.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderFixture.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/TrackLayer.h"
#include "tests/support/TempDir.h"

using namespace rendertest;

namespace {

constexpr ClickSound kLow{1000.0, 0.5};
constexpr ClickSound kMid{1800.0, 0.45};
constexpr ClickSound kHigh{3100.0, 0.4};
constexpr int kMeasures = 14;
constexpr int kOneMillisecond = 44;

LONGLONG FrameOf(LONGLONG microseconds)
{
    return microseconds * 44100 / 1000000;
}

// The track's volume envelope at a mix time, from its own markers (hundredths of a dB).
double VolumeAt(CTrackInfo& track, LONGLONG mixTime)
{
    CTrackLayer* layer = nullptr;
    track.Layers().GetLayer(0, &layer);
    std::vector<std::pair<LONGLONG, LONG>> points;
    const CTrackObjContainer& objects = layer->Objects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        const CTrackObj* o = objects.GetAt(i);
        if (!o->Matches(kTrackObjMarker, kMarkerVolumeMask))
            continue;
        LONGLONG at = 0;
        layer->TrackToMixTime(o->GetStart(), &at);
        points.emplace_back(at, static_cast<const CMarker*>(o)->GetMainValue());
    }
    std::sort(points.begin(), points.end());
    if (points.empty())
        return 0.0;
    if (mixTime <= points.front().first)
        return points.front().second;
    for (size_t i = 1; i < points.size(); ++i)
        if (mixTime <= points[i].first) {
            const double f = static_cast<double>(mixTime - points[i - 1].first) /
                             static_cast<double>(points[i].first - points[i - 1].first);
            return (1 - f) * points[i - 1].second + f * points[i].second;
        }
    return points.back().second;
}

// Track time per mix time around a mix time (1 where the track plays at its own tempo).
double RateAt(CTrackInfo& track, LONGLONG mixTime)
{
    LONGLONG a = 0;
    LONGLONG b = 0;
    track.MixTimeToTrackTime(mixTime - 20000, &a);
    track.MixTimeToTrackTime(mixTime + 20000, &b);
    return (b - a) / 40000.0;
}

struct BeatCheck {
    int checked = 0;
    int worstLag = 0;
};

// Every beat of every track heard at -12 dB or more lies within 1 ms of its mapped mix time.
void ExpectBeatsOnTheirMixTimes(RenderedMix& mix, const std::vector<TrackFile>& files,
                                const std::vector<int16_t>& audio, const char* name)
{
    for (int t = 0; t < mix.TrackCount(); ++t) {
        CTrackInfo& track = mix.Track(t);
        const std::vector<float> click = ClickTemplate(files[static_cast<size_t>(t)].sound, 44100);
        const LONGLONG beat = static_cast<LONGLONG>(60.0e6 / files[static_cast<size_t>(t)].bpm + 0.5);
        BeatCheck result;
        for (LONGLONG trackTime = 0; trackTime < track.GetTrackLength(); trackTime += beat) {
            LONGLONG mixTime = 0;
            ASSERT_TRUE(SUCCEEDED(track.TrackTimeToMixTime(trackTime, &mixTime)));
            if (mixTime < mix.Item(t).GetMixStart() + 20000 || mixTime > mix.Item(t).GetMixEnd() - 20000 ||
                VolumeAt(track, mixTime) < -1200)
                continue;
            const Match m = FindPattern(audio, FrameOf(mixTime), click, 150);
            ++result.checked;
            result.worstLag = std::max(result.worstLag, std::abs(m.lag));
            EXPECT_LE(std::abs(m.lag), kOneMillisecond)
                << name << ": track " << t << " beat at track time " << trackTime << " (mix " << mixTime << ") lands "
                << m.lag << " frames off";
        }
        EXPECT_GT(result.checked, 20) << name << ": track " << t << " has too few audible beats";
    }
}

}  // namespace

TEST(OfflineRender, BeatsLandOnTheirMixTimesAndLevelsHold)
{
    fixtures::TempDir folder(L"render");
    const std::vector<TrackFile> files = {
        {120, kLow, 44100, false}, {126, kMid, 44100, false}, {100, kHigh, 44100, false}};
    RenderedMix mix(folder.Path(), files, kMeasures);
    ASSERT_TRUE(mix.Ready()) << mix.Failure();
    mix.Start(0);
    const std::vector<int16_t> rendered = mix.PullAll(17640);
    std::vector<int16_t> audio;
    if (!RoundTripThroughSox(folder.Path(), rendered, audio))
        GTEST_SKIP() << "sox is not reachable from this process";
    ASSERT_EQ(audio, rendered) << "sox reads the WAV as written";
    ExpectBeatsOnTheirMixTimes(mix, files, audio, "three WAV tracks");

    // Where a track plays at its own tempo and full volume the click keeps its level.
    int ownTempo = 0;
    for (int t = 0; t < mix.TrackCount(); ++t) {
        CTrackInfo& track = mix.Track(t);
        const std::vector<float> click = ClickTemplate(files[static_cast<size_t>(t)].sound, 44100);
        const LONGLONG beat = static_cast<LONGLONG>(60.0e6 / files[static_cast<size_t>(t)].bpm + 0.5);
        for (LONGLONG trackTime = 0; trackTime < track.GetTrackLength(); trackTime += beat) {
            LONGLONG mixTime = 0;
            track.TrackTimeToMixTime(trackTime, &mixTime);
            if (mixTime < mix.Item(t).GetMixStart() + 20000 || mixTime > mix.Item(t).GetMixEnd() - 20000 ||
                std::abs(RateAt(track, mixTime) - 1.0) > 1e-9)
                continue;
            if (VolumeAt(track, mixTime) != 0.0)
                continue;
            const LONGLONG frame = FrameOf(mixTime);
            const Match m = FindPattern(audio, frame, click, 20);
            double dot = 0.0;
            double energy = 0.0;
            for (size_t k = 0; k < click.size(); ++k) {
                dot += audio[static_cast<size_t>(frame + m.lag + static_cast<LONGLONG>(k)) * 2] / 32767.0 * click[k];
                energy += click[k] * click[k];
            }
            ++ownTempo;
            EXPECT_NEAR(20 * std::log10(dot / energy), 0.0, 0.05) << "track " << t << " at mix time " << mixTime;
        }
    }
    EXPECT_GT(ownTempo, 10);
}

// Across a cross-fade the outgoing track follows its volume envelope as 10^(x/2000): the track
// rendered alone with its envelope, against the same track alone played flat (solo), beat by beat.
TEST(OfflineRender, VolumeEnvelopeFollowsItsGainLawAcrossACrossFade)
{
    fixtures::TempDir folder(L"render");
    const std::vector<TrackFile> files = {{120, kLow, 44100, false}, {126, kMid, 44100, false}};
    std::vector<int16_t> renders[2];
    for (const bool flat : {false, true}) {
        RenderedMix mix(folder.Path(), files, kMeasures);
        ASSERT_TRUE(mix.Ready()) << mix.Failure();
        mix.Solo(0, flat);
        mix.Start(0);
        renders[flat ? 1 : 0] = mix.PullAll(17640);
    }
    RenderedMix mix(folder.Path(), files, kMeasures);
    CTrackInfo& track = mix.Track(0);
    const std::vector<float> click = ClickTemplate(kLow, 44100);
    int faded = 0;
    for (LONGLONG trackTime = 0; trackTime < track.GetTrackLength(); trackTime += 500000) {
        LONGLONG mixTime = 0;
        track.TrackTimeToMixTime(trackTime, &mixTime);
        const double level = VolumeAt(track, mixTime);
        if (level == 0.0 || level < -2000)
            continue;
        const LONGLONG frame = FrameOf(mixTime);
        const Match m = FindPattern(renders[1], frame, click, 150);
        double withEnvelope = 0.0;
        double alone = 0.0;
        for (size_t k = 0; k < click.size(); ++k) {
            const size_t at = static_cast<size_t>(frame + m.lag + static_cast<LONGLONG>(k)) * 2;
            withEnvelope += renders[0][at] * static_cast<double>(click[k]);
            alone += renders[1][at] * static_cast<double>(click[k]);
        }
        ++faded;
        // Within a block the gain ramps linearly between the envelope's values at its ends.
        EXPECT_NEAR(20 * std::log10(withEnvelope / alone), level / 100.0, 0.1) << "beat at mix time " << mixTime;
    }
    EXPECT_GT(faded, 5);
}

TEST(OfflineRender, ResampledSourcesLandOnTheSameBeats)
{
    fixtures::TempDir folder(L"render");
    const std::vector<TrackFile> files = {{120, kLow, 48000, true}, {100, kHigh, 22050, false}};
    RenderedMix mix(folder.Path(), files, kMeasures);
    if (!mix.Ready())
        GTEST_SKIP() << mix.Failure();
    mix.Start(0);
    const std::vector<int16_t> rendered = mix.PullAll(17640);
    std::vector<int16_t> audio;
    if (!RoundTripThroughSox(folder.Path(), rendered, audio))
        GTEST_SKIP() << "sox is not reachable from this process";
    ExpectBeatsOnTheirMixTimes(mix, files, audio, "48 kHz MP3 and 22050 Hz WAV");
}

TEST(OfflineRender, OutputDependsNeitherOnReadSizeNorOnThreadTiming)
{
    fixtures::TempDir folder(L"render");
    const std::vector<TrackFile> files = {
        {120, kLow, 44100, false}, {126, kMid, 48000, false}, {100, kHigh, 22050, false}};
    std::vector<std::vector<int16_t>> renders;
    // The ring renders six blocks (1.11 s) ahead, so one read can be served entirely from rendered
    // blocks when it spans at most six block positions: up to five blocks of float audio, 163840
    // bytes of 16-bit audio. A larger read that starts inside a block reaches a seventh position,
    // which is rendered only once the read has recycled the first block.
    for (unsigned readSize : {163840u, 4u, 4412u, 163840u}) {
        RenderedMix mix(folder.Path(), files, kMeasures);
        ASSERT_TRUE(mix.Ready()) << mix.Failure();
        mix.Start(0);
        renders.push_back(mix.PullAll(readSize));
    }
    for (size_t r = 1; r < renders.size(); ++r) {
        ASSERT_EQ(renders[r].size(), renders[0].size());
        size_t differing = 0;
        int worst = 0;
        size_t first = 0;
        for (size_t i = 0; i < renders[0].size(); ++i) {
            const int d = std::abs(renders[r][i] - renders[0][i]);
            if (d != 0 && differing++ == 0)
                first = i;
            worst = std::max(worst, d);
        }
        EXPECT_LE(worst, 1) << "render " << r << " differs by up to " << worst << " in " << differing
                            << " samples, the first at frame " << first / 2;
    }
}
