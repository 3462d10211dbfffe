#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "RiffBytes.h"
#include "TempFile.h"
#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/core/storage/RiffFile.h"

namespace {

constexpr FOURCC Id(const char (&s)[5])
{
    return mmioFOURCC(s[0], s[1], s[2], s[3]);
}

// One chunk or list as a reader sees it: its id (list type for lists), size and depth.
struct Seen {
    std::string id;
    DWORD size;
    int depth;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s)
{
    return os << s.id << "/" << s.size << "@" << s.depth;
}

// Walks every chunk with winmm's own RIFF functions.
void WalkWithMmio(HMMIO file, MMCKINFO* parent, int depth, std::vector<Seen>* out)
{
    for (;;) {
        MMCKINFO chunk{};
        if (mmioDescend(file, &chunk, parent, 0) != MMSYSERR_NOERROR)
            return;
        const bool list = chunk.ckid == FOURCC_RIFF || chunk.ckid == FOURCC_LIST;
        out->push_back({FourCCText(list ? chunk.fccType : chunk.ckid), chunk.cksize, depth});
        if (list)
            WalkWithMmio(file, &chunk, depth + 1, out);
        if (mmioAscend(file, &chunk, 0) != MMSYSERR_NOERROR)
            return;
    }
}

std::vector<Seen> MmioView(const std::wstring& path)
{
    std::vector<Seen> seen;
    HMMIO file = mmioOpenW(const_cast<LPWSTR>(path.c_str()), nullptr, MMIO_READ);
    EXPECT_NE(file, nullptr);
    if (file) {
        WalkWithMmio(file, nullptr, 0, &seen);
        mmioClose(file, 0);
    }
    return seen;
}

std::vector<Seen> IndexView(const CRiffFile& riff)
{
    std::vector<Seen> seen;
    for (int i = 0; i < riff.GetIndexCount(); ++i) {
        const RIFF_CHUNKITEM& item = riff.GetIndexItem(i);
        seen.push_back({FourCCText(item.id), item.size, item.depth});
    }
    return seen;
}

void WriteChunk(IRiffStream* riff, FOURCC id, const Bytes& data)
{
    IArchive* archive = nullptr;
    ASSERT_TRUE(riff->CreateChunk(id, &archive));
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(archive->IsStoring());
    if (!data.empty()) {
        EXPECT_TRUE(archive->Write(data.data(), static_cast<UINT>(data.size())));
    }
}

Bytes ReadChunkAt(IRiffStream* riff, int n)
{
    IArchive* archive = nullptr;
    DWORD size = 0;
    if (!riff->OpenChunk(n, &archive, &size))
        return Text("<none>");
    EXPECT_FALSE(archive->IsStoring());
    Bytes data(size);
    UINT read = 0;
    EXPECT_TRUE(archive->Read(data.data(), size, &read));
    EXPECT_EQ(read, size);
    return data;
}

TEST(RiffFile, WrittenFileIsWalkedAlikeByWinmm)
{
    TempFile path(L"riff-mmio");
    {
        CRiffFile riff;
        FOURCC form = Id("CFMP");
        ASSERT_TRUE(riff.Open(path.c_str(), 0, &form));
        WriteChunk(&riff, Id("odd1"), Text("abc"));
        ASSERT_TRUE(riff.CreateList(Id("TRKL")));
        ASSERT_TRUE(riff.CreateList(Id("TRKI")));
        WriteChunk(&riff, Id("TRKH"), Bytes(40, 7));
        WriteChunk(&riff, Id("TRKF"), Text("hello"));
        ASSERT_TRUE(riff.Ascend());
        ASSERT_TRUE(riff.CreateList(Id("TRKI")));
        WriteChunk(&riff, Id("TRKH"), Bytes(3, 9));
        ASSERT_TRUE(riff.Ascend());
        ASSERT_TRUE(riff.Ascend());
        WriteChunk(&riff, Id("CFVR"), Bytes(12, 1));
        ASSERT_TRUE(riff.CloseChunk());
        ASSERT_TRUE(riff.Ascend());
        EXPECT_FALSE(riff.Ascend());
        ASSERT_TRUE(riff.Close());
    }
    const std::vector<Seen> expected = {
        {"CFMP", 4 + 12 + 12 + 12 + 48 + 14 + 12 + 12 + 20, 0},
        {"odd1", 3, 1},
        {"TRKL", 4 + 12 + 48 + 14 + 12 + 12, 1},
        {"TRKI", 4 + 48 + 14, 2},
        {"TRKH", 40, 3},
        {"TRKF", 5, 3},
        {"TRKI", 4 + 12, 2},
        {"TRKH", 3, 3},
        {"CFVR", 12, 1},
    };
    EXPECT_EQ(MmioView(path.path()), expected);

    // Pad bytes after odd chunks are zero, and the sizes keep the odd values.
    const Bytes bytes = path.Read();
    ASSERT_EQ(bytes.size(), expected[0].size + 8);
    EXPECT_EQ(bytes[12 + 8 + 3], 0);

    CRiffFile back;
    FOURCC form = 0;
    ASSERT_TRUE(back.Open(path.c_str(), 1, &form));
    EXPECT_EQ(form, Id("CFMP"));
    EXPECT_EQ(IndexView(back), expected);
}

TEST(RiffFile, HandMadeFilesAreReadByChildIndex)
{
    const Bytes file = Form("TEST", {
                                        Chunk("one ", Text("xyz")),
                                        List("OUTR",
                                             {
                                                 Chunk("in1 ", Text("12345")),
                                                 List("INNR", {Chunk("deep", Text("dd"))}),
                                                 Chunk("in2 ", Text("zz")),
                                             }),
                                        Chunk("last", Text("end!")),
                                    });
    TempFile path(L"riff-hand");
    path.Write(file);
    CRiffFile riff;
    FOURCC form = 0;
    ASSERT_TRUE(riff.Open(path.c_str(), 1, &form));
    EXPECT_EQ(form, Id("TEST"));

    const char* top[] = {"one ", "OUTR", "last"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        FOURCC id = 0;
        ASSERT_TRUE(riff.GetChildId(i, &id));
        EXPECT_EQ(FourCCText(id), top[i]);
    }
    FOURCC id = 0;
    EXPECT_FALSE(riff.GetChildId(3, &id));
    EXPECT_EQ(ReadChunkAt(&riff, 0), Text("xyz"));
    EXPECT_EQ(ReadChunkAt(&riff, 2), Text("end!"));

    ASSERT_TRUE(riff.Descend(1));
    EXPECT_EQ(ReadChunkAt(&riff, 0), Text("12345"));
    EXPECT_EQ(ReadChunkAt(&riff, 2), Text("zz"));
    ASSERT_TRUE(riff.Descend(1));
    EXPECT_EQ(ReadChunkAt(&riff, 0), Text("dd"));
    EXPECT_FALSE(riff.GetChildId(1, &id));
    ASSERT_TRUE(riff.Ascend());
    ASSERT_TRUE(riff.Ascend());
    EXPECT_FALSE(riff.Ascend());
    // Opening a list as a chunk gives its data: the list type, then its children.
    const Bytes listData = ReadChunkAt(&riff, 1);
    ASSERT_GE(listData.size(), 4u);
    EXPECT_EQ(Bytes(listData.begin(), listData.begin() + 4), Text("OUTR"));

    // Wrong-mode operations are refused.
    IArchive* archive = nullptr;
    EXPECT_FALSE(riff.CreateChunk(Id("nope"), &archive));
    EXPECT_FALSE(riff.CreateList(Id("nope")));
}

TEST(RiffFile, ChunkBelowTwoBytesEndsItsListButNotLaterLists)
{
    for (const Bytes& stopper : {Chunk("emty", {}), Chunk("one ", Text("1"))}) {
        SCOPED_TRACE(stopper.size());
        const Bytes file =
            Form("TEST", {
                             List("AAAA", {Chunk("a1  ", Text("aa")), stopper, Chunk("lost", Text("ll"))}),
                             List("BBBB", {Chunk("b1  ", Text("bb"))}),
                         });
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenFromMemory(file.data(), static_cast<int>(file.size())));
        FOURCC id = 0;
        ASSERT_TRUE(riff.Descend(0));
        ASSERT_TRUE(riff.GetChildId(0, &id));
        EXPECT_FALSE(riff.GetChildId(1, &id));
        ASSERT_TRUE(riff.Ascend());
        ASSERT_TRUE(riff.Descend(1));
        EXPECT_EQ(ReadChunkAt(&riff, 0), Text("bb"));
    }
}

