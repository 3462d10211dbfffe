// Stored forms of effect descriptions, effect lists and the mix globals, against bytes written
// here field by field; damaged chunks drop the effect they describe and nothing else.
#include <gtest/gtest.h>

#include "engine/playback/effects/EfxInfo.h"
#include "engine/playback/effects/EfxInfoCntr.h"
#include "engine/playback/effects/MixGlobals.h"
#include "tests/engine/core/track/TrackModelBytes.h"

namespace {

const CLSID kPlugIn = {0x01020304, 0x0506, 0x0708, {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10}};

void PutClsid(Bytes& out, const CLSID& clsid)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&clsid);
    out.insert(out.end(), bytes, bytes + 16);
}

// An "EFXI" chunk's data as the format lays it out.
Bytes EfxiData(const CLSID& clsid, const Bytes& settings, const std::wstring& name)
{
    Bytes out;
    Put32(out, 28);
    PutClsid(out, clsid);
    Put32(out, settings.size());
    Put32(out, name.size() + 1);
    out.insert(out.end(), settings.begin(), settings.end());
    PutWide(out, name, true);
    return out;
}

CEfxInfo* MakeInfo(const CLSID& clsid, const Bytes& settings, const wchar_t* name, LONG hostId = kEfxNotInserted)
{
    CEfxInfo* info = CEfxInfo::Create();
    info->Set(clsid, name, hostId);
    ULONG written = 0;
    if (!settings.empty())
        info->Write(settings.data(), static_cast<ULONG>(settings.size()), &written);
    return info;
}

CEfxInfoCntr& Fill(CEfxInfoCntr& list)
{
    list.Append(MakeInfo(kPlugIn, {1, 2, 3, 4, 5}, L"Echo"));
    list.Append(MakeInfo(GUID_NULL, {}, L""));
    return list;
}

template <typename Reader>
void ReadForm(const Bytes& form, Reader reader)
{
    CRiffFile riff;
    ASSERT_TRUE(riff.OpenFromMemory(form.data(), static_cast<int>(form.size())));
    reader(riff);
}

TEST(EfxStorage, EfxiChunksMatchTheLayoutAndReadBack)
{
    CEfxInfoCntr list;
    Fill(list);
    const Bytes expected = Form("TEST", {Chunk("EFXI", EfxiData(kPlugIn, {1, 2, 3, 4, 5}, L"Echo")),
                                         Chunk("EFXI", EfxiData(GUID_NULL, {}, L""))});
    EXPECT_EQ(WriteForm("TEST", [&](IRiffStream* s) { list.WriteChunks(s); }), expected);

    CEfxInfoCntr back;
    ReadForm(expected, [&](CRiffFile& riff) { back.ReadChunks(&riff); });
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_TRUE(back.IsEqual(list));
    EXPECT_EQ(back.GetAt(0)->GetHostId(), kEfxNotInserted);
    EXPECT_STREQ(back.GetAt(1)->GetName(), L"");
    EXPECT_EQ(back.GetAt(1)->GetDataLength(), 0u);
}

TEST(EfxStorage, BadEfxiChunksDropOnlyTheirEffect)
{
    auto withLengths = [](DWORD dataLength, DWORD nameLength, const Bytes& tail) {
        Bytes out;
        Put32(out, 28);
        PutClsid(out, kPlugIn);
        Put32(out, dataLength);
        Put32(out, nameLength);
        out.insert(out.end(), tail.begin(), tail.end());
        return out;
    };
    Bytes unterminated;
    PutWide(unterminated, L"Hall", false);
    const struct {
        const char* name;
        Bytes chunk;
        bool kept;
        const wchar_t* readName;
    } cases[] = {
        {"settings longer than the chunk", withLengths(0xFFFFFFF0, 1, {0, 0}), false, nullptr},
        {"name longer than the chunk", withLengths(0, 0x7FFFFFFF, {0, 0}), false, nullptr},
        {"header cut short", Bytes(20, 0), false, nullptr},
        {"name without terminator ends with the chunk", withLengths(0, 4, unterminated), true, L"Hall"},
        {"name stops at its first terminator", EfxiData(kPlugIn, {9}, std::wstring(L"Ab\0cd", 5)), true, L"Ab"},
    };
    for (const auto& c : cases) {
        const Bytes form = Form("TEST", {Chunk("EFXI", EfxiData(kPlugIn, {7}, L"Before")), Chunk("EFXI", c.chunk),
                                         Chunk("EFXI", EfxiData(kPlugIn, {8}, L"After"))});
        CEfxInfoCntr back;
        ReadForm(form, [&](CRiffFile& riff) { back.ReadChunks(&riff); });
        ASSERT_EQ(back.GetCount(), c.kept ? 3 : 2) << c.name;
        EXPECT_STREQ(back.GetAt(0)->GetName(), L"Before") << c.name;
        EXPECT_STREQ(back.GetAt(back.GetCount() - 1)->GetName(), L"After") << c.name;
        if (c.kept) {
            EXPECT_STREQ(back.GetAt(1)->GetName(), c.readName) << c.name;
        }
    }
}

