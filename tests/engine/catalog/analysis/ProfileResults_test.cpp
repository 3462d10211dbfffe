#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/catalog/analysis/ProfileResults.h"

namespace {

CMusicFileId MakeId(BYTE first)
{
    BYTE bytes[16] = {};
    for (int i = 0; i < 16; ++i)
        bytes[i] = static_cast<BYTE>(first + i);
    CMusicFileId id;
    id.SetBytes(bytes);
    return id;
}

std::vector<BYTE> Store(CProfileResults& results)
{
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        results.Serialize(archive);
        archive.Close();
    }
    return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

// Loads bytes into `results`; false when the archive refused them.
bool Load(const std::vector<BYTE>& bytes, CProfileResults& results)
{
    CMemFile file;
    if (!bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    CArchive archive(&file, CArchive::load);
    try {
        results.Serialize(archive);
        return true;
    } catch (const CArchiveException&) {
    }
    return false;
}

CProfileResults Sample()
{
    CProfileResults results;
    results.SetSampleRate(44100);
    results.SetTempo(127.5f);
    results.SetPeakLevel(0.25f);
    results.SetMusicFileId(MakeId(1));
    results.SetLoudPositions(1000, 2000000);
    results.SetSampleCount(2500000);
    results.AddMixInPoint(10);
    results.AddMixInPoint(20);
    results.AddMixOutPoint(30);
    results.AddFadeStep(40);
    const LONGLONG marks[] = {5, 6, 7};
    results.SetMeasureStarts(marks, 3);
    results.SetKey(9, 2);
    return results;
}

template <typename T>
T At(const std::vector<BYTE>& bytes, size_t offset)
{
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

}  // namespace

TEST(ProfileResults, StoredFormIsVersionFiveInFieldOrder)
{
    CProfileResults results = Sample();
    const std::vector<BYTE> bytes = Store(results);
    // 2 + 2 + 4 + 4 * 4 + 16 + 3 * 8, then the lists (count word + values), then the key words.
    ASSERT_EQ(bytes.size(), 64u + (2 + 16) + (2 + 8) + (2 + 8) + (2 + 24) + 4);
    EXPECT_EQ(At<WORD>(bytes, 0), 5);
    EXPECT_EQ(At<WORD>(bytes, 2), 0);
    EXPECT_EQ(At<DWORD>(bytes, 4), 44100u);
    EXPECT_EQ(At<float>(bytes, 8), 127.5f);
    EXPECT_EQ(At<float>(bytes, 12), 0.25f);
    EXPECT_EQ(At<float>(bytes, 16), 0.0f);
    EXPECT_EQ(At<float>(bytes, 20), 0.0f);
    EXPECT_EQ(bytes[24], 1);
    EXPECT_EQ(bytes[39], 16);
    EXPECT_EQ(At<LONGLONG>(bytes, 40), 1000);
    EXPECT_EQ(At<LONGLONG>(bytes, 48), 2000000);
    EXPECT_EQ(At<LONGLONG>(bytes, 56), 2500000);
    EXPECT_EQ(At<WORD>(bytes, 64), 2);
    EXPECT_EQ(At<LONGLONG>(bytes, 66), 10);
    EXPECT_EQ(At<LONGLONG>(bytes, 74), 20);
    EXPECT_EQ(At<WORD>(bytes, 82), 1);
    EXPECT_EQ(At<LONGLONG>(bytes, 84), 30);
    EXPECT_EQ(At<WORD>(bytes, 92), 1);
    EXPECT_EQ(At<LONGLONG>(bytes, 94), 40);
    EXPECT_EQ(At<WORD>(bytes, 102), 3);
    EXPECT_EQ(At<LONGLONG>(bytes, 120), 7);
    EXPECT_EQ(At<WORD>(bytes, 128), 9);
    EXPECT_EQ(At<WORD>(bytes, 130), 2);
}

TEST(ProfileResults, RoundTripKeepsEveryStoredField)
{
    CProfileResults results = Sample();
    CProfileResults loaded;
    ASSERT_TRUE(Load(Store(results), loaded));
    EXPECT_EQ(Store(loaded), Store(results));
    EXPECT_TRUE(loaded.IsValid());
    WORD key = 0, mode = 0;
    loaded.GetKey(&key, &mode);
    EXPECT_EQ(key, 9);
    EXPECT_EQ(mode, 2);
}

TEST(ProfileResults, OlderVersionsEndBeforeTheKeyWords)
{
    CProfileResults results = Sample();
    std::vector<BYTE> bytes = Store(results);
    bytes[0] = 4;
    bytes.resize(bytes.size() - 4);
    CProfileResults loaded;
    ASSERT_TRUE(Load(bytes, loaded));
    WORD key = 1, mode = 1;
    loaded.GetKey(&key, &mode);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(loaded.GetMeasureStarts().size(), 3u);
}

TEST(ProfileResults, DamagedRecordsAreRefusedAndLeaveTheObjectAsItWas)
{
    CProfileResults results = Sample();
    const std::vector<BYTE> good = Store(results);
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
    };
    std::vector<Case> cases;
    for (size_t cut : {size_t{0}, size_t{3}, size_t{30}, size_t{64}, size_t{70}, good.size() - 1})
        cases.push_back({"truncated", std::vector<BYTE>(good.begin(), good.begin() + static_cast<long>(cut))});
    std::vector<BYTE> hugeCount = good;
    hugeCount[64] = 0xFF;
    hugeCount[65] = 0xFF;
    hugeCount.insert(hugeCount.begin() + 66, {0xFE, 0xFF, 0xFF, 0x7F});
    cases.push_back({"count of two billion points", hugeCount});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + std::string(" ") + std::to_string(c.bytes.size()));
        CProfileResults target = Sample();
        target.SetTempo(99.0f);
        EXPECT_FALSE(Load(c.bytes, target));
        EXPECT_EQ(target.GetTempo(), 99.0f);
        EXPECT_EQ(target.GetMixInPoints().size(), 2u);
    }
}