TEST(RiffFile, SizesNearTwoToThe32DoNotWrapTheWalk)
{
    struct Case {
        const char* name;
        Bytes file;
        int indexed;
    } cases[] = {
        {"chunk size 0xFFFFFFF8", Form("TEST", {Chunk("ok  ", Text("ok")), Chunk("huge", Text("xx"), 0xFFFFFFF8)}), 2},
        {"chunk size 0xFFFFFFFF", Form("TEST", {Chunk("huge", Text("xx"), 0xFFFFFFFF), Chunk("ok  ", Text("ok"))}), 1},
        {"list size 0xFFFFFFF4", Form("TEST", {ListOf("LIST", "LLLL", {Chunk("in  ", Text("ii"))})}), 3},
        {"chunk overruns its list",
         Form("TEST", {List("LLLL", {Chunk("big ", Text("ii"), 40)}), Chunk("aftr", Text("aa"))}), 3},
    };
    // Make the third case's list claim nearly 4 GiB.
    Bytes& third = cases[2].file;
    third[16] = 0xF4;
    third[17] = third[18] = third[19] = 0xFF;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenFromMemory(c.file.data(), static_cast<int>(c.file.size())));
        EXPECT_EQ(riff.GetIndexCount(), c.indexed);
    }
}

TEST(RiffFile, TruncatedFormKeepsTheChunksThatAreThere)
{
    Bytes file = Form("TEST", {Chunk("one ", Text("1111")), Chunk("two ", Text("2222"))});
    file.resize(file.size() - 2);
    CRiffFile riff;
    ASSERT_TRUE(riff.OpenFromMemory(file.data(), static_cast<int>(file.size())));
    EXPECT_EQ(ReadChunkAt(&riff, 0), Text("1111"));
    FOURCC id = 0;
    EXPECT_FALSE(riff.GetChildId(1, &id));
}

