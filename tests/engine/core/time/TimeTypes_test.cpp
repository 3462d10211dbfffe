#include <gtest/gtest.h>

#include <cmath>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/core/time/MusicTime.h"
#include "engine/core/time/SysTime.h"
#include "engine/core/time/TimeMap.h"

namespace {

constexpr LONGLONG kMeasure = 110592;
constexpr LONGLONG kBeat = 27648;
constexpr LONGLONG kEighth = 13824;

TEST(MusicTime, MeasuresAndBeatsGiveTicksAndFraction)
{
    CMusicTime time;
    time.SetMeasuresAndBeats(2, 3);
    EXPECT_EQ(time.GetTicks(), (2 * 4 + 3) * kBeat);
    int measures = -1;
    float fraction = -1;
    EXPECT_EQ(time.GetTime(&measures, &fraction), S_OK);
    EXPECT_EQ(measures, 2);
    EXPECT_FLOAT_EQ(fraction, 0.75f);
}

TEST(MusicTime, GetTimeTruncatesTowardZeroForNegativeTimes)
{
    CMusicTime time(-kMeasure - kBeat);
    int measures = 0;
    float fraction = 0;
    time.GetTime(&measures, &fraction);
    EXPECT_EQ(measures, -1);
    EXPECT_FLOAT_EQ(fraction, -0.25f);
    CMusicTime back;
    back.SetTime(measures, fraction);
    EXPECT_EQ(back.GetTicks(), time.GetTicks());
}

struct SplitCase {
    const char* name;
    LONGLONG ticks;
    LONGLONG measures;
    LONGLONG remainder;
};

TEST(MusicTime, SplitMeasuresIsFloorDivision)
{
    const SplitCase cases[] = {
        {"zero", 0, 0, 0},
        {"minus one tick", -1, -1, kMeasure - 1},
        {"minus one measure", -kMeasure, -1, 0},
        {"minus one measure and a tick", -kMeasure - 1, -2, kMeasure - 1},
        {"one measure and a beat", kMeasure + kBeat, 1, kBeat},
        {"just below a measure", kMeasure - 1, 0, kMeasure - 1},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        LONGLONG measures = 99;
        LONGLONG remainder = 99;
        CMusicTime(c.ticks).SplitMeasures(&measures, &remainder);
        EXPECT_EQ(measures, c.measures);
        EXPECT_EQ(remainder, c.remainder);
        EXPECT_EQ(measures * kMeasure + remainder, c.ticks);
    }
}

struct RoundCase {
    const char* name;
    LONGLONG unit;
    LONGLONG value;
    int mode;
    LONGLONG expected;
};

TEST(MusicTime, RoundToMultipleModes)
{
    const RoundCase cases[] = {
        {"nearest: half goes up", kEighth, 6912, 0, kEighth},
        {"nearest: below half goes down", kEighth, 6911, 0, 0},
        {"nearest: negative half goes up", kEighth, -6912, 0, 0},
        {"nearest: negative beyond half goes down", kEighth, -6913, 0, -kEighth},
        {"nearest: exact multiple stays", kEighth, 3 * kEighth, 0, 3 * kEighth},
        {"nearest: negative exact multiple stays", kEighth, -3 * kEighth, 0, -3 * kEighth},
        {"down: positive", kEighth, kEighth + 5, 1, kEighth},
        {"down: negative", kEighth, -5, 1, -kEighth},
        {"down: negative exact multiple stays", kEighth, -2 * kEighth, 1, -2 * kEighth},
        {"down: positive exact multiple stays", kEighth, 2 * kEighth, 1, 2 * kEighth},
        {"up: positive", kEighth, 5, 2, kEighth},
        {"up: negative", kEighth, -kEighth - 5, 2, -kEighth},
        {"up: positive exact multiple stays", kEighth, 2 * kEighth, 2, 2 * kEighth},
        {"up: zero stays", kEighth, 0, 2, 0},
        {"unit zero gives zero", 0, 12345, 0, 0},
    };
    for (const RoundCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CMusicTime::RoundToMultiple(CMusicTime(c.unit), CMusicTime(c.value), c.mode).GetTicks(), c.expected);
    }
}

