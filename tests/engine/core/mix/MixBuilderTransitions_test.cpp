// Default cross-fades, envelope links and the clean-up after an edit.
#include <gtest/gtest.h>

#include <algorithm>

#include "MixFixture.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/track/Segment.h"

using namespace mixtest;

namespace {

SyntheticTrack Beat(float bpm)
{
    return {bpm, 60, 2, 8, 50, 8, kMixingBeat};
}

SyntheticTrack Standard(float bpm)
{
    return {bpm, 60, 2, 8, 50, 8, kMixingStandard};
}

struct Level {
    DWORD type;
    LONGLONG position;
    LONG level;
};

void ExpectMarkers(CTrackInfo& track, const std::vector<Level>& expected, const std::string& name)
{
    for (const Level& e : expected) {
        CMarker* marker = FindMarker(track, e.type);
        ASSERT_NE(marker, nullptr) << name << " type " << e.type;
        EXPECT_EQ(marker->GetPositionValue(), e.position) << name << " type " << e.type;
        EXPECT_EQ(marker->GetMainValue(), e.level) << name << " type " << e.type;
    }
}

LONGLONG TrackTimeOf(CTrackInfo& track, LONGLONG mixTime)
{
    LONGLONG trackTime = 0;
    track.MixTimeToTrackTime(mixTime, &trackTime);
    return trackTime;
}

}  // namespace

TEST(DefaultTransitions, BeatMixedTracksCrossFade)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    AddTrack(mix, Beat(126));
    Rebuild(mix);
    CTrackInfo& first = *mix.tracks.GetAt(0);
    CTrackInfo& second = *mix.tracks.GetAt(1);
    const LONGLONG introStart1 = MeasureStartTime(mix.analyses[0], 2);
    const LONGLONG introEnd1 = MeasureStartTime(mix.analyses[0], 10);
    const LONGLONG outroStart1 = MeasureStartTime(mix.analyses[0], 50);
    const LONGLONG outroEnd1 = MeasureStartTime(mix.analyses[0], 58);
    // Five seconds of mix after the outro end, held at the track end.
    const LONGLONG fadeEnd1 =
        std::min(TrackTimeOf(first, MixTimeOf(first, outroEnd1) + 5000000), first.MainObjects().GetLatestEnd());
    // The first track enters flat: nothing plays before it.
    ExpectMarkers(first,
                  {{kFadeInStart, 0, 0},
                   {kFadeInIntroStart, introStart1, 0},
                   {kFadeInIntroEnd, introEnd1, 0},
                   {kFadeOutStart, outroStart1, 0},
                   {kFadeOutBeatMiddle, outroEnd1, -600},
                   {kFadeOutEnd, fadeEnd1, -5000}},
                  "first");
    const LONGLONG introStart2 = MeasureStartTime(mix.analyses[1], 2);
    // Five seconds of mix before the intro start, held at the track start.
    const LONGLONG fadeIn2 = std::max(TrackTimeOf(second, MixTimeOf(second, introStart2) - 5000000), 0LL);
    const LONGLONG end2 = second.MainObjects().GetLatestEnd();
    ExpectMarkers(second,
                  {{kFadeInStart, fadeIn2, -5000},
                   {kFadeInIntroStart, introStart2, -600},
                   {kFadeInIntroEnd, MeasureStartTime(mix.analyses[1], 10), 0},
                   {kFadeOutBeatMiddle, MeasureStartTime(mix.analyses[1], 58), 0}},
                  "second");
    EXPECT_EQ(FindMarker(second, kFadeOutEnd)->GetPositionValue(),
              std::min(end2, TrackTimeOf(second, MixTimeOf(second, MeasureStartTime(mix.analyses[1], 58)) + 5000000)));
    EXPECT_EQ(FindMarker(second, kFadeOutStandardMiddle), nullptr);
}

TEST(DefaultTransitions, LastStandardTrackEndsWithoutFading)
{
    Mix mix;
    AddTrack(mix, Standard(120));
    Rebuild(mix);
    CTrackInfo& track = *mix.tracks.GetAt(0);
    const LONGLONG end = track.MainObjects().GetLatestEnd();
    ExpectMarkers(track, {{kFadeOutStandardMiddle, end - 1, 0}, {kFadeOutEnd, end, 0}}, "last");
    EXPECT_EQ(FindMarker(track, kFadeOutBeatMiddle), nullptr);
    EXPECT_EQ(FindMarker(track, kFadeInIntroEnd), nullptr);
}

