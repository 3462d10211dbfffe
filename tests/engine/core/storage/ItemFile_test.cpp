#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "RiffBytes.h"
#include "TempFile.h"
#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/core/storage/ItemFile.h"
#include "engine/core/storage/MemBlob.h"
#include "tests/support/StoppingFile.h"

namespace {

constexpr int kRepair = CItemFile::flagAllowRepair;

// Appends one item with the given body; returns its index or -1.
int Append(CItemFile& file, const Bytes& body)
{
    CArchive* archive = nullptr;
    int index = -1;
    if (!file.BeginAppendItem(&archive, &index))
        return -1;
    if (!body.empty())
        archive->Write(body.data(), static_cast<UINT>(body.size()));
    return file.EndAppendItem() ? index : -1;
}

Bytes ReadBody(CItemFile& file, int index)
{
    CArchive* archive = nullptr;
    int length = 0;
    if (!file.OpenItemForRead(index, &archive, &length))
        return Text("<none>");
    Bytes body(static_cast<size_t>(length));
    archive->ReadExactly(body.data(), static_cast<UINT>(length));
    return body;
}

std::vector<Bytes> AllBodies(const std::wstring& path, int flags = kRepair)
{
    CItemFile file(path.c_str(), flags);
    std::vector<Bytes> bodies;
    for (int i = 0; i < file.GetItemCount(); ++i)
        bodies.push_back(ReadBody(file, i));
    return bodies;
}

// An item as it lies on disk, built by hand.
Bytes ItemBytes(DWORD offset, const Bytes& body, DWORD state = 1)
{
    DWORD sum = 0;
    for (size_t i = 0; i < body.size(); ++i)
        sum ^= static_cast<DWORD>(body[i]) << (8 * (i % 4));
    Bytes out;
    PutDword(out, offset);
    PutDword(out, static_cast<DWORD>(16 + body.size()));
    PutDword(out, sum);
    PutDword(out, state);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(ItemFile, NewFileAppendAndReopen)
{
    TempFile path(L"items-new");
    {
        CItemFile file(path.c_str(), CItemFile::flagCreate);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(file.GetItemCount(), 0);
        EXPECT_EQ(Append(file, Text("hello")), 0);
        EXPECT_EQ(file.GetItemCount(), 1);
    }
    CItemFile file(path.c_str(), kRepair);
    ASSERT_TRUE(file.IsOpen());
    ASSERT_EQ(file.GetItemCount(), 1);
    EXPECT_EQ(file.GetIndexEntry(0).state, 1u);
    EXPECT_EQ(ReadBody(file, 0), Text("hello"));
    EXPECT_FALSE(file.IsDamaged());
}

TEST(ItemFile, HeaderLayoutAndChecksumOfAFiveByteBody)
{
    TempFile path(L"items-layout");
    const Bytes body = {0x11, 0x22, 0x33, 0x44, 0x55};
    {
        CItemFile file(path.c_str(), CItemFile::flagCreate);
        ASSERT_EQ(Append(file, Text("abcd")), 0);
        ASSERT_EQ(Append(file, body), 1);
    }
    const Bytes disk = path.Read();
    const Bytes expected = Concat({ItemBytes(0, Text("abcd")), ItemBytes(20, body)});
    EXPECT_EQ(disk, expected);
    // First word XOR the fifth byte as a word with three zero high bytes.
    EXPECT_EQ(CItemFile::Checksum(body.data(), 5), 0x44332211u ^ 0x55u);
}

TEST(ItemFile, FreedItemsDisappearAtCloseAndLiveItemsStayByteIdentical)
{
    TempFile path(L"items-free");
    std::vector<Bytes> bodies;
    for (int i = 0; i < 6; ++i)
        bodies.push_back(Bytes(static_cast<size_t>(100 + 37 * i), static_cast<BYTE>(i + 1)));
    {
        CItemFile file(path.c_str(), CItemFile::flagCreate);
        for (const Bytes& b : bodies)
            ASSERT_GE(Append(file, b), 0);
    }
    {
        CItemFile file(path.c_str(), kRepair);
        ASSERT_EQ(file.GetItemCount(), 6);
        file.FreeItem(1);
        file.FreeItem(4);
        CArchive* archive = nullptr;
        int length = 0;
        EXPECT_FALSE(file.OpenItemForRead(1, &archive, &length));
        EXPECT_EQ(ReadBody(file, 2), bodies[2]);
        file.FreeItem(99);
    }
    const std::vector<Bytes> expected = {bodies[0], bodies[2], bodies[3], bodies[5]};
    EXPECT_EQ(AllBodies(path.path()), expected);
    size_t total = 0;
    for (const Bytes& b : expected)
        total += 16 + b.size();
    EXPECT_EQ(path.Read().size(), total);
}

using fixtures::StoppingFile;

Bytes Pattern(size_t length, int seed)
{
    Bytes body(length);
    for (size_t i = 0; i < length; ++i)
        body[i] = static_cast<BYTE>(i * 7 + static_cast<size_t>(seed) * 31 + 1);
    return body;
}

// Compaction moves live items over freed ones: one move overlaps its old place (a short shift of a
// long item), the others do not. Stopped after any of its writes, the file still holds every live
// item (a second copy may be left, which the stores resolve at open) and no freed one.
TEST(ItemFile, CompactionStoppedAfterAnyWriteLosesNoItem)
{
    struct Item {
        Bytes body;
        DWORD state;
    };
    const Item items[] = {{Pattern(60, 1), 1},  {Pattern(40, 2), 0},  {Pattern(300, 3), 1},
                          {Pattern(500, 4), 0}, {Pattern(200, 5), 1}, {Pattern(100, 6), 1}};
    Bytes disk;
    std::vector<Bytes> live;
    for (const Item& item : items) {
        const Bytes bytes = ItemBytes(static_cast<DWORD>(disk.size()), item.body, item.state);
        disk.insert(disk.end(), bytes.begin(), bytes.end());
        if (item.state == 1)
            live.push_back(item.body);
    }
    size_t compactLength = 0;
    for (const Bytes& body : live)
        compactLength += 16 + body.size();

    TempFile path(L"items-stopped");
    bool stopped = true;
    int allowed = 0;
    for (; stopped && allowed < 64; ++allowed) {
        SCOPED_TRACE(testing::Message() << "stopped after write " << allowed);
        path.Write(disk);
        stopped = false;
        {
            CItemFile file(std::make_unique<StoppingFile>(allowed, &stopped), path.c_str(), kRepair);
            ASSERT_EQ(file.GetItemCount(), 6);
        }
        std::vector<Bytes> found = AllBodies(path.path());
        std::erase(found, Text("<none>"));  // free items stay in the index but cannot be read
        for (const Bytes& body : live)
            EXPECT_NE(std::find(found.begin(), found.end(), body), found.end()) << "lost a live item";
        for (const Bytes& body : found)
            EXPECT_NE(std::find(live.begin(), live.end(), body), live.end()) << "a freed item came back";
        if (!stopped) {
            EXPECT_EQ(found, live);
            EXPECT_EQ(path.Read().size(), compactLength);
        }
    }
    EXPECT_FALSE(stopped) << "the compaction never ran to its end";
}

TEST(ItemFile, CorruptedBodyIsDroppedAndRemovedAtClose)
{
    for (int flags : {0, kRepair}) {
        SCOPED_TRACE(flags);
        TempFile path(L"items-corrupt");
        Bytes disk = Concat({ItemBytes(0, Text("first")), ItemBytes(21, Text("second")), ItemBytes(43, Text("third"))});
        disk[21 + 16 + 2] ^= 0x40;
        path.Write(disk);
        {
            CItemFile file(path.c_str(), flags);
            ASSERT_TRUE(file.IsOpen());
            EXPECT_TRUE(file.IsDamaged());
            ASSERT_EQ(file.GetItemCount(), 2);
            EXPECT_EQ(ReadBody(file, 0), Text("first"));
            EXPECT_EQ(ReadBody(file, 1), Text("third"));
        }
        EXPECT_EQ(path.Read(), Concat({ItemBytes(0, Text("first")), ItemBytes(21, Text("third"))}));
    }
}

TEST(ItemFile, GarbageBetweenItemsNeedsRepair)
{
    TempFile path(L"items-garbage");
    const Bytes garbage = Text("#garbage#");
    const Bytes disk = Concat({ItemBytes(0, Text("first")), garbage, ItemBytes(21 + 9, Text("second"))});
    path.Write(disk);
    {
        CItemFile file(path.c_str(), 0);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.GetItemCount(), 0);
    }
    EXPECT_EQ(path.Read(), disk);
    {
        CItemFile file(path.c_str(), kRepair);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.IsDamaged());
        ASSERT_EQ(file.GetItemCount(), 2);
        EXPECT_EQ(ReadBody(file, 1), Text("second"));
    }
    EXPECT_EQ(path.Read(), Concat({ItemBytes(0, Text("first")), ItemBytes(21, Text("second"))}));
}

