// The reader's cache of decoded blocks: contiguous reads across blocks, refilling the oldest
// block at the size limit, and reads that find nothing.
#include "winmedia/DecodedBlockCache.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<BYTE> Bytes(size_t size, BYTE first)
{
    std::vector<BYTE> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(DecodedBlockCache, ReadsRunAcrossContiguousBlocksAndStopAtAGap)
{
    CDecodedBlockCache cache(1000);
    const std::vector<BYTE> a = Bytes(100, 0);
    const std::vector<BYTE> b = Bytes(50, 100);
    const std::vector<BYTE> c = Bytes(10, 200);
    ASSERT_TRUE(cache.Add(a.data(), a.size(), 1000));
    ASSERT_TRUE(cache.Add(b.data(), b.size(), 1100));
    ASSERT_TRUE(cache.Add(c.data(), c.size(), 1200));  // a gap of 50 bytes before it

    struct Case {
        const char* name;
        int64_t position;
        size_t size;
        bool found;
        size_t copied;
    };
    const Case cases[] = {
        {"inside one block", 1010, 20, true, 20}, {"across two blocks", 1090, 30, true, 30},
        {"up to the gap", 1140, 30, true, 10},    {"before everything", 999, 10, false, 0},
        {"in the gap", 1150, 10, false, 0},       {"the last block", 1200, 20, true, 10},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::vector<BYTE> out(k.size, 0xEE);
        BYTE* destination = out.data();
        size_t left = k.size;
        int64_t position = k.position;
        EXPECT_EQ(cache.Read(destination, left, position), k.found);
        EXPECT_EQ(k.size - left, k.copied);
        EXPECT_EQ(position, k.position + static_cast<int64_t>(k.copied));
        for (size_t i = 0; i < k.copied; ++i)
            EXPECT_EQ(out[i], static_cast<BYTE>(k.position - 1000 + static_cast<int64_t>(i))) << i;
    }
}

TEST(DecodedBlockCache, AtItsLimitTheOldestBlockIsRefilled)
{
    CDecodedBlockCache cache(300);
    for (int i = 0; i < 3; ++i) {
        const std::vector<BYTE> block = Bytes(100, static_cast<BYTE>(i));
        ASSERT_TRUE(cache.Add(block.data(), block.size(), i * 100));
    }
    EXPECT_EQ(cache.TotalBytes(), 300u);
    // Full: the block at 0 (filled first) takes the new data; a larger block grows.
    const std::vector<BYTE> next = Bytes(5000, 7);
    ASSERT_TRUE(cache.Add(next.data(), next.size(), 300));
    EXPECT_EQ(cache.TotalBytes(), 5200u);
    EXPECT_EQ(cache.FirstPosition(), 100);
    BYTE byte = 0;
    BYTE* destination = &byte;
    size_t left = 1;
    int64_t position = 0;
    EXPECT_FALSE(cache.Read(destination, left, position));
    // Over the limit still: the next fill reuses the block at 100, not a new one.
    ASSERT_TRUE(cache.Add(next.data(), 10, 9000));
    EXPECT_EQ(cache.TotalBytes(), 5110u);
    EXPECT_EQ(cache.FirstPosition(), 200);
}

}  // namespace
