// Beat alignment of consecutive analysed tracks: invariants of the whole mix after a rebuild.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "MixFixture.h"
#include "engine/core/track/Marker.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/time/TimeMap.h"

using namespace mixtest;

namespace {

const CTimeMap& MapOf(CTrackInfo& track)
{
    CTimeMap* map = nullptr;
    track.Layers().GetFirstTimeMap(&map);
    return *map;
}

std::vector<LONGLONG> MarkerTimes(CTrackInfo& track, DWORD type)
{
    std::vector<LONGLONG> times;
    const CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, type))
            times.push_back(objects.GetAt(i)->GetStart());
    std::sort(times.begin(), times.end());
    return times;
}

// Every object of the first layer as text, sorted.
std::vector<std::string> Describe(CTrackInfo& track)
{
    std::vector<std::string> lines;
    const CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        CTrackObj* o = objects.GetAt(i);
        std::string line = std::to_string(o->GetClass()) + "/" + std::to_string(o->GetType()) + " " +
                           std::to_string(o->GetStart()) + "-" + std::to_string(o->GetEnd());
        if (o->GetClass() == kTrackObjMarker) {
            CMarker* marker = static_cast<CMarker*>(o);
            LONG link = 0;
            LONGLONG offset = 0;
            marker->GetValue(5, &link);
            marker->GetTime(5, &offset);
            line += " v" + std::to_string(marker->GetMainValue()) + " l" + std::to_string(link) + ":" +
                    std::to_string(offset) + (marker->IsUserAdjusted() ? " user" : "");
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

struct MixCase {
    const char* name;
    std::vector<SyntheticTrack> tracks;
};

// Intro of 8 measures from measure 2, outro of 8 measures ending 2 measures before the end.
SyntheticTrack Beat(float bpm, int measures = 60)
{
    return {bpm, measures, 2, 8, measures - 10, 8, kMixingBeat};
}

const MixCase kMixes[] = {
    {"120-126-100", {Beat(120), Beat(126), Beat(100)}},
    {"100-126-120", {Beat(100), Beat(126), Beat(120)}},
    {"126-126", {Beat(126), Beat(126)}},
    {"short bodies 120-100-126", {Beat(120, 24), Beat(100, 24), Beat(126, 24)}},
    {"outro longer than intro", {{120, 60, 2, 4, 42, 16, kMixingBeat}, {126, 60, 2, 8, 50, 8, kMixingBeat}, Beat(100)}},
    {"intro longer than outro", {{120, 60, 2, 8, 54, 4, kMixingBeat}, {126, 60, 1, 16, 50, 8, kMixingBeat}, Beat(100)}},
};

class BeatAlignment : public ::testing::TestWithParam<MixCase> {
protected:
    void SetUp() override
    {
        for (const SyntheticTrack& spec : GetParam().tracks)
            AddTrack(mix, spec);
        Rebuild(mix);
    }
    Mix mix;
};

}  // namespace

TEST_P(BeatAlignment, EveryTimeMapIsStrictlyIncreasingWithPositiveRates)
{
    for (int t = 0; t < mix.tracks.GetCount(); ++t) {
        const CTimeMap& map = MapOf(*mix.tracks.GetAt(t));
        ASSERT_GE(map.GetPointCount(), 2) << "track " << t;
        for (int i = 0; i < map.GetPointCount(); ++i) {
            const TIMEMAP_POINT& p = map.GetPoint(i);
            EXPECT_GT(p.rate, 0.0) << "track " << t << " point " << i;
            if (i == 0)
                continue;
            const TIMEMAP_POINT& q = map.GetPoint(i - 1);
            EXPECT_GT(p.mixTime, q.mixTime) << "track " << t << " point " << i;
            EXPECT_GT(p.trackTime, q.trackTime) << "track " << t << " point " << i;
            // Between two points the rate ramps linearly, so the track time gained is the mean
            // rate times the mix time taken.
            const double gained = (q.rate + p.rate) / 2 * static_cast<double>(p.mixTime - q.mixTime);
            EXPECT_NEAR(static_cast<double>(p.trackTime - q.trackTime), gained, 2.0) << "track " << t << " point " << i;
        }
    }
}

TEST_P(BeatAlignment, PairedOutroAndIntroMarkersCoincideInMixTime)
{
    for (int t = 1; t < mix.tracks.GetCount(); ++t) {
        CTrackInfo& outgoing = *mix.tracks.GetAt(t - 1);
        CTrackInfo& incoming = *mix.tracks.GetAt(t);
        const std::vector<LONGLONG> outro = MarkerTimes(outgoing, kMarkerEnd);
        const std::vector<LONGLONG> intro = MarkerTimes(incoming, kMarkerStart);
        // The longer list loses measures: the outro at its front, the intro at its end.
        const size_t pairs = std::min(outro.size(), intro.size());
        for (size_t j = 0; j < pairs; ++j) {
            const LONGLONG a = outro[outro.size() - pairs + j];
            const LONGLONG b = intro[j];
            EXPECT_NEAR(MixTimeOf(outgoing, a), MixTimeOf(incoming, b), 1)
                << "tracks " << t - 1 << "/" << t << " pair " << j;
        }
    }
}

TEST_P(BeatAlignment, MeanRateOverEachLinkedMeasureIsTheTempoRatio)
{
    for (int t = 1; t < mix.tracks.GetCount(); ++t) {
        CTrackInfo& outgoing = *mix.tracks.GetAt(t - 1);
        CTrackInfo& incoming = *mix.tracks.GetAt(t);
        const std::vector<LONGLONG> outro = MarkerTimes(outgoing, kMarkerEnd);
        const std::vector<LONGLONG> intro = MarkerTimes(incoming, kMarkerStart);
        const size_t pairs = std::min(outro.size(), intro.size());
        const double expected = static_cast<double>(outgoing.GetBpm()) / incoming.GetBpm();
        for (size_t j = 0; j + 1 < pairs; ++j) {
            const LONGLONG a0 = outro[outro.size() - pairs + j];
            const LONGLONG a1 = outro[outro.size() - pairs + j + 1];
            const LONGLONG m0 = MixTimeOf(outgoing, a0);
            const LONGLONG m1 = MixTimeOf(outgoing, a1);
            const double outgoingRate = static_cast<double>(a1 - a0) / static_cast<double>(m1 - m0);
            const double incomingRate = static_cast<double>(intro[j + 1] - intro[j]) / static_cast<double>(m1 - m0);
            // One measure of each in the same mix time: the rates stand as the measure lengths.
            EXPECT_NEAR(incomingRate / outgoingRate, expected, 2e-6)
                << "tracks " << t - 1 << "/" << t << " measure " << j;
        }
    }
}

TEST_P(BeatAlignment, BeatsOfBothTracksCoincideThroughTheOverlap)
{
    for (int t = 1; t < mix.tracks.GetCount(); ++t) {
        const SyntheticTrack& out = GetParam().tracks[static_cast<size_t>(t - 1)];
        const SyntheticTrack& in = GetParam().tracks[static_cast<size_t>(t)];
        CTrackInfo& outgoing = *mix.tracks.GetAt(t - 1);
        CTrackInfo& incoming = *mix.tracks.GetAt(t);
        const int measures = std::min(out.outroMeasures, in.introMeasures);
        const int outFirst = out.outroStart + out.outroMeasures - measures;
        for (int m = 0; m < measures; ++m)
            for (int beat = 0; beat < 4; ++beat) {
                // Beats between the analysed measure starts, a quarter measure apart.
                const LONGLONG a0 = MeasureStartTime(mix.analyses[static_cast<size_t>(t - 1)], outFirst + m);
                const LONGLONG a1 = MeasureStartTime(mix.analyses[static_cast<size_t>(t - 1)], outFirst + m + 1);
                const LONGLONG b0 = MeasureStartTime(mix.analyses[static_cast<size_t>(t)], in.introStart + m);
                const LONGLONG b1 = MeasureStartTime(mix.analyses[static_cast<size_t>(t)], in.introStart + m + 1);
                const LONGLONG a = a0 + (a1 - a0) * beat / 4;
                const LONGLONG b = b0 + (b1 - b0) * beat / 4;
                EXPECT_NEAR(MixTimeOf(outgoing, a), MixTimeOf(incoming, b), 1000)
                    << "tracks " << t - 1 << "/" << t << " measure " << m << " beat " << beat;
            }
    }
}

TEST_P(BeatAlignment, RebuildingAgainChangesNothing)
{
    CTrackInfoContainer before;
    before.AppendCopies(mix.tracks);
    Rebuild(mix);
    ASSERT_EQ(before.GetCount(), mix.tracks.GetCount());
    for (int t = 0; t < mix.tracks.GetCount(); ++t) {
        // Markers laid again are appended anew, so their order in the container may change;
        // what they are, where they lie and what they carry may not.
        CTrackInfo& a = *before.GetAt(t);
        CTrackInfo& b = *mix.tracks.GetAt(t);
        EXPECT_TRUE(MapOf(a) == MapOf(b)) << "track " << t;
        EXPECT_EQ(Describe(a), Describe(b)) << "track " << t;
        LONGLONG spanA[2] = {};
        LONGLONG spanB[2] = {};
        a.GetLeadSpan(&spanA[0], &spanA[1]);
        b.GetLeadSpan(&spanB[0], &spanB[1]);
        EXPECT_EQ(spanA[0], spanB[0]) << "track " << t;
        EXPECT_EQ(spanA[1], spanB[1]) << "track " << t;
    }
}

TEST_P(BeatAlignment, LeadSpansFollowEachOtherToTheEndOfTheMix)
{
    LONGLONG previousTo = 0;
    for (int t = 0; t < mix.tracks.GetCount(); ++t) {
        CTrackInfo& track = *mix.tracks.GetAt(t);
        LONGLONG from = -1;
        LONGLONG to = -1;
        track.GetLeadSpan(&from, &to);
        EXPECT_EQ(from, previousTo) << "track " << t;
        if (t + 1 < mix.tracks.GetCount())
            EXPECT_EQ(to, MixTimeOf(track, MarkerTimes(track, kMarkerEnd).back())) << "track " << t;
        else {
            LONGLONG end = 0;
            track.GetEndTime(&end);
            EXPECT_EQ(to, end);
        }
        previousTo = to;
    }
}

INSTANTIATE_TEST_SUITE_P(Mixes, BeatAlignment, ::testing::ValuesIn(kMixes),
                         [](const ::testing::TestParamInfo<MixCase>& info) { return TestName(info.param.name); });

TEST(MixBuilderPlacement, OneTrackStartsAtZeroAndLeadsToItsEnd)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    Rebuild(mix);
    CTrackInfo& track = *mix.tracks.GetAt(0);
    const TIMEMAP_POINT& first = MapOf(track).GetPoint(0);
    EXPECT_EQ(first.mixTime, 0);
    EXPECT_EQ(first.trackTime, track.MainObjects().GetEarliestStart());
    LONGLONG from = -1;
    LONGLONG to = -1;
    LONGLONG end = 0;
    track.GetLeadSpan(&from, &to);
    track.GetEndTime(&end);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, end);
}

