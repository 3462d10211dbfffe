// A calendar time stamp (catalog items, the now-playing log): a SYSTEMTIME, all zero when unset.
// Compared through a millisecond count whose days start in 1980.
#pragma once

#include <windows.h>

class CArchive;

class CSysTime {
public:
    CSysTime() = default;
    explicit CSysTime(const SYSTEMTIME& time) : m_time(time) {}
    // The elapsed time later - earlier in hour, minute, second and milliseconds; the whole days go
    // to the day field (year and month 0). An earlier "later" gives zero elapsed time.
    static CSysTime FromDifference(const CSysTime& later, const CSysTime& earlier);

    const SYSTEMTIME& Get() const { return m_time; }

    BOOL IsSet() const;
    BOOL IsLaterThan(const CSysTime& other) const;
    // Milliseconds since the start of 1980 by the calendar rule; years up to 1980 add no days.
    LONGLONG MillisecondCount() const;

    // Eight 16-bit fields: year, month, day, day of week, hour, minute, second, milliseconds
    // (day before day of week, unlike the SYSTEMTIME layout).
    void Serialize(CArchive& archive);

private:
    SYSTEMTIME m_time{};
};