TEST(DefaultTransitions, StandardFadeOutFollowsTheIncomingLevelProfile)
{
    Mix mix;
    AddTrack(mix, Standard(120));
    AddTrack(mix, Standard(126));
    Rebuild(mix);
    CTrackInfo& outgoing = *mix.tracks.GetAt(0);
    // The incoming intro starts at its first loud position, 2 measures in (3.81 s at 126 BPM);
    // its fade drops 6 dB a second: 6 dB more one second later, 24 dB more four seconds later.
    // The level there is read in whole hundredths of a dB, 1/600 s apart on this fade.
    const LONGLONG outroStart = MeasureStartTime(mix.analyses[0], 58);
    const LONGLONG q = MeasureStartTime(mix.analyses[1], 2);
    ASSERT_GT(mix.results.lookups, 0);
    EXPECT_EQ(FindMarker(outgoing, kFadeOutStart)->GetPositionValue(), outroStart);
    EXPECT_NEAR(static_cast<double>(FindMarker(outgoing, kFadeOutStandardMiddle)->GetPositionValue()),
                static_cast<double>(outroStart + 1000000), 1700.0)
        << "q " << q;
    EXPECT_EQ(FindMarker(outgoing, kFadeOutStandardMiddle)->GetMainValue(), -600);
    EXPECT_NEAR(static_cast<double>(FindMarker(outgoing, kFadeOutEnd)->GetPositionValue()),
                static_cast<double>(outroStart + 4000000), 1700.0);
    EXPECT_EQ(FindMarker(outgoing, kFadeOutEnd)->GetMainValue(), -5000);

    // Without analysis results the standard fade-out: 5 s of mix after the outro end.
    CMixBuilder::BuildMix(mix.tracks);
    CMixBuilder::ApplyDefaultTransitions(nullptr, mix.tracks, TRUE);
    const LONGLONG x = std::min(TrackTimeOf(outgoing, MixTimeOf(outgoing, outroStart) + 5000000),
                                outgoing.MainObjects().GetLatestEnd());
    ExpectMarkers(outgoing, {{kFadeOutStandardMiddle, (outroStart + x) / 2, -600}, {kFadeOutEnd, x, -5000}},
                  "standard");
}

TEST(DefaultTransitions, UserFadeMarkerSurvivesRebuildAndFollowsTheOutro)
{
    Mix mix;
    AddTrack(mix, Beat(120));
    AddTrack(mix, Beat(126));
    Rebuild(mix);
    CTrackInfo& outgoing = *mix.tracks.GetAt(0);
    const LONGLONG outroEnd = MeasureStartTime(mix.analyses[0], 58);
    CMarker* fadeEnd = FindMarker(outgoing, kFadeOutEnd);
    fadeEnd->SetPosition(outroEnd + 1000000);
    fadeEnd->SetMainValue(-4000);
    fadeEnd->SetUserAdjusted(TRUE);
    const LONGLONG middle = FindMarker(outgoing, kFadeOutBeatMiddle)->GetPositionValue();
    Rebuild(mix);
    Rebuild(mix);
    ExpectMarkers(outgoing, {{kFadeOutEnd, outroEnd + 1000000, -4000}, {kFadeOutBeatMiddle, middle, -600}},
                  "after rebuild");
    EXPECT_TRUE(FindMarker(outgoing, kFadeOutEnd)->IsUserAdjusted());

    // A performance command moves the outro one measure later; the envelope follows it.
    CTrackObjContainer& objects = outgoing.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, kMarkerEnd))
            objects.GetAt(i)->Move(2000000);
    CMixBuilder::BuildMix(mix.tracks);
    CMixBuilder::ApplyDefaultTransitions(&mix.results, mix.tracks, FALSE);
    ExpectMarkers(outgoing, {{kFadeOutEnd, outroEnd + 3000000, -4000}, {kFadeOutBeatMiddle, outroEnd + 2000000, -600}},
                  "after the outro moved");
}

