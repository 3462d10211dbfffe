#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "RiffBytes.h"
#include "TempFile.h"
#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/core/storage/ItemFile.h"
#include "engine/core/storage/RiffFile.h"

// Damaged input must never crash or hang a reader: thousands of truncated, bit-flipped and
// size-smashed RIFF and record files from fixed seeds, each walked completely.

namespace {

Bytes MutateBytes(const Bytes& base, std::mt19937& random)
{
    Bytes data = base;
    switch (random() % 4) {
    case 0:  // truncated
        data.resize(random() % (data.size() + 1));
        break;
    case 1:  // a few flipped bits
        for (int flips = 1 + random() % 8; flips > 0 && !data.empty(); --flips)
            data[random() % data.size()] ^= static_cast<BYTE>(1u << (random() % 8));
        break;
    case 2: {  // a 32-bit field overwritten with an extreme or random value
        if (data.size() < 4)
            break;
        const DWORD values[] = {0,          1,          2,          3,          0x7FFFFFFF,
                                0x80000000, 0xFFFFFFF0, 0xFFFFFFF8, 0xFFFFFFFF, static_cast<DWORD>(random())};
        const DWORD v = values[random() % 10];
        const size_t at = (random() % (data.size() / 4)) * 4;
        memcpy(&data[at], &v, 4);
        break;
    }
    default:  // flipped bits and a truncation together
        for (int flips = 1 + random() % 4; flips > 0 && !data.empty(); --flips)
            data[random() % data.size()] ^= static_cast<BYTE>(1u << (random() % 8));
        data.resize(data.size() - random() % (data.size() / 2 + 1));
        break;
    }
    return data;
}

// Visits every child of the current level: reads chunks (capped) and descends into lists.
int WalkLevel(CRiffFile& riff, int depth)
{
    int visited = 0;
    FOURCC id = 0;
    for (int n = 0; riff.GetChildId(n, &id); ++n) {
        ++visited;
        IArchive* archive = nullptr;
        DWORD size = 0;
        if (riff.OpenChunk(n, &archive, &size)) {
            BYTE buffer[256];
            UINT read = 0;
            archive->Read(buffer, std::min<DWORD>(size, sizeof(buffer)), &read);
            BYTE record[24] = {24, 0};
            UINT consumed = 0;
            archive->ReadSizedRecord(record, sizeof(record), size, &consumed);
            archive->Skip(static_cast<int>(std::min<DWORD>(size, 1000)));
        }
        if (depth < 64 && riff.Descend(n)) {
            visited += WalkLevel(riff, depth + 1);
            EXPECT_TRUE(riff.Ascend());
        }
    }
    return visited;
}

Bytes RiffSample()
{
    return Form(
        "CFMP",
        {
            Chunk("CFVR", Bytes(12, 3)),
            List(
                "TRKL",
                {
                    List("TRKI", {Chunk("TRKH", Bytes(40, 0x11)), Chunk("TRKF", Text("C:\\music\\a.mp3")),
                                  List("TKLY", {Chunk("TRKS", Bytes{6, 0, 1, 2, 3, 4}), Chunk("TRKM", Bytes(33, 5))})}),
                    List("TRKI", {Chunk("TRKH", Bytes(40, 0x22)), Chunk("odd ", Text("abc"))}),
                }),
            List("GLBL", {Chunk("GLBI", Bytes(16, 7)), Chunk("EFXI", Bytes(9, 8))}),
        });
}

TEST(Fuzz, DamagedRiffFormsAreReadSafely)
{
    std::mt19937 random(20240517);
    const Bytes base = RiffSample();
    int opened = 0;
    for (int i = 0; i < 6000; ++i) {
        const Bytes data = MutateBytes(base, random);
        CRiffFile riff;
        if (!riff.OpenFromMemory(data.empty() ? base.data() : data.data(), static_cast<int>(data.size())))
            continue;
        ++opened;
        WalkLevel(riff, 0);
        ASSERT_LE(riff.GetIndexCount(), static_cast<int>(data.size() / 8)) << "case " << i;
    }
    // Most damage leaves a readable form.
    EXPECT_GT(opened, 3000);
}

TEST(Fuzz, DamagedRiffImagesInsideArchivesAreReadSafely)
{
    std::mt19937 random(777);
    const Bytes base = RiffSample();
    for (int i = 0; i < 2000; ++i) {
        const Bytes data = MutateBytes(base, random);
        CMemFile file;
        if (!data.empty())
            file.Write(data.data(), static_cast<UINT>(data.size()));
        file.SeekToBegin();
        CArchive archive(&file, CArchive::load);
        CRiffFile riff;
        // The claimed image size may exceed what is there.
        if (riff.ReadImageFrom(archive, static_cast<int>(base.size())))
            WalkLevel(riff, 0);
    }
}

Bytes RecordSample()
{
    Bytes out;
    std::mt19937 random(5);
    for (int i = 0; i < 8; ++i) {
        Bytes body(1 + random() % 300);
        for (BYTE& b : body)
            b = static_cast<BYTE>(random());
        const DWORD offset = static_cast<DWORD>(out.size());
        DWORD sum = 0;
        for (size_t k = 0; k < body.size(); ++k)
            sum ^= static_cast<DWORD>(body[k]) << (8 * (k % 4));
        PutDword(out, offset);
        PutDword(out, static_cast<DWORD>(16 + body.size()));
        PutDword(out, sum);
        PutDword(out, i == 3 ? 0 : 1);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

// The bodies of the live items, and the index of the first live one (or -1).
std::vector<Bytes> LiveBodies(CItemFile& file, int* firstLive = nullptr)
{
    std::vector<Bytes> bodies;
    if (firstLive)
        *firstLive = -1;
    for (int i = 0; i < file.GetItemCount(); ++i) {
        CArchive* archive = nullptr;
        int length = 0;
        if (!file.OpenItemForRead(i, &archive, &length))
            continue;
        Bytes body(static_cast<size_t>(length));
        EXPECT_EQ(archive->Read(body.data(), static_cast<UINT>(length)), static_cast<UINT>(length));
        if (firstLive && *firstLive < 0)
            *firstLive = i;
        bodies.push_back(body);
    }
    return bodies;
}

TEST(Fuzz, DamagedRecordFilesAreScannedSafelyAndRepairedCleanly)
{
    std::mt19937 random(424242);
    const Bytes base = RecordSample();
    TempFile path(L"fuzz-records");
    for (int i = 0; i < 1500; ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        const Bytes data = MutateBytes(base, random);
        const bool repair = random() % 4 != 0;
        path.Write(data);

        std::vector<Bytes> live;
        {
            CItemFile file(path.c_str(), repair ? CItemFile::flagAllowRepair : 0);
            if (!file.IsOpen()) {
                ASSERT_FALSE(repair);
                continue;
            }
            int firstLive = -1;
            live = LiveBodies(file, &firstLive);
            if (firstLive >= 0 && random() % 3 == 0) {
                file.FreeItem(firstLive);
                live.erase(live.begin());
            }
        }
        // After the close (and its compaction), the file opens without repair, undamaged, with
        // every live item byte-identical.
        CItemFile again(path.c_str(), 0);
        ASSERT_TRUE(again.IsOpen());
        EXPECT_FALSE(again.IsDamaged());
        EXPECT_EQ(LiveBodies(again), live);
    }
}

}  // namespace