TEST(EfxStorage, MixGlobalsListAndArchiveForms)
{
    CMixGlobals globals;
    Fill(globals.Effects());
    globals.SetValue(0, 0x11);
    globals.SetValue(1, 0x2222);
    globals.SetValue(2, 0x33333333);
    Bytes block;
    Put32(block, 12);
    Put32(block, 0x11);
    Put32(block, 0x2222);
    Put32(block, 0x33333333);
    const Bytes expected =
        Form("TEST", {List("GLBL", {Chunk("GLBI", block), Chunk("EFXI", EfxiData(kPlugIn, {1, 2, 3, 4, 5}, L"Echo")),
                                    Chunk("EFXI", EfxiData(GUID_NULL, {}, L""))})});
    EXPECT_EQ(WriteForm("TEST", [&](IRiffStream* s) { globals.WriteChunks(s); }), expected);

    CMixGlobals back;
    ReadForm(expected, [&](CRiffFile& riff) {
        ASSERT_TRUE(riff.Descend(0));
        back.ReadChunks(&riff);
    });
    EXPECT_EQ(back.GetValue(2), 0x33333333u);
    EXPECT_TRUE(back.Effects().IsEqual(globals.Effects()));

    // A longer block gives its first 12 bytes; a shorter one leaves the rest zero.
    Bytes longer;
    Put32(longer, 16);
    for (unsigned v : {1u, 2u, 3u, 4u})
        Put32(longer, v);
    Bytes shorter;
    Put32(shorter, 4);
    Put32(shorter, 5);
    const struct {
        Bytes block;
        DWORD values[3];
    } blocks[] = {{longer, {1, 2, 3}}, {shorter, {5, 0, 0}}};
    for (const auto& b : blocks) {
        CMixGlobals read;
        read.SetValue(2, 99);
        ReadForm(Form("TEST", {List("GLBL", {Chunk("GLBI", b.block)})}), [&](CRiffFile& riff) {
            ASSERT_TRUE(riff.Descend(0));
            read.ReadChunks(&riff);
        });
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(read.GetValue(i), b.values[i]) << i;
        EXPECT_EQ(read.Effects().GetCount(), 0);
    }

    Bytes archived;
    for (unsigned v : {0x11u, 0x2222u, 0x33333333u})
        Put32(archived, v);
    Put32(archived, 2);
    Put32(archived, 5);
    archived.insert(archived.end(), {1, 2, 3, 4, 5});
    PutArchivedString(archived, L"Echo");
    Put32(archived, 16);
    PutClsid(archived, kPlugIn);
    Put32(archived, 0);
    PutArchivedString(archived, L"");
    Put32(archived, 16);
    PutClsid(archived, GUID_NULL);
    EXPECT_EQ(StoreArchive([&](CArchive& a) { globals.Serialize(a); }), archived);
    CMixGlobals loaded;
    LoadArchive(archived, [&](CArchive& a) { loaded.Serialize(a); });
    EXPECT_EQ(loaded.GetValue(1), 0x2222u);
    EXPECT_TRUE(loaded.Effects().IsEqual(globals.Effects()));
}