TEST(EnvelopeLinks, KindsAndOffsets)
{
    // Intro [10 s, 20 s], outro [80 s, 90 s], track [0, 100 s].
    struct Row {
        const char* name;
        LONGLONG position;
        LONG kind;
        LONGLONG offset;
    } rows[] = {
        {"before the intro", 4000000, kLinkBeforeIntro, -6000000},
        {"at the intro start", 10000000, kLinkInIntro, 0},
        {"inside the intro", 12500000, kLinkInIntro, 2500},
        {"at the intro end", 20000000, kLinkInIntro, 10000},
        {"in the body", 50000000, kLinkBody, 50000000},
        {"at the outro start", 80000000, kLinkInOutro, 0},
        {"at the outro end", 90000000, kLinkInOutro, 10000},
        {"after the outro", 93000000, kLinkAfterOutro, 3000000},
    };
    for (const Row& row : rows) {
        Mix mix;
        CTrackInfo* track =
            AddManualTrack(mix, 120, 100000000, {10000000, 20000000}, {80000000, 90000000}, kMixingBeat);
        CMixBuilder::SetVolumeMarker(*track, 0x8000, row.position, 0);
        CMixBuilder::RelinkVolumeMarkers(*track);
        CMarker* marker = FindMarker(*track, 0x8000);
        LONG kind = 0;
        LONGLONG offset = 0;
        marker->GetValue(5, &kind);
        marker->GetTime(5, &offset);
        EXPECT_EQ(kind, row.kind) << row.name;
        EXPECT_EQ(offset, row.offset) << row.name;
        // Placing it again from its link puts it back where it was.
        marker->SetPosition(-1);
        CMixBuilder::PlaceLinkedVolumeMarkers(*track);
        EXPECT_EQ(marker->GetPositionValue(), row.position) << row.name;
    }
}

TEST(EnvelopeLinks, EmptyIntroStoresZeroAndReturnsToTheIntroStart)
{
    Mix mix;
    CTrackInfo* track = AddManualTrack(mix, 120, 100000000, {10000000}, {80000000, 90000000}, kMixingBeat);
    CMixBuilder::SetVolumeMarker(*track, 0x8000, 10000000, 0);
    CMixBuilder::RelinkVolumeMarkers(*track);
    track->MainObjects().GetAt(1)->Move(3000000);  // the intro marker moves to 13 s
    CMixBuilder::PlaceLinkedVolumeMarkers(*track);
    LONGLONG offset = -1;
    FindMarker(*track, 0x8000)->GetTime(5, &offset);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(FindMarker(*track, 0x8000)->GetPositionValue(), 13000000);
}

TEST(MarkerCleanUp, MarkersAtOnePositionAreSpacedTwoMicrosecondsApart)
{
    Mix mix;
    CTrackInfo* track = AddManualTrack(mix, 120, 100000000, {0, 2000000}, {80000000, 90000000}, kMixingBeat);
    for (DWORD type : {0x100u, 0x2000u, 0x8000u})
        CMixBuilder::SetVolumeMarker(*track, type, 5000000, 0);
    CTrackLayer* layer = nullptr;
    track->Layers().GetLayer(0, &layer);
    CMixBuilder::SpaceMarkers(*layer, kMarkerVolumeMask);
    EXPECT_EQ(FindMarker(*track, 0x100)->GetPositionValue(), 5000000);
    EXPECT_EQ(FindMarker(*track, 0x2000)->GetPositionValue(), 5000002);
    EXPECT_EQ(FindMarker(*track, 0x8000)->GetPositionValue(), 5000004);
}

TEST(MarkerCleanUp, NormalizeHoldsMarkersInsideTheTrack)
{
    Mix mix;
    CTrackInfo* edit = AddManualTrack(mix, 120, 100000000, {10000000}, {80000000, 90000000}, kMixingBeat);
    CMixBuilder::AddTempoMarker(*edit, kTempoMarkerOutroEnd, 50000000, 125);
    FindMarker(*edit, kTempoMarkerOutroEnd)->SetUserAdjusted(TRUE);
    CMixBuilder::AddTempoMarker(*edit, kTempoMarkerBodyEnd, 95000000, 120);  // not adjusted: stays
    CMixBuilder::SetVolumeMarker(*edit, 0x8000, 150000000, 0);
    CMixBuilder::NormalizeTrackMarkers(nullptr, *edit);
    // A beat-mixed track gets a second intro marker beside its only one.
    int intros = 0;
    for (int i = 0; i < edit->MainObjects().GetCount(); ++i)
        if (edit->MainObjects().GetAt(i)->Matches(kTrackObjMarker, kMarkerStart)) {
            ++intros;
            EXPECT_EQ(edit->MainObjects().GetAt(i)->GetStart(), 10000000);
        }
    EXPECT_EQ(intros, 2);
    EXPECT_EQ(FindMarker(*edit, kTempoMarkerOutroEnd)->GetPositionValue(), 90000000);
    EXPECT_EQ(FindMarker(*edit, kTempoMarkerBodyEnd)->GetPositionValue(), 95000000);
    EXPECT_EQ(FindMarker(*edit, 0x8000), nullptr);
}