TEST(RiffFile, RejectsWhatIsNotARiffForm)
{
    const Bytes notRiff = Text("RIFX\x04\0\0\0TEST");
    const Bytes tooShort = Text("RIFF");
    CRiffFile a, b;
    EXPECT_FALSE(a.OpenFromMemory(notRiff.data(), static_cast<int>(notRiff.size())));
    EXPECT_FALSE(b.OpenFromMemory(tooShort.data(), static_cast<int>(tooShort.size())));
    TempFile path(L"riff-missing");
    CRiffFile c;
    FOURCC form = 0;
    EXPECT_FALSE(c.Open(path.c_str(), 1, &form));
}

TEST(RiffFile, WriterThatNeverAscendsStillGetsEverySizeAtDestruction)
{
    TempFile path(L"riff-noascend");
    {
        CRiffFile riff;
        FOURCC form = Id("CFME");
        ASSERT_TRUE(riff.Open(path.c_str(), 0, &form));
        ASSERT_TRUE(riff.CreateList(Id("LLLL")));
        WriteChunk(&riff, Id("EFXI"), Text("abcde"));
    }
    const std::vector<Seen> expected = {{"CFME", 4 + 12 + 14, 0}, {"LLLL", 4 + 14, 1}, {"EFXI", 5, 2}};
    EXPECT_EQ(MmioView(path.path()), expected);
}

TEST(RiffFile, SecondOpenIsRefused)
{
    CRiffFile riff;
    FOURCC form = Id("TEST");
    ASSERT_TRUE(riff.CreateInMemory(&form));
    EXPECT_FALSE(riff.CreateInMemory(&form));
    const Bytes file = Form("TEST", {});
    EXPECT_FALSE(riff.OpenFromMemory(file.data(), static_cast<int>(file.size())));
    IArchive* archive = nullptr;
    DWORD size = 0;
    EXPECT_FALSE(riff.OpenChunk(0, &archive, &size));
}

