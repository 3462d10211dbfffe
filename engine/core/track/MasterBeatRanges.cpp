#include "engine/core/track/MasterBeatRanges.h"

#include <algorithm>
#include <cmath>

#include "engine/core/time/TimeMap.h"
#include "engine/core/time/TimeRounding.h"
#include "engine/core/track/TrackBeatMap.h"

namespace {

// Downbeats this close outside an edge of a lead span are taken as lying on it, and measures
// share a range only while every downbeat in it stays this close to an even spacing: well inside
// a millisecond, well above the microsecond rounding of the time maps.
constexpr LONGLONG kGridTolerance = 50;

// A grid never runs longer than this many measures past its ends to reach a lead span's edge.
constexpr LONG kMaxExtension = 100000;

LONGLONG DownbeatTime(const TRACKBEATRANGE& range, LONG k)
{
    const LONG count = range.last - range.first;
    return range.from + static_cast<LONGLONG>(static_cast<__int128>(range.to - range.from) * k / count);
}

// The boundaries of every range of the grid, in order, mapped through the time map. Before its
// first range and after its last the grid is extended with their measure lengths until it
// reaches past [clipFrom, clipTo]: a track's lead span can begin before its first beat marker.
std::vector<GRID_DOWNBEAT> MixDownbeats(const CTrackBeatMap& map, const CTimeMap& timeMap, LONGLONG clipFrom,
                                        LONGLONG clipTo)
{
    std::vector<GRID_DOWNBEAT> downbeats;
    const int count = map.GetRangeCount();
    if (count == 0)
        return downbeats;
    auto append = [&downbeats](LONGLONG mixTime, LONG measure) {
        // Neighbouring ranges share their boundary; a map that folds back is not followed.
        if (downbeats.empty() || mixTime > downbeats.back().mixTime)
            downbeats.push_back({mixTime, measure});
    };
    // Before the first range, back to the first downbeat before the span.
    const TRACKBEATRANGE& first = map.GetRange(0);
    std::vector<GRID_DOWNBEAT> lead;
    for (LONG k = 1; k <= kMaxExtension && first.measureLength > 0; ++k) {
        LONGLONG mixTime = 0;
        if (FAILED(timeMap.TrackToMixTime(first.from - k * first.measureLength, &mixTime)))
            break;
        lead.push_back({mixTime, first.first - k});
        if (mixTime < clipFrom)
            break;
    }
    for (auto it = lead.rbegin(); it != lead.rend(); ++it)
        append(it->mixTime, it->measure);
    for (int r = 0; r < count; ++r) {
        const TRACKBEATRANGE& range = map.GetRange(r);
        for (LONG k = 0; range.last > range.first && k <= range.last - range.first; ++k) {
            LONGLONG mixTime = 0;
            if (SUCCEEDED(timeMap.TrackToMixTime(DownbeatTime(range, k), &mixTime)))
                append(mixTime, range.first + k);
        }
    }
    // After the last range, on to the first downbeat after the span.
    const TRACKBEATRANGE& last = map.GetRange(count - 1);
    for (LONG k = 1;
         k <= kMaxExtension && last.measureLength > 0 && !downbeats.empty() && downbeats.back().mixTime <= clipTo;
         ++k) {
        LONGLONG mixTime = 0;
        if (FAILED(timeMap.TrackToMixTime(last.to + k * last.measureLength, &mixTime)))
            break;
        append(mixTime, last.last + k);
    }
    return downbeats;
}

double RateAt(const CTimeMap& timeMap, LONGLONG mixTime)
{
    double rate = 1.0;
    if (FAILED(timeMap.MixToTrackTimeInRange(mixTime, nullptr, &rate)))
        return 1.0;
    return rate;
}

}  // namespace

CMasterRangeBuilder::Piece CMasterRangeBuilder::CutPiece(LONGLONG from, LONGLONG to, const GRID_DOWNBEAT& before,
                                                         const GRID_DOWNBEAT& after)
{
    const double share = static_cast<double>(to - from) / static_cast<double>(after.mixTime - before.mixTime);
    return {from, to, static_cast<LONG>(std::llround(share * (after.measure - before.measure))), false};
}