TEST(MusicTime, SnapToUsesNearestRule)
{
    CMusicTime a(6912), b(6911), c(-6912);
    a.SnapTo(CMusicTime(kEighth));
    b.SnapTo(CMusicTime(kEighth));
    c.SnapTo(CMusicTime(kEighth));
    EXPECT_EQ(a.GetTicks(), kEighth);
    EXPECT_EQ(b.GetTicks(), 0);
    EXPECT_EQ(c.GetTicks(), 0);
}

TEST(MusicTime, MeasuresAndEighthsSnapThenFloor)
{
    struct Case {
        const char* name;
        LONGLONG ticks;
        int measures;
        short eighths;
    } cases[] = {
        {"three eighths into measure 1", kMeasure + 3 * kEighth + 100, 1, 3},
        {"just below a measure snaps up", kMeasure - 10, 1, 0},
        {"minus one eighth", -kEighth, -1, 7},
        {"a little below zero snaps to zero", -100, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int measures = 99;
        short eighths = 99;
        CMusicTime(c.ticks).GetMeasuresAndEighths(&measures, &eighths);
        EXPECT_EQ(measures, c.measures);
        EXPECT_EQ(eighths, c.eighths);
    }
}

TEST(MusicTime, NoteLengthCodes)
{
    const std::pair<int, LONGLONG> cases[] = {{1, 110592}, {2, 221184}, {4, 442368}, {8, 884736},
                                              {9, 55296},  {10, 27648}, {11, 13824}};
    for (auto [code, ticks] : cases) {
        SCOPED_TRACE(code);
        CMusicTime time(7);
        time.SetNoteLength(code);
        EXPECT_EQ(time.GetTicks(), ticks);
    }
    for (int code : {0, 3, 5, 12, -1}) {
        SCOPED_TRACE(code);
        CMusicTime time(7);
        time.SetNoteLength(code);
        EXPECT_EQ(time.GetTicks(), 7);
    }
}

TEST(MusicTime, FromRatio)
{
    CMusicTime time(5);
    time.FromRatio(3, 0);
    EXPECT_EQ(time.GetTicks(), 5);
    time.FromRatio(3, 4);
    EXPECT_EQ(time.GetTicks(), 3 * kBeat);
    time.FromRatio(1, 3);
    EXPECT_EQ(time.GetTicks(), 36864);
}

TEST(MusicTime, CopyThroughInterface)
{
    CMusicTime source;
    source.SetMeasuresAndBeats(5, 1);
    CMusicTime target;
    EXPECT_EQ(target.CopyFrom(&source), S_OK);
    EXPECT_TRUE(target == source);
    CMusicTime other;
    EXPECT_EQ(source.CopyTo(&other), S_OK);
    EXPECT_TRUE(other == source);
    EXPECT_EQ(CMusicTime::FromMusicTime(&source).GetTicks(), source.GetTicks());
    EXPECT_TRUE(CMusicTime(2) > CMusicTime(-3));
    EXPECT_FALSE(CMusicTime(-3) > CMusicTime(2));
}

TEST(MusicTime, SerializesEightLittleEndianBytes)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        CMusicTime time(-2);
        time.Serialize(archive);
        archive.Close();
    }
    ASSERT_EQ(file.GetLength(), 8u);
    const BYTE expected[8] = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(memcmp(file.GetData(), expected, 8), 0);
    file.SeekToBegin();
    CArchive archive(&file, CArchive::load);
    CMusicTime back;
    back.Serialize(archive);
    EXPECT_EQ(back.GetTicks(), -2);
}

SYSTEMTIME Date(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0, WORD ms = 0)
{
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = ms;
    return t;
}

// Milliseconds between two dates, computed by the system for dates from 1980 on.
LONGLONG SystemDifference(const SYSTEMTIME& later, const SYSTEMTIME& earlier)
{
    FILETIME a, b;
    EXPECT_TRUE(SystemTimeToFileTime(&later, &a));
    EXPECT_TRUE(SystemTimeToFileTime(&earlier, &b));
    const LONGLONG ta = (static_cast<LONGLONG>(a.dwHighDateTime) << 32) | a.dwLowDateTime;
    const LONGLONG tb = (static_cast<LONGLONG>(b.dwHighDateTime) << 32) | b.dwLowDateTime;
    return (ta - tb) / 10000;
}

