#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

// The harness itself: tests run as Windows processes, and the sound sink gives one wave-out device.
TEST(Harness, RunsAsWindowsProcessWithWaveOutDevice)
{
    EXPECT_NE(GetModuleHandleW(L"kernel32.dll"), nullptr);
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
}
