// The object container's time edits as tables of cases, its filtered access, its archive and
// chunk forms.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "classlib/core/ArchiveException.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackObjContainer.h"
#include "TrackModelBytes.h"

namespace {

constexpr long long kMax = std::numeric_limits<long long>::max();
constexpr long long kMin = std::numeric_limits<long long>::min();

// One object as the tables describe it: 'S' segment or 'M' marker, span, id (and tag).
struct Obj {
    char kind;
    long long start;
    long long end;
    long id;
    DWORD tag = kTrackObjDefaultTag;
    bool operator==(const Obj& o) const { return kind == o.kind && start == o.start && end == o.end && id == o.id; }
};

std::string Describe(const std::vector<Obj>& objects)
{
    std::string s;
    for (const Obj& o : objects)
        s += std::string(1, o.kind) + "[" + std::to_string(o.start) + "," + std::to_string(o.end) + "]#" +
             std::to_string(o.id) + " ";
    return s;
}

void Fill(CTrackObjContainer& c, const std::vector<Obj>& objects)
{
    for (const Obj& o : objects) {
        CTrackObj* created = nullptr;
        if (o.kind == 'S')
            created = new CSegment(kSegmentPlain, o.start, o.end, 0);
        else
            created = new CMarker(0x8000, o.start);
        created->SetId(o.id);
        created->SetTag(o.tag);
        c.Append(created);
    }
}

std::vector<Obj> Contents(const CTrackObjContainer& c)
{
    std::vector<Obj> out;
    for (int i = 0; i < c.GetCount(); ++i) {
        const CTrackObj* o = c.GetAt(i);
        out.push_back({o->GetClass() == kTrackObjSegment ? 'S' : 'M', o->GetStart(), o->GetEnd(), o->GetId()});
    }
    return out;
}

}  // namespace