TEST(SysTime, MillisecondCountsAgreeWithTheSystemCalendarFrom1980)
{
    const SYSTEMTIME base = Date(1980, 1, 1);
    const SYSTEMTIME dates[] = {
        Date(1980, 12, 31, 23, 59, 59, 999), Date(1999, 12, 31), Date(2000, 2, 29, 12), Date(2000, 3, 1),
        Date(2100, 3, 1, 1, 2, 3, 4),        Date(2024, 2, 29),  Date(2400, 2, 29)};
    for (const SYSTEMTIME& d : dates) {
        SCOPED_TRACE(testing::Message() << d.wYear << "-" << d.wMonth << "-" << d.wDay);
        EXPECT_EQ(CSysTime(d).MillisecondCount() - CSysTime(base).MillisecondCount(), SystemDifference(d, base));
    }
}

TEST(SysTime, LeapYearAndPre1980Ordering)
{
    const CSysTime feb29(Date(2000, 2, 29));
    const CSysTime mar1(Date(2000, 3, 1));
    EXPECT_TRUE(mar1.IsLaterThan(feb29));
    EXPECT_FALSE(feb29.IsLaterThan(mar1));
    const CSysTime diff = CSysTime::FromDifference(mar1, feb29);
    EXPECT_EQ(diff.Get().wDay, 1);
    EXPECT_EQ(diff.Get().wHour, 0);
    // 1900 is not a leap year: 1 March follows 28 February directly.
    EXPECT_EQ(CSysTime(Date(2100, 3, 1)).MillisecondCount() - CSysTime(Date(2100, 2, 28)).MillisecondCount(), 86400000);
    // Years up to 1980 add no year days: a 1975 date counts only its days within the year.
    EXPECT_EQ(CSysTime(Date(1975, 3, 1)).MillisecondCount(), CSysTime(Date(1980, 3, 1)).MillisecondCount() - 86400000);
    EXPECT_TRUE(CSysTime(Date(1975, 6, 1)).IsLaterThan(CSysTime(Date(1979, 1, 1))));
}

TEST(SysTime, DifferenceGivesHoursMinutesSecondsAndMilliseconds)
{
    const CSysTime start(Date(2023, 12, 31, 22, 58, 59, 900));
    const CSysTime end(Date(2024, 1, 1, 1, 0, 1, 50));
    const SYSTEMTIME d = CSysTime::FromDifference(end, start).Get();
    EXPECT_EQ(d.wHour, 2);
    EXPECT_EQ(d.wMinute, 1);
    EXPECT_EQ(d.wSecond, 1);
    EXPECT_EQ(d.wMilliseconds, 150);
    EXPECT_EQ(d.wDay, 0);
    const SYSTEMTIME negative = CSysTime::FromDifference(start, end).Get();
    EXPECT_FALSE(CSysTime(negative).IsSet());
}

TEST(SysTime, IsSetAndSerializeOrder)
{
    EXPECT_FALSE(CSysTime().IsSet());
    SYSTEMTIME t{};
    t.wMilliseconds = 1;
    EXPECT_TRUE(CSysTime(t).IsSet());

    for (SYSTEMTIME value : {Date(2024, 5, 17, 13, 14, 15, 16), Date(1975, 6, 1, 1, 2, 3, 4), Date(2000, 2, 29, 23)}) {
        SCOPED_TRACE(value.wYear);
        value.wDayOfWeek = 5;
        CMemFile file;
        {
            CArchive archive(&file, CArchive::store);
            CSysTime(value).Serialize(archive);
            archive.Close();
        }
        const WORD expected[8] = {value.wYear, value.wMonth,  value.wDay,    5,
                                  value.wHour, value.wMinute, value.wSecond, value.wMilliseconds};
        ASSERT_EQ(file.GetLength(), sizeof(expected));
        EXPECT_EQ(memcmp(file.GetData(), expected, sizeof(expected)), 0);
        file.SeekToBegin();
        CArchive archive(&file, CArchive::load);
        CSysTime back;
        back.Serialize(archive);
        EXPECT_EQ(memcmp(&back.Get(), &value, sizeof(value)), 0);
        EXPECT_FALSE(back.IsLaterThan(CSysTime(value)));
        EXPECT_FALSE(CSysTime(value).IsLaterThan(back));
    }
}

