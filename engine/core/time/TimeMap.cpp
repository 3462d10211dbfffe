#include "engine/core/time/TimeMap.h"

#include <cmath>
#include <cstring>

#include "classlib/core/Archive.h"

namespace {

// Truncates toward zero; false when the value is not a number or does not fit 64 bits (a
// damaged map or extreme extrapolation must fail, not produce an undefined conversion).
bool Truncate(double value, LONGLONG* result)
{
    if (!std::isfinite(value) || value >= 9.2233720368547748e18 || value < -9.2233720368547758e18)
        return false;
    *result = static_cast<LONGLONG>(value);
    return true;
}

}  // namespace

void CTimeMap::FindPair(LONGLONG key, bool byMixTime, size_t* lo, size_t* hi) const
{
    size_t low = 0;
    size_t high = m_points.size() - 1;
    while (high - low > 1) {
        const size_t mid = (low + high) / 2;
        const LONGLONG probe = byMixTime ? m_points[mid].mixTime : m_points[mid].trackTime;
        if (key < probe)
            high = mid;
        else
            low = mid;
    }
    *lo = low;
    *hi = high;
}

HRESULT CTimeMap::InsertPoint(LONGLONG mixTime, LONGLONG trackTime, double rate)
{
    if (rate == 0.0)
        return E_FAIL;
    const TIMEMAP_POINT point{mixTime, trackTime, rate};
    if (m_points.empty()) {
        m_points.push_back(point);
        m_firstMixTime = m_lastMixTime = mixTime;
        return S_OK;
    }
    if (mixTime <= m_firstMixTime) {
        m_points.insert(m_points.begin(), point);
        m_firstMixTime = mixTime;
        return S_OK;
    }
    if (mixTime >= m_lastMixTime) {
        m_points.push_back(point);
        m_lastMixTime = mixTime;
        return S_OK;
    }
    if (m_points.size() < 2)
        return E_FAIL;
    size_t lo = 0;
    size_t hi = 0;
    FindPair(mixTime, true, &lo, &hi);
    m_points.insert(m_points.begin() + static_cast<std::ptrdiff_t>(hi), point);
    return S_OK;
}

HRESULT CTimeMap::AppendPointAtTrackTime(LONGLONG trackTime, double rate)
{
    if (m_points.empty())
        return E_FAIL;
    const TIMEMAP_POINT& last = m_points.back();
    const double meanRate = (last.rate + rate) / 2;
    LONGLONG offset = 0;
    if (meanRate == 0.0 || !Truncate(static_cast<double>(trackTime - last.trackTime) / meanRate, &offset))
        return E_FAIL;
    return InsertPoint(last.mixTime + offset, trackTime, rate);
}

HRESULT CTimeMap::PrependPointAtTrackTime(LONGLONG trackTime)
{
    if (m_points.empty())
        return E_FAIL;
    const TIMEMAP_POINT first = m_points.front();
    LONGLONG offset = 0;
    if (first.rate == 0.0 || !Truncate(static_cast<double>(first.trackTime - trackTime) / first.rate, &offset))
        return E_FAIL;
    return InsertPoint(first.mixTime - offset, trackTime, first.rate);
}

HRESULT CTimeMap::MixToTrackTimeInRange(LONGLONG mixTime, LONGLONG* trackTime, double* rate) const
{
    if (m_points.size() < 2)
        return E_FAIL;
    size_t lo = 0;
    size_t hi = 0;
    FindPair(mixTime, true, &lo, &hi);
    const TIMEMAP_POINT& p0 = m_points[lo];
    const TIMEMAP_POINT& p1 = m_points[hi];
    if (mixTime < p0.mixTime || mixTime > p1.mixTime)
        return E_FAIL;
    if (p1.mixTime == p0.mixTime) {
        if (trackTime)
            *trackTime = p0.trackTime;
        if (rate)
            *rate = p0.rate;
        return S_OK;
    }
    const double u = static_cast<double>(mixTime - p0.mixTime);
    const double f = u / static_cast<double>(p1.mixTime - p0.mixTime);
    const double r = f * p1.rate + (1 - f) * p0.rate;
    const double offset = u * (p0.rate + r) / 2;
    LONGLONG whole = 0;
    if (!Truncate(offset, &whole))
        return E_FAIL;
    if (offset - static_cast<double>(whole) > 0.5)
        ++whole;
    LONGLONG result = p0.trackTime + whole;
    if (result >= p1.trackTime)
        result = p1.trackTime - 1;
    if (trackTime)
        *trackTime = result;
    if (rate)
        *rate = p0.rate == p1.rate ? p0.rate : r;
    return S_OK;
}

HRESULT CTimeMap::MixToTrackTime(LONGLONG mixTime, LONGLONG* trackTime) const
{
    if (m_points.empty())
        return E_FAIL;
    if (m_points.size() >= 2 && mixTime >= m_firstMixTime && mixTime <= m_lastMixTime)
        return MixToTrackTimeInRange(mixTime, trackTime, nullptr);
    // A single point, or a time outside the points: extrapolate with the end point's rate.
    LONGLONG offset = 0;
    LONGLONG result = 0;
    if (mixTime < m_firstMixTime) {
        const TIMEMAP_POINT& first = m_points.front();
        if (!Truncate(static_cast<double>(m_firstMixTime - mixTime) * first.rate, &offset))
            return E_FAIL;
        result = first.trackTime - offset;
    } else {
        const TIMEMAP_POINT& last = m_points.back();
        if (!Truncate(static_cast<double>(mixTime - m_lastMixTime) * last.rate, &offset))
            return E_FAIL;
        result = last.trackTime + offset;
    }
    if (trackTime)
        *trackTime = result;
    return S_FALSE;
}

