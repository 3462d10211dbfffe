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
    ExpectBeatsOnTheirMixTimes(mix, files, audio, 0, kOneMillisecond, "three WAV tracks");

    // Where a track plays at its own tempo and full volume the click keeps its level.
    ExpectSourceLevelAtOwnTempo(mix, files, audio, 0, 0.05, "three WAV tracks");
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
    ExpectBeatsOnTheirMixTimes(mix, files, audio, 0, kOneMillisecond, "48 kHz MP3 and 22050 Hz WAV");
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

// Cutting a segment in two changes nothing that is heard: the pieces play on from each other as
// the whole segment did, in a track stretched to the mix tempo too. Made before the mix plays, or
// while it plays, ahead of the play position in a track that has not started: then the play items
// are loaded again under the running mix output, as a rebuild does.
TEST(OfflineRender, ASplitSegmentSoundsAsTheWholeOne)
{
    fixtures::TempDir folder(L"render");
    const std::vector<TrackFile> files = {{120, kLow, 44100, false}, {126, kMid, 44100, false}};
    RenderedMix whole(folder.Path(), files, kMeasures);
    ASSERT_TRUE(whole.Ready()) << whole.Failure();
    whole.Start(0);
    const std::vector<int16_t> reference = whole.PullAll(17640);

    struct Case {
        const char* name;
        std::vector<int> tracks;
        size_t playedBytes;  // rendered before the split
    };
    const size_t fourSeconds = static_cast<size_t>(CMixOutput::MicrosecondsToBytes(4000000));
    for (const Case& c : {Case{"both tracks before playing", {0, 1}, 0},
                          Case{"the second track while the first plays", {1}, fourSeconds}}) {
        SCOPED_TRACE(c.name);
        RenderedMix split(folder.Path(), files, kMeasures);
        ASSERT_TRUE(split.Ready()) << split.Failure();
        std::vector<int16_t> audio;
        if (c.playedBytes > 0) {
            split.Start(0);
            audio = split.Pull(c.playedBytes, 17640);
        }
        for (const int t : c.tracks) {
            CTrackInfo& track = split.Track(t);
            CTrackLayer* layer = nullptr;
            ASSERT_TRUE(track.Layers().GetLayer(0, &layer));
            LONGLONG at = 0;
            ASSERT_EQ(track.TrackTimeToMixTime(track.GetTrackLength() / 3 + 12345, &at), S_OK);
            ASSERT_GT(at, 8000000) << "ahead of what has played";
            ASSERT_EQ(layer->SplitSegmentsAtMixTime(at), S_OK);
        }
        mixtest::Rebuild(split.Mix());
        if (c.playedBytes > 0) {
            for (int t = 0; t < 2; ++t)
                LoadPlayItem(split.Item(t), split.Track(t));
        } else {
            split.Start(0);
        }
        const std::vector<int16_t> rest = split.Pull(reference.size() * 2 - c.playedBytes, 17640);
        audio.insert(audio.end(), rest.begin(), rest.end());
        ASSERT_EQ(audio.size(), reference.size());
        size_t differing = 0;
        size_t first = 0;
        for (size_t i = 0; i < reference.size(); ++i)
            if (std::abs(audio[i] - reference[i]) > 1 && differing++ == 0)
                first = i / 2;
        EXPECT_EQ(differing, 0u) << "the split mix leaves the whole one at frame " << first;
    }
}
