#include "engine/core/track/MasterBeatMap.h"

#include <algorithm>
#include <cmath>

#include "classlib/core/WinApp.h"
#include "engine/core/time/TimeRounding.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"

namespace {

constexpr wchar_t kSettingsSection[] = L"Settings";
constexpr wchar_t kSnapEnabledEntry[] = L"Snap Enabled";
constexpr wchar_t kSnapPositionEntry[] = L"Snap Position Type";
constexpr wchar_t kSnapDurationEntry[] = L"Snap Duration Type";
constexpr int kInitialPositionType = 11;
constexpr int kInitialDurationType = 1;
constexpr double kTicksPerMeasure = static_cast<double>(CMusicTime::kTicksPerMeasure);

void WriteSetting(const wchar_t* entry, int value)
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(kSettingsSection, entry, value);
}

// Whole measures and the fraction's ticks, truncated as IMusicTime::SetTime does, but without
// passing the fraction through a float.
CMusicTime MusicFromMeasures(double measures, double fraction)
{
    return CMusicTime(static_cast<LONGLONG>(measures) * CMusicTime::kTicksPerMeasure +
                      static_cast<LONGLONG>(std::floor(fraction * kTicksPerMeasure)));
}

// A caller's musical time, read through GetTime only. The fraction arrives as a float: it is
// taken to the nearest tick, not truncated, so that a value survives the trip unchanged.
CMusicTime ReadMusicTime(IMusicTime* source)
{
    int measures = 0;
    float fraction = 0.0f;
    source->GetTime(&measures, &fraction);
    return CMusicTime(static_cast<LONGLONG>(measures) * CMusicTime::kTicksPerMeasure +
                      std::llround(static_cast<double>(fraction) * kTicksPerMeasure));
}

// Writes a musical time to a caller's object through SetTime only. SetTime truncates the
// fraction's ticks toward zero, so the fraction is given half a tick further out: the float's
// rounding can then never cost the value a tick.
HRESULT WriteMusicTime(const CMusicTime& value, IMusicTime* target)
{
    const LONGLONG ticks = value.GetTicks();
    const LONGLONG measures = ticks / CMusicTime::kTicksPerMeasure;
    const LONGLONG rest = ticks % CMusicTime::kTicksPerMeasure;
    const double nudged = static_cast<double>(rest) + (rest < 0 ? -0.5 : 0.5);
    return target->SetTime(static_cast<int>(measures), static_cast<float>(nudged / kTicksPerMeasure));
}

}  // namespace

CTrackLayerBeatMaps::CTrackLayerBeatMaps(CTrackInfo* track, DWORD markerMask)
    : m_trackId(track->GetTrackIdValue()), m_markerMask(markerMask), m_track(track)
{
    m_track->AddRef();
}

CTrackLayerBeatMaps::~CTrackLayerBeatMaps()
{
    m_track->Release();
}

void CTrackLayerBeatMaps::Update(CTrackInfo* track)
{
    if (track != m_track) {
        track->AddRef();
        m_track->Release();
        m_track = track;
    }
    const CTrackLayerContainer& layers = m_track->Layers();
    while (static_cast<int>(m_maps.size()) > layers.GetCount())
        m_maps.pop_back();
    while (static_cast<int>(m_maps.size()) < layers.GetCount())
        // The object-marker maps serve snapping to a track's own grid: their grid list is the
        // track's analysed beats where it has them.
        m_maps.push_back(
            std::make_unique<CTrackBeatMap>(m_markerMask, m_markerMask == CMasterBeatMap::kObjectMarkerMask));
    for (size_t i = 0; i < m_maps.size(); ++i) {
        CTrackLayer* layer = nullptr;
        layers.GetLayer(static_cast<int>(i), &layer);
        m_maps[i]->Update(*layer, *m_track);
    }
}

CMasterBeatMap::CMasterBeatMap(IUnknown* outer) : CUnknown(outer)
{
    CWinApp* app = AfxGetApp();
    m_snapEnabled = app ? (app->GetProfileInt(kSettingsSection, kSnapEnabledEntry, 1) != 0) : TRUE;
    SetSnapPositionType(kInitialPositionType);
    SetSnapDurationType(kInitialDurationType);
}

void CMasterBeatMap::FinalRelease()
{
    m_startEndMaps.clear();
    m_objectMaps.clear();
    CUnknown::FinalRelease();
}

