#include "engine/core/track/TrackBeatMap.h"

#include <algorithm>
#include <cmath>

#include "engine/core/time/TimeRounding.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackLayer.h"

namespace {

// A grid list beyond this many points is cut: a damaged or extreme layer must not exhaust memory.
constexpr size_t kMaxGridPoints = 1 << 20;
constexpr double kTicksPerMeasure = static_cast<double>(CMusicTime::kTicksPerMeasure);

using Wide = __int128;

Wide FloorDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

}  // namespace

void CTrackBeatMap::Update(const CTrackLayer& layer, CTrackInfo& track)
{
    LONGLONG trackMeasure = 0;
    track.GetMeasureDuration(&trackMeasure);
    const CTrackObjContainer& objects = layer.Objects();
    const bool beatPointsSame =
        !m_followBeatPoints || (m_beatPoints.IsEqual(track.BeatPoints()) && m_sampleRate == track.GetSampleRate());
    if (m_built && trackMeasure == m_trackMeasure && beatPointsSame &&
        m_segments.EqualsOnMasks(objects, kTrackObjSegment, kSegmentTypeMask) &&
        m_markers.EqualsOnMasks(objects, kTrackObjMarker, m_markerMask))
        return;
    m_segments.RemoveObjects(kAllMask, kAllMask);
    m_markers.RemoveObjects(kAllMask, kAllMask);
    objects.CopyMatchingTo(m_segments, kTrackObjSegment, kSegmentTypeMask);
    objects.CopyMatchingTo(m_markers, kTrackObjMarker, m_markerMask);
    m_trackMeasure = trackMeasure;
    m_built = true;
    Rebuild(layer, trackMeasure);
    if (m_followBeatPoints) {
        m_beatPoints = track.BeatPoints();
        m_sampleRate = track.GetSampleRate();
        TakeGridFromBeatPoints(layer);
    }
}

void CTrackBeatMap::TakeGridFromBeatPoints(const CTrackLayer& layer)
{
    CArray<LONGLONG, LONGLONG> positions;
    if (!m_beatPoints.ToMicroseconds(m_sampleRate, positions))
        return;
    // Every time the layer plays a beat point: a looped or repeated stretch has each of its beats.
    std::vector<LONGLONG> grid;
    for (INT_PTR i = 0; i < positions.GetSize() && grid.size() < kMaxGridPoints; ++i)
        layer.Objects().FilePositionToTrackTimes(positions[i], grid);
    std::sort(grid.begin(), grid.end());
    m_grid.swap(grid);
}

void CTrackBeatMap::Rebuild(const CTrackLayer& layer, LONGLONG trackMeasure)
{
    m_ranges.clear();
    m_grid.clear();
    const CTrackObjContainer& objects = layer.Objects();
    std::vector<LONGLONG> times;
    for (int i = 0; i < objects.GetCount(); ++i)
        if (objects.GetAt(i)->Matches(kTrackObjMarker, m_markerMask))
            times.push_back(objects.GetAt(i)->GetStart());
    if (times.empty() && trackMeasure > 0)
        for (int i = 0; i < objects.GetCount(); ++i)
            if (objects.GetAt(i)->Matches(kTrackObjSegment, kSegmentTypeMask)) {
                times.push_back(objects.GetAt(i)->GetStart());
                times.push_back(objects.GetAt(i)->GetEnd());
            }
    std::sort(times.begin(), times.end());
    LONG running = 0;
    for (size_t i = 0; trackMeasure > 0 && i + 1 < times.size(); ++i) {
        const LONGLONG span = times[i + 1] - times[i];
        const double count = static_cast<double>(span) / static_cast<double>(trackMeasure) + 0.5;
        if (count < 1.0 || count > 0x7FFFFFFF - static_cast<double>(running))
            continue;
        const LONG n = static_cast<LONG>(count);
        m_ranges.push_back({times[i], times[i + 1], span / n, running, running + n});
        running += n;
    }
    if (m_ranges.empty() && trackMeasure > 0) {
        const LONGLONG start = objects.GetEarliestStart();
        m_ranges.push_back({start, start + trackMeasure, trackMeasure, 0, 1});
    }
    if (m_ranges.empty())
        return;

    auto stepOf = [trackMeasure](const TRACKBEATRANGE& range) {
        return std::max<LONGLONG>({range.measureLength / 8, trackMeasure / 16, 1});
    };
    for (const TRACKBEATRANGE& range : m_ranges) {
        const LONGLONG step = stepOf(range);
        const LONGLONG steps = 8LL * (range.last - range.first);
        for (LONGLONG k = 0; k < steps && m_grid.size() < kMaxGridPoints; ++k)
            m_grid.push_back(range.from + k * step);
    }
    const LONGLONG earliest = objects.GetEarliestStart();
    const TRACKBEATRANGE& first = m_ranges.front();
    const LONGLONG firstStep = stepOf(first);
    for (LONGLONG p = first.from - firstStep; p >= earliest && m_grid.size() < kMaxGridPoints; p -= firstStep)
        m_grid.push_back(p);
    const LONGLONG latest = objects.GetLatestEnd();
    const TRACKBEATRANGE& last = m_ranges.back();
    const LONGLONG lastStep = stepOf(last);
    for (LONGLONG p = last.from + 8LL * (last.last - last.first) * lastStep;
         p <= latest && m_grid.size() < kMaxGridPoints; p += lastStep)
        m_grid.push_back(p);
    std::sort(m_grid.begin(), m_grid.end());
}