TEST(MarkerCleanUp, MarkerBeforeTheStartExtendsTheFirstSegment)
{
    Mix mix;
    CTrackInfo* committed =
        AddManualTrack(mix, 120, 100000000, {10000000, 20000000}, {80000000, 90000000}, kMixingBeat);
    CTrackInfo* edit = AddManualTrack(mix, 120, 0, {}, {}, kMixingBeat);
    edit->CopyFrom(*committed);
    CSegment* segment = static_cast<CSegment*>(edit->MainObjects().GetAt(0));
    segment->SetStart(10000000);
    segment->SetSource(10000000);
    static_cast<CSegment*>(committed->MainObjects().GetAt(0))->SetStart(10000000);
    CMixBuilder::SetVolumeMarker(*edit, 0x8000, 6000000, 0);
    CMixBuilder::NormalizeTrackMarkers(committed, *edit);
    EXPECT_EQ(segment->GetStart(), 6000000 - 2);
    EXPECT_EQ(segment->GetSource(), 6000000 - 2);
    EXPECT_EQ(FindMarker(*edit, 0x8000)->GetPositionValue(), 6000000);
}

TEST(DefaultTransitions, TrackBeforeAPauseFadesToSilenceAfterItsOutroEnd)
{
    // Outro end at 96 s of a 120 s track at its own speed: the fade ends 5 s later, at 101 s,
    // and passes -6 dB half-way. Standard mixing starts fading at the outro start, which is its
    // outro end; beat mixing at the outro end, not at the outro start as into a next track.
    struct Row {
        const char* name;
        SyntheticTrack spec;
        DWORD middle;
    } rows[] = {
        {"standard", {120, 60, 2, 8, 40, 8, kMixingStandard}, kFadeOutStandardMiddle},
        {"beat", {120, 60, 2, 8, 40, 8, kMixingBeat}, kFadeOutBeatMiddle},
    };
    for (const Row& row : rows) {
        Mix mix;
        AddTrack(mix, row.spec);
        AddPause(mix, 3000000);
        AddTrack(mix, row.spec);
        Rebuild(mix);
        CTrackInfo& track = *mix.tracks.GetAt(0);
        ExpectMarkers(track,
                      {{kFadeOutStart, 96000000, 0}, {row.middle, 98500000, -600}, {kFadeOutEnd, 101000000, -5000}},
                      row.name);
        const DWORD other = row.middle == kFadeOutBeatMiddle ? kFadeOutStandardMiddle : kFadeOutBeatMiddle;
        EXPECT_EQ(FindMarker(track, other), nullptr) << row.name;
    }
}

TEST(MarkerCleanUp, ExtendLastSegmentMovesTheEndOfTheFirstLatestPlainSegment)
{
    Mix mix;
    CTrackInfo* track = AddManualTrack(mix, 120, 10000000, {}, {}, kMixingBeat);
    CTrackObjContainer& objects = track->MainObjects();
    CSegment* first = new CSegment(kSegmentPlain, 5000000, 20000000, 0);
    CSegment* second = new CSegment(kSegmentPlain, 8000000, 20000000, 0);
    CSegment* beat = new CSegment(kSegmentBeat, 0, 30000000, 0);
    objects.Append(first);
    objects.Append(second);
    objects.Append(beat);
    CMixBuilder::ExtendLastSegmentTo(*track, 25000000);
    EXPECT_EQ(first->GetEnd(), 25000000);
    EXPECT_EQ(first->GetStart(), 5000000);
    EXPECT_EQ(first->GetSource(), 0);
    EXPECT_EQ(second->GetEnd(), 20000000);
    EXPECT_EQ(beat->GetEnd(), 30000000);
    EXPECT_EQ(objects.GetAt(0)->GetEnd(), 10000000);

    // Without a plain segment nothing moves.
    CTrackInfo* beatOnly = AddManualTrack(mix, 120, 0, {}, {}, kMixingBeat);
    beatOnly->MainObjects().RemoveObjects(kTrackObjSegment, kAllMask);
    CSegment* only = new CSegment(kSegmentBeat, 0, 30000000, 0);
    beatOnly->MainObjects().Append(only);
    CMixBuilder::ExtendLastSegmentTo(*beatOnly, 40000000);
    EXPECT_EQ(only->GetEnd(), 30000000);
}
