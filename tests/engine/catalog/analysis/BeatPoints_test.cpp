#include "engine/catalog/analysis/BeatPoints.h"

#include <gtest/gtest.h>

#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/ArchiveException.h"
#include "classlib/core/MemFile.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Store(CBeatPoints& points)
{
    CMemFile file;
    CArchive archive(&file, CArchive::store);
    points.Serialize(archive);
    archive.Close();
    return Bytes(file.GetData(), file.GetData() + file.GetLength());
}

// Loads the bytes into `points`; false when the archive refused them.
bool Load(const Bytes& bytes, CBeatPoints& points)
{
    CMemFile file;
    if (!bytes.empty())
        file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    CArchive archive(&file, CArchive::load);
    try {
        points.Serialize(archive);
    } catch (const CArchiveException&) {
        return false;
    }
    return true;
}

CBeatPoints Make(WORD flag, std::vector<DWORD> positions)
{
    CBeatPoints points;
    points.SetFlagWord(flag);
    for (DWORD p : positions)
        points.Positions().Add(p);
    return points;
}

TEST(BeatPoints, WireFormatIsFlagWordCountAndPositions)
{
    CBeatPoints points = Make(1, {0x11223344, 7});
    const Bytes expected = {0x01, 0x00, 0x02, 0x00, 0x44, 0x33, 0x22, 0x11, 0x07, 0x00, 0x00, 0x00};
    EXPECT_EQ(Store(points), expected);

    CBeatPoints loaded;
    ASSERT_TRUE(Load(expected, loaded));
    EXPECT_TRUE(loaded.IsEqual(points));
}

TEST(BeatPoints, CountBeyondStoredDataIsRefusedAndLeavesTheListUnchanged)
{
    // Flag 1, count 1000, but only two positions stored.
    const Bytes bytes = {0x01, 0x00, 0xE8, 0x03, 1, 0, 0, 0, 2, 0, 0, 0};
    CBeatPoints loaded = Make(3, {9});
    EXPECT_FALSE(Load(bytes, loaded));
    EXPECT_TRUE(loaded.IsEqual(Make(3, {9})));
}

TEST(BeatPoints, EqualityNeedsFlagCountAndPositions)
{
    const CBeatPoints base = Make(1, {10, 20});
    struct Row {
        const char* name;
        CBeatPoints other;
        bool equal;
    } rows[] = {
        {"same", Make(1, {10, 20}), true},
        {"other flag", Make(2, {10, 20}), false},
        {"shorter", Make(1, {10}), false},
        {"other position", Make(1, {10, 21}), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(base.IsEqual(row.other), row.equal);
        EXPECT_EQ(row.other.IsEqual(base), row.equal);
    }
    CBeatPoints copy(base);
    EXPECT_TRUE(copy.IsEqual(base));
}

TEST(BeatPoints, MicrosecondsAreTruncatedAndNeedFlagAndRate)
{
    CArray<LONGLONG, LONGLONG> times;
    // 4294967295 frames at 44100 Hz: the product needs 64 bits.
    const CBeatPoints points = Make(1, {0, 1, 44099, 0xFFFFFFFF});
    ASSERT_TRUE(points.ToMicroseconds(44100, times));
    ASSERT_EQ(times.GetSize(), 4);
    EXPECT_EQ(times[0], 0);
    EXPECT_EQ(times[1], 22);  // 22.67 truncated
    EXPECT_EQ(times[2], 999977);
    EXPECT_EQ(times[3], 97391548639LL);

    times.Add(5);
    EXPECT_FALSE(points.ToMicroseconds(0, times));
    EXPECT_EQ(times.GetSize(), 0);
    times.Add(5);
    EXPECT_FALSE(Make(0, {1, 2}).ToMicroseconds(44100, times));
    EXPECT_EQ(times.GetSize(), 0);
}

}  // namespace
