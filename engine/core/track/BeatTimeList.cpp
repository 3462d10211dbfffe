#include "engine/core/track/BeatTimeList.h"

#include <algorithm>

void CBeatTimeList::SetUnit(LONGLONG unit)
{
    if (unit != 0)
        m_unit = unit;
}

LONGLONG CBeatTimeList::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return 0;
    return m_times[static_cast<size_t>(index)];
}

LONGLONG CBeatTimeList::Units(LONGLONG t1, LONGLONG t2) const
{
    return static_cast<LONGLONG>(static_cast<double>(t2 - t1) / static_cast<double>(m_unit) + 0.5);
}

void CBeatTimeList::Sort()
{
    std::sort(m_times.begin(), m_times.end());
}

void CBeatTimeList::Normalize()
{
    Sort();
    if (m_times.empty())
        return;
    std::vector<LONGLONG> kept{m_times.front()};
    for (size_t i = 1; i < m_times.size(); ++i)
        if (static_cast<double>(m_times[i] - kept.back()) >= static_cast<double>(m_unit) / 2)
            kept.push_back(m_times[i]);
    m_times.swap(kept);
}

LONGLONG CBeatTimeList::TotalUnits() const
{
    LONGLONG total = 0;
    for (size_t i = 1; i < m_times.size(); ++i)
        total += Units(m_times[i - 1], m_times[i]);
    return total;
}

BOOL CBeatTimeList::GetInterval(int i, LONGLONG* next, LONGLONG* current) const
{
    if (i < 0 || i >= GetCount() - 1)
        return FALSE;
    if (next)
        *next = m_times[static_cast<size_t>(i) + 1];
    if (current)
        *current = m_times[static_cast<size_t>(i)];
    return TRUE;
}

BOOL CBeatTimeList::Interpolate(LONGLONG* time, LONGLONG k, LONGLONG t1, LONGLONG t2) const
{
    const LONGLONG n = Units(t1, t2);
    if (n == 0 || t1 == t2 || !time)
        return FALSE;
    *time = t1 + (t2 - t1) / n * k;
    return TRUE;
}

void CBeatTimeList::DropLeadingUnits(LONGLONG n)
{
    if (n <= 0)
        return;
    LONGLONG count = 0;
    for (size_t i = 0; i + 1 < m_times.size(); ++i) {
        const LONGLONG units = Units(m_times[i], m_times[i + 1]);
        if (count + units == n) {
            m_times.erase(m_times.begin(), m_times.begin() + static_cast<std::ptrdiff_t>(i + 1));
            return;
        }
        if (count + units > n) {
            LONGLONG at = 0;
            if (!Interpolate(&at, n - count, m_times[i], m_times[i + 1]))
                return;
            m_times.erase(m_times.begin(), m_times.begin() + static_cast<std::ptrdiff_t>(i + 1));
            m_times.insert(m_times.begin(), at);
            return;
        }
        count += units;
    }
}

void CBeatTimeList::DropTrailingUnits(LONGLONG n)
{
    if (n <= 0)
        return;
    LONGLONG count = 0;
    for (size_t j = m_times.size(); j-- > 1;) {
        const LONGLONG units = Units(m_times[j - 1], m_times[j]);
        if (count + units == n) {
            m_times.erase(m_times.begin() + static_cast<std::ptrdiff_t>(j), m_times.end());
            return;
        }
        if (count + units > n) {
            LONGLONG at = 0;
            if (!Interpolate(&at, units - (n - count), m_times[j - 1], m_times[j]))
                return;
            m_times.erase(m_times.begin() + static_cast<std::ptrdiff_t>(j), m_times.end());
            m_times.push_back(at);
            return;
        }
        count += units;
    }
}

void CBeatTimeList::Merge(const CBeatTimeList& other)
{
    Sort();
    std::vector<LONGLONG> theirs = other.m_times;
    std::sort(theirs.begin(), theirs.end());
    const std::vector<LONGLONG> mine = m_times;
    std::vector<LONGLONG> added;
    LONGLONG target = 0;
    size_t i = 0;         // this list's interval being walked
    LONGLONG before = 0;  // units of this list before interval i
    for (size_t j = 0; j + 1 < theirs.size(); ++j) {
        const LONGLONG step = other.Units(theirs[j], theirs[j + 1]);
        if (step <= 0)
            break;
        target += step;
        // Find the interval of this list that holds the running count.
        bool stop = false;
        while (i + 1 < mine.size()) {
            const LONGLONG units = Units(mine[i], mine[i + 1]);
            if (units <= 0) {
                stop = true;
                break;
            }
            if (before + units >= target)
                break;
            before += units;
            ++i;
        }
        if (stop || i + 1 >= mine.size())
            break;
        // A count that lands on one of this list's own times adds nothing: equal neighbours
        // would make a zero interval that ends every later walk.
        if (target > before && target < before + Units(mine[i], mine[i + 1])) {
            LONGLONG at = 0;
            if (Interpolate(&at, target - before, mine[i], mine[i + 1]))
                added.push_back(at);
        }
    }
    m_times.insert(m_times.end(), added.begin(), added.end());
    Sort();
}

void CBeatTimeList::Align(CBeatTimeList& other)
{
    Normalize();
    other.Normalize();
    Merge(other);
    other.Merge(*this);
}