TEST(MixBuilderPlacement, TrackAfterAPauseStartsAtThePreviousAudibleEnd)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    AddPause(mix, 3000000);
    AddTrack(mix, Beat(126));
    AddTrack(mix, Beat(100));
    Rebuild(mix);
    Rebuild(mix);
    CTrackInfo& before = *mix.tracks.GetAt(0);
    CTrackInfo& pause = *mix.tracks.GetAt(1);
    CTrackInfo& after = *mix.tracks.GetAt(2);
    LONGLONG audibleEnd = 0;
    ASSERT_EQ(before.GetAudibleEnd(&audibleEnd), S_OK);
    EXPECT_EQ(MixTimeOf(after, 0), audibleEnd);
    LONGLONG pauseStart = 0;
    pause.GetStartTime(&pauseStart);
    EXPECT_EQ(pauseStart, audibleEnd);
    // The chain is broken: the track after the pause enters flat, not with a cross-fade.
    EXPECT_EQ(CMixBuilder::FindTempoMarker(after, kTempoMarkerStart, nullptr, nullptr), TRUE);
    const CMarker* entry = nullptr;
    for (int i = 0; i < after.MainObjects().GetCount(); ++i)
        if (after.MainObjects().GetAt(i)->Matches(kTrackObjMarker, kFadeInStart))
            entry = static_cast<const CMarker*>(after.MainObjects().GetAt(i));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetMainValue(), 0);
    // The track after it is still linked beat to beat, behind the moved track.
    CTrackInfo& third = *mix.tracks.GetAt(3);
    const std::vector<LONGLONG> outro = MarkerTimes(after, kMarkerEnd);
    const std::vector<LONGLONG> intro = MarkerTimes(third, kMarkerStart);
    EXPECT_NEAR(MixTimeOf(after, outro.front()), MixTimeOf(third, intro.front()), 1);
}