TEST(TrackObjContainer, DeleteRangeTable)
{
    struct Row {
        const char* name;
        std::vector<Obj> before;
        long long from, to;
        DWORD classMask;
        std::vector<Obj> after;
    };
    const std::vector<Row> rows = {
        {"exact cover disappears", {{'S', 100, 200, 1}}, 100, 200, kAllMask, {}},
        {"wider segment becomes two pieces",
         {{'S', 90, 210, 1}},
         100,
         200,
         kAllMask,
         {{'S', 90, 99, 1}, {'S', 201, 210, -1}}},
        {"left overlap keeps its head", {{'S', 50, 150, 2}}, 100, 200, kAllMask, {{'S', 50, 99, 2}}},
        {"right overlap keeps its tail with its id", {{'S', 150, 250, 3}}, 100, 200, kAllMask, {{'S', 201, 250, 3}}},
        {"marker inside goes, marker outside stays",
         {{'M', 150, 150, 4}, {'M', 201, 201, 5}},
         100,
         200,
         kAllMask,
         {{'M', 201, 201, 5}}},
        {"from = to + 1 splits what covers both",
         {{'S', 0, 1000, 6}, {'M', 500, 500, 7}},
         501,
         500,
         kAllMask,
         {{'S', 0, 500, 6}, {'S', 501, 1000, -1}, {'M', 500, 500, 7}}},
        {"class mask spares markers",
         {{'M', 150, 150, 8}, {'S', 100, 300, 9}},
         100,
         200,
         kTrackObjSegment,
         {{'M', 150, 150, 8}, {'S', 201, 300, 9}}},
        {"range up to the top of the axis",
         {{'S', kMax - 10, kMax, 10}},
         kMax - 5,
         kMax,
         kAllMask,
         {{'S', kMax - 10, kMax - 6, 10}}},
        {"range from the bottom of the axis",
         {{'S', kMin, kMin + 10, 11}},
         kMin,
         kMin + 4,
         kAllMask,
         {{'S', kMin + 5, kMin + 10, 11}}},
        {"whole axis empties", {{'S', kMin, kMax, 12}, {'M', 0, 0, 13}}, kMin, kMax, kAllMask, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackObjContainer c;
        Fill(c, row.before);
        c.DeleteRange(row.from, row.to, row.classMask, kAllMask);
        EXPECT_EQ(Describe(Contents(c)), Describe(row.after));
    }
}

TEST(TrackObjContainer, RemoveTimeRangeAndInsertTimeTable)
{
    struct Row {
        const char* name;
        std::vector<Obj> before;
        bool insert;
        long long a, b;  // remove: from, to; insert: position, length
        std::vector<Obj> after;
    };
    const std::vector<Row> rows = {
        {"cut closes the gap",
         {{'S', 0, 999, 1}, {'M', 1500, 1500, 2}},
         false,
         100,
         199,
         {{'S', 0, 99, 1}, {'S', 100, 899, -1}, {'M', 1400, 1400, 2}}},
        {"cut at the start of the axis",
         {{'S', kMin, kMin + 100, 1}},
         false,
         kMin,
         kMin + 9,
         {{'S', kMin, kMin + 90, 1}}},
        {"cut to the top moves nothing", {{'S', 0, kMax, 1}}, false, 1000, kMax, {{'S', 0, 999, 1}}},
        {"cut of nearly the whole axis moves the rest without wrapping",
         {{'M', kMin + 5, kMin + 5, 1}, {'M', kMax, kMax, 2}},
         false,
         kMin + 10,
         kMax - 1,
         {{'M', kMin + 5, kMin + 5, 1}, {'M', kMin + 10, kMin + 10, 2}}},
        {"from = to + 1 only splits", {{'S', 0, 100, 1}}, false, 51, 50, {{'S', 0, 50, 1}, {'S', 51, 100, -1}}},
        {"insert splits and moves the rest",
         {{'S', 0, 100, 1}, {'M', 20, 20, 2}, {'M', 80, 80, 3}},
         true,
         50,
         1000,
         {{'S', 0, 50, 1}, {'S', 1051, 1100, -1}, {'M', 20, 20, 2}, {'M', 1080, 1080, 3}}},
        {"insert near the top saturates instead of wrapping",
         {{'M', kMax - 1, kMax - 1, 1}},
         true,
         0,
         100,
         {{'M', kMax, kMax, 1}}},
        {"insert at the top does nothing", {{'M', kMax, kMax, 1}}, true, kMax, 100, {{'M', kMax, kMax, 1}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackObjContainer c;
        Fill(c, row.before);
        if (row.insert)
            c.InsertTimeAt(row.a, row.b);
        else
            c.RemoveTimeRange(row.a, row.b);
        EXPECT_EQ(Describe(Contents(c)), Describe(row.after));
    }
}

TEST(TrackObjContainer, CopyRangeTable)
{
    const std::vector<Obj> source = {{'S', kMin, -1, 1}, {'S', 0, 999, 2}, {'M', 500, 500, 3}, {'S', 1000, kMax, 4}};
    struct Row {
        const char* name;
        long long from, to;
        std::vector<Obj> after;
    };
    const std::vector<Row> rows = {
        {"middle", 100, 1099, {{'S', 100, 999, 2}, {'M', 500, 500, 3}, {'S', 1000, 1099, 4}}},
        {"up to the top", 999, kMax, {{'S', 999, 999, 2}, {'S', 1000, kMax, 4}}},
        {"from the bottom", kMin, 0, {{'S', kMin, -1, 1}, {'S', 0, 0, 2}}},
        {"the whole axis", kMin, kMax, source},
    };
    CTrackObjContainer src;
    Fill(src, source);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackObjContainer c;
        c.CopyRange(src, row.from, row.to, kAllMask, kAllMask);
        EXPECT_EQ(Describe(Contents(c)), Describe(row.after));
    }
}

TEST(TrackObjContainer, ResolveOverlapsKeepsTheLowerTagWhole)
{
    struct Row {
        const char* name;
        std::vector<Obj> before;
        std::vector<Obj> after;
    };
    const std::vector<Row> rows = {
        // Ids of -1 everywhere: the objects themselves must come back, not "the first with id -1".
        {"equal tags: the earlier-added one stays whole",
         {{'S', 0, 100, -1}, {'S', 50, 150, -1}},
         {{'S', 101, 150, -1}, {'S', 0, 100, -1}}},
        {"lower tag wins", {{'S', 0, 100, -1, 9}, {'S', 50, 150, -1, 3}}, {{'S', 0, 49, -1}, {'S', 50, 150, -1}}},
        {"markers are not touched",
         {{'M', 60, 60, 5}, {'S', 0, 100, -1}, {'S', 50, 150, -1}},
         {{'M', 60, 60, 5}, {'S', 101, 150, -1}, {'S', 0, 100, -1}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CTrackObjContainer c;
        Fill(c, row.before);
        c.ResolveOverlaps(kTrackObjSegment, kAllMask);
        EXPECT_EQ(Describe(Contents(c)), Describe(row.after));
    }
}

TEST(TrackObjContainer, FilteredAccessAndLookups)
{
    CTrackObjContainer c;
    EXPECT_EQ(c.GetEarliestStart(), 0);
    EXPECT_EQ(c.GetLatestEnd(), 0);
    Fill(c, {{'S', 100, 200, 1}, {'M', 50, 50, 2}, {'S', 300, 400, 3}});
    c.AddStartMarker(70);
    c.AddStartMarker(20);
    c.AddEndMarker(900);

    ITrackRange* range = nullptr;
    EXPECT_FALSE(c.GetRange(-1, kAllMask, &range, nullptr));
    EXPECT_FALSE(c.GetRange(2, kAllMask, &range, nullptr));
    ASSERT_TRUE(c.GetRange(1, kSegmentTypeMask, &range, nullptr));
    LONGLONG start = 0;
    range->GetStart(&start);
    EXPECT_EQ(start, 300);
    ITrackMarker* marker = nullptr;
    EXPECT_FALSE(c.GetMarker(-5, kAllMask, &marker, nullptr));
    ASSERT_TRUE(c.GetMarker(1, kMarkerStart, &marker, nullptr));
    LONGLONG position = 0;
    marker->GetPosition(&position);
    EXPECT_EQ(position, 20);
    // A change of content invalidates the cached index.
    c.RemoveById(1);
    ASSERT_TRUE(c.GetRange(0, kSegmentTypeMask, &range, nullptr));
    range->GetStart(&start);
    EXPECT_EQ(start, 300);

    EXPECT_EQ(c.CountObjects(kTrackObjMarker, kAllMask), 4);
    EXPECT_EQ(c.CountSegments(), 1);
    EXPECT_EQ(c.GetEarliestStart(), 20);
    EXPECT_EQ(c.GetLatestEnd(), 900);
    LONGLONG t = -1;
    EXPECT_TRUE(c.GetEarliestStartMarker(&t));
    EXPECT_EQ(t, 20);
    EXPECT_TRUE(c.GetLatestStartMarker(&t));
    EXPECT_EQ(t, 70);
    EXPECT_TRUE(c.GetLatestEndMarker(&t));
    EXPECT_EQ(t, 900);
    c.RemoveStartEndMarkers();
    t = -1;
    EXPECT_FALSE(c.GetEarliestEndMarker(&t));
    EXPECT_EQ(t, -1);

    LONG counter = 10;
    c.AssignIds(&counter);
    EXPECT_EQ(counter, 10);  // every object already had an id
    c.ClearIds();
    c.AssignIds(&counter);
    EXPECT_EQ(counter, 12);
}

TEST(TrackObjContainer, FilePositionsThroughSegments)
{
    CTrackObjContainer c;
    c.Append(new CSegment(kSegmentPlain, 0, 1000, 5000));
    c.Append(new CSegment(kSegmentPlain, 2000, 3000, 5000));
    LONGLONG p = -1;
    EXPECT_TRUE(c.TrackTimeToFilePosition(2500, &p));
    EXPECT_EQ(p, 5500);
    EXPECT_FALSE(c.TrackTimeToFilePosition(1500, &p));
    LONGLONG t = -1;
    EXPECT_TRUE(c.FilePositionToTrackTime(5500, 0, &t));
    EXPECT_EQ(t, 500);
    EXPECT_TRUE(c.FilePositionToTrackTime(5500, 600, &t));
    EXPECT_EQ(t, 2500);
    EXPECT_FALSE(c.FilePositionToTrackTime(4000, 0, &t));
}

TEST(TrackObjContainer, ArchiveRoundTripAndBadClassWord)
{
    CTrackObjContainer c;
    Fill(c, {{'S', 1, 2, 3}, {'M', 4, 4, 5}});
    const Bytes stored = StoreArchive([&](CArchive& a) { c.Serialize(a); });
    // Count, then class word and object per entry.
    ASSERT_GE(stored.size(), 8u);
    EXPECT_EQ(stored[0], 2);
    EXPECT_EQ(stored[4], 2);
    CTrackObjContainer back;
    LoadArchive(stored, [&](CArchive& a) { back.Serialize(a); });
    EXPECT_TRUE(back.IsEqualTo(c));
    EXPECT_TRUE(back.EqualsOnMasks(c, kAllMask, kAllMask));

    // A third entry of class 9: the load fails with the archive exception, the two before stay.
    Bytes bad = stored;
    bad[0] = 3;
    Put32(bad, 9);
    CTrackObjContainer partial;
    EXPECT_THROW(LoadArchive(bad, [&](CArchive& a) { partial.Serialize(a); }), CArchiveException);
    EXPECT_EQ(partial.GetCount(), 2);

    // A count far beyond the data fails before anything is read.
    Bytes huge = {0xFF, 0xFF, 0xFF, 0x7F};
    CTrackObjContainer none;
    EXPECT_THROW(LoadArchive(huge, [&](CArchive& a) { none.Serialize(a); }), CArchiveException);
    EXPECT_EQ(none.GetCount(), 0);
}

TEST(TrackObjContainer, ChunksRoundTripAndUnknownChildrenAreSkipped)
{
    CTrackObjContainer c;
    Fill(c, {{'S', 1, 2, -1}, {'M', 4, 4, -1}});
    Bytes form = WriteForm("TEST", [&](IRiffStream* s) { c.WriteChunks(s); });
    CTrackObjContainer back;
    {
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenFromMemory(form.data(), static_cast<int>(form.size())));
        back.ReadChunks(&riff);
    }
    EXPECT_TRUE(back.IsEqualTo(c));

    Bytes unknown = Form("TEST", {Chunk("XXXX", {1, 2, 3}), List("TREL", {Chunk("ABCD", {})})});
    CRiffFile riff;
    ASSERT_TRUE(riff.OpenFromMemory(unknown.data(), static_cast<int>(unknown.size())));
    back.ReadChunks(&riff);
    EXPECT_EQ(back.GetCount(), 0);
}