LONGLONG CTrackBeatMap::SnapToGrid(LONGLONG trackTime) const
{
    if (m_ranges.empty())
        return trackTime;
    const TRACKBEATRANGE* range = &m_ranges.back();
    if (trackTime < m_ranges.front().from)
        range = &m_ranges.front();
    else
        for (const TRACKBEATRANGE& candidate : m_ranges)
            if (candidate.from <= trackTime && trackTime <= candidate.to) {
                range = &candidate;
                break;
            }
    const Wide length = range->measureLength;
    if (length <= 0)
        return trackTime;
    const Wide k = FloorDiv((static_cast<Wide>(trackTime) - range->from) * 8, length);
    const Wide p0 = range->from + FloorDiv(k * length, 8);
    const Wide p1 = range->from + FloorDiv((k + 1) * length, 8);
    const Wide t = trackTime;
    return static_cast<LONGLONG>(t - p0 < p1 - t ? p0 : p1);
}

BOOL CTrackBeatMap::SnapToGridList(LONGLONG trackTime, LONGLONG* point) const
{
    if (m_grid.empty() || !point)
        return FALSE;
    const auto after = std::lower_bound(m_grid.begin(), m_grid.end(), trackTime);
    if (after == m_grid.end())
        *point = m_grid.back();
    else if (after == m_grid.begin())
        *point = *after;
    else
        *point = (trackTime - *(after - 1) < *after - trackTime) ? *(after - 1) : *after;
    return TRUE;
}

const TRACKBEATRANGE& CTrackBeatMap::RangeOfMeasure(LONGLONG measure, LONGLONG* origin, LONG* originMeasure) const
{
    const TRACKBEATRANGE* range = &m_ranges.front();
    *origin = range->from;
    *originMeasure = range->first;
    if (measure >= m_ranges.back().last) {
        range = &m_ranges.back();
        *origin = range->to;
        *originMeasure = range->last;
        return *range;
    }
    for (const TRACKBEATRANGE& candidate : m_ranges)
        if (candidate.first <= measure && measure < candidate.last) {
            *origin = candidate.from;
            *originMeasure = candidate.first;
            return candidate;
        }
    return *range;
}

LONGLONG CTrackBeatMap::MusicTimeToTrackTime(const CMusicTime& musicTime) const
{
    if (m_ranges.empty())
        return 0;
    LONGLONG whole = 0;
    LONGLONG remainder = 0;
    musicTime.SplitMeasures(&whole, &remainder);
    LONGLONG origin = 0;
    LONG originMeasure = 0;
    const TRACKBEATRANGE& range = RangeOfMeasure(whole, &origin, &originMeasure);
    const double measures =
        static_cast<double>(whole - originMeasure) + static_cast<double>(remainder) / kTicksPerMeasure;
    return RoundTime(static_cast<double>(origin) + measures * static_cast<double>(range.measureLength));
}

LONGLONG CTrackBeatMap::EighthsToTrackTime(const CMusicTime& musicTime) const
{
    if (m_ranges.empty())
        return 0;
    int measures = 0;
    short eighths = 0;
    musicTime.GetMeasuresAndEighths(&measures, &eighths);
    LONGLONG origin = 0;
    LONG originMeasure = 0;
    const TRACKBEATRANGE& range = RangeOfMeasure(measures, &origin, &originMeasure);
    const Wide steps = eighths + 8 * (static_cast<Wide>(measures) - originMeasure);
    return static_cast<LONGLONG>(origin + FloorDiv(steps * range.measureLength, 8));
}

BOOL CTrackBeatMap::TrackTimeToMusicTime(LONGLONG trackTime, BOOL snapFirst, CMusicTime* musicTime) const
{
    if (m_ranges.empty() || !musicTime)
        return FALSE;
    const LONGLONG t = snapFirst ? SnapToGrid(trackTime) : trackTime;
    const TRACKBEATRANGE* range = nullptr;
    LONGLONG origin = 0;
    LONG originMeasure = 0;
    if (t < m_ranges.front().from) {
        range = &m_ranges.front();
        origin = range->from;
        originMeasure = range->first;
    } else if (t > m_ranges.back().to) {
        range = &m_ranges.back();
        origin = range->to;
        originMeasure = range->last;
    } else {
        for (const TRACKBEATRANGE& candidate : m_ranges)
            if (candidate.from <= t && t <= candidate.to) {
                range = &candidate;
                break;
            }
        if (!range)
            return FALSE;
        origin = range->from;
        originMeasure = range->first;
    }
    if (range->measureLength <= 0)
        return FALSE;
    const Wide d = static_cast<Wide>(t) - origin;
    const Wide measures = FloorDiv(d, range->measureLength);
    const Wide rest = d - measures * range->measureLength;
    const double fraction = static_cast<double>(rest) / static_cast<double>(range->measureLength);
    musicTime->SetTicks(static_cast<LONGLONG>((measures + originMeasure) * CMusicTime::kTicksPerMeasure) +
                        static_cast<LONGLONG>(fraction * kTicksPerMeasure));
    return TRUE;
}