TEST(MixBuilderPlacement, TrackWithoutIntroFollowsByStandardPlacement)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    AddTrack(mix, Beat(126));
    CTrackInfo& incoming = *mix.tracks.GetAt(1);
    incoming.MainObjects().RemoveObjects(kTrackObjMarker, kMarkerStart);
    Rebuild(mix);
    CTrackInfo& outgoing = *mix.tracks.GetAt(0);
    // Intro span empty: the earliest object start sounds at the outgoing outro end, at rate 1.
    const TIMEMAP_POINT& first = MapOf(incoming).GetPoint(0);
    EXPECT_EQ(first.trackTime, 0);
    EXPECT_EQ(first.rate, 1.0);
    EXPECT_EQ(first.mixTime, MixTimeOf(outgoing, MarkerTimes(outgoing, kMarkerEnd).back()));
}

TEST(MixBuilderPlacement, TracksWithoutTempoAreNotBeatLinked)
{
    // A beat link counts measures; a track without a tempo has none and is placed by its
    // intro end instead of being cut into microsecond "measures".
    Mix mix;
    AddTrack(mix, Beat(120));
    CTrackInfoContainer tracks;
    tracks.AppendReference(mix.tracks.GetAt(0));
    // Tempo 0 cannot be set through SetBpm; a fresh track before analysis has it.
    CTrackInfo* untimed = new CTrackInfo();
    untimed->SetFlags(kTrackPrimary);
    untimed->SetMixingKind(kMixingBeat);
    untimed->MainObjects().AddFullSegment(60000000);
    for (LONGLONG t = 4000000; t <= 20000000; t += 2000000)
        untimed->MainObjects().AddStartMarker(t);
    untimed->MainObjects().AddEndMarker(50000000);
    untimed->MainObjects().AddEndMarker(58000000);
    tracks.AppendReference(untimed);
    untimed->ReleaseFromOwner();
    CMixBuilder::BuildMix(tracks);
    CTrackInfo& outgoing = *tracks.GetAt(0);
    const TIMEMAP_POINT& first = MapOf(*untimed).GetPoint(0);
    EXPECT_EQ(first.rate, 1.0);
    EXPECT_EQ(MixTimeOf(*untimed, 20000000), MixTimeOf(outgoing, MarkerTimes(outgoing, kMarkerEnd).back()));
    // The markers the builder makes for it carry the tempo it has: 0.
    LONGLONG position = -1;
    double bpm = -1;
    ASSERT_TRUE(CMixBuilder::FindTempoMarker(*untimed, kTempoMarkerStart, &position, &bpm));
    EXPECT_EQ(position, 0);
    EXPECT_EQ(bpm, 0.0);
}

