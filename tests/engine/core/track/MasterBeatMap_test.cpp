// Beat maps: track grids, the master map's ranges, time <-> musical time, snapping tables and the
// snap settings in the profile (read back through the registry itself).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "classlib/core/WinApp.h"
#include "engine/core/track/MasterBeatMap.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackInfoContainer.h"

namespace {

constexpr LONGLONG kSecond = 1000000;
constexpr LONGLONG kTicks = CMusicTime::kTicksPerMeasure;

// A primary track at 120 BPM (2 s measures), 60 s long, with start and end markers at track
// times 0 and 16 s, placed at `offset` with the lead span [leadFrom, leadTo].
CTrackInfo* PlacedTrack(LONG id, LONGLONG offset, LONGLONG leadFrom, LONGLONG leadTo)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(id);
    track->SetSampleInfo(44100, 44100 * 60);
    track->ResetToDefaults();
    track->SetBpm(120.0f);
    track->MainObjects().RemoveStartEndMarkers();
    track->MainObjects().AddStartMarker(0);
    track->MainObjects().AddEndMarker(16 * kSecond);
    CTrackLayer* layer = nullptr;
    track->Layers().GetLayer(0, &layer);
    layer->TimeMap().InsertPoint(offset, 0, 1.0);
    layer->TimeMap().InsertPoint(offset + 60 * kSecond, 60 * kSecond, 1.0);
    track->SetLeadSpan(leadFrom, leadTo);
    return track;
}

void AppendOwned(CTrackInfoContainer& list, CTrackInfo* track)
{
    list.AppendReference(track);
    track->Release();
}

// A profile of this test run's own, removed afterwards; the registry is read back directly.
class ProfileFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_key = L"Carrowfold Track Model Test " + std::to_wstring(GetCurrentProcessId());
        m_app = std::make_unique<CWinApp>(L"TrackModelTests");
        m_app->SetRegistryKey(m_key.c_str());
    }
    void TearDown() override
    {
        m_app.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_key).c_str());
    }
    // -1 when the value is missing.
    long ReadSetting(const wchar_t* entry) const
    {
        DWORD value = 0;
        DWORD size = sizeof(value);
        const std::wstring path = L"Software\\" + m_key + L"\\TrackModelTests\\Settings";
        if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), entry, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
            ERROR_SUCCESS)
            return -1;
        return static_cast<long>(value);
    }

    std::wstring m_key;
    std::unique_ptr<CWinApp> m_app;
};

class MasterBeatMapTest : public ProfileFixture {
protected:
    void SetUp() override
    {
        ProfileFixture::SetUp();
        m_map = new CMasterBeatMap(nullptr);
        // Track 1 at 4 s leads [4 s, 20 s]; track 2 at 21 s leads [21 s, 37 s]: a one-second gap
        // between them that holds no whole measure.
        AppendOwned(m_tracks, PlacedTrack(1, 4 * kSecond, 4 * kSecond, 20 * kSecond));
        AppendOwned(m_tracks, PlacedTrack(2, 21 * kSecond, 21 * kSecond, 37 * kSecond));
        m_map->Rebuild(m_tracks);
    }
    void TearDown() override
    {
        m_map->Release();
        ProfileFixture::TearDown();
    }

    CMasterBeatMap* m_map = nullptr;
    CTrackInfoContainer m_tracks;
};

}  // namespace

TEST_F(MasterBeatMapTest, RangesFollowTheLeadSpans)
{
    struct Expected {
        LONGLONG from, to;
        LONG first, last;
    };
    const Expected expected[] = {{0, 4 * kSecond, -2, 0},
                                 {4 * kSecond, 20 * kSecond, 0, 8},
                                 {20 * kSecond, 21 * kSecond, 8, 8},
                                 {21 * kSecond, 37 * kSecond, 8, 16}};
    ASSERT_EQ(m_map->GetRangeCount(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const MASBEATMAP_RANGE& r = m_map->GetRange(i);
        EXPECT_EQ(r.from, expected[i].from);
        EXPECT_EQ(r.to, expected[i].to);
        EXPECT_EQ(r.first, expected[i].first);
        EXPECT_EQ(r.last, expected[i].last);
        EXPECT_EQ(r.rateFrom, 1.0);
    }
}

TEST_F(MasterBeatMapTest, TimeToMusicTimeTable)
{
    struct Row {
        LONGLONG time;
        double measures;
    };
    const Row rows[] = {
        {4 * kSecond, 0.0},  // exactly a range's start: its first measure, fraction 0
        {5 * kSecond, 0.5},
        {19 * kSecond, 7.5},
        {0, -2.0},
        {kSecond, -1.5},
        {-kSecond, -2.5},  // before the first range: counted backwards
        {-4 * kSecond, -4.0},
        {20 * kSecond + kSecond / 2, 8.0},  // the gap range holds no whole measure
        {40 * kSecond, 17.5},               // past the last range: extrapolated
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time);
        CMusicTime result;
        ASSERT_EQ(m_map->TimeToMusicTime(row.time, &result), S_OK);
        EXPECT_EQ(result.GetTicks(), static_cast<LONGLONG>(std::llround(row.measures * kTicks)));
    }
}

