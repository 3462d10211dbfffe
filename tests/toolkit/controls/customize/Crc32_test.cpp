// The CRC-32 against the standard check value and against values zlib computes (Python's
// zlib.crc32, written down here), whole and in chained pieces.
#include "toolkit/controls/customize/Crc32.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(UVCrc32, StandardValuesWholeAndChained)
{
    struct Case {
        const char* text;
        uint32_t crc;  // zlib.crc32(text)
    } cases[] = {
        {"", 0x00000000},
        {"123456789", 0xCBF43926},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339},
    };
    for (const Case& c : cases) {
        const size_t length = strlen(c.text);
        EXPECT_EQ(CUVCrc32::Of(c.text, length), c.crc) << c.text;
        CUVCrc32 chained;
        for (size_t i = 0; i < length; ++i)
            chained.Update(c.text + i, 1);
        EXPECT_EQ(chained.GetValue(), c.crc) << c.text << ": byte by byte";
    }
}

TEST(UVCrc32, ResumesFromASavedValue)
{
    CUVCrc32 prefix;
    prefix.Update("1234", 4);
    const uint32_t saved = prefix.GetValue();
    CUVCrc32 resumed;
    resumed.SetValue(saved);
    EXPECT_EQ(resumed.Update("56789", 5), 0xCBF43926u);
}