TEST(MixBuilderPlacement, StandardTracksMeetIntroEndToOutroEnd)
{
    struct Row {
        const char* name;
        float from, to;
        double userStartBpm;  // 0: none
    } rows[] = {
        {"120 then 126", 120, 126, 0},
        {"126 then 100", 126, 100, 0},
        {"user start tempo 110 on a 100 BPM track", 126, 100, 110},
    };
    for (const Row& row : rows) {
        Mix mix;
        AddTrack(mix, {row.from, 60, 2, 8, 50, 8, kMixingStandard});
        AddTrack(mix, {row.to, 60, 2, 8, 50, 8, kMixingStandard});
        CTrackInfo& incoming = *mix.tracks.GetAt(1);
        if (row.userStartBpm > 0) {
            CMixBuilder::AddTempoMarker(incoming, kTempoMarkerStart, 0, row.userStartBpm);
            FindMarker(incoming, kTempoMarkerStart)->SetUserAdjusted(TRUE);
        }
        Rebuild(mix);
        CTrackInfo& outgoing = *mix.tracks.GetAt(0);
        const double rate = row.userStartBpm > 0 ? row.userStartBpm / row.to : 1.0;
        EXPECT_NEAR(MapOf(incoming).GetPoint(0).rate, rate, 1e-6) << row.name;
        // A standard track's intro and outro are single markers at its loud positions.
        EXPECT_EQ(MixTimeOf(incoming, MarkerTimes(incoming, kMarkerStart).back()),
                  MixTimeOf(outgoing, MarkerTimes(outgoing, kMarkerEnd).back()))
            << row.name;
    }
}

