// Overlay tracks on the mix's musical grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "MixFixture.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/time/TimeMap.h"

using namespace mixtest;

namespace {

constexpr LONGLONG kSecond = 1000000;

// An overlay of a 126 BPM file whose beat segment covers [0, length] of its own time and was
// dropped on the parent's track times [parentStart, parentEnd].
CTrackInfo* AddOverlay(Mix& mix, DWORD mixing, LONGLONG length, LONGLONG parentStart, LONGLONG parentEnd)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(mix.tracks.GetCount() + 1);
    track->SetSampleInfo(kRate, MeasureSamples(126) * 60);
    track->SetFlags(kTrackOverlay);
    // Dropped just now: its musical times come from the parent's track times at the next rebuild.
    track->SetOverlayMusicTimesSet(FALSE);
    track->SetBpm(126);
    track->SetMixingKind(mixing);
    CSegment* segment = new CSegment(kSegmentBeat, 0, length, 0);
    segment->SetTime(6, parentStart);
    segment->SetTime(7, parentEnd);
    segment->SetTime(8, length);
    track->MainObjects().Append(segment);
    mix.tracks.AppendReference(track);
    track->ReleaseFromOwner();
    mix.analyses.emplace_back();
    return track;
}

class OverlayTracks : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_beatMap = new CMasterBeatMap(nullptr);
        AddTrack(mix, {120, 60, 2, 8, 50, 8, kMixingBeat});
    }
    void TearDown() override { m_beatMap->Release(); }

    // What the mix manager's rebuild runs.
    void Rebuild()
    {
        CMixBuilder::BuildMix(mix.tracks);
        m_beatMap->Rebuild(mix.tracks);
        CMixBuilder::LinkOverlayTracks(&mix.results, *m_beatMap, mix.tracks);
    }

    // Puts a new track at the front of the mix.
    void InsertFirst(const SyntheticTrack& spec)
    {
        const CProfileResults results = MakeResults(spec, 100 + mix.tracks.GetCount());
        CTrackInfo* track = MakeTrack(spec, results, 100 + mix.tracks.GetCount());
        std::vector<CTrackInfo*> rest;
        for (int i = 0; i < mix.tracks.GetCount(); ++i) {
            rest.push_back(mix.tracks.GetAt(i));
            rest.back()->AddRef();
        }
        mix.tracks.RemoveAll();
        mix.tracks.AppendReference(track);
        track->ReleaseFromOwner();
        for (CTrackInfo* t : rest) {
            mix.tracks.AppendReference(t);
            t->Release();
        }
        mix.results.Add(results);
        mix.analyses.insert(mix.analyses.begin(), results);
    }

    const CTimeMap& MapOf(CTrackInfo& track)
    {
        CTimeMap* map = nullptr;
        track.Layers().GetFirstTimeMap(&map);
        return *map;
    }

    Mix mix;
    CMasterBeatMap* m_beatMap = nullptr;
};

}  // namespace

TEST_F(OverlayTracks, BeatMixedOverlayPlaysOneOfItsMeasuresPerMeasureOfTheMix)
{
    const LONGLONG overlayMeasure = SamplesToMicroseconds(MeasureSamples(126));
    CTrackInfo* overlay = AddOverlay(mix, kMixingBeat, 10 * overlayMeasure, 40 * kSecond, 56 * kSecond);
    AddTrack(mix, {126, 60, 2, 8, 50, 8, kMixingBeat});
    Rebuild();
    const CTimeMap& map = MapOf(*overlay);
    ASSERT_GE(map.GetPointCount(), 2);
    for (int i = 1; i < map.GetPointCount(); ++i) {
        const TIMEMAP_POINT& p = map.GetPoint(i - 1);
        const TIMEMAP_POINT& q = map.GetPoint(i);
        EXPECT_GT(q.mixTime, p.mixTime) << "point " << i;
        EXPECT_GT(q.trackTime, p.trackTime) << "point " << i;
        EXPECT_GT(q.rate, 0.0) << "point " << i;
    }
    // The parent plays at its own speed there, so the mix's measures are its 2 s measures; the
    // overlay's 1.905 s measures are stretched onto them.
    CTrackInfo& parent = *mix.tracks.GetAt(0);
    const LONGLONG mixStart = MixTimeOf(parent, 40 * kSecond);
    EXPECT_EQ(map.GetPoint(0).mixTime, mixStart);
    for (int k = 1; k <= 8; ++k) {
        LONGLONG trackTime = 0;
        ASSERT_TRUE(SUCCEEDED(map.MixToTrackTime(mixStart + k * 2 * kSecond, &trackTime))) << "measure " << k;
        EXPECT_NEAR(trackTime, k * overlayMeasure, 1000) << "measure " << k;
    }
    // The segment ends where the last linked measure took it.
    EXPECT_EQ(overlay->MainObjects().GetAt(0)->GetEnd(), map.GetPoint(map.GetPointCount() - 1).trackTime);
}

