// Tempo markers and rate points: the outgoing track bends toward the next track's tempo, user
// tempos survive rebuilds and win.
#include <gtest/gtest.h>

#include "MixFixture.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/time/TimeMap.h"

using namespace mixtest;

namespace {

SyntheticTrack Beat(float bpm)
{
    return {bpm, 60, 2, 8, 50, 8, kMixingBeat};
}

const CTimeMap& MapOf(CTrackInfo& track)
{
    CTimeMap* map = nullptr;
    track.Layers().GetFirstTimeMap(&map);
    return *map;
}

// The rate of the map point at a track time; 0 when there is none.
double RateAtPoint(CTrackInfo& track, LONGLONG trackTime)
{
    const CTimeMap& map = MapOf(track);
    for (int i = 0; i < map.GetPointCount(); ++i)
        if (map.GetPoint(i).trackTime == trackTime)
            return map.GetPoint(i).rate;
    return 0;
}

LONGLONG SegmentEnd(CTrackInfo& track)
{
    return track.MainObjects().GetLatestEnd();
}

}  // namespace

TEST(TempoMarkers, OutgoingTrackBendsAThirdAndTwoThirdsTowardTheNextTempo)
{
    struct Row {
        float from, to;
    } rows[] = {{120, 126}, {126, 100}, {100, 120}};
    for (const Row& row : rows) {
        Mix mix;
        AddTrack(mix, Beat(row.from));
        AddTrack(mix, Beat(row.to));
        Rebuild(mix);
        CTrackInfo& track = *mix.tracks.GetAt(0);
        const LONGLONG outroStart = MeasureStartTime(mix.analyses[0], 50);
        const LONGLONG outroEnd = MeasureStartTime(mix.analyses[0], 58);
        const LONGLONG inStart = MeasureStartTime(mix.analyses[1], 2);
        const LONGLONG inEnd = MeasureStartTime(mix.analyses[1], 10);
        // Outro measures at the target rate last as long as the incoming intro measures.
        const double target =
            static_cast<double>((outroEnd - outroStart) / 8) / static_cast<double>((inEnd - inStart) / 8);
        const double q1 = 1 - (1 - target) / 3;
        const double q2 = 1 - 2 * (1 - target) / 3;
        const std::string name = std::to_string(row.from) + "->" + std::to_string(row.to);
        struct Expected {
            DWORD type;
            LONGLONG position;
            double bpm;
        } expected[] = {
            {kTempoMarkerStart, 0, row.from},
            {kTempoMarkerBodyEnd, outroStart - 30000000, row.from},
            {kTempoMarkerOutroStart, outroStart, row.from * q1},
            {kTempoMarkerOutroEnd, outroEnd, row.from * q2},
        };
        for (const Expected& e : expected) {
            LONGLONG position = -1;
            double bpm = 0;
            ASSERT_TRUE(CMixBuilder::FindTempoMarker(track, e.type, &position, &bpm)) << name << " type " << e.type;
            EXPECT_EQ(position, e.position) << name << " type " << e.type;
            EXPECT_NEAR(bpm, e.bpm, 0.0011) << name << " type " << e.type;
        }
        EXPECT_NEAR(RateAtPoint(track, outroStart), q1, 1e-12) << name;
        EXPECT_NEAR(RateAtPoint(track, outroEnd), q2, 1e-12) << name;
        EXPECT_NEAR(RateAtPoint(track, SegmentEnd(track)), q2, 1e-12) << name;
        // The incoming track returns to its own tempo in its body.
        CTrackInfo& incoming = *mix.tracks.GetAt(1);
        LONGLONG body = 0;
        ASSERT_TRUE(CMixBuilder::FindTempoMarker(incoming, kTempoMarkerStart, &body, nullptr)) << name;
        EXPECT_EQ(body, inEnd + 30000000) << name;
        EXPECT_EQ(RateAtPoint(incoming, body), 1.0) << name;
    }
}

TEST(TempoMarkers, LastTrackEndsAtItsOwnTempoWithABodyEndMarkerAtItsEnd)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    Rebuild(mix);
    CTrackInfo& track = *mix.tracks.GetAt(0);
    const CTimeMap& map = MapOf(track);
    const TIMEMAP_POINT& last = map.GetPoint(map.GetPointCount() - 1);
    EXPECT_EQ(last.trackTime, SegmentEnd(track));
    EXPECT_EQ(last.rate, 1.0);
    LONGLONG position = 0;
    double bpm = 0;
    ASSERT_TRUE(CMixBuilder::FindTempoMarker(track, kTempoMarkerBodyEnd, &position, &bpm));
    EXPECT_EQ(position, SegmentEnd(track));
    EXPECT_NEAR(bpm, 120.0, 1e-9);
    EXPECT_FALSE(CMixBuilder::FindTempoMarker(track, kTempoMarkerOutroStart, nullptr, nullptr));
}