TEST(TimeMap, EmptyAndSinglePointMaps)
{
    CTimeMap map;
    LONGLONG t = 77;
    EXPECT_EQ(map.GetFirstMixTime(&t), S_FALSE);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(map.MixToTrackTime(10, &t), E_FAIL);

    ASSERT_EQ(map.InsertPoint(1000, 5000, 2.0), S_OK);
    EXPECT_EQ(map.MixToTrackTime(1500, &t), S_FALSE);
    EXPECT_EQ(t, 6000);
    EXPECT_EQ(map.MixToTrackTime(500, &t), S_FALSE);
    EXPECT_EQ(t, 4000);
    EXPECT_EQ(map.MixToTrackTime(1000, &t), S_FALSE);
    EXPECT_EQ(t, 5000);
    EXPECT_EQ(map.InsertPoint(2000, 0, 0.0), E_FAIL);
}

TEST(TimeMap, ConversionsSearchAndClamp)
{
    // Rate 1 up to mix 1000, then a ramp from 1 to 2 that reaches track 2500 at mix 2000.
    CTimeMap map;
    ASSERT_EQ(map.InsertPoint(0, 0, 1.0), S_OK);
    ASSERT_EQ(map.InsertPoint(1000, 1000, 1.0), S_OK);
    ASSERT_EQ(map.InsertPoint(2000, 2500, 2.0), S_OK);
    LONGLONG t = 0;
    double rate = 0;
    EXPECT_EQ(map.MixToTrackTimeInRange(500, &t, &rate), S_OK);
    EXPECT_EQ(t, 500);
    EXPECT_EQ(rate, 1.0);
    EXPECT_EQ(map.MixToTrackTimeInRange(1500, &t, &rate), S_OK);
    EXPECT_EQ(t, 1625);
    EXPECT_EQ(rate, 1.5);
    // The inner point starts the next stretch: its own track time.
    EXPECT_EQ(map.MixToTrackTime(1000, &t), S_OK);
    EXPECT_EQ(t, 1000);
    // The last point's mix time clamps to its track time minus 1.
    EXPECT_EQ(map.MixToTrackTime(2000, &t), S_OK);
    EXPECT_EQ(t, 2499);
    // Outside the points: extrapolated with the end point's rate.
    EXPECT_EQ(map.MixToTrackTime(2100, &t), S_FALSE);
    EXPECT_EQ(t, 2700);
    EXPECT_EQ(map.MixToTrackTime(-100, &t), S_FALSE);
    EXPECT_EQ(t, -100);
    EXPECT_EQ(map.MixToTrackTimeInRange(2100, &t, &rate), E_FAIL);
    EXPECT_EQ(map.TrackToMixTime(2500, &t), S_OK);
    EXPECT_EQ(t, 2000);
    EXPECT_EQ(map.TrackToMixTime(1625, &t), S_OK);
    EXPECT_EQ(t, 1500);
    EXPECT_EQ(map.TrackToMixTime(2900, &t), S_FALSE);
    EXPECT_EQ(t, 2200);
    EXPECT_EQ(map.TrackToMixTime(-50, &t), S_FALSE);
    EXPECT_EQ(t, -50);
    EXPECT_EQ(map.TrackToMixTimeInRange(2900, &t), E_FAIL);
}

