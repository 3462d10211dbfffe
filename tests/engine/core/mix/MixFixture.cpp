#include "MixFixture.h"

#include <gtest/gtest.h>

#include <cctype>

#include "engine/core/mix/MixBuilder.h"

namespace mixtest {

LONGLONG MeasureSamples(float bpm)
{
    return static_cast<LONGLONG>(240.0 * kRate / bpm + 0.5);
}

LONGLONG SamplesToMicroseconds(LONGLONG samples)
{
    return (samples * 1000000 + kRate / 2) / kRate;
}

CProfileResults MakeResults(const SyntheticTrack& spec, int seed)
{
    CProfileResults results;
    const LONGLONG measure = MeasureSamples(spec.bpm);
    results.SetTempo(spec.bpm);
    results.SetSampleRate(kRate);
    results.SetSampleCount(measure * spec.measures);
    CMusicFileId id;
    id.SetId(0x1000 + seed, 0x2000 + seed);
    results.SetMusicFileId(id);
    std::vector<LONGLONG> starts;
    for (int m = 0; m <= spec.measures; ++m)
        starts.push_back(measure * m);
    results.SetMeasureStarts(starts.data(), static_cast<int>(starts.size()));
    for (int m = 0; m <= spec.introMeasures; ++m)
        results.AddMixInPoint(measure * (spec.introStart + m));
    for (int m = 0; m <= spec.outroMeasures; ++m)
        results.AddMixOutPoint(measure * (spec.outroStart + m));
    results.SetLoudPositions(measure * spec.introStart, measure * (spec.outroStart + spec.outroMeasures));
    // A fade that drops 6 dB per second from the file start.
    for (int s = 0; s <= 10; ++s)
        results.AddFadeStep(static_cast<LONGLONG>(kRate) * s);
    return results;
}

CTrackInfo* MakeTrack(const SyntheticTrack& spec, const CProfileResults& results, LONG trackId)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(trackId);
    track->SetSampleInfo(kRate, results.GetSampleCount());
    track->SetFlags(kTrackPrimary);
    track->MainObjects().AddFullSegment(track->GetTrackLength());
    track->ApplyProfile(results, spec.mixing == kMixingStandard);
    return track;
}

CTrackInfo* MakePause(LONGLONG length, LONG trackId)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(trackId);
    track->MakePauseTrack();
    track->MainObjects().AddFullSegment(length);
    return track;
}

BOOL CResultsTable::GetProfileResults(const CMusicFileId& id, CProfileResults* results)
{
    ++lookups;
    for (const CProfileResults& r : m_results)
        if (r.GetMusicFileId() == id) {
            *results = r;
            return TRUE;
        }
    return FALSE;
}

void AddTrack(Mix& mix, const SyntheticTrack& spec)
{
    const int index = mix.tracks.GetCount();
    CProfileResults results = MakeResults(spec, index);
    CTrackInfo* track = MakeTrack(spec, results, index + 1);
    mix.tracks.AppendReference(track);
    track->ReleaseFromOwner();
    mix.results.Add(results);
    mix.analyses.push_back(results);
}

void AddPause(Mix& mix, LONGLONG length)
{
    CTrackInfo* track = MakePause(length, mix.tracks.GetCount() + 1);
    mix.tracks.AppendReference(track);
    track->ReleaseFromOwner();
    mix.analyses.emplace_back();
}

CTrackInfo* AddManualTrack(Mix& mix, float bpm, LONGLONG length, const std::vector<LONGLONG>& intro,
                           const std::vector<LONGLONG>& outro, DWORD mixing)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(mix.tracks.GetCount() + 1);
    track->SetSampleInfo(kRate, (length * kRate + 500000) / 1000000);
    track->SetFlags(kTrackPrimary);
    track->SetBpm(bpm);
    track->SetMixingKind(mixing);
    track->MainObjects().AddFullSegment(length);
    for (LONGLONG t : intro)
        track->MainObjects().AddStartMarker(t);
    for (LONGLONG t : outro)
        track->MainObjects().AddEndMarker(t);
    mix.tracks.AppendReference(track);
    track->ReleaseFromOwner();
    mix.analyses.emplace_back();
    return track;
}

CMarker* FindMarker(CTrackInfo& track, DWORD type)
{
    CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, type))
            return static_cast<CMarker*>(objects.GetAt(i));
    return nullptr;
}

void Rebuild(Mix& mix)
{
    CMixBuilder::BuildMix(mix.tracks);
    CMixBuilder::ApplyDefaultTransitions(&mix.results, mix.tracks, TRUE);
}

LONGLONG MeasureStartTime(const CProfileResults& results, int measure)
{
    return SamplesToMicroseconds(results.GetMeasureStarts().at(static_cast<size_t>(measure)));
}

LONGLONG MixTimeOf(CTrackInfo& track, LONGLONG trackTime)
{
    LONGLONG mixTime = 0;
    EXPECT_TRUE(SUCCEEDED(track.TrackTimeToMixTime(trackTime, &mixTime))) << "track time " << trackTime;
    return mixTime;
}

std::string TestName(const char* text)
{
    std::string name;
    for (const char* c = text; *c; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

}  // namespace mixtest
