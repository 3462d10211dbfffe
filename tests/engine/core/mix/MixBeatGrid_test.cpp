// The master beat map over built mixes: its measures are the leading track's own measures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "MixFixture.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/MasterBeatMap.h"

using namespace mixtest;

namespace {

constexpr LONGLONG kMillisecond = 1000;

struct GridCase {
    const char* name;
    std::vector<SyntheticTrack> tracks;  // bpm 0: a three-second pause
    int userTempoTrack;                  // -1: none
    double userTempoBpm;
};

void PrintTo(const GridCase& gridCase, std::ostream* out)
{
    *out << gridCase.name;
}

SyntheticTrack Beat(float bpm)
{
    return {bpm, 60, 2, 8, 50, 8, kMixingBeat};
}

SyntheticTrack Standard(float bpm)
{
    return {bpm, 60, 2, 8, 50, 8, kMixingStandard};
}

const GridCase kGridCases[] = {
    {"beat 120 100 100", {Beat(120), Beat(100), Beat(100)}, -1, 0},
    {"beat 120 126 100", {Beat(120), Beat(126), Beat(100)}, -1, 0},
    {"beat 100 126 120 110 with a user tempo", {Beat(100), Beat(126), Beat(120), Beat(110)}, 1, 131.5},
    {"standard 120 100 126", {Standard(120), Standard(100), Standard(126)}, -1, 0},
    {"standard with a user tempo", {Standard(126), Standard(100), Standard(120)}, 1, 108},
    {"beat with a pause", {Beat(120), Beat(100), {0, 0, 0, 0, 0, 0, 0}, Beat(126), Beat(110)}, -1, 0},
};

class MasterGrid : public ::testing::TestWithParam<GridCase> {
protected:
    void SetUp() override
    {
        m_beatMap = new CMasterBeatMap(nullptr);
        for (const SyntheticTrack& spec : GetParam().tracks) {
            if (spec.bpm == 0)
                AddPause(mix, 3000000);
            else
                AddTrack(mix, spec);
        }
        Rebuild();
        if (GetParam().userTempoTrack >= 0) {
            CTrackInfo& track = *mix.tracks.GetAt(GetParam().userTempoTrack);
            CMarker* marker = FindMarker(track, kTempoMarkerStart);
            ASSERT_NE(marker, nullptr);
            marker->SetMainValue(static_cast<LONG>(GetParam().userTempoBpm * 1000));
            marker->SetUserAdjusted(TRUE);
            Rebuild();
        }
    }
    void TearDown() override { m_beatMap->Release(); }

    // What the mix manager's rebuild runs.
    void Rebuild()
    {
        CMixBuilder::BuildMix(mix.tracks);
        m_beatMap->Rebuild(mix.tracks);
        CMixBuilder::LinkOverlayTracks(&mix.results, *m_beatMap, mix.tracks);
    }

    // Every measure boundary of the master map.
    std::vector<double> Boundaries() const
    {
        std::vector<double> boundaries;
        for (int i = 0; i < m_beatMap->GetRangeCount(); ++i) {
            const MASBEATMAP_RANGE& range = m_beatMap->GetRange(i);
            const LONG count = range.last - range.first;
            for (LONG j = 0; j <= count && count > 0; ++j)
                boundaries.push_back(static_cast<double>(range.from) +
                                     static_cast<double>(range.to - range.from) * j / count);
        }
        return boundaries;
    }

    struct Lead {
        int track;
        LONGLONG from;
        LONGLONG to;
        std::vector<LONGLONG> downbeats;
    };
    // Every primary track that leads part of the mix, with its downbeats.
    std::vector<Lead> Leads()
    {
        std::vector<Lead> leads;
        for (int t = 0; t < mix.tracks.GetCount(); ++t) {
            Lead lead{t, 0, 0, {}};
            if (!mix.tracks.GetAt(t)->IsPrimary() || mix.tracks.GetAt(t)->GetLeadSpan(&lead.from, &lead.to) != S_OK)
                continue;
            lead.downbeats = Downbeats(t);
            leads.push_back(lead);
        }
        return leads;
    }