TEST(EfxStorage, ArchivedRecordsRefuseWhatTheDataCannotHold)
{
    Bytes huge;
    Put32(huge, 1);
    Put32(huge, 0x7FFFFFFF);
    CEfxInfoCntr list;
    EXPECT_THROW(LoadArchive(huge, [&](CArchive& a) { list.Serialize(a); }), CArchiveException);
    Bytes manyRecords;
    Put32(manyRecords, 0x10000000);
    EXPECT_THROW(LoadArchive(manyRecords, [&](CArchive& a) { list.Serialize(a); }), CArchiveException);

    // A CLSID stored with more than 16 bytes takes the first 16 and passes over the rest.
    Bytes wide;
    Put32(wide, 1);
    Put32(wide, 0);
    PutArchivedString(wide, L"X");
    Put32(wide, 20);
    PutClsid(wide, kPlugIn);
    Put32(wide, 0xAAAAAAAA);
    Put32(wide, 0);
    PutArchivedString(wide, L"Y");
    Put32(wide, 16);
    PutClsid(wide, GUID_NULL);
    Bytes twoLists = wide;
    twoLists.insert(twoLists.begin(), {2, 0, 0, 0});
    twoLists.erase(twoLists.begin() + 4, twoLists.begin() + 8);
    CEfxInfoCntr read;
    LoadArchive(twoLists, [&](CArchive& a) { read.Serialize(a); });
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_TRUE(IsEqualGUID(read.GetAt(0)->GetClsid(), kPlugIn));
    EXPECT_STREQ(read.GetAt(1)->GetName(), L"Y");
}

TEST(EfxStorage, EqualityIgnoresHostIdsWhileEitherIsNotInserted)
{
    const struct {
        const char* name;
        LONG left;
        LONG right;
        bool equal;
    } cases[] = {{"both out", -2, -2, true},
                 {"left out", -2, 5, true},
                 {"right out", 5, -2, true},
                 {"same host id", 5, 5, true},
                 {"other host id", 5, 6, false}};
    for (const auto& c : cases) {
        CEfxInfo* a = MakeInfo(kPlugIn, {1}, L"E", c.left);
        CEfxInfo* b = MakeInfo(kPlugIn, {1}, L"E", c.right);
        EXPECT_EQ(a->IsEqual(*b) != FALSE, c.equal) << c.name;
        a->Release();
        b->Release();
    }
}

TEST(EfxStorage, TheRecordIsTheStreamItsPlugInSavesInto)
{
    CEfxInfo* info = CEfxInfo::Create();
    ULONG done = 0;
    EXPECT_EQ(info->Write(nullptr, 4, &done), STG_E_INVALIDPOINTER);
    EXPECT_EQ(info->Write("abcdef", 6, &done), S_OK);
    EXPECT_EQ(done, 6u);
    EXPECT_EQ(info->GetDataLength(), 6u);
    char back[8] = {};
    EXPECT_EQ(info->Read(back, 8, &done), S_FALSE);
    EXPECT_EQ(done, 0u);
    LARGE_INTEGER to{};
    to.QuadPart = 2;
    ULARGE_INTEGER at{};
    EXPECT_EQ(info->Seek(to, STREAM_SEEK_SET, &at), S_OK);
    EXPECT_EQ(info->Read(back, 8, &done), S_OK);
    EXPECT_EQ(std::string(back, done), "cdef");
    EXPECT_EQ(info->Seek(to, STREAM_SEEK_CUR, &at), E_NOTIMPL);
    to.QuadPart = 1000;
    EXPECT_EQ(info->Seek(to, STREAM_SEEK_SET, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 6u);
    IStream* clone = reinterpret_cast<IStream*>(0x1);
    EXPECT_EQ(info->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(info->QueryInterface(IID_IStorage, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(info->QueryInterface(IID_IStream, &out), S_OK);
    EXPECT_EQ(info->Release(), 1u);
    EXPECT_EQ(info->Release(), 0u);
}

// Fixed-seed damage of a list holding several effects: the reader walks every form without
// crashing and keeps only effects that read whole.
TEST(EfxStorage, FuzzedListsNeverCrashTheReader)
{
    CMixGlobals globals;
    Fill(globals.Effects());
    globals.Effects().Append(MakeInfo(kPlugIn, Bytes(300, 0x5A), L"Long settings"));
    const Bytes base = WriteForm("TEST", [&](IRiffStream* s) { globals.WriteChunks(s); });
    std::mt19937 random(1234);
    for (int round = 0; round < 3000; ++round) {
        const Bytes data = Damaged(base, random);
        CRiffFile riff;
        if (!riff.OpenFromMemory(data.data(), static_cast<int>(data.size())))
            continue;
        CMixGlobals read;
        if (riff.Descend(0))
            read.ReadChunks(&riff);
        for (int i = 0; i < read.Effects().GetCount(); ++i)
            EXPECT_LE(read.Effects().GetAt(i)->GetDataLength(), data.size()) << round;
    }
}

}  // namespace