TEST_F(MasterBeatMapTest, MusicTimeToTimeTable)
{
    struct Row {
        double measures;
        HRESULT hr;
        LONGLONG time;
    };
    const Row rows[] = {
        {0.0, S_OK, 4 * kSecond},      {0.5, S_OK, 5 * kSecond},   {-2.0, S_OK, 0},
        {8.0, S_OK, 21 * kSecond},     {15.5, S_OK, 36 * kSecond}, {16.0, S_FALSE, 37 * kSecond},
        {17.5, S_FALSE, 40 * kSecond}, {-2.5, E_FAIL, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.measures);
        CMusicTime musical(static_cast<LONGLONG>(std::llround(row.measures * kTicks)));
        LONGLONG time = -7;
        EXPECT_EQ(m_map->MusicTimeToTime(&musical, &time), row.hr);
        EXPECT_EQ(time, row.hr == E_FAIL ? -7 : row.time);
        // The builder's conversion also counts back before the first range, as TimeToMusicTime
        // does there.
        LONGLONG mixTime = -7;
        EXPECT_EQ(m_map->MusicTimeToMixTime(musical, &mixTime), row.hr == E_FAIL ? S_FALSE : row.hr);
        EXPECT_EQ(mixTime, row.hr == E_FAIL ? -kSecond : row.time);
    }
}

TEST_F(MasterBeatMapTest, ConversionsAreInverseInsideRanges)
{
    // One tick of a 2 s measure is about 18 microseconds: a time comes back within a tick, and a
    // musical time (handed over as measures and a float fraction) within a tick as well.
    for (LONGLONG t = 0; t <= 45 * kSecond; t += 777777) {
        if (t >= 20 * kSecond && t <= 21 * kSecond)
            continue;  // the gap range maps all of its times to one measure
        SCOPED_TRACE(t);
        CMusicTime musical;
        ASSERT_EQ(m_map->TimeToMusicTime(t, &musical), S_OK);
        LONGLONG back = 0;
        ASSERT_TRUE(SUCCEEDED(m_map->MusicTimeToTime(&musical, &back)));
        EXPECT_LE(std::llabs(back - t), 19);
        CMusicTime again;
        ASSERT_EQ(m_map->TimeToMusicTime(back, &again), S_OK);
        EXPECT_LE(std::llabs(again.GetTicks() - musical.GetTicks()), 1);
    }
}

TEST_F(MasterBeatMapTest, SnappingTable)
{
    struct Row {
        const char* name;
        int positionType;
        int durationType;
        int operation;  // 0 snap, 1 add duration, 2 subtract duration
        LONGLONG time;
        LONGLONG expected;
    };
    const LONGLONG base = 4 * kSecond;
    const Row rows[] = {
        {"eighth note, nearer the earlier point", 11, 1, 0, base + 124999, base},
        {"eighth note, a tie goes up", 11, 1, 0, base + 125000, base + 250000},
        {"eighth note, nearer the later point", 11, 1, 0, base + 130000, base + 250000},
        {"one measure", 1, 1, 0, base + 900000, base},
        {"quarter note", 10, 1, 0, base + 800000, base + kSecond},
        {"measure before the mix start", 1, 1, 0, -900000, 0},
        {"add one measure", 11, 1, 1, 5 * kSecond, 7 * kSecond},
        {"subtract one measure into the front range", 11, 1, 2, 5 * kSecond, 3 * kSecond},
        {"add a half note", 11, 9, 1, 5 * kSecond, 6 * kSecond},
        {"add two measures across the gap", 11, 2, 1, 18 * kSecond, 23 * kSecond},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_map->SetSnapPositionType(row.positionType);
        m_map->SetSnapDurationType(row.durationType);
        LONGLONG result = 0;
        HRESULT hr = E_UNEXPECTED;
        if (row.operation == 0)
            hr = m_map->SnapTime(row.time, &result);
        else if (row.operation == 1)
            hr = m_map->AddSnapDuration(row.time, &result);
        else
            hr = m_map->SubtractSnapDuration(row.time, &result);
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(result, row.expected);
    }
}