    // The track's measure starts as the analysis found them, continued at its tempo on both sides
    // (a lead span can begin before the track's first marker), in mix time.
    std::vector<LONGLONG> Downbeats(int index)
    {
        const SyntheticTrack& spec = GetParam().tracks[static_cast<size_t>(index)];
        CTrackInfo& track = *mix.tracks.GetAt(index);
        std::vector<LONGLONG> downbeats;
        for (int m = -16; m <= spec.measures + 16; ++m)
            downbeats.push_back(MixTimeOf(track, SamplesToMicroseconds(MeasureSamples(spec.bpm) * m)));
        return downbeats;
    }

    Mix mix;
    CMasterBeatMap* m_beatMap = nullptr;
};

}  // namespace

TEST_P(MasterGrid, MeasureBoundariesLieOnTheLeadingTracksDownbeats)
{
    const std::vector<double> boundaries = Boundaries();
    int checked = 0;
    for (const Lead& lead : Leads()) {
        for (double boundary : boundaries) {
            if (boundary <= static_cast<double>(lead.from) || boundary > static_cast<double>(lead.to))
                continue;
            double nearest = 1e300;
            for (LONGLONG d : lead.downbeats)
                nearest = std::min(nearest, std::fabs(static_cast<double>(d) - boundary));
            EXPECT_LE(nearest, kMillisecond) << "track " << lead.track << ", boundary at " << boundary;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST_P(MasterGrid, SnappingToAMeasureLandsOnTheLeadingTracksDownbeats)
{
    m_beatMap->SetSnapPositionType(1);
    int checked = 0;
    for (const Lead& lead : Leads()) {
        const std::vector<LONGLONG>& downbeats = lead.downbeats;
        for (size_t m = 0; m + 1 < downbeats.size(); ++m) {
            if (downbeats[m] <= lead.from || downbeats[m + 1] > lead.to)
                continue;
            // A fifth of a measure after the downbeat, and a fifth before the next one.
            const LONGLONG length = downbeats[m + 1] - downbeats[m];
            const LONGLONG probes[2][2] = {{downbeats[m] + length / 5, downbeats[m]},
                                           {downbeats[m + 1] - length / 5, downbeats[m + 1]}};
            for (const auto& probe : probes) {
                LONGLONG snapped = 0;
                ASSERT_TRUE(SUCCEEDED(m_beatMap->SnapTime(probe[0], &snapped)));
                EXPECT_NEAR(snapped, probe[1], kMillisecond) << "track " << lead.track << ", measure " << m;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST_P(MasterGrid, RangesStayOrderedWithRisingMeasures)
{
    for (int i = 0; i < m_beatMap->GetRangeCount(); ++i) {
        const MASBEATMAP_RANGE& range = m_beatMap->GetRange(i);
        EXPECT_LT(range.from, range.to) << "range " << i;
        EXPECT_LE(range.first, range.last) << "range " << i;
        if (i > 0) {
            const MASBEATMAP_RANGE& before = m_beatMap->GetRange(i - 1);
            EXPECT_EQ(range.from, before.to) << "range " << i;
            EXPECT_EQ(range.first, before.last) << "range " << i;
        }
    }
}

TEST_P(MasterGrid, RangeStartsConvertToTheirFirstMeasureExactly)
{
    // Also where the range before ends at the same time: a downbeat must not come out a tick
    // short of its measure.
    for (int i = 0; i < m_beatMap->GetRangeCount(); ++i) {
        const MASBEATMAP_RANGE& range = m_beatMap->GetRange(i);
        CMusicTime musical;
        ASSERT_EQ(m_beatMap->TimeToMusicTime(range.from, &musical), S_OK);
        EXPECT_EQ(musical.GetTicks(), range.first * CMusicTime::kTicksPerMeasure) << "range " << i;
        LONGLONG back = 0;
        ASSERT_TRUE(SUCCEEDED(m_beatMap->MusicTimeToTime(&musical, &back)));
        // A range without measures hands its measure number on to the range after it.
        EXPECT_EQ(back, range.last > range.first ? range.from : range.to) << "range " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Mixes, MasterGrid, ::testing::ValuesIn(kGridCases),
                         [](const ::testing::TestParamInfo<GridCase>& info) { return TestName(info.param.name); });
