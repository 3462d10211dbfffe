// The piecewise map between mix time and a track's own time. Points {mix, track, rate} are kept
// in ascending mix time (and so ascending track time); between two points the rate (track time
// per unit of mix time) changes linearly with mix time. Outside the points the map extrapolates
// with the end point's rate. A plain value; its owners serialise access.
#pragma once

#include <windows.h>

#include <vector>

class CArchive;

struct TIMEMAP_POINT {
    LONGLONG mixTime;
    LONGLONG trackTime;
    double rate;
};
static_assert(sizeof(TIMEMAP_POINT) == 24, "stored as 24-byte records");

// A time that is not set, and an open range start or end.
inline constexpr LONGLONG kUnsetTime = static_cast<LONGLONG>(0x8000000000000003ULL);

class CTimeMap {
public:
    HRESULT InsertPoint(LONGLONG mixTime, LONGLONG trackTime, double rate);
    HRESULT AppendPointAtTrackTime(LONGLONG trackTime, double rate);
    HRESULT PrependPointAtTrackTime(LONGLONG trackTime);

    // Inside the points only: E_FAIL outside them or with fewer than 2 points.
    HRESULT MixToTrackTimeInRange(LONGLONG mixTime, LONGLONG* trackTime, double* rate) const;
    // S_OK inside the points, S_FALSE when extrapolated, E_FAIL for an empty map.
    HRESULT MixToTrackTime(LONGLONG mixTime, LONGLONG* trackTime) const;
    HRESULT TrackToMixTimeInRange(LONGLONG trackTime, LONGLONG* mixTime) const;
    HRESULT TrackToMixTime(LONGLONG trackTime, LONGLONG* mixTime) const;

    // The track time where the constant-rate stretch holding trackTime ends.
    HRESULT GetConstantRateEnd(LONGLONG trackTime, LONGLONG* end) const;

    HRESULT GetFirstMixTime(LONGLONG* time) const;
    HRESULT GetLastMixTime(LONGLONG* time) const;

    void Shift(LONGLONG delta);
    void Clear();
    void CopyTo(CTimeMap& target) const;

    int GetPointCount() const { return static_cast<int>(m_points.size()); }
    const TIMEMAP_POINT& GetPoint(int index) const { return m_points[static_cast<size_t>(index)]; }

    // Same points byte for byte; the cached bounds are not compared.
    bool operator==(const CTimeMap& other) const;

    // 32-bit count, the points as 24-byte records, then first and last mix time.
    void Serialize(CArchive& archive);

private:
    // The neighbouring pair (lo, hi) whose stretch holds key, by mix or track time.
    void FindPair(LONGLONG key, bool byMixTime, size_t* lo, size_t* hi) const;

    std::vector<TIMEMAP_POINT> m_points;
    LONGLONG m_firstMixTime = -1;
    LONGLONG m_lastMixTime = -1;
};