HRESULT CMasterBeatMap::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IMasterBeatMap))
        return GetInterface(static_cast<IMasterBeatMap*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::GetSnapPositionType(int* code)
{
    if (!code)
        return E_POINTER;
    *code = m_positionType;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::SetSnapPositionType(int code)
{
    m_positionType = code;
    WriteSetting(kSnapPositionEntry, code);
    m_positionUnit.SetNoteLength(code);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::GetSnapDurationType(int* code)
{
    if (!code)
        return E_POINTER;
    *code = m_durationType;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::SetSnapDurationType(int code)
{
    m_durationType = code;
    WriteSetting(kSnapDurationEntry, code);
    m_durationUnit.SetNoteLength(code);
    return S_OK;
}

const CTrackLayerBeatMaps* CMasterBeatMap::FindTrackMaps(const BeatMapList& list, LONG trackId)
{
    for (const auto& entry : list)
        if (entry->GetTrackId() == trackId)
            return entry.get();
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::SnapToTrackGrid(LONG trackId, LONGLONG mixTime, LONGLONG* snapped)
{
    if (!snapped)
        return E_POINTER;
    *snapped = mixTime;
    const CTrackLayerBeatMaps* maps = FindTrackMaps(m_objectMaps, trackId);
    const CTrackBeatMap* map = maps ? maps->GetFirstMap() : nullptr;
    if (!map)
        return S_FALSE;
    CTrackInfo* track = maps->GetTrack();
    LONGLONG trackTime = 0;
    if (FAILED(track->MixTimeToTrackTime(mixTime, &trackTime)))
        return S_FALSE;
    LONGLONG target = 0;
    CMusicTime musical;
    if (map->TrackTimeToMusicTime(trackTime, FALSE, &musical)) {
        // Every snap unit is a whole number of eighth notes: the snapped time lies on the map's
        // own eighth-of-a-measure grid, placed there exactly.
        musical.SnapTo(m_positionUnit);
        target = map->EighthsToTrackTime(musical);
    } else if (!map->SnapToGridList(trackTime, &target)) {
        return S_FALSE;
    }
    LONGLONG result = 0;
    if (FAILED(track->TrackTimeToMixTime(target, &result)))
        return S_FALSE;
    *snapped = result;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::SnapLengthToTrackGrid(LONG trackId, LONGLONG time, LONGLONG reference,
                                                                LONGLONG* snapped)
{
    if (!snapped)
        return E_POINTER;
    *snapped = time;
    const CTrackLayerBeatMaps* maps = FindTrackMaps(m_objectMaps, trackId);
    const CTrackBeatMap* map = maps ? maps->GetFirstMap() : nullptr;
    if (!map)
        return S_FALSE;
    CTrackInfo* track = maps->GetTrack();
    LONGLONG measure = 0;
    track->GetMeasureDuration(&measure);
    LONGLONG t1 = 0;
    LONGLONG t2 = 0;
    if (measure <= 0 || FAILED(track->MixTimeToTrackTime(time, &t1)) ||
        FAILED(track->MixTimeToTrackTime(reference, &t2)))
        return S_FALSE;
    // The length between the two times in the track's own measures, snapped to whole units.
    CMusicTime length;
    length.FromRatio(t2 - t1, measure);
    length.SnapTo(m_durationUnit);
    const LONGLONG moved =
        map->SnapToGrid(RoundTime(static_cast<double>(t2) - static_cast<double>(length.GetTicks()) / kTicksPerMeasure *
                                                                static_cast<double>(measure)));
    LONGLONG result = 0;
    if (FAILED(track->TrackTimeToMixTime(moved, &result)))
        return S_FALSE;
    *snapped = result;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::SetSnapEnabled(BOOL on)
{
    m_snapEnabled = on ? TRUE : FALSE;
    WriteSetting(kSnapEnabledEntry, m_snapEnabled);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::IsSnapEnabled()
{
    return m_snapEnabled ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::AddSnapDuration(LONGLONG time, LONGLONG* result)
{
    if (!result)
        return E_POINTER;
    CMusicTime musical;
    if (FAILED(ConvertTimeToMusic(time, &musical)))
        return E_FAIL;
    musical.SetTicks(SaturatingAdd(musical.GetTicks(), m_durationUnit.GetTicks()));
    return SUCCEEDED(ConvertMusicToTime(musical, result)) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::SubtractSnapDuration(LONGLONG time, LONGLONG* result)
{
    if (!result)
        return E_POINTER;
    CMusicTime musical;
    if (FAILED(ConvertTimeToMusic(time, &musical)))
        return E_FAIL;
    musical.SetTicks(SaturatingAdd(musical.GetTicks(), -m_durationUnit.GetTicks()));
    return SUCCEEDED(ConvertMusicToTime(musical, result)) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::SnapTime(LONGLONG time, LONGLONG* snapped)
{
    if (!snapped)
        return E_POINTER;
    CMusicTime musical;
    if (FAILED(ConvertTimeToMusic(time, &musical)))
        return E_FAIL;
    musical.SnapTo(m_positionUnit);
    return SUCCEEDED(ConvertMusicToTime(musical, snapped)) ? S_OK : E_FAIL;
}

HRESULT CMasterBeatMap::ConvertTimeToMusic(LONGLONG time, CMusicTime* result) const
{
    if (m_ranges.empty())
        return E_FAIL;
    const int index = FindRange(time);
    if (index >= 0) {
        const MASBEATMAP_RANGE& range = m_ranges[static_cast<size_t>(index)];
        const double length = MasterMeasureLength(range);
        if (length <= 0.0) {
            *result = MusicFromMeasures(range.first, 0.0);
            return S_OK;
        }
        const double d = static_cast<double>(time - range.from);
        const double whole = std::floor(d / length);
        *result = MusicFromMeasures(range.first + whole, (d - whole * length) / length);
        return S_OK;
    }
    const MASBEATMAP_RANGE& last = m_ranges.back();
    if (time > last.to) {
        const double length = MasterMeasureLength(last);
        if (length <= 0.0) {
            *result = MusicFromMeasures(last.last, 0.0);
            return S_OK;
        }
        const double d = static_cast<double>(time - last.to);
        const double whole = std::floor(d / length);
        *result = MusicFromMeasures(last.last + whole, (d - whole * length) / length);
        return S_OK;
    }
    // Before the first range: counted backwards from its start.
    const MASBEATMAP_RANGE& first = m_ranges.front();
    const double length = MasterMeasureLength(first);
    if (length <= 0.0) {
        *result = MusicFromMeasures(first.first, 0.0);
        return S_OK;
    }
    const double d = static_cast<double>(first.from - time);
    const double whole = std::floor(d / length);
    const double r = (d - whole * length) / length;
    *result = MusicFromMeasures(first.first - whole - (r > 0 ? 1 : 0), r > 0 ? 1.0 - r : 0.0);
    return S_OK;
}

HRESULT CMasterBeatMap::ConvertMusicToTime(const CMusicTime& musicTime, LONGLONG* time) const
{
    if (m_ranges.empty())
        return E_FAIL;
    const double value = static_cast<double>(musicTime.GetTicks()) / kTicksPerMeasure;
    const double measure = std::floor(value);
    const MASBEATMAP_RANGE& last = m_ranges.back();
    if (measure >= last.last) {
        *time = RoundTime(static_cast<double>(last.to) + (value - last.last) * MasterMeasureLength(last));
        return S_FALSE;
    }
    // A halving search by measure number over [first, last).
    size_t lo = 0;
    size_t hi = m_ranges.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        const MASBEATMAP_RANGE& range = m_ranges[mid];
        if (measure < range.first)
            hi = mid;
        else if (measure >= range.last)
            lo = mid + 1;
        else {
            *time = RoundTime(static_cast<double>(range.from) + (value - range.first) * MasterMeasureLength(range));
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT CMasterBeatMap::MusicTimeToMixTime(const CMusicTime& musicTime, LONGLONG* time) const
{
    const HRESULT hr = ConvertMusicToTime(musicTime, time);
    if (hr != E_FAIL || m_ranges.empty())
        return hr;
    const MASBEATMAP_RANGE& first = m_ranges.front();
    const double measures = static_cast<double>(musicTime.GetTicks()) / kTicksPerMeasure - first.first;
    *time = RoundTime(static_cast<double>(first.from) + measures * MasterMeasureLength(first));
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::TimeToMusicTime(LONGLONG time, IMusicTime* musicTime)
{
    if (!musicTime)
        return E_POINTER;
    CMusicTime result;
    if (FAILED(ConvertTimeToMusic(time, &result)))
        return E_FAIL;
    return WriteMusicTime(result, musicTime);
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::MusicTimeToTime(IMusicTime* musicTime, LONGLONG* time)
{
    if (!musicTime || !time)
        return E_POINTER;
    return ConvertMusicToTime(ReadMusicTime(musicTime), time);
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::TrackMusicTimeToTime(LONG trackId, IMusicTime* musicTime, LONGLONG* trackTime)
{
    if (!musicTime || !trackTime)
        return E_POINTER;
    const CTrackLayerBeatMaps* maps = FindTrackMaps(m_objectMaps, trackId);
    const CTrackBeatMap* map = maps ? maps->GetFirstMap() : nullptr;
    if (!map || map->GetRangeCount() == 0)
        return E_FAIL;
    *trackTime = map->MusicTimeToTrackTime(ReadMusicTime(musicTime));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::TrackTimeToMusicTime(LONG trackId, LONGLONG trackTime, IMusicTime* musicTime)
{
    if (!musicTime)
        return E_POINTER;
    const CTrackLayerBeatMaps* maps = FindTrackMaps(m_objectMaps, trackId);
    const CTrackBeatMap* map = maps ? maps->GetFirstMap() : nullptr;
    CMusicTime result;
    if (!map || !map->TrackTimeToMusicTime(trackTime, FALSE, &result))
        return E_FAIL;
    return WriteMusicTime(result, musicTime);
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::MixTimeToTrackMusicTime(LONG trackId, LONGLONG mixTime, IMusicTime* musicTime)
{
    const CTrackLayerBeatMaps* maps = FindTrackMaps(m_objectMaps, trackId);
    LONGLONG trackTime = 0;
    if (!maps || FAILED(maps->GetTrack()->MixTimeToTrackTime(mixTime, &trackTime)))
        return E_FAIL;
    return TrackTimeToMusicTime(trackId, trackTime, musicTime);
}

HRESULT CMasterBeatMap::RoundInPlace(IMusicTime* musicTime, const CMusicTime& unit)
{
    if (!musicTime)
        return E_POINTER;
    CMusicTime value = ReadMusicTime(musicTime);
    value.SnapTo(unit);
    return WriteMusicTime(value, musicTime);
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::GetSnapPositionUnit(IMusicTime* musicTime)
{
    return RoundInPlace(musicTime, m_positionUnit);
}

HRESULT STDMETHODCALLTYPE CMasterBeatMap::GetSnapDurationUnit(IMusicTime* musicTime)
{
    return RoundInPlace(musicTime, m_durationUnit);
}

void CMasterBeatMap::UpdateList(BeatMapList& list, DWORD markerMask, const CTrackInfoContainer& tracks)
{
    BeatMapList updated;
    for (int i = 0; i < tracks.GetCount(); ++i) {
        CTrackInfo* track = tracks.GetAt(i);
        const LONG id = track->GetTrackIdValue();
        auto existing = std::find_if(list.begin(), list.end(),
                                     [id](const auto& entry) { return entry && entry->GetTrackId() == id; });
        if (existing != list.end())
            updated.push_back(std::move(*existing));
        else
            updated.push_back(std::make_unique<CTrackLayerBeatMaps>(track, markerMask));
        updated.back()->Update(track);
    }
    list.swap(updated);
}

void CMasterBeatMap::Rebuild(const CTrackInfoContainer& tracks)
{
    UpdateList(m_startEndMaps, kStartEndMask, tracks);
    UpdateList(m_objectMaps, kObjectMarkerMask, tracks);
    BuildRanges();
}

void CMasterBeatMap::BuildRanges()
{
    CMasterRangeBuilder builder;
    // Maps whose offset is read off the finished list: their track added no downbeat to it.
    std::vector<std::pair<CTrackBeatMap*, const CTimeMap*>> unanchored;
    bool covered = false;
    LONGLONG coveredEnd = 0;
    for (const auto& entry : m_startEndMaps) {
        CTrackInfo* track = entry->GetTrack();
        CTrackBeatMap* map = entry->GetFirstMap();
        CTrackLayer* layer = nullptr;
        if (!map || !track->Layers().GetLayer(0, &layer))
            continue;
        LONGLONG leadFrom = 0;
        LONGLONG leadTo = 0;
        LONG offset = 0;
        BOOL anchored = FALSE;
        if (track->GetLeadSpan(&leadFrom, &leadTo) == S_OK) {
            const LONGLONG clipFrom = covered ? std::max(leadFrom, coveredEnd) : leadFrom;
            if (leadTo > clipFrom) {
                anchored = builder.AddTrack(*map, layer->TimeMap(), clipFrom, leadTo, &offset);
                coveredEnd = leadTo;
                covered = true;
            }
        }
        if (anchored)
            map->SetMusicTimeOffset(CMusicTime(static_cast<LONGLONG>(offset) * CMusicTime::kTicksPerMeasure));
        else
            unanchored.emplace_back(map, &layer->TimeMap());
    }
    m_ranges = builder.Finish();
    for (const auto& [map, timeMap] : unanchored) {
        // The musical time at the start of the track's grid, wherever the mix puts it.
        CMusicTime offset;
        LONGLONG start = 0;
        if (map->GetRangeCount() > 0 && SUCCEEDED(timeMap->TrackToMixTime(map->GetRange(0).from, &start)) &&
            SUCCEEDED(ConvertTimeToMusic(start, &offset)))
            offset.SetTicks(offset.GetTicks() -
                            static_cast<LONGLONG>(map->GetRange(0).first) * CMusicTime::kTicksPerMeasure);
        map->SetMusicTimeOffset(offset);
    }
}

BOOL CMasterBeatMap::GetTrackMusicTimeOffset(LONG trackId, CMusicTime* offset) const
{
    const CTrackLayerBeatMaps* maps = FindTrackMaps(m_startEndMaps, trackId);
    const CTrackBeatMap* map = maps ? maps->GetFirstMap() : nullptr;
    if (!map || !offset)
        return FALSE;
    *offset = map->GetMusicTimeOffset();
    return TRUE;
}

int CMasterBeatMap::FindRange(LONGLONG mixTime) const
{
    size_t lo = 0;
    size_t hi = m_ranges.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (mixTime < m_ranges[mid].from)
            hi = mid;
        else if (mixTime > m_ranges[mid].to)
            lo = mid + 1;
        else if (mixTime == m_ranges[mid].to && mid + 1 < m_ranges.size() && m_ranges[mid + 1].from == mixTime)
            return static_cast<int>(mid) + 1;
        else
            return static_cast<int>(mid);
    }
    return -1;
}

LONGLONG CMasterBeatMap::GetBeatLength(LONGLONG mixTime) const
{
    if (m_ranges.empty())
        return kDefaultMeasureLength;
    const int index = FindRange(mixTime);
    const MASBEATMAP_RANGE& range = index >= 0 ? m_ranges[static_cast<size_t>(index)]
                                               : (mixTime < m_ranges.front().from ? m_ranges.front() : m_ranges.back());
    const double length = MasterMeasureLength(range);
    return length > 0.0 ? RoundTime(length) : kDefaultMeasureLength;
}

double CMasterBeatMap::GetRate(LONGLONG mixTime) const
{
    const int index = FindRange(mixTime);
    if (index < 0)
        return 1.0;
    const MASBEATMAP_RANGE& range = m_ranges[static_cast<size_t>(index)];
    if (range.to == range.from)
        return range.rateFrom;
    const double share = static_cast<double>(mixTime - range.from) / static_cast<double>(range.to - range.from);
    return range.rateFrom + (range.rateTo - range.rateFrom) * share;
}

double CMasterBeatMap::CountMeasures(LONGLONG t1, LONGLONG t2) const
{
    return static_cast<double>(t2 - t1) / static_cast<double>(GetBeatLength(t1));
}

LONGLONG CMasterBeatMap::NextMeasureBoundary(LONGLONG mixTime) const
{
    LONGLONG origin = 0;
    double length = static_cast<double>(kDefaultMeasureLength);
    if (!m_ranges.empty()) {
        const int index = FindRange(mixTime);
        const MASBEATMAP_RANGE& range = index >= 0
                                            ? m_ranges[static_cast<size_t>(index)]
                                            : (mixTime < m_ranges.front().from ? m_ranges.front() : m_ranges.back());
        origin = index < 0 && mixTime > range.to ? range.to : range.from;
        length = MasterMeasureLength(range);
        if (length <= 0.0) {
            // A range without measures has no boundary before its end, where the next range's
            // first measure starts; past the last one, measures of the default length follow.
            // Answering the time itself would walk a caller through it a microsecond at a time.
            if (mixTime <= range.to)
                return range.to;
            origin = range.to;
            length = static_cast<double>(kDefaultMeasureLength);
        }
    }
    const double steps = std::ceil(static_cast<double>(mixTime - origin) / length);
    const LONGLONG boundary = RoundTime(static_cast<double>(origin) + steps * length);
    return boundary < mixTime ? mixTime : boundary;
}