TEST(RiffFile, ImagesRoundTripThroughAnArchive)
{
    CRiffFile image;
    FOURCC form = Id("TRKI");
    ASSERT_TRUE(image.CreateInMemory(&form));
    WriteChunk(&image, Id("TRKH"), Text("header!"));
    ASSERT_TRUE(image.Ascend());

    CMemFile store;
    {
        CArchive archive(&store, CArchive::store);
        archive << static_cast<DWORD>(0xABCD);
        ASSERT_TRUE(image.WriteImageTo(archive));
        archive.Close();
    }
    const Bytes expected = Form("TRKI", {Chunk("TRKH", Text("header!"))});
    ASSERT_EQ(store.GetLength(), 4 + expected.size());
    EXPECT_EQ(Bytes(store.GetData() + 4, store.GetData() + store.GetLength()), expected);

    store.SeekToBegin();
    CArchive archive(&store, CArchive::load);
    DWORD tag = 0;
    archive >> tag;
    CRiffFile back;
    ASSERT_TRUE(back.ReadImageFrom(archive, static_cast<int>(expected.size())));
    EXPECT_EQ(ReadChunkAt(&back, 0), Text("header!"));

    // An image size beyond the data fails cleanly.
    store.SeekToBegin();
    CArchive again(&store, CArchive::load);
    CRiffFile shortImage;
    EXPECT_FALSE(shortImage.ReadImageFrom(again, static_cast<int>(store.GetLength()) + 10));
}

TEST(RiffFile, SizedRecordsShareWhatBothHave)
{
    // Stored records: a 6-byte one, then a 2-byte one, then a tail byte.
    const Bytes data = {6, 0, 0xA1, 0xA2, 0xA3, 0xA4, 2, 0, 0x77};
    const Bytes file = Form("TEST", {Chunk("recs", data)});
    CRiffFile riff;
    ASSERT_TRUE(riff.OpenFromMemory(file.data(), static_cast<int>(file.size())));
    IArchive* archive = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(riff.OpenChunk(0, &archive, &size));

    // The reader's record is 4 bytes: it gets 2 data bytes, the other 2 are skipped.
    BYTE shortRecord[4] = {4, 0, 0, 0};
    UINT consumed = 0;
    ASSERT_TRUE(archive->ReadSizedRecord(shortRecord, 4, size, &consumed));
    EXPECT_EQ(consumed, 6u);
    EXPECT_EQ(shortRecord[0], 4);
    EXPECT_EQ(shortRecord[2], 0xA1);
    EXPECT_EQ(shortRecord[3], 0xA2);

    // The reader's record is longer than the stored one: its other bytes keep their values.
    BYTE longRecord[5] = {5, 0, 0x11, 0x22, 0x33};
    ASSERT_TRUE(archive->ReadSizedRecord(longRecord, 5, size - consumed, &consumed));
    EXPECT_EQ(consumed, 2u);
    EXPECT_EQ(longRecord[2], 0x11);
    BYTE tail = 0;
    UINT read = 0;
    ASSERT_TRUE(archive->Read(&tail, 1, &read));
    EXPECT_EQ(tail, 0x77);

    BYTE none[2] = {};
    EXPECT_FALSE(archive->ReadSizedRecord(none, 2, 1, &consumed));
    EXPECT_EQ(consumed, 0u);
}

TEST(RiffFile, ReplacingWriteKeepsThePreviousVersionUntilSuccess)
{
    TempFile target(L"riff-replace");
    const Bytes previous = Form("CFMP", {Chunk("old ", Text("previous"))});
    target.Write(previous);
    {
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenReplacing(target.c_str(), Id("CFMP")));
        WriteChunk(&riff, Id("new "), Text("next"));
        EXPECT_EQ(target.Read(), previous);
        ASSERT_TRUE(riff.Close());
    }
    EXPECT_EQ(target.Read(), Form("CFMP", {Chunk("new ", Text("next"))}));

    // The target cannot be replaced while another program holds it: the save fails, the
    // temporary file disappears and the target keeps its content.
    const Bytes current = target.Read();
    HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenReplacing(target.c_str(), Id("CFMP")));
        WriteChunk(&riff, Id("lost"), Text("never"));
        EXPECT_FALSE(riff.Close());
    }
    CloseHandle(holder);
    EXPECT_EQ(target.Read(), current);

    // A read-only target is refused before anything is written (a rename would replace it).
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        CRiffFile riff;
        EXPECT_FALSE(riff.OpenReplacing(target.c_str(), Id("CFMP")));
    }
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(target.Read(), current);

    // No temporary file is left behind in the folder.
    std::wstring folder = target.path().substr(0, target.path().find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"cfw*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);

    CRiffFile nowhere;
    EXPECT_FALSE(nowhere.OpenReplacing(L"C:\\no-such-folder-cf\\mix.cfp", Id("CFMP")));
}

}  // namespace