TEST_F(MasterBeatMapTest, UnitCallsRoundTheGivenTimeInPlace)
{
    struct Row {
        int positionType;
        int durationType;
        double value;
        double position;
        double duration;
    };
    const Row rows[] = {
        {11, 1, 0.3, 0.25, 0.0}, {11, 1, 1.6, 1.625, 2.0}, {10, 4, 0.125, 0.25, 0.0},
        {9, 2, -0.3, -0.5, 0.0}, {1, 8, 5.0, 5.0, 8.0},    {11, 1, 0.0625, 0.125, 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        m_map->SetSnapPositionType(row.positionType);
        m_map->SetSnapDurationType(row.durationType);
        CMusicTime position(std::llround(row.value * kTicks));
        CMusicTime duration(std::llround(row.value * kTicks));
        ASSERT_EQ(m_map->GetSnapPositionUnit(&position), S_OK);
        ASSERT_EQ(m_map->GetSnapDurationUnit(&duration), S_OK);
        EXPECT_EQ(position.GetTicks(), std::llround(row.position * kTicks));
        EXPECT_EQ(duration.GetTicks(), std::llround(row.duration * kTicks));
    }
    // A code that is not a unit leaves the unit as it was.
    m_map->SetSnapPositionType(1);
    m_map->SetSnapPositionType(7);
    int code = 0;
    m_map->GetSnapPositionType(&code);
    EXPECT_EQ(code, 7);
    CMusicTime value(std::llround(1.4 * kTicks));
    m_map->GetSnapPositionUnit(&value);
    EXPECT_EQ(value.GetTicks(), kTicks);
}

TEST_F(MasterBeatMapTest, TrackGridSnapping)
{
    // Without object markers the object-marker map of a track runs over its segment, from track
    // time 0 in 2 s measures.
    LONGLONG snapped = 0;
    EXPECT_EQ(m_map->SnapToTrackGrid(1, 4 * kSecond + 130000, &snapped), S_OK);
    EXPECT_EQ(snapped, 4 * kSecond + 250000);
    EXPECT_EQ(m_map->SnapToTrackGrid(2, 21 * kSecond + 3 * kSecond + 60000, &snapped), S_OK);
    EXPECT_EQ(snapped, 24 * kSecond);
    EXPECT_EQ(m_map->SnapToTrackGrid(99, 12345, &snapped), S_FALSE);
    EXPECT_EQ(snapped, 12345);

    // 7.1 s before the reference is 3.55 measures: snapped to four whole measures, then to the grid.
    EXPECT_EQ(m_map->SnapLengthToTrackGrid(1, 4 * kSecond + 2900000, 14 * kSecond, &snapped), S_OK);
    EXPECT_EQ(snapped, 6 * kSecond);
    m_map->SetSnapDurationType(2);
    EXPECT_EQ(m_map->SnapLengthToTrackGrid(1, 4 * kSecond + 2900000, 14 * kSecond, &snapped), S_OK);
    EXPECT_EQ(snapped, 6 * kSecond);
    EXPECT_EQ(m_map->SnapLengthToTrackGrid(99, 5, 6, &snapped), S_FALSE);
    EXPECT_EQ(snapped, 5);

    CMusicTime musical;
    EXPECT_EQ(m_map->TrackTimeToMusicTime(1, 3 * kSecond, &musical), S_OK);
    EXPECT_EQ(musical.GetTicks(), kTicks + kTicks / 2);
    LONGLONG trackTime = 0;
    EXPECT_EQ(m_map->TrackMusicTimeToTime(1, &musical, &trackTime), S_OK);
    EXPECT_EQ(trackTime, 3 * kSecond);
    EXPECT_EQ(m_map->MixTimeToTrackMusicTime(2, 25 * kSecond, &musical), S_OK);
    EXPECT_EQ(musical.GetTicks(), 2 * kTicks);
    EXPECT_EQ(m_map->TrackTimeToMusicTime(99, 0, &musical), E_FAIL);
}

TEST_F(MasterBeatMapTest, BeatLengthRateAndBoundaries)
{
    EXPECT_EQ(m_map->GetBeatLength(5 * kSecond), 2 * kSecond);
    EXPECT_EQ(m_map->GetBeatLength(99 * kSecond), 2 * kSecond);
    EXPECT_EQ(m_map->GetRate(5 * kSecond), 1.0);
    EXPECT_EQ(m_map->CountMeasures(4 * kSecond, 10 * kSecond), 3.0);
    struct Row {
        LONGLONG time;
        LONGLONG boundary;
    };
    const Row rows[] = {{5 * kSecond, 6 * kSecond},
                        {6 * kSecond, 6 * kSecond},
                        {38 * kSecond, 39 * kSecond},
                        {kSecond, 2 * kSecond},
                        {-kSecond, 0},
                        // The gap range holds no measure: the next boundary is where it ends.
                        {20 * kSecond + 1, 21 * kSecond},
                        {21 * kSecond - 1, 21 * kSecond}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time);
        EXPECT_EQ(m_map->NextMeasureBoundary(row.time), row.boundary);
    }
    // Tracks removed from the list leave the map; with none left, one default range remains.
    CTrackInfoContainer none;
    m_map->Rebuild(none);
    ASSERT_EQ(m_map->GetRangeCount(), 1);
    EXPECT_EQ(m_map->GetRange(0).to, kSecond);
    EXPECT_EQ(m_map->SnapToTrackGrid(1, 77, nullptr), E_POINTER);
    LONGLONG snapped = 0;
    EXPECT_EQ(m_map->SnapToTrackGrid(1, 77, &snapped), S_FALSE);
    CMusicTime half;
    EXPECT_EQ(m_map->TimeToMusicTime(kSecond / 2, &half), S_OK);
    EXPECT_EQ(half.GetTicks(), kTicks / 2);
}

