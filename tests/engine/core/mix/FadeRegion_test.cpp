// The fade map's region pool: slots, order, free stack, growth, copies, merges, searches and the
// placing of regions on the music file.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/mix/SampleFadeMap.h"
#include "engine/core/time/TimeMap.h"

namespace {

FADE_REGION* Append(CSampleFadeMap& map, LONGLONG start, LONGLONG end, LONGLONG origin)
{
    FADE_REGION* region = nullptr;
    EXPECT_TRUE(map.NewRegion(&region, -1));
    region->start = start;
    region->end = end;
    region->origin = origin;
    return region;
}

std::vector<LONGLONG> Origins(const CSampleFadeMap& map)
{
    std::vector<LONGLONG> origins;
    FADE_REGION* region = nullptr;
    for (int i = 0; map.GetRegion(i, &region); ++i)
        origins.push_back(region->origin);
    return origins;
}

int SlotAt(const CSampleFadeMap& map, int index)
{
    int slot = -1;
    EXPECT_TRUE(map.GetRegionAndSlot(index, nullptr, &slot));
    return slot;
}

TEST(RegionPool, NewRegionIsClearedWithTimesUnset)
{
    CSampleFadeMap map;
    FADE_REGION* region = Append(map, 5, 6, 7);
    region->fadeIn = 9;
    region->reversed = 1;
    map.RemoveRegion(0);
    ASSERT_TRUE(map.NewRegion(&region, -1));
    EXPECT_EQ(region->start, 0);
    EXPECT_EQ(region->end, 0);
    EXPECT_EQ(region->origin, 0);
    EXPECT_EQ(region->fadeIn, 0);
    EXPECT_EQ(region->fadeOut, 0);
    EXPECT_EQ(region->reversed, 0u);
    EXPECT_EQ(region->trackTime, kUnsetTime);
    EXPECT_EQ(region->sourcePosition, -1);
}

TEST(RegionPool, InsertsAtPositionAndAppendsOutOfRange)
{
    struct Case {
        const char* name;
        int position;
        std::vector<LONGLONG> expected;
    };
    const Case cases[] = {
        {"front", 0, {9, 1, 2, 3}},      {"middle", 2, {1, 2, 9, 3}},       {"at the end", 3, {1, 2, 3, 9}},
        {"minus one", -1, {1, 2, 3, 9}}, {"past the end", 7, {1, 2, 3, 9}}, {"very negative", -5, {1, 2, 3, 9}},
    };
    for (const Case& c : cases) {
        CSampleFadeMap map;
        for (LONGLONG origin : {1, 2, 3})
            Append(map, 0, 0, origin);
        FADE_REGION* region = nullptr;
        ASSERT_TRUE(map.NewRegion(&region, c.position)) << c.name;
        region->origin = 9;
        EXPECT_EQ(Origins(map), c.expected) << c.name;
    }
}

TEST(RegionPool, GrowsByHundredsAndKeepsSlotsAndContentWhenItMoves)
{
    CSampleFadeMap map;
    EXPECT_EQ(map.GetCapacity(), 0);
    Append(map, 0, 0, 0);
    EXPECT_EQ(map.GetCapacity(), 100);
    EXPECT_EQ(map.GetFreeCount(), 99);
    // Well past what one reservation unit holds, so the pool both grows in place and moves.
    const int count = 2500;
    for (int i = 1; i < count; ++i)
        Append(map, i, i * 2, i * 3);
    EXPECT_EQ(map.GetCapacity(), 2500);
    EXPECT_EQ(map.GetRegionCount(), count);
    for (int i = 0; i < count; ++i) {
        FADE_REGION* region = nullptr;
        int slot = -1;
        ASSERT_TRUE(map.GetRegionAndSlot(i, &region, &slot));
        EXPECT_EQ(slot, i) << "slots are taken in ascending order";
        EXPECT_EQ(region->end, i * 2);
        EXPECT_EQ(region->origin, i * 3);
    }
}

TEST(RegionPool, RemovedSlotIsTakenNextAndClearEmptiesTheOrder)
{
    CSampleFadeMap map;
    for (LONGLONG origin : {10, 20, 30, 40})
        Append(map, 0, 0, origin);
    const int removed = SlotAt(map, 1);
    map.RemoveRegion(1);
    map.RemoveRegion(17);
    map.RemoveRegion(-1);
    EXPECT_EQ(Origins(map), (std::vector<LONGLONG>{10, 30, 40}));
    Append(map, 0, 0, 50);
    EXPECT_EQ(SlotAt(map, 3), removed);

    map.ClearRegions();
    EXPECT_EQ(map.GetRegionCount(), 0);
    EXPECT_EQ(map.GetFreeCount(), map.GetCapacity());
    FADE_REGION* region = nullptr;
    EXPECT_FALSE(map.GetRegion(0, &region));
}

TEST(RegionPool, ReserveGrowsOnlyWhenTooFewSlotsAreFree)
{
    struct Case {
        const char* name;
        int used;
        int reserve;
        int capacity;
    };
    const Case cases[] = {
        {"enough free", 10, 90, 100},
        {"one short", 10, 91, 200},
        {"empty pool", 0, 250, 300},
        {"nothing asked", 0, 0, 0},
    };
    for (const Case& c : cases) {
        CSampleFadeMap map;
        for (int i = 0; i < c.used; ++i)
            Append(map, 0, 0, i);
        EXPECT_TRUE(map.Reserve(c.reserve)) << c.name;
        EXPECT_EQ(map.GetCapacity(), c.capacity) << c.name;
        EXPECT_GE(map.GetFreeCount(), c.reserve) << c.name;
    }
}

TEST(RegionPool, AppendCopyOfItsOwnRegionSurvivesGrowth)
{
    CSampleFadeMap map;
    for (int i = 0; i < 100; ++i)
        Append(map, i, i, i);
    FADE_REGION* last = nullptr;
    ASSERT_TRUE(map.GetRegion(99, &last));
    last->fadeOut = 77;
    ASSERT_TRUE(map.AppendCopy(*last));  // the pool is full: this append moves it
    FADE_REGION* copy = nullptr;
    ASSERT_TRUE(map.GetRegion(100, &copy));
    EXPECT_EQ(copy->origin, 99);
    EXPECT_EQ(copy->fadeOut, 77);
}

TEST(RegionPool, AssignFromCopiesSlotsOrderAndFreeStack)
{
    CSampleFadeMap source;
    for (LONGLONG origin : {1, 2, 3, 4})
        Append(source, 0, 0, origin);
    source.RemoveRegion(1);
    CSampleFadeMap copy;
    Append(copy, 0, 0, 99);
    ASSERT_TRUE(copy.AssignFrom(source));
    EXPECT_EQ(Origins(copy), (std::vector<LONGLONG>{1, 3, 4}));
    EXPECT_EQ(copy.GetCapacity(), source.GetCapacity());
    EXPECT_EQ(copy.GetFreeCount(), source.GetFreeCount());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(SlotAt(copy, i), SlotAt(source, i));
    FADE_REGION* a = nullptr;
    FADE_REGION* b = nullptr;
    Append(copy, 0, 0, 5);
    Append(source, 0, 0, 5);
    EXPECT_EQ(SlotAt(copy, 3), SlotAt(source, 3)) << "the same free slot is taken next";
    copy.GetRegion(0, &a);
    source.GetRegion(0, &b);
    EXPECT_NE(a, b) << "the copy has its own pool";
}

TEST(RegionPool, MergeOrdersBySourceOriginWithThisMapFirstOnTies)
{
    CSampleFadeMap mine;
    for (LONGLONG origin : {10, 30, 50})
        Append(mine, 0, 0, origin)->fadeIn = 1;
    CSampleFadeMap theirs;
    for (LONGLONG origin : {5, 30, 40, 60})
        Append(theirs, 0, 0, origin)->fadeIn = 2;
    ASSERT_TRUE(mine.MergeFrom(theirs));
    EXPECT_EQ(Origins(mine), (std::vector<LONGLONG>{5, 10, 30, 30, 40, 50, 60}));
    FADE_REGION* region = nullptr;
    mine.GetRegion(2, &region);
    EXPECT_EQ(region->fadeIn, 1) << "this map's region first on equal origins";
    mine.GetRegion(3, &region);
    EXPECT_EQ(region->fadeIn, 2);
    EXPECT_EQ(Origins(theirs), (std::vector<LONGLONG>{5, 30, 40, 60})) << "the other map is left as it was";
}

TEST(RegionPool, MergeIntoAnEmptyMapTakesOverTheOther)
{
    CSampleFadeMap mine;
    CSampleFadeMap theirs;
    for (LONGLONG origin : {7, 8})
        Append(theirs, 0, 0, origin);
    FADE_REGION* before = nullptr;
    theirs.GetRegion(0, &before);
    ASSERT_TRUE(mine.MergeFrom(theirs));
    EXPECT_EQ(Origins(mine), (std::vector<LONGLONG>{7, 8}));
    FADE_REGION* after = nullptr;
    mine.GetRegion(0, &after);
    EXPECT_EQ(after, before) << "the pool itself is taken over";
    EXPECT_EQ(theirs.GetRegionCount(), 0);
    Append(theirs, 0, 0, 1);  // the emptied map stays usable
    EXPECT_EQ(Origins(theirs), (std::vector<LONGLONG>{1}));
    EXPECT_FALSE(mine.MergeFrom(mine));
}

TEST(RegionPool, FindsFirstRegionEndingAtOrAfter)
{
    CSampleFadeMap map;
    Append(map, 0, 99, 0);
    Append(map, 80, 199, 150);
    Append(map, 180, 300, 250);
    struct Case {
        LONGLONG sample;
        BOOL found;
        int index;
    };
    const Case cases[] = {{-5, TRUE, 0},  {99, TRUE, 0},  {100, TRUE, 1},  {199, TRUE, 1},
                          {200, TRUE, 2}, {300, TRUE, 2}, {301, FALSE, -1}};
    for (const Case& c : cases) {
        int index = -1;
        EXPECT_EQ(map.FindFirstEndingAtOrAfter(c.sample, &index), c.found) << "sample " << c.sample;
        if (c.found) {
            EXPECT_EQ(index, c.index) << "sample " << c.sample;
        }
    }
}

TEST(RegionPool, SourceRangesFollowRegionsAndMergeCloseOnes)
{
    // Rate 1,000,000: one sample is one microsecond, so the expected ranges read directly.
    const DWORD rate = 1000000;
    CSampleFadeMap map;
    FADE_REGION* a = Append(map, 0, 999, 0);
    a->sourcePosition = 5000;
    FADE_REGION* b = Append(map, 900, 1999, 1000);
    b->sourcePosition = 8000;  // reads 7900 .. 8999, 1901 us after a's range
    FADE_REGION* c = Append(map, 1900, 2999, 2000);
    c->sourcePosition = 90000;
    c->reversed = 1;  // reads 90000 - (s - 2000)
    FADE_REGION* unplaced = Append(map, 2500, 3500, 3000);
    (void)unplaced;

    struct Case {
        const char* name;
        LONGLONG from;
        LONGLONG to;
        LONGLONG gap;
        std::vector<LONGLONG> starts;
        std::vector<LONGLONG> ends;
    };
    const Case cases[] = {
        {"all, no merging", 0, 5000, 0, {5000, 7900, 89001}, {5999, 8999, 90100}},
        {"gap just too small", 0, 5000, 1900, {5000, 7900, 89001}, {5999, 8999, 90100}},
        {"close ranges merged", 0, 5000, 1901, {5000, 89001}, {8999, 90100}},
        {"clipped to the request", 950, 1950, 0, {5950, 7950, 90050}, {5999, 8950, 90100}},
        {"reversed only", 2500, 2600, 0, {89400}, {89500}},
        {"before everything", -100, -1, 1000000, {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<LONGLONG> starts;
        std::vector<LONGLONG> ends;
        EXPECT_EQ(map.GetSourceRanges(c.from, c.to, rate, starts, ends, c.gap), c.starts.empty() ? FALSE : TRUE)
            << c.name;
        EXPECT_EQ(starts, c.starts) << c.name;
        EXPECT_EQ(ends, c.ends) << c.name;
    }
}

TEST(RegionPool, SetSourcePositionsPlacesRegionsOfTheSegment)
{
    struct Case {
        const char* name;
        LONGLONG file;
        LONGLONG loop;
        BOOL wrap;
        BOOL reversed;
        std::vector<LONGLONG> expected;  // source positions of regions at track times 0, 100, 250, 400
        DWORD reversedFlag;
    };
    const Case cases[] = {
        {"forward", 1000, 5000, FALSE, FALSE, {-1, 1000, 1150, -1}, 0},
        {"reversed", 1000, 5000, FALSE, TRUE, {-1, 1000, 850, -1}, 1},
        {"wrapped forward", 4900, 5000, TRUE, FALSE, {-1, 4900, 50, -1}, 0},
        {"wrapped below zero", 100, 120, TRUE, TRUE, {-1, 100, 70, -1}, 1},
        {"no loop length", 1000, 0, FALSE, FALSE, {-1, -1, -1, -1}, 0},
    };
    for (const Case& c : cases) {
        CSampleFadeMap map;
        for (LONGLONG time : {0, 100, 250, 400})
            Append(map, 0, 0, 0)->trackTime = time;
        Append(map, 0, 0, 0);  // track time unset: in no segment
        map.SetSourcePositions(100, 300, c.file, c.loop, c.wrap, c.reversed);
        for (int i = 0; i < 4; ++i) {
            FADE_REGION* region = nullptr;
            map.GetRegion(i, &region);
            EXPECT_EQ(region->sourcePosition, c.expected[static_cast<size_t>(i)]) << c.name << " region " << i;
            if (c.expected[static_cast<size_t>(i)] != -1) {
                EXPECT_EQ(region->reversed, c.reversedFlag) << c.name << " region " << i;
            }
        }
        FADE_REGION* unset = nullptr;
        map.GetRegion(4, &unset);
        EXPECT_EQ(unset->sourcePosition, -1) << c.name;
    }
}

}  // namespace

namespace {

TEST(RegionPool, FullPoolRefusesNewRegionsAndKeepsWhatItHas)
{
    CSampleFadeMap map;
    ASSERT_TRUE(map.Reserve(CSampleFadeMap::kMaxRegions));
    EXPECT_EQ(map.GetCapacity(), CSampleFadeMap::kMaxRegions);
    for (int i = 0; i < CSampleFadeMap::kMaxRegions; ++i)
        ASSERT_TRUE(map.NewRegion(nullptr, -1)) << i;
    FADE_REGION* region = nullptr;
    EXPECT_FALSE(map.NewRegion(&region, -1));
    EXPECT_FALSE(map.AppendCopy(FADE_REGION{}));
    EXPECT_FALSE(map.Reserve(1));
    EXPECT_EQ(map.GetRegionCount(), CSampleFadeMap::kMaxRegions);
    map.RemoveRegion(0);
    EXPECT_TRUE(map.NewRegion(&region, -1)) << "a freed slot is usable again";
}

}  // namespace