TEST(ProfileResults, ValidNeedsRateCountAndIdentity)
{
    struct Case {
        const char* name;
        DWORD rate;
        LONGLONG count;
        bool id;
        BOOL valid;
    } cases[] = {
        {"complete", 44100, 10, true, TRUE},
        {"sample count 0", 44100, 0, true, FALSE},
        {"rate 0", 0, 10, true, FALSE},
        {"no identity", 44100, 10, false, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CProfileResults results;
        results.SetSampleRate(c.rate);
        results.SetSampleCount(c.count);
        if (c.id)
            results.SetMusicFileId(MakeId(3));
        EXPECT_EQ(results.IsValid(), c.valid);
    }
}

TEST(ProfileResults, MixPointIndexesRunOverInThenOut)
{
    CProfileResults results = Sample();
    struct Case {
        int index;
        BOOL found;
        LONGLONG position;
        BOOL out;
    } cases[] = {
        {0, TRUE, 10, FALSE}, {1, TRUE, 20, FALSE}, {2, TRUE, 30, TRUE}, {3, FALSE, 0, FALSE}, {-1, FALSE, 0, FALSE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        LONGLONG position = 0;
        BOOL out = 7;
        EXPECT_EQ(results.GetMixPoint(c.index, &position, &out), c.found);
        if (c.found) {
            EXPECT_EQ(position, c.position);
            EXPECT_EQ(out, c.out);
        }
    }
    LONGLONG position = 0;
    BOOL out = TRUE;
    EXPECT_TRUE(results.GetDefaultMixPoint(0, &position, &out));
    EXPECT_EQ(position, 1000);
    EXPECT_FALSE(out);
    EXPECT_TRUE(results.GetDefaultMixPoint(1, &position, &out));
    EXPECT_EQ(position, 2000000);
    EXPECT_TRUE(out);
    EXPECT_FALSE(results.GetDefaultMixPoint(2, &position, &out));
    results.ClearMixPoints();
    EXPECT_EQ(results.GetMixPointCount(), 0);
}

TEST(ProfileResults, LastLoudPositionIsNeverBeforeTheFirst)
{
    CProfileResults results;
    results.SetLoudPositions(500, 100);
    EXPECT_EQ(results.GetFirstLoudPosition(), 500);
    EXPECT_EQ(results.GetLastLoudPosition(), 500);
}

// Rate 1000: one sample per millisecond. Steps at 1000, 2000, 4000, 4000, 6000.
TEST(ProfileResults, FadeLevelInterpolatesBetweenSteps)
{
    CProfileResults results;
    results.SetSampleRate(1000);
    for (LONGLONG step : {1000, 2000, 4000, 4000, 6000})
        results.AddFadeStep(step);
    struct Case {
        LONGLONG microseconds;
        BOOL ok;
        int level;
    } cases[] = {
        {-1, FALSE, 0},         {0, TRUE, 0},           {999999, TRUE, 0},     {1000000, TRUE, 0},
        {1500000, TRUE, -300},  {2000000, TRUE, -600},  {3000000, TRUE, -900}, {4000000, TRUE, -1200},
        {5000000, TRUE, -2100}, {6000000, TRUE, -2400}, {6001000, FALSE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.microseconds);
        int level = 1;
        EXPECT_EQ(results.GetFadeLevelAt(c.microseconds, &level), c.ok);
        if (c.ok) {
            EXPECT_EQ(level, c.level);
        }
    }
}

TEST(ProfileResults, FadeTimeForLevelInvertsTheFadeLevel)
{
    CProfileResults results;
    LONGLONG microseconds = 0;
    EXPECT_FALSE(results.GetFadeTimeForLevel(0, &microseconds)) << "no rate";
    results.SetSampleRate(1000);
    for (LONGLONG step : {1000, 2000, 4000, 4000, 6000})
        results.AddFadeStep(step);
    struct Case {
        int level;
        BOOL ok;
        LONGLONG microseconds;
    } cases[] = {
        {100, TRUE, 1000000},  {0, TRUE, 1000000},     {-300, TRUE, 1500000},  {-600, TRUE, 2000000},
        {-900, TRUE, 3000000}, {-2100, TRUE, 5000000}, {-2400, TRUE, 6000000}, {-2401, FALSE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        EXPECT_EQ(results.GetFadeTimeForLevel(c.level, &microseconds), c.ok);
        if (c.ok) {
            EXPECT_EQ(microseconds, c.microseconds);
            int level = 1;
            ASSERT_TRUE(results.GetFadeLevelAt(microseconds, &level));
            if (c.level <= 0) {
                EXPECT_EQ(level, c.level);
            }
        }
    }
}

TEST(ProfileResults, FadeLevelSurvivesExtremeStoredSteps)
{
    CProfileResults results;
    results.SetSampleRate(192000);
    results.AddFadeStep(0);
    results.AddFadeStep(INT64_MAX);
    int level = 1;
    EXPECT_TRUE(results.GetFadeLevelAt(INT64_MAX / 2, &level));
    EXPECT_LE(level, 0);
    EXPECT_GE(level, -600);
}

// Damaged stored results (fixed seed): loading either refuses the record or gives lists no longer
// than the bytes could hold; the fade queries stay within their bounds whatever was loaded.
TEST(ProfileResults, RandomlyDamagedRecordsNeverCrashTheLoader)
{
    CProfileResults results = Sample();
    for (LONGLONG step : {100, 200, 400, 800})
        results.AddFadeStep(step);
    const std::vector<BYTE> good = Store(results);
    std::mt19937 random(5150);
    int loaded = 0;
    for (int round = 0; round < 2000; ++round) {
        SCOPED_TRACE(round);
        std::vector<BYTE> data = good;
        for (int flips = 1 + random() % 6; flips > 0; --flips)
            data[random() % data.size()] = static_cast<BYTE>(random());
        if (random() % 3 == 0)
            data.resize(random() % (data.size() + 1));
        CProfileResults target;
        if (!Load(data, target))
            continue;
        ++loaded;
        const size_t points = target.GetMixInPoints().size() + target.GetMixOutPoints().size() +
                              target.GetFadeSteps().size() + target.GetMeasureStarts().size();
        EXPECT_LE(points * 8, data.size());
        int level = 1;
        for (LONGLONG t : {LONGLONG{0}, LONGLONG{1000000}, LONGLONG{INT64_MAX}}) {
            if (target.GetFadeLevelAt(t, &level)) {
                EXPECT_LE(level, 0);
            }
        }
        LONGLONG microseconds = 0;
        for (int wanted : {0, -300, -600, -6600, INT32_MIN})
            target.GetFadeTimeForLevel(wanted, &microseconds);
    }
    EXPECT_GT(loaded, 0);
}