TEST_F(ProfileFixture, SnapSettingsLiveInTheProfile)
{
    // A new installation: eighth-note positions, one-measure durations, snapping on.
    CMasterBeatMap* map = new CMasterBeatMap(nullptr);
    EXPECT_EQ(ReadSetting(L"Snap Position Type"), 11);
    EXPECT_EQ(ReadSetting(L"Snap Duration Type"), 1);
    EXPECT_EQ(ReadSetting(L"Snap Enabled"), -1);
    EXPECT_EQ(map->IsSnapEnabled(), S_OK);
    CMusicTime value(kTicks / 10);
    map->GetSnapPositionUnit(&value);
    EXPECT_EQ(value.GetTicks(), CMusicTime::kTicksPerEighth);

    map->SetSnapEnabled(FALSE);
    map->SetSnapPositionType(10);
    map->SetSnapDurationType(4);
    EXPECT_EQ(ReadSetting(L"Snap Enabled"), 0);
    EXPECT_EQ(ReadSetting(L"Snap Position Type"), 10);
    EXPECT_EQ(ReadSetting(L"Snap Duration Type"), 4);
    EXPECT_EQ(map->IsSnapEnabled(), S_FALSE);
    map->Release();

    // The switch is read back; the two types start from their defaults again.
    CMasterBeatMap* again = new CMasterBeatMap(nullptr);
    EXPECT_EQ(again->IsSnapEnabled(), S_FALSE);
    int code = 0;
    again->GetSnapPositionType(&code);
    EXPECT_EQ(code, 11);
    EXPECT_EQ(ReadSetting(L"Snap Position Type"), 11);
    IMasterBeatMap* viaQuery = reinterpret_cast<IMasterBeatMap*>(0x1);
    ASSERT_EQ(again->QueryInterface(IID_IMasterBeatMap, reinterpret_cast<void**>(&viaQuery)), S_OK);
    EXPECT_EQ(viaQuery, static_cast<IMasterBeatMap*>(again));
    viaQuery->Release();
    IUnknown* none = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(again->QueryInterface(IID_ITrackRange, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    again->Release();
}

TEST(TrackBeatMap, GridSnapsToEighthsOfAMeasure)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetSampleInfo(44100, 44100 * 20);
    track->ResetToDefaults();
    track->SetBpm(120.0f);
    CTrackLayer* layer = nullptr;
    track->Layers().GetLayer(0, &layer);
    CTrackBeatMap map(CMasterBeatMap::kStartEndMask);
    map.Update(*layer, *track);
    ASSERT_EQ(map.GetRangeCount(), 1);
    EXPECT_EQ(map.GetRange(0).measureLength, 2 * kSecond);
    EXPECT_EQ(map.GetRange(0).last, 10);
    struct Row {
        LONGLONG time;
        LONGLONG snapped;
    };
    const Row rows[] = {{124999, 0}, {125000, 250000},   {260000, 250000},
                        {-10, 0},    {-200000, -250000}, {21 * kSecond - 100000, 21 * kSecond}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time);
        EXPECT_EQ(map.SnapToGrid(row.time), row.snapped);
    }
    EXPECT_EQ(map.GetGrid().size(), 80u + 1);  // ten measures of eighths, then the end of the track
    // A tempo change alone rebuilds the map.
    track->SetBpm(60.0f);
    map.Update(*layer, *track);
    EXPECT_EQ(map.GetRange(0).measureLength, 4 * kSecond);
    track->ReleaseFromOwner();
}

