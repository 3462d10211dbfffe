// File identity against a direct computation from the file's bytes: the two 800-byte samples,
// the tag skip and the length taken modulo 2^32, on the edge sizes and on real MP3 files.
#include "engine/catalog/files/MusicFileIdentity.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/engine/catalog/CatalogTestSupport.h"
#include "tests/engine/catalog/tags/TagBytes.h"

namespace {

using tag_bytes::Bytes;

// The identity as the stored files define it, straight from the bytes; an all-zero result when
// no sample is complete.
CMusicFileId Direct(const Bytes& file)
{
    uint64_t skip = 0;
    if (file.size() >= 10 && std::memcmp(file.data(), "ID3", 3) == 0 && file[3] >= 2 && file[3] <= 4)
        skip = (uint64_t(file[6] & 0x7F) << 21) | (uint64_t(file[7] & 0x7F) << 14) | (uint64_t(file[8] & 0x7F) << 7) |
               uint64_t(file[9] & 0x7F);
    uint64_t halves[2] = {0, 0};
    const uint32_t length = static_cast<uint32_t>(file.size());
    const uint64_t offsets[2] = {skip + 4000, static_cast<uint32_t>(length - static_cast<uint32_t>(skip)) / 2};
    for (uint64_t offset : offsets) {
        if (offset + 800 > file.size())
            continue;
        for (int word = 0; word < 100; ++word) {
            uint64_t value = 0;
            std::memcpy(&value, file.data() + offset + word * 8, 8);
            halves[word % 2] ^= value;
        }
    }
    CMusicFileId id;
    id.SetBytes(reinterpret_cast<const BYTE*>(halves));
    return id;
}

TEST(MusicFileIdentity, EdgeSizesAndTagsAgreeWithTheBytes)
{
    Bytes tagged = tag_bytes::Tag(3, 0, tag_bytes::Filler(300, 7));
    tag_bytes::Append(tagged, tag_bytes::Filler(9000, 8));
    Bytes hugeTag = tag_bytes::Tag(4, 0, tag_bytes::Filler(50, 9), 0x0FFFFFFF);
    tag_bytes::Append(hugeTag, tag_bytes::Filler(9000, 10));
    const struct {
        const char* name;
        Bytes file;
        bool valid;
    } rows[] = {
        {"1,000 bytes: no complete sample", tag_bytes::Filler(1000), false},
        {"4,000 bytes: the middle sample only", tag_bytes::Filler(4000), true},
        {"4,799 bytes: still the middle only", tag_bytes::Filler(4799), true},
        {"4,800 bytes: both samples", tag_bytes::Filler(4800), true},
        {"ID3v2 tag skipped for the first sample", tagged, true},
        {"tag claiming more than the file", hugeTag, false},
    };
    fixtures::TempDir dir(L"identity");
    for (const auto& row : rows) {
        const std::wstring path = dir.File(L"file.bin");
        ASSERT_TRUE(profiler_test::WriteBytes(path, row.file)) << row.name;
        CMusicFileId id;
        EXPECT_EQ(ComputeMusicFileId(path.c_str(), &id), row.valid ? TRUE : FALSE) << row.name;
        if (row.valid)
            EXPECT_TRUE(id == Direct(row.file)) << row.name;
        else
            EXPECT_FALSE(id.IsValid()) << row.name << ": the output stays unchanged";
    }
    CMusicFileId missing;
    EXPECT_FALSE(ComputeMusicFileId(dir.File(L"absent.bin").c_str(), &missing));
}

TEST(MusicFileIdentity, CopiesAgreeAndARetaggedMp3MatchesItsBytes)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "the independent tools are not available";
    fixtures::TempDir dir(L"identity");
    const std::wstring original = dir.File(L"song.mp3");
    ASSERT_TRUE(catalog_test::MakeMp3(original, 2.0));
    CreateDirectoryW(dir.File(L"copy").c_str(), nullptr);
    const std::wstring copy = dir.File(L"copy\\song.mp3");
    ASSERT_TRUE(CopyFileW(original.c_str(), copy.c_str(), FALSE));
    CMusicFileId first;
    CMusicFileId second;
    ASSERT_TRUE(ComputeMusicFileId(original.c_str(), &first));
    ASSERT_TRUE(ComputeMusicFileId(copy.c_str(), &second));
    EXPECT_TRUE(first == second);

    for (const char* title : {"Short", "A much longer title that makes the tag grow beyond its padding"}) {
        ASSERT_EQ(fixtures::RunUnixTool("id3v2", {"-2", "-t", title, fixtures::UnixPath(copy)}), 0);
        CMusicFileId tagged;
        ASSERT_TRUE(ComputeMusicFileId(copy.c_str(), &tagged)) << title;
        EXPECT_TRUE(tagged == Direct(fixtures::ReadFileBytes(copy))) << title;
    }
}

// Identities worked out by hand from the rule on small files of zeros with a few bytes set: the
// first sample at 4,000 (after the tag), the second at half the length less the tag, each folded
// as 100 little-endian words, the even ones into the first half and the odd ones into the second.
TEST(MusicFileIdentity, KnownAnswers)
{
    // 4,000 bytes: only the middle sample, at 2,000; its words 0 and 1.
    Bytes middleOnly(4000, 0);
    middleOnly[2000] = 0x01;
    middleOnly[2008] = 0x02;
    // 4,800 bytes: samples at 4,000 and 2,400. The first sample's word 0 meets the second's word
    // 0 in the first half (0x0807060504030201 ^ 0x10); the first's word 99 (at 4,792) and the
    // second's word 1 (top byte at 2,415) make the second half.
    Bytes both(4800, 0);
    for (int i = 0; i < 8; ++i)
        both[4000 + i] = static_cast<BYTE>(i + 1);
    both[2400] = 0x10;
    both[2415] = 0xFF;
    both[4792] = 0xAA;
    // 6,000 bytes behind an ID3v2 header whose synchsafe size 00 00 01 00 is 128: samples at
    // 4,128 and (6,000 - 128) / 2 = 2,936.
    Bytes tagged(6000, 0);
    const BYTE header[10] = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0};
    std::memcpy(tagged.data(), header, sizeof(header));
    tagged[4128] = 0x44;
    tagged[2944] = 0x33;
    const struct {
        const char* name;
        Bytes file;
        ULONGLONG first;
        ULONGLONG second;
    } rows[] = {
        {"middle sample only", middleOnly, 0x1, 0x2},
        {"both samples", both, 0x0807060504030211ULL, 0xFF000000000000AAULL},
        {"after a tag", tagged, 0x44, 0x33},
    };
    fixtures::TempDir dir(L"identity answers");
    for (const auto& row : rows) {
        const std::wstring path = dir.File(L"file.bin");
        ASSERT_TRUE(profiler_test::WriteBytes(path, row.file)) << row.name;
        CMusicFileId id;
        ASSERT_TRUE(ComputeMusicFileId(path.c_str(), &id)) << row.name;
        CMusicFileId expected;
        expected.SetId(static_cast<LONGLONG>(row.first), static_cast<LONGLONG>(row.second));
        EXPECT_TRUE(id == expected) << row.name;
    }
}

}  // namespace