BOOL CMasterRangeBuilder::AddTrack(const CTrackBeatMap& map, const CTimeMap& timeMap, LONGLONG clipFrom,
                                   LONGLONG clipTo, LONG* offset)
{
    EndRun();
    const std::vector<GRID_DOWNBEAT> all = MixDownbeats(map, timeMap, clipFrom, clipTo);
    size_t begin = 0;
    while (begin < all.size() && all[begin].mixTime < clipFrom - kGridTolerance)
        ++begin;
    size_t end = begin;
    while (end < all.size() && all[end].mixTime <= clipTo + kGridTolerance)
        ++end;
    if (begin == end) {
        // No downbeat in the span: at most a part of the stretch between two.
        if (begin > 0 && begin < all.size())
            AddPiece(CutPiece(clipFrom, clipTo, all[begin - 1], all[begin]), timeMap);
        return FALSE;
    }
    std::vector<GRID_DOWNBEAT> inside(all.begin() + static_cast<std::ptrdiff_t>(begin),
                                      all.begin() + static_cast<std::ptrdiff_t>(end));
    for (GRID_DOWNBEAT& downbeat : inside)
        downbeat.mixTime = std::clamp(downbeat.mixTime, clipFrom, clipTo);
    if (begin > 0)
        AddPiece(CutPiece(clipFrom, inside.front().mixTime, all[begin - 1], all[begin]), timeMap);
    CloseGapTo(inside.front().mixTime);
    *offset = m_measure - inside.front().measure;
    for (size_t i = 0; i + 1 < inside.size(); ++i)
        AddPiece({inside[i].mixTime, inside[i + 1].mixTime, inside[i + 1].measure - inside[i].measure, true}, timeMap);
    if (end < all.size())
        AddPiece(CutPiece(inside.back().mixTime, clipTo, all[end - 1], all[end]), timeMap);
    return TRUE;
}

void CMasterRangeBuilder::AddPiece(const Piece& piece, const CTimeMap& timeMap)
{
    if (piece.to <= piece.from)
        return;
    if (Extends(piece, timeMap)) {
        MASBEATMAP_RANGE& range = m_ranges.back();
        range.to = piece.to;
        range.last += piece.measures;
        range.rateTo = RateAt(timeMap, piece.to);
        AddRunBoundary(piece.to, range.last - range.first);
    } else {
        CloseGapTo(piece.from);
        m_ranges.push_back({piece.from, piece.to, RateAt(timeMap, piece.from), RateAt(timeMap, piece.to), m_measure,
                            m_measure + piece.measures});
        EndRun();
        if (piece.whole && piece.measures > 0) {
            m_runOpen = true;
            m_runStart = piece.from;
            m_lengthLow = -HUGE_VAL;
            m_lengthHigh = HUGE_VAL;
            AddRunBoundary(piece.to, piece.measures);
        }
    }
    m_measure += piece.measures;
}

void CMasterRangeBuilder::AddRunBoundary(LONGLONG mixTime, LONG measure)
{
    // The boundary stays within the tolerance of start + length x measure for the lengths in
    // [low, high]; the run's start lies on every such line.
    const double offset = static_cast<double>(mixTime) - static_cast<double>(m_runStart);
    m_lengthLow = std::max(m_lengthLow, (offset - kGridTolerance) / measure);
    m_lengthHigh = std::min(m_lengthHigh, (offset + kGridTolerance) / measure);
    m_runLast = {mixTime, measure};
}

bool CMasterRangeBuilder::Extends(const Piece& piece, const CTimeMap& timeMap) const
{
    if (!m_runOpen || !piece.whole || piece.measures <= 0 || m_runLast.mixTime != piece.from)
        return false;
    for (int p = 0; p < timeMap.GetPointCount(); ++p) {
        const LONGLONG at = timeMap.GetPoint(p).mixTime;
        if (at >= piece.from && at < piece.to)
            return false;
    }
    // The range with the piece has one measure length; every boundary of the run must stay
    // close to its place at that spacing.
    const double length =
        (static_cast<double>(piece.to) - static_cast<double>(m_runStart)) / (m_runLast.measure + piece.measures);
    return length >= m_lengthLow && length <= m_lengthHigh;
}

void CMasterRangeBuilder::CloseGapTo(LONGLONG time)
{
    if (m_ranges.empty() || time <= m_ranges.back().to)
        return;
    // The gap holds the whole measures of the range before it that fit.
    const MASBEATMAP_RANGE& before = m_ranges.back();
    const double length = MasterMeasureLength(before);
    const LONG count = length > 0.0 ? static_cast<LONG>((time - before.to) / static_cast<LONGLONG>(length)) : 0;
    m_ranges.push_back({before.to, time, before.rateTo, before.rateTo, m_measure, m_measure + count});
    m_measure += count;
    EndRun();
}

std::vector<MASBEATMAP_RANGE> CMasterRangeBuilder::Finish()
{
    if (!m_ranges.empty() && m_ranges.front().from > 0) {
        const MASBEATMAP_RANGE& first = m_ranges.front();
        const double length = MasterMeasureLength(first);
        if (length > 0.0) {
            const LONG k = static_cast<LONG>(std::ceil(static_cast<double>(first.from) / length));
            m_ranges.insert(m_ranges.begin(),
                            MASBEATMAP_RANGE{RoundTime(static_cast<double>(first.from) - k * length), first.from,
                                             first.rateFrom, first.rateFrom, first.first - k, first.first});
        }
    }
    if (m_ranges.empty())
        m_ranges.push_back({0, 1000000, 1.0, 1.0, 0, 1});
    std::vector<MASBEATMAP_RANGE> ranges;
    ranges.swap(m_ranges);
    m_measure = 0;
    EndRun();
    return ranges;
}