namespace {

// A track placed at mix time 0 at its own speed, in a master map of its own.
struct SingleTrackMap {
    explicit SingleTrackMap(CTrackInfo* track)
    {
        CTrackLayer* layer = nullptr;
        track->Layers().GetLayer(0, &layer);
        layer->TimeMap().InsertPoint(0, 0, 1.0);
        layer->TimeMap().InsertPoint(60 * kSecond, 60 * kSecond, 1.0);
        AppendOwned(tracks, track);
        map->Rebuild(tracks);
    }
    ~SingleTrackMap() { map->Release(); }
    LONGLONG Snap(LONGLONG time)
    {
        LONGLONG snapped = -1;
        EXPECT_EQ(map->SnapToTrackGrid(tracks.GetAt(0)->GetTrackIdValue(), time, &snapped), S_OK) << time;
        return snapped;
    }

    CMasterBeatMap* map = new CMasterBeatMap(nullptr);
    CTrackInfoContainer tracks;
};

}  // namespace

TEST(TrackGridSnapping, SnappedTimesLieExactlyOnTheTracksEighths)
{
    // 126 BPM: a measure of 1904762 us, whose eighths are not whole microseconds.
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(5);
    track->SetSampleInfo(44100, 44100 * 40);
    track->SetBpm(126.0f);
    track->MainObjects().AddFullSegment(16 * 1904762 + 3);
    SingleTrackMap single(track);
    const LONGLONG measure = 1904762;
    for (LONGLONG k = -8; k <= 120; ++k) {
        const LONGLONG eighth = (k * measure - (k < 0 ? 7 : 0)) / 8;  // floor division
        EXPECT_EQ(single.Snap(eighth + 1000), eighth) << "eighth " << k;
        EXPECT_EQ(single.Snap(eighth - 1000), eighth) << "eighth " << k;
    }
}

TEST(TrackGridSnapping, FollowsTheAnalysedBeatsWhereTheTrackHasThem)
{
    // No tempo, so no measures: the analysed beats are the only grid. The second segment plays
    // the file's 2 s to 6 s again from track time 10 s.
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(7);
    track->SetSampleInfo(44100, 44100 * 20);
    track->MainObjects().Append(new CSegment(kSegmentPlain, 0, 10 * kSecond, 0));
    track->MainObjects().Append(new CSegment(kSegmentPlain, 10 * kSecond, 14 * kSecond, 2 * kSecond));
    track->BeatPoints().SetFlagWord(1);
    for (DWORD k = 0; k < 30; ++k)
        track->BeatPoints().Positions().Add(4410 + k * 22050);  // 0.1 s + k x 0.5 s
    SingleTrackMap single(track);
    struct Row {
        LONGLONG time;
        LONGLONG snapped;
    };
    const Row rows[] = {{1320000, 1100000},   {1360000, 1600000},   {-500000, 100000},
                        {12000000, 12100000}, {10000000, 10100000}, {13900000, 13600000}};
    for (const Row& row : rows)
        EXPECT_EQ(single.Snap(row.time), row.snapped) << row.time;

    // A new beat list is followed on the next rebuild; without one there is no grid to snap to.
    track->BeatPoints().Positions().SetAt(2, 4410 + 2 * 22050 + 4410);
    single.map->Rebuild(single.tracks);
    EXPECT_EQ(single.Snap(1320000), 1200000);
    track->BeatPoints().SetFlagWord(0);
    single.map->Rebuild(single.tracks);
    LONGLONG snapped = 0;
    EXPECT_EQ(single.map->SnapToTrackGrid(7, 1320000, &snapped), S_FALSE);
    EXPECT_EQ(snapped, 1320000);
}