// A read-only open never writes: a damaged file keeps every byte (the repair scan skips the
// damage in memory only), nothing can be appended or freed, and a missing file stays missing.
TEST(ItemFile, ReadOnlyOpenWritesNothing)
{
    TempFile path(L"items-read-only");
    Bytes corrupted = ItemBytes(21 + 9, Text("second"));
    corrupted[16] ^= 0x40;
    const Bytes disk = Concat({ItemBytes(0, Text("first")), Text("#garbage#"), corrupted,
                               ItemBytes(21 + 9 + 22, Text("third")), ItemBytes(21 + 9 + 22 + 21, Text("freed"), 0)});
    path.Write(disk);
    const int readOnly = CItemFile::flagReadOnly | kRepair;
    {
        CItemFile file(path.c_str(), readOnly);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.IsDamaged());
        std::vector<Bytes> bodies;
        file.ForEachItem([&](int, CArchive& body) {
            Bytes bytes(5);
            body.ReadExactly(bytes.data(), 5);
            bodies.push_back(bytes);
        });
        EXPECT_EQ(bodies, (std::vector<Bytes>{Text("first"), Text("third")}));
        CArchive* archive = nullptr;
        EXPECT_FALSE(file.BeginAppendItem(&archive, nullptr));
        file.FreeItem(0);
        EXPECT_EQ(ReadBody(file, 0), Text("first"));
    }
    EXPECT_EQ(path.Read(), disk) << "not repaired, compacted or appended to";

    TempFile missing(L"items-read-only-missing");
    {
        CItemFile file(missing.c_str(), readOnly);
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_FALSE(missing.Exists());
}