TEST(TimeMap, RampRoundTripsWithinOneUnit)
{
    // Rate ramps from 1.0 to 1.5 over 1,000,000 units of mix time.
    CTimeMap map;
    ASSERT_EQ(map.InsertPoint(0, 0, 1.0), S_OK);
    ASSERT_EQ(map.AppendPointAtTrackTime(1250000, 1.5), S_OK);
    LONGLONG last = 0;
    ASSERT_EQ(map.GetLastMixTime(&last), S_OK);
    EXPECT_EQ(last, 1000000);
    for (LONGLONG mix = 0; mix < 1000000; mix += 12345) {
        SCOPED_TRACE(mix);
        LONGLONG track = 0;
        double rate = 0;
        ASSERT_EQ(map.MixToTrackTimeInRange(mix, &track, &rate), S_OK);
        const double f = mix / 1e6;
        EXPECT_NEAR(rate, 1.0 + 0.5 * f, 1e-12);
        // Closed form of the integral of the linear rate.
        EXPECT_NEAR(static_cast<double>(track), mix + 0.25 * mix * f, 0.51);
        LONGLONG back = 0;
        ASSERT_EQ(map.TrackToMixTime(track, &back), S_OK);
        EXPECT_LE(std::llabs(back - mix), 1);
    }
    LONGLONG end = 0;
    EXPECT_EQ(map.GetConstantRateEnd(10, &end), E_FAIL);
}

TEST(TimeMap, InsertOrderPrependShiftCopyAndEquality)
{
    CTimeMap map;
    ASSERT_EQ(map.InsertPoint(1000, 1000, 1.0), S_OK);
    ASSERT_EQ(map.InsertPoint(3000, 3000, 1.0), S_OK);
    ASSERT_EQ(map.InsertPoint(2000, 2000, 1.0), S_OK);
    ASSERT_EQ(map.InsertPoint(3000, 3500, 1.0), S_OK);
    ASSERT_EQ(map.GetPointCount(), 4);
    EXPECT_EQ(map.GetPoint(2).mixTime, 3000);
    EXPECT_EQ(map.GetPoint(2).trackTime, 3000);
    EXPECT_EQ(map.GetPoint(3).trackTime, 3500);
    ASSERT_EQ(map.PrependPointAtTrackTime(0), S_OK);
    EXPECT_EQ(map.GetPoint(0).mixTime, 0);
    LONGLONG end = 0;
    EXPECT_EQ(map.GetConstantRateEnd(1500, &end), S_OK);
    EXPECT_EQ(end, 2000);

    CTimeMap copy;
    map.CopyTo(copy);
    EXPECT_TRUE(copy == map);
    copy.Shift(250);
    LONGLONG first = 0;
    copy.GetFirstMixTime(&first);
    EXPECT_EQ(first, 250);
    EXPECT_FALSE(copy == map);
    copy.Clear();
    EXPECT_EQ(copy.GetLastMixTime(&first), S_FALSE);
}

TEST(TimeMap, SerializeLayoutAndShortDataIsRejected)
{
    CTimeMap map;
    map.InsertPoint(10, 20, 1.25);
    map.InsertPoint(30, 45, 1.25);
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        map.Serialize(archive);
        archive.Close();
    }
    ASSERT_EQ(file.GetLength(), 4u + 2 * 24 + 16);
    const BYTE* data = file.GetData();
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(data), 2u);
    EXPECT_EQ(*reinterpret_cast<const LONGLONG*>(data + 4 + 24), 30);
    EXPECT_EQ(*reinterpret_cast<const double*>(data + 4 + 16), 1.25);
    EXPECT_EQ(*reinterpret_cast<const LONGLONG*>(data + 4 + 48), 10);
    EXPECT_EQ(*reinterpret_cast<const LONGLONG*>(data + 4 + 56), 30);

    file.SeekToBegin();
    {
        CArchive archive(&file, CArchive::load);
        CTimeMap back;
        back.Serialize(archive);
        EXPECT_TRUE(back == map);
    }
    // A count far beyond the data is refused before anything is allocated.
    CMemFile bad;
    const DWORD hugeCount = 0x10000000;
    bad.Write(&hugeCount, 4);
    bad.SeekToBegin();
    CArchive archive(&bad, CArchive::load);
    CTimeMap victim;
    EXPECT_THROW(victim.Serialize(archive), CArchiveException);
}

}  // namespace
