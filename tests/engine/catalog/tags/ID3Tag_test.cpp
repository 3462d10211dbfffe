// The ID3v2 reader on hand-made tags: every version and layout the reader must take, and damaged
// or hostile sizes it must survive without reading outside what the file holds.
#include "engine/catalog/tags/ID3Tag.h"

#include <gtest/gtest.h>

#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "tests/engine/catalog/tags/TagBytes.h"
#include "tests/support/TempDir.h"

namespace {

using namespace tag_bytes;

std::wstring Text(const CID3Tag& tag, const char* id)
{
    CString text;
    if (FAILED(tag.GetText(id, &text)))
        return L"<none>";
    return std::wstring(text.GetString());
}

TEST(ID3Tag, LayoutsYieldTheirTitleAndArtist)
{
    Bytes utf16le = {1, 0xFF, 0xFE, 'S', 0, 'o', 0, 'n', 0, 'g', 0, 0, 0};
    Bytes utf16be = {1, 0xFE, 0xFF, 0, 'S', 0, 'o', 0, 'n', 0, 'g', 0, 0};
    Bytes frames3 = Frame("TIT2", Latin("Song"));
    Append(frames3, Frame("TPE1", Latin("Band")));
    Bytes frames4 = Frame("TIT2", Latin("Song"), 4);
    Append(frames4, Frame("TPE1", Latin("Band"), 4));

    Bytes v22 = FrameV2("TT2", Latin("Song"));
    Append(v22, FrameV2("TP1", Latin("Band")));
    Append(v22, FrameV2("XYZ", Latin("unknown id")));

    Bytes extended3 = {0, 0, 0, 6, 0, 0, 0, 0, 0, 0};  // size 6: frames begin 10 bytes in
    Append(extended3, frames3);
    Bytes extended4 = Synchsafe(6);
    Append(extended4, {1, 0});
    Append(extended4, frames4);

    // Tag-wide unsynchronisation: 0xFF 0x00 pairs in the body stand for 0xFF.
    Bytes unsyncBody = Frame("TIT2", {0, 'A', 0xFF, 'B'});
    unsyncBody.insert(unsyncBody.begin() + 10 + 2 + 1, 0x00);
    Append(unsyncBody, Frame("TPE1", Latin("Band")));

    // Frame-level unsynchronisation (version 4, flag 0x02 of the second flag byte).
    Bytes frameUnsync = Frame("TIT2", {0, 'A', 0xFF, 0x00, 'B'}, 4, 0x02);
    Append(frameUnsync, Frame("TPE1", Latin("Band"), 4));

    Bytes bom = Frame("TIT2", utf16be);
    Append(bom, Frame("TPE1", utf16le));
    Bytes encodings = Frame("TIT2", {2, 0, 'S', 0, 'o', 0, 'n', 0, 'g'});
    Append(encodings, Frame("TPE1", {3, 'B', 0xC3, 0xA4, 'n', 'd'}));

    const struct {
        const char* name;
        Bytes tag;
        std::wstring title;
        std::wstring artist;
    } rows[] = {
        {"version 2.2 ids translated", Tag(2, 0, v22), L"Song", L"Band"},
        {"version 2.3 extended header of size 6", Tag(3, 0x40, extended3), L"Song", L"Band"},
        {"version 2.4 extended header", Tag(4, 0x40, extended4), L"Song", L"Band"},
        {"tag unsynchronisation", Tag(3, 0x80, unsyncBody), L"A\u00FFB", L"Band"},
        {"frame unsynchronisation", Tag(4, 0, frameUnsync), L"A\u00FFB", L"Band"},
        {"UTF-16 with either byte-order mark", Tag(3, 0, bom), L"Song", L"Song"},
        {"UTF-16BE and UTF-8", Tag(4, 0, encodings), L"Song", L"B\u00E4nd"},
    };
    fixtures::TempDir dir(L"id3");
    for (const auto& row : rows) {
        Bytes file = row.tag;
        Append(file, Filler(2000));
        const std::wstring path = dir.File(L"tag.mp3");
        ASSERT_TRUE(profiler_test::WriteBytes(path, file)) << row.name;
        CID3Tag tag;
        ASSERT_EQ(tag.Read(path.c_str()), S_OK) << row.name;
        EXPECT_EQ(Text(tag, "TIT2"), row.title) << row.name;
        EXPECT_EQ(Text(tag, "TPE1"), row.artist) << row.name;
    }
}

TEST(ID3Tag, PrivateFrameOfTheOwnerGivesItsDataAndRefusesASmallBuffer)
{
    Bytes other = {'s', 'o', 'm', 'e', 'o', 'n', 'e', 0, 1, 2};
    Bytes ours(kEmbeddedMixOwner, kEmbeddedMixOwner + sizeof(kEmbeddedMixOwner));
    Append(ours, {'R', 'I', 'F', 'F', 9});
    Bytes body = Frame("PRIV", other);
    Append(body, Frame("PRIV", ours));
    fixtures::TempDir dir(L"id3");
    const std::wstring path = dir.File(L"priv.mp3");
    Bytes file = Tag(3, 0, body);
    Append(file, Filler(100));
    ASSERT_TRUE(profiler_test::WriteBytes(path, file));

    CID3Tag tag;
    ASSERT_EQ(tag.Read(path.c_str()), S_OK);
    DWORD size = 0;
    ASSERT_EQ(tag.GetPrivateData(kEmbeddedMixOwner, nullptr, &size), S_OK);
    EXPECT_EQ(size, 5u);
    BYTE small[4] = {};
    DWORD smallSize = sizeof(small);
    EXPECT_EQ(tag.GetPrivateData(kEmbeddedMixOwner, small, &smallSize), E_FAIL);
    BYTE data[5] = {};
    DWORD dataSize = sizeof(data);
    ASSERT_EQ(tag.GetPrivateData(kEmbeddedMixOwner, data, &dataSize), S_OK);
    EXPECT_EQ(data[4], 9);
    EXPECT_EQ(tag.GetPrivateData("nobody", nullptr, &size), E_FAIL);
}

TEST(ID3Tag, HostileSizesReadOnlyWhatTheFileHolds)
{
    Bytes title = Frame("TIT2", Latin("Kept"));
    Bytes huge = title;
    Append(huge, {'T', 'P', 'E', '1', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 'x'});
    Bytes hugeExtended = {0xFF, 0xFF, 0xFF, 0xFF};
    Append(hugeExtended, title);
    const struct {
        const char* name;
        Bytes file;
        HRESULT result;
        size_t frames;
    } rows[] = {
        {"256 MiB claimed by a 1 KB file", Tag(3, 0, title, 0x0FFFFFFF), S_OK, 1},
        {"frame size 2^32-1", Tag(3, 0, huge), S_OK, 1},
        {"extended header size 2^32-1", Tag(3, 0x40, hugeExtended), S_OK, 0},
        {"header only", Tag(3, 0, {}, 100), S_FALSE, 0},
        {"version 5", Tag(5, 0, title), S_FALSE, 0},
        {"no tag", Filler(64), S_FALSE, 0},
    };
    fixtures::TempDir dir(L"id3");
    for (const auto& row : rows) {
        const std::wstring path = dir.File(L"hostile.mp3");
        ASSERT_TRUE(profiler_test::WriteBytes(path, row.file)) << row.name;
        CID3Tag tag;
        EXPECT_EQ(tag.Read(path.c_str()), row.result) << row.name;
        EXPECT_EQ(tag.GetFrameCount(), row.frames) << row.name;
    }
    CID3Tag missing;
    EXPECT_EQ(missing.Read(dir.File(L"absent.mp3").c_str()), E_FAIL);
}

}  // namespace
