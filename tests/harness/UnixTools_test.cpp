#include "tests/support/UnixTools.h"

#include <gtest/gtest.h>
#include <windows.h>

// Peers of the benchmarks are timed natively: the figure is what the tool costs where its users
// run it, not the dearer start of a process from inside Wine.
TEST(UnixTools, ToolsAreTimedNativelyWithoutTheWineProcessStart)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "the host's tools are not reachable";
    const double sleep = fixtures::TimeUnixTool("sleep", {"0.3"});
    EXPECT_GE(sleep, 0.3);
    EXPECT_LT(sleep, 5.0);

    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    ASSERT_EQ(fixtures::RunUnixTool("true", {}), 0);
    QueryPerformanceCounter(&after);
    const double fromHere = static_cast<double>(after.QuadPart - before.QuadPart) / frequency.QuadPart;
    const double native = fixtures::TimeUnixTool("true", {});
    EXPECT_GE(native, 0.0);
    EXPECT_LT(native, fromHere);

    EXPECT_LT(fixtures::TimeUnixTool("false", {}), 0.0) << "a failing tool has no time";
}