TEST(ItemFile, OversizeBodyIsRefusedAtAppend)
{
    TempFile path(L"items-oversize");
    CItemFile file(path.c_str(), CItemFile::flagCreate);
    ASSERT_EQ(Append(file, Text("keep")), 0);
    EXPECT_EQ(Append(file, Bytes(65521, 0xAB)), -1);
    EXPECT_EQ(file.GetItemCount(), 1);
    EXPECT_EQ(Append(file, Bytes(65520, 0xCD)), 1);
    EXPECT_EQ(ReadBody(file, 1), Bytes(65520, 0xCD));
    // An empty body cannot be described by a header either.
    EXPECT_EQ(Append(file, {}), -1);
    EXPECT_EQ(ReadBody(file, 0), Text("keep"));
    EXPECT_EQ(file.GetItemCount(), 2);
}

TEST(ItemFile, CancelledAppendLeavesNothingBehind)
{
    TempFile path(L"items-cancel");
    {
        CItemFile file(path.c_str(), CItemFile::flagCreate);
        ASSERT_EQ(Append(file, Text("keep")), 0);
        CArchive* archive = nullptr;
        int index = -1;
        ASSERT_TRUE(file.BeginAppendItem(&archive, &index));
        EXPECT_EQ(index, 1);
        *archive << static_cast<DWORD>(42);
        file.CancelAppendItem();
        EXPECT_EQ(file.GetItemCount(), 1);
    }
    EXPECT_EQ(path.Read(), ItemBytes(0, Text("keep")));
    CItemFile file(path.c_str(), 0);
    EXPECT_FALSE(file.IsDamaged());
}

