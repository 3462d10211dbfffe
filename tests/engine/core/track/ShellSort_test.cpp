#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/core/track/ShellSort.h"

namespace {

TEST(ShellSort, SortsEverySizeAgainstTheStandardSort)
{
    std::mt19937_64 random(99);
    for (int count : {1, 2, 13, 14, 15, 40, 41, 1000, 29524, 29525, 40000}) {
        SCOPED_TRACE(count);
        CArray<LONGLONG> values;
        std::vector<LONGLONG> reference;
        for (int i = 0; i < count; ++i) {
            const LONGLONG v = static_cast<LONGLONG>(random() % 100000) - 50000;
            values.Add(v);
            reference.push_back(v);
        }
        ASSERT_TRUE(ShellSortInt64Array(values));
        std::sort(reference.begin(), reference.end());
        EXPECT_TRUE(std::equal(reference.begin(), reference.end(), values.GetData()));
    }
    CArray<LONGLONG> empty;
    EXPECT_FALSE(ShellSortInt64Array(empty));
}

}  // namespace
