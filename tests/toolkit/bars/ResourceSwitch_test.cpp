#include "toolkit/bars/look/ResourceSwitch.h"

#include "classlib/core/WinApp.h"

#include <gtest/gtest.h>

namespace {

TEST(ResourceSwitch, ReleasePutsTheSavedResourceModuleBackAndClearsThePointer)
{
    const HINSTANCE before = AfxGetResourceHandle();
    const HINSTANCE other = GetModuleHandleW(L"kernel32.dll");
    CUVResourceSwitch* state = UVSwitchResources(other);
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(state->active);
    EXPECT_EQ(AfxGetResourceHandle(), other);
    UVReleaseResourceSwitch(state);
    EXPECT_EQ(state, nullptr);
    EXPECT_EQ(AfxGetResourceHandle(), before);
    UVReleaseResourceSwitch(state);  // a released (NULL) switch: nothing happens
    EXPECT_EQ(AfxGetResourceHandle(), before);
}

}  // namespace