TEST(TempoMarkers, BodyHalfGapIsCappedAtThirtySeconds)
{
    struct Row {
        LONGLONG gap;
        LONGLONG half;
    } rows[] = {{60000000, 30000000}, {59999999, 29999999}, {90000000, 30000000}, {10000001, 5000000}};
    for (const Row& row : rows) {
        Mix mix;
        AddManualTrack(mix, 120, 200000000, {0, 2000000}, {20000000, 36000000}, kMixingBeat);
        const LONGLONG introEnd = 20000000;
        std::vector<LONGLONG> intro;
        for (LONGLONG t = 4000000; t <= introEnd; t += 2000000)
            intro.push_back(t);
        AddManualTrack(mix, 120, 200000000, intro, {introEnd + row.gap, introEnd + row.gap + 16000000}, kMixingBeat);
        CMixBuilder::BuildMix(mix.tracks);
        LONGLONG body = 0;
        ASSERT_TRUE(CMixBuilder::FindTempoMarker(*mix.tracks.GetAt(1), kTempoMarkerStart, &body, nullptr)) << row.gap;
        EXPECT_EQ(body, introEnd + row.half) << row.gap;
    }
}

TEST(TempoMarkers, UserStartTempoSurvivesRebuildAndWins)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    AddTrack(mix, Beat(126));
    AddTrack(mix, Beat(100));
    Rebuild(mix);
    CTrackInfo& incoming = *mix.tracks.GetAt(1);
    CMarker* marker = FindMarker(incoming, kTempoMarkerStart);
    ASSERT_NE(marker, nullptr);
    const LONGLONG position = marker->GetPositionValue();
    marker->SetMainValue(130000);
    marker->SetUserAdjusted(TRUE);
    Rebuild(mix);
    Rebuild(mix);
    marker = FindMarker(incoming, kTempoMarkerStart);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->GetMainValue(), 130000);
    EXPECT_EQ(marker->GetPositionValue(), position);
    EXPECT_NEAR(RateAtPoint(incoming, position), 130.0 / 126.0, 1e-6);
    // The outgoing track aims at the user's tempo: its outro measures at the target rate last
    // as long as the incoming intro measures played at 130 BPM.
    CTrackInfo& outgoing = *mix.tracks.GetAt(0);
    double target = 0;
    ASSERT_TRUE(CMixBuilder::ComputeOutroTargetRate(&incoming, outgoing, &target));
    const double inMeasure =
        static_cast<double>((MeasureStartTime(mix.analyses[1], 10) - MeasureStartTime(mix.analyses[1], 2)) / 8);
    const double outMeasure =
        static_cast<double>((MeasureStartTime(mix.analyses[0], 58) - MeasureStartTime(mix.analyses[0], 50)) / 8);
    EXPECT_NEAR(target, outMeasure / static_cast<LONGLONG>(inMeasure / (130.0 / 126.0)), 1e-9);
}

TEST(TempoMarkers, UserOutroEndTempoFixesTheRateToTheTrackEnd)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    AddTrack(mix, Beat(126));
    Rebuild(mix);
    CTrackInfo& outgoing = *mix.tracks.GetAt(0);
    CMarker* marker = FindMarker(outgoing, kTempoMarkerOutroEnd);
    ASSERT_NE(marker, nullptr);
    marker->SetMainValue(123000);
    marker->SetUserAdjusted(TRUE);
    Rebuild(mix);
    const LONGLONG outroEnd = MeasureStartTime(mix.analyses[0], 58);
    EXPECT_EQ(FindMarker(outgoing, kTempoMarkerOutroEnd)->GetMainValue(), 123000);
    EXPECT_NEAR(RateAtPoint(outgoing, outroEnd), 123.0 / 120.0, 1e-12);
    EXPECT_NEAR(RateAtPoint(outgoing, SegmentEnd(outgoing)), 123.0 / 120.0, 1e-12);
    // The incoming track's link follows the rates it meets: beats still coincide.
    CTrackInfo& incoming = *mix.tracks.GetAt(1);
    for (int m = 0; m <= 8; ++m)
        EXPECT_NEAR(MixTimeOf(outgoing, MeasureStartTime(mix.analyses[0], 50 + m)),
                    MixTimeOf(incoming, MeasureStartTime(mix.analyses[1], 2 + m)), 1)
            << "measure " << m;
}

TEST(TempoMarkers, ZeroUserStartTempoPlaysAtTheTracksOwnSpeed)
{
    // A start tempo of 0 BPM would stop the track (and a rate of 0 cannot enter a time map).
    Mix mix;
    AddTrack(mix, Beat(120));
    CTrackInfo& track = *mix.tracks.GetAt(0);
    CMixBuilder::AddTempoMarker(track, kTempoMarkerStart, 0, 0.0);
    FindMarker(track, kTempoMarkerStart)->SetUserAdjusted(TRUE);
    Rebuild(mix);
    ASSERT_GE(MapOf(track).GetPointCount(), 2);
    EXPECT_EQ(MapOf(track).GetPoint(0).rate, 1.0);
}

TEST(TempoMarkers, TargetRateNeedsANextTrackAndMeasures)
{
    Mix mix;
    CTrackInfo* outgoing = AddManualTrack(mix, 120, 100000000, {0, 8000000}, {80000000, 96000000}, kMixingBeat);
    CTrackInfo* flat = AddManualTrack(mix, 120, 100000000, {0, 0}, {80000000, 96000000}, kMixingBeat);
    double rate = -1;
    EXPECT_FALSE(CMixBuilder::ComputeOutroTargetRate(nullptr, *outgoing, &rate));
    EXPECT_FALSE(CMixBuilder::ComputeOutroTargetRate(flat, *outgoing, &rate));
    EXPECT_TRUE(CMixBuilder::ComputeOutroTargetRate(outgoing, *flat, &rate));
    EXPECT_DOUBLE_EQ(rate, 1.0);
}