TEST_F(OverlayTracks, MusicalPlaceIsComputedOnceAndKeptOverRebuilds)
{
    const LONGLONG overlayMeasure = SamplesToMicroseconds(MeasureSamples(126));
    CTrackInfo* overlay = AddOverlay(mix, kMixingBeat, 10 * overlayMeasure, 40 * kSecond, 56 * kSecond);
    Rebuild();
    CTimeMap before;
    MapOf(*overlay).CopyTo(before);
    // The recorded parent times change; the musical times already taken from them stay.
    CSegment* segment = static_cast<CSegment*>(overlay->MainObjects().GetAt(0));
    segment->SetTime(6, 44 * kSecond);
    Rebuild();
    EXPECT_TRUE(MapOf(*overlay) == before);
    overlay->SetOverlayMusicTimesSet(FALSE);
    Rebuild();
    EXPECT_EQ(MapOf(*overlay).GetPoint(0).mixTime, MixTimeOf(*mix.tracks.GetAt(0), 44 * kSecond));
}

TEST_F(OverlayTracks, StandardOverlayPlaysItsLengthAtOneRate)
{
    CTrackInfo* overlay = AddOverlay(mix, kMixingStandard, 12 * kSecond, 40 * kSecond, 56 * kSecond);
    Rebuild();
    const CTimeMap& map = MapOf(*overlay);
    ASSERT_EQ(map.GetPointCount(), 2);
    const LONGLONG mixStart = MixTimeOf(*mix.tracks.GetAt(0), 40 * kSecond);
    EXPECT_EQ(map.GetPoint(0).mixTime, mixStart);
    EXPECT_EQ(map.GetPoint(1).mixTime, mixStart + 12 * kSecond);
    EXPECT_EQ(map.GetPoint(0).rate, 1.0);
    EXPECT_EQ(map.GetPoint(1).trackTime, 12 * kSecond);
}

TEST(LinkSegmentPoints, SecondPairAveragesItsRatioThroughAMiddlePoint)
{
    CTimeMap map;
    CMixBuilder::LinkSegmentPoints({0, 0, 1.0}, {2000000, 2000000, 1.0}, TRUE, map);
    CMixBuilder::LinkSegmentPoints({2000000, 2000000, 1.0}, {4000000, 3800000, 1.0}, FALSE, map);
    ASSERT_EQ(map.GetPointCount(), 4);
    const TIMEMAP_POINT& mid = map.GetPoint(2);
    const TIMEMAP_POINT& end = map.GetPoint(3);
    EXPECT_EQ(mid.mixTime, 3000000);
    // 1.0 -> 0.85 -> 0.9: means 0.925 and 0.875 over the two halves, 0.9 over the pair.
    EXPECT_NEAR(mid.rate, 0.85, 1e-12);
    EXPECT_NEAR(end.rate, 0.9, 1e-12);
    EXPECT_NEAR(static_cast<double>(mid.trackTime), 2000000 + 0.925 * 1000000, 1.0);
    EXPECT_NEAR(static_cast<double>(end.trackTime - mid.trackTime), (mid.rate + end.rate) / 2 * 1000000, 1.0);
    // A pair that would need a negative rate is left out.
    CMixBuilder::LinkSegmentPoints({4000000, 3800000, 1.0}, {4100000, 3800001, 1.0}, FALSE, map);
    EXPECT_EQ(map.GetPointCount(), 4);
}