TEST(MemBlob, CopyOutAndSerialize)
{
    CMemBlob blob;
    BYTE* data = blob.Allocate(5);
    ASSERT_NE(data, nullptr);
    memcpy(data, "abcde", 5);
    DWORD size = 0;
    EXPECT_EQ(blob.CopyOut(&size, nullptr), S_OK);
    EXPECT_EQ(size, 5u);
    BYTE out[5] = {};
    size = 4;
    EXPECT_EQ(blob.CopyOut(&size, out), E_FAIL);
    size = 5;
    EXPECT_EQ(blob.CopyOut(&size, out), S_OK);
    EXPECT_EQ(memcmp(out, "abcde", 5), 0);

    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        blob.Serialize(archive);
        CMemBlob empty;
        empty.Serialize(archive);
        archive.Close();
    }
    EXPECT_EQ(Bytes(file.GetData(), file.GetData() + file.GetLength()),
              Concat({Bytes{5, 0, 0, 0}, Text("abcde"), Bytes{0, 0, 0, 0}}));
    file.SeekToBegin();
    {
        CArchive archive(&file, CArchive::load);
        CMemBlob back, empty;
        back.Serialize(archive);
        empty.Serialize(archive);
        ASSERT_EQ(back.GetSize(), 5u);
        EXPECT_EQ(memcmp(back.GetData(), "abcde", 5), 0);
        EXPECT_EQ(empty.GetSize(), 0u);
        EXPECT_EQ(empty.GetData(), nullptr);
    }
    // A stored size beyond the data is refused without allocating.
    CMemFile bad;
    const Bytes wire = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2};
    bad.Write(wire.data(), static_cast<UINT>(wire.size()));
    bad.SeekToBegin();
    CArchive archive(&bad, CArchive::load);
    CMemBlob victim;
    EXPECT_THROW(victim.Serialize(archive), CArchiveException);
    EXPECT_EQ(victim.GetSize(), 0u);
}

}  // namespace

namespace {

// The bulk walk gives what item-by-item reads give: live items only, in order, also when the
// items span several of its read windows (every other item of 60,000 bytes, 1.4 MB in all).
TEST(ItemFile, ForEachItemVisitsTheLiveItemsLikeSingleReads)
{
    TempFile temp(L"bulk");
    std::vector<Bytes> written;
    {
        CItemFile file(temp.c_str(), kRepair);
        for (int i = 0; i < 48; ++i) {
            Bytes body(i % 2 == 0 ? 60000 : 10 + i, static_cast<BYTE>(i));
            ASSERT_EQ(Append(file, body), i);
            written.push_back(body);
        }
    }
    CItemFile file(temp.c_str(), kRepair);
    file.FreeItem(5);
    file.FreeItem(17);
    std::vector<int> indexes;
    std::vector<Bytes> bodies;
    file.ForEachItem([&](int index, CArchive& archive) {
        Bytes body(static_cast<size_t>(archive.GetAvailable()));
        archive.ReadExactly(body.data(), static_cast<UINT>(body.size()));
        indexes.push_back(index);
        bodies.push_back(body);
        if (index == 3)
            throw CArchiveException(CArchiveException::endOfFile);
    });
    ASSERT_EQ(indexes.size(), 46u) << "the freed items are not visited; the walk goes on after an exception";
    for (size_t i = 0; i < indexes.size(); ++i) {
        EXPECT_EQ(bodies[i], written[static_cast<size_t>(indexes[i])]) << indexes[i];
        EXPECT_EQ(bodies[i], ReadBody(file, indexes[i])) << indexes[i];
    }
}

}  // namespace
