// CBeatTimeList: beat times (microseconds) with the nominal length of one beat (the unit). The
// mix builder aligns the beats of two tracks by giving both lists a time at every unit boundary
// of either. Used under the global mix lock.
#pragma once

#include <windows.h>

#include <vector>

class CBeatTimeList {
public:
    void SetUnit(LONGLONG unit);
    LONGLONG GetUnit() const { return m_unit; }
    void Add(LONGLONG time) { m_times.push_back(time); }
    int GetCount() const { return static_cast<int>(m_times.size()); }
    // 0 for an index outside the list.
    LONGLONG GetAt(int index) const;

    // Whole units between t1 <= t2, rounded to the nearest.
    LONGLONG Units(LONGLONG t1, LONGLONG t2) const;
    void Sort();
    // Sorts, then drops every time less than half a unit after the last time kept.
    void Normalize();
    LONGLONG TotalUnits() const;
    BOOL GetInterval(int i, LONGLONG* next, LONGLONG* current) const;
    // t1 + ((t2 - t1) / units between them) x k; FALSE when there are no units between them.
    BOOL Interpolate(LONGLONG* time, LONGLONG k, LONGLONG t1, LONGLONG t2) const;
    void DropLeadingUnits(LONGLONG n);
    void DropTrailingUnits(LONGLONG n);
    void Merge(const CBeatTimeList& other);
    void Align(CBeatTimeList& other);

private:
    std::vector<LONGLONG> m_times;
    LONGLONG m_unit = 1;
};