TEST(MixBuilderPlacement, UserFadeInAfterAPauseStartsAtThePreviousAudibleEnd)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    AddPause(mix, 3000000);
    AddTrack(mix, Beat(126));
    Rebuild(mix);
    // The user lets the track rise from silence at 2 s: that is where it becomes audible.
    CTrackInfo& after = *mix.tracks.GetAt(2);
    CMarker* rise = FindMarker(after, kFadeInStart);
    ASSERT_NE(rise, nullptr);
    rise->SetPosition(2000000);
    rise->SetMainValue(-10000);
    rise->SetUserAdjusted(TRUE);
    Rebuild(mix);
    Rebuild(mix);
    LONGLONG audibleEnd = 0;
    ASSERT_EQ(mix.tracks.GetAt(0)->GetAudibleEnd(&audibleEnd), S_OK);
    EXPECT_EQ(MixTimeOf(after, 2000000), audibleEnd);
}

TEST(MixBuilderPlacement, BeatLinkWhoseLastPairFailsFails)
{
    // The outgoing track's map ends at 60 s, so it has no rate at its last outro marker (62 s):
    // every pair links but the last, and the whole link fails.
    Mix mix;
    CTrackInfo* outgoing =
        AddManualTrack(mix, 120, 60000000, {0, 2000000},
                       {50000000, 52000000, 54000000, 56000000, 58000000, 60000000, 62000000}, kMixingBeat);
    CTrackInfo* incoming =
        AddManualTrack(mix, 120, 60000000, {4000000, 6000000, 8000000, 10000000, 12000000, 14000000, 16000000},
                       {50000000, 52000000}, kMixingBeat);
    CTimeMap* map = nullptr;
    outgoing->Layers().GetFirstTimeMap(&map);
    map->InsertPoint(0, 0, 1.0);
    map->InsertPoint(60000000, 60000000, 1.0);
    EXPECT_FALSE(CMixBuilder::LinkBeatSpans(*outgoing, *incoming));
    // The earlier pairs did link: their points are there for the caller to clear.
    EXPECT_EQ(MixTimeOf(*incoming, 14000000), 60000000);
    ASSERT_GE(MapOf(*incoming).GetPointCount(), 6);

    // With the map reaching the last marker the same lists link.
    map->InsertPoint(70000000, 70000000, 1.0);
    CTimeMap* incomingMap = nullptr;
    incoming->Layers().GetFirstTimeMap(&incomingMap);
    incomingMap->Clear();
    EXPECT_TRUE(CMixBuilder::LinkBeatSpans(*outgoing, *incoming));
    EXPECT_EQ(MixTimeOf(*incoming, 16000000), 62000000);
}
