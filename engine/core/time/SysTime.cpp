#include "engine/core/time/SysTime.h"

#include "classlib/core/Archive.h"

namespace {

constexpr LONGLONG kMillisecondsPerDay = 86400000;

constexpr int kDaysBeforeMonth[2][13] = {
    {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

CSysTime CSysTime::FromDifference(const CSysTime& later, const CSysTime& earlier)
{
    LONGLONG d = later.MillisecondCount() - earlier.MillisecondCount();
    if (d < 0)
        d = 0;
    SYSTEMTIME time{};
    time.wMilliseconds = static_cast<WORD>(d % 1000);
    time.wSecond = static_cast<WORD>(d / 1000 % 60);
    time.wMinute = static_cast<WORD>(d / 60000 % 60);
    time.wHour = static_cast<WORD>(d / 3600000 % 24);
    const LONGLONG days = d / kMillisecondsPerDay;
    time.wDay = static_cast<WORD>(days > 0xFFFF ? 0xFFFF : days);
    return CSysTime(time);
}

BOOL CSysTime::IsSet() const
{
    const WORD* fields = reinterpret_cast<const WORD*>(&m_time);
    for (size_t i = 0; i < sizeof(m_time) / sizeof(WORD); ++i) {
        if (fields[i] != 0)
            return TRUE;
    }
    return FALSE;
}

BOOL CSysTime::IsLaterThan(const CSysTime& other) const
{
    return MillisecondCount() > other.MillisecondCount() ? TRUE : FALSE;
}

LONGLONG CSysTime::MillisecondCount() const
{
    LONGLONG days = 0;
    for (int year = 1980; year < m_time.wYear; ++year)
        days += IsLeapYear(year) ? 366 : 365;
    const int month = m_time.wMonth > 12 ? 12 : m_time.wMonth;
    days += kDaysBeforeMonth[IsLeapYear(m_time.wYear) ? 1 : 0][month];
    days += m_time.wDay;
    const LONGLONG seconds = ((days * 24 + m_time.wHour) * 60 + m_time.wMinute) * 60 + m_time.wSecond;
    return seconds * 1000 + m_time.wMilliseconds;
}

void CSysTime::Serialize(CArchive& archive)
{
    WORD* order[8] = {&m_time.wYear, &m_time.wMonth,  &m_time.wDay,    &m_time.wDayOfWeek,
                      &m_time.wHour, &m_time.wMinute, &m_time.wSecond, &m_time.wMilliseconds};
    for (WORD* field : order) {
        if (archive.IsStoring())
            archive << *field;
        else
            archive >> *field;
    }
}