HRESULT CTimeMap::TrackToMixTimeInRange(LONGLONG trackTime, LONGLONG* mixTime) const
{
    if (m_points.size() < 2)
        return E_FAIL;
    size_t lo = 0;
    size_t hi = 0;
    FindPair(trackTime, false, &lo, &hi);
    const TIMEMAP_POINT& p0 = m_points[lo];
    const TIMEMAP_POINT& p1 = m_points[hi];
    if (trackTime < p0.trackTime || trackTime > p1.trackTime)
        return E_FAIL;
    LONGLONG result = 0;
    if (trackTime == p1.trackTime) {
        result = p1.mixTime;
    } else {
        const double u = static_cast<double>(trackTime - p0.trackTime);
        const double w = static_cast<double>(p1.mixTime - p0.mixTime);
        LONGLONG offset = 0;
        if (p0.rate == p1.rate) {
            const LONGLONG span = p1.trackTime - p0.trackTime;
            if (span != 0 && !Truncate(w / static_cast<double>(span) * u, &offset))
                return E_FAIL;
        } else if (w != 0.0) {
            // The mean rate over the stretch from p0 to the answer, solved in closed form for a
            // rate that changes linearly with mix time.
            const double discriminant = p0.rate * p0.rate + 2 * u * (p1.rate - p0.rate) / w;
            if (discriminant < 0)
                return E_FAIL;
            const double mean = (p0.rate + std::sqrt(discriminant)) / 2;
            if (mean == 0.0 || !Truncate(u / mean, &offset))
                return E_FAIL;
        }
        result = p0.mixTime + offset;
    }
    if (mixTime)
        *mixTime = result;
    return S_OK;
}

HRESULT CTimeMap::TrackToMixTime(LONGLONG trackTime, LONGLONG* mixTime) const
{
    if (TrackToMixTimeInRange(trackTime, mixTime) == S_OK)
        return S_OK;
    if (m_points.size() < 2)
        return E_FAIL;
    const TIMEMAP_POINT& first = m_points.front();
    const TIMEMAP_POINT& last = m_points.back();
    LONGLONG offset = 0;
    if (trackTime < first.trackTime && first.rate != 0.0) {
        if (!Truncate(static_cast<double>(first.trackTime - trackTime) / first.rate, &offset))
            return E_FAIL;
        if (mixTime)
            *mixTime = first.mixTime - offset;
        return S_FALSE;
    }
    if (trackTime > last.trackTime && last.rate != 0.0) {
        if (!Truncate(static_cast<double>(trackTime - last.trackTime) / last.rate, &offset))
            return E_FAIL;
        if (mixTime)
            *mixTime = last.mixTime + offset;
        return S_FALSE;
    }
    return E_FAIL;
}

HRESULT CTimeMap::GetConstantRateEnd(LONGLONG trackTime, LONGLONG* end) const
{
    if (m_points.size() < 2)
        return E_FAIL;
    size_t lo = 0;
    size_t hi = 0;
    FindPair(trackTime, false, &lo, &hi);
    const TIMEMAP_POINT& p0 = m_points[lo];
    const TIMEMAP_POINT& p1 = m_points[hi];
    if (trackTime < p0.trackTime || trackTime > p1.trackTime || p0.rate != p1.rate)
        return E_FAIL;
    if (end)
        *end = p1.trackTime;
    return S_OK;
}

HRESULT CTimeMap::GetFirstMixTime(LONGLONG* time) const
{
    const bool empty = m_points.empty();
    if (time)
        *time = empty ? 0 : m_firstMixTime;
    return empty ? S_FALSE : S_OK;
}

HRESULT CTimeMap::GetLastMixTime(LONGLONG* time) const
{
    const bool empty = m_points.empty();
    if (time)
        *time = empty ? 0 : m_lastMixTime;
    return empty ? S_FALSE : S_OK;
}

void CTimeMap::Shift(LONGLONG delta)
{
    if (m_points.empty())
        return;
    for (TIMEMAP_POINT& point : m_points)
        point.mixTime += delta;
    m_firstMixTime += delta;
    m_lastMixTime += delta;
}

void CTimeMap::Clear()
{
    m_points.clear();
    m_firstMixTime = m_lastMixTime = -1;
}

void CTimeMap::CopyTo(CTimeMap& target) const
{
    target.m_points = m_points;
    target.m_firstMixTime = m_firstMixTime;
    target.m_lastMixTime = m_lastMixTime;
}

bool CTimeMap::operator==(const CTimeMap& other) const
{
    return m_points.size() == other.m_points.size() &&
           (m_points.empty() ||
            std::memcmp(m_points.data(), other.m_points.data(), m_points.size() * sizeof(TIMEMAP_POINT)) == 0);
}

void CTimeMap::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << static_cast<DWORD>(m_points.size());
        if (!m_points.empty())
            archive.Write(m_points.data(), static_cast<UINT>(m_points.size() * sizeof(TIMEMAP_POINT)));
        archive << m_firstMixTime << m_lastMixTime;
        return;
    }
    DWORD count = 0;
    archive >> count;
    const ULONGLONG bytes = static_cast<ULONGLONG>(count) * sizeof(TIMEMAP_POINT);
    archive.RequireAvailable(bytes + 2 * sizeof(LONGLONG));
    std::vector<TIMEMAP_POINT> points(count);
    if (count > 0)
        archive.ReadExactly(points.data(), static_cast<UINT>(bytes));
    LONGLONG first = 0;
    LONGLONG last = 0;
    archive >> first >> last;
    m_points.swap(points);
    m_firstMixTime = first;
    m_lastMixTime = last;
}