TEST_F(OverlayTracks, KeepsItsMusicalPlaceOnItsParentThroughChangesBeforeIt)
{
    AddTrack(mix, {126, 60, 2, 8, 50, 8, kMixingBeat});
    CTrackInfo* parent = mix.tracks.GetAt(1);
    const LONGLONG parentStart = MeasureStartTime(mix.analyses[1], 20);
    const LONGLONG parentEnd = MeasureStartTime(mix.analyses[1], 28);
    const LONGLONG overlayMeasure = SamplesToMicroseconds(MeasureSamples(126));
    CTrackInfo* overlay = AddOverlay(mix, kMixingBeat, 8 * overlayMeasure, parentStart, parentEnd);
    AddTrack(mix, {100, 60, 2, 8, 50, 8, kMixingBeat});

    struct Step {
        const char* name;
        std::function<void()> change;
    };
    const Step steps[] = {
        {"built", [] {}},
        {"first track removed", [&] { mix.tracks.RemoveById(1); }},
        {"track inserted before the parent",
         [&] {
             InsertFirst({100, 40, 2, 8, 30, 8, kMixingBeat});
         }},
        {"tempo before the parent changed",
         [&] {
             CMarker* marker = FindMarker(*mix.tracks.GetAt(0), kTempoMarkerStart);
             marker->SetMainValue(112000);
             marker->SetUserAdjusted(TRUE);
         }},
        {"standard track inserted before the parent",
         [&] {
             InsertFirst({120, 30, 2, 8, 20, 8, kMixingStandard});
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        Rebuild();
        const CTimeMap& map = MapOf(*overlay);
        ASSERT_GE(map.GetPointCount(), 2);
        EXPECT_NEAR(map.GetPoint(0).mixTime, MixTimeOf(*parent, parentStart), 1000);
        EXPECT_NEAR(map.GetPoint(map.GetPointCount() - 1).mixTime, MixTimeOf(*parent, parentEnd), 1000);
        EXPECT_NEAR(overlay->MainObjects().GetAt(0)->GetEnd(), 8 * overlayMeasure, 1000);
    }
}

TEST_F(OverlayTracks, BeatSegmentThatLinkingCannotPlaceKeepsItsLength)
{
    // The parent plays 2 s measures from mix time 0 at its track time 0; the overlay's own
    // measures are 1.905 s. Linked, the overlay ends where its linked measures take it: its
    // length is not lost, whichever side of the mix start it lies, and a segment too short for
    // any link keeps its length.
    const LONGLONG overlayMeasure = SamplesToMicroseconds(MeasureSamples(126));
    struct Row {
        const char* name;
        LONGLONG length;
        LONGLONG parentStart;
        LONGLONG end;
    };
    const Row rows[] = {
        {"30 ms overlay", 30000, 40 * kSecond, 30000},
        {"overlay before the grid", 6 * kSecond, -20 * kSecond, 3 * overlayMeasure},
        {"overlay across the mix start", 8 * kSecond, -4 * kSecond, 4 * overlayMeasure},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackInfo* overlay = AddOverlay(mix, kMixingBeat, row.length, row.parentStart, row.parentStart + row.length);
        for (int rebuild = 0; rebuild < 3; ++rebuild) {
            Rebuild();
            const CTrackObj* segment = overlay->MainObjects().GetAt(0);
            EXPECT_EQ(segment->GetStart(), 0);
            EXPECT_NEAR(segment->GetEnd(), row.end, 1000);
            const CTimeMap& map = MapOf(*overlay);
            ASSERT_GE(map.GetPointCount(), 2);
            EXPECT_NEAR(map.GetPoint(0).mixTime, MixTimeOf(*mix.tracks.GetAt(0), row.parentStart), 1000);
            EXPECT_EQ(map.GetPoint(0).trackTime, 0);
            EXPECT_NEAR(map.GetPoint(map.GetPointCount() - 1).mixTime,
                        MixTimeOf(*mix.tracks.GetAt(0), row.parentStart + row.length), 1000);
        }
        mix.tracks.RemoveById(overlay->GetTrackIdValue());
    }
}

TEST_F(OverlayTracks, FurtherLayersOfAPrimaryTrackPlayAtOneRateOnItsOwnMeasures)
{
    // A copy of 6 s of the track from 10 s, placed on the track's own measures 20 to 24 (its
    // grid starts at its first intro marker, measure 2 of the file): one rate over the span,
    // whatever the mixing; its end follows the musical end when beat-mixed, its length when not.
    struct Row {
        const char* name;
        DWORD mixing;
    };
    const Row rows[] = {{"beat-mixed track", kMixingBeat}, {"standard track", kMixingStandard}};
    CTrackInfo& track = *mix.tracks.GetAt(0);
    CTrackLayer* layer = nullptr;
    ASSERT_EQ(track.Layers().AddLayer(&layer), S_OK);
    CSegment* copy = new CSegment(kSegmentBeat, 10 * kSecond, 16 * kSecond, 10 * kSecond);
    copy->SetTime(8, 6 * kSecond);
    CMusicTime start(20 * CMusicTime::kTicksPerMeasure);
    CMusicTime end(24 * CMusicTime::kTicksPerMeasure);
    copy->SetMusicTime(1, &start);
    copy->SetMusicTime(2, &end);
    layer->Objects().Append(copy);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        track.SetMixingKind(row.mixing);
        Rebuild();
        const LONGLONG mixStart = MixTimeOf(track, MeasureStartTime(mix.analyses[0], 22));
        const LONGLONG mixEnd = row.mixing == kMixingBeat ? MixTimeOf(track, MeasureStartTime(mix.analyses[0], 26))
                                                          : mixStart + 6 * kSecond;
        const CTimeMap& map = layer->TimeMap();
        ASSERT_EQ(map.GetPointCount(), 2);
        EXPECT_NEAR(map.GetPoint(0).mixTime, mixStart, 1000);
        EXPECT_NEAR(map.GetPoint(1).mixTime, mixEnd, 1000);
        EXPECT_EQ(map.GetPoint(0).trackTime, 10 * kSecond);
        EXPECT_EQ(map.GetPoint(1).trackTime, 16 * kSecond);
        const double rate = 6.0 * kSecond / static_cast<double>(map.GetPoint(1).mixTime - map.GetPoint(0).mixTime);
        EXPECT_DOUBLE_EQ(map.GetPoint(0).rate, rate);
        EXPECT_DOUBLE_EQ(map.GetPoint(1).rate, rate);
        // The copy's segment keeps its span.
        EXPECT_EQ(copy->GetStart(), 10 * kSecond);
        EXPECT_EQ(copy->GetEnd(), 16 * kSecond);
    }
}

TEST(OverlayWalk, StepsOverAMasterRangeWithoutMeasures)
{
    // Two 120 BPM tracks placed by hand: the first leads [4 s, 20 s], the second [21 s, 37 s];
    // the second of silence between them holds no measure. An overlay on the second track from
    // 18 s to 24 s of the mix is tied to the boundary at 20 s, to the second track's first
    // downbeat at 21 s, and to 23 s.
    CTrackInfoContainer tracks;
    const LONGLONG offsets[2] = {4 * kSecond, 21 * kSecond};
    for (LONG id = 1; id <= 2; ++id) {
        CTrackInfo* track = new CTrackInfo();
        track->SetTrackId(id);
        track->SetSampleInfo(kRate, kRate * 60);
        track->ResetToDefaults();
        track->SetBpm(120.0f);
        track->MainObjects().RemoveStartEndMarkers();
        track->MainObjects().AddStartMarker(0);
        track->MainObjects().AddEndMarker(16 * kSecond);
        CTimeMap* map = nullptr;
        track->Layers().GetFirstTimeMap(&map);
        map->InsertPoint(offsets[id - 1], 0, 1.0);
        map->InsertPoint(offsets[id - 1] + 60 * kSecond, 60 * kSecond, 1.0);
        track->SetLeadSpan(offsets[id - 1], offsets[id - 1] + 16 * kSecond);
        tracks.AppendReference(track);
        track->ReleaseFromOwner();
    }
    CTrackInfo* overlay = new CTrackInfo();
    overlay->SetTrackId(3);
    overlay->SetSampleInfo(kRate, MeasureSamples(126) * 60);
    overlay->SetFlags(kTrackOverlay);
    overlay->SetOverlayMusicTimesSet(FALSE);
    overlay->SetBpm(126);
    overlay->SetMixingKind(kMixingBeat);
    CSegment* segment = new CSegment(kSegmentBeat, 0, 20 * kSecond, 0);
    segment->SetTime(6, -3 * kSecond);
    segment->SetTime(7, 3 * kSecond);
    overlay->MainObjects().Append(segment);
    tracks.AppendReference(overlay);
    overlay->ReleaseFromOwner();

    CMasterBeatMap* beatMap = new CMasterBeatMap(nullptr);
    beatMap->Rebuild(tracks);
    CMixBuilder::PlaceOverlayTracks(*beatMap, tracks);
    CTimeMap* map = nullptr;
    overlay->Layers().GetFirstTimeMap(&map);
    std::vector<LONGLONG> mixTimes;
    for (int i = 0; i < map->GetPointCount(); ++i)
        mixTimes.push_back(map->GetPoint(i).mixTime);
    for (LONGLONG boundary : {18 * kSecond, 20 * kSecond, 21 * kSecond, 23 * kSecond, 24 * kSecond})
        EXPECT_NE(std::find(mixTimes.begin(), mixTimes.end(), boundary), mixTimes.end()) << boundary;
    beatMap->Release();
}
