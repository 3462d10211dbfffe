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

}  // namespace
