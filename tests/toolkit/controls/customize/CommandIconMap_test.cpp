// The command icon map owns its icons: replacing and clearing destroy them.
#include "toolkit/controls/customize/CommandIconMap.h"

#include <gtest/gtest.h>

namespace {

HICON MakeIcon()
{
    return CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
}

bool IsIcon(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

}  // namespace

TEST(UVCommandIconMap, LookupGivesTheIconsAndReplacingDestroysTheOldOnes)
{
    HICON normal = MakeIcon(), hot = MakeIcon(), replacement = MakeIcon();
    {
        CUVCommandIconMap map;
        map.SetAt(100, normal, hot, nullptr);
        HICON n = nullptr, h = nullptr, d = reinterpret_cast<HICON>(1);
        ASSERT_TRUE(map.Lookup(100, &n, &h, &d));
        EXPECT_EQ(n, normal);
        EXPECT_EQ(h, hot);
        EXPECT_EQ(d, nullptr);
        EXPECT_FALSE(map.Lookup(101, &n, &h, &d));
        map.SetAt(100, replacement, nullptr, nullptr);
        EXPECT_FALSE(IsIcon(normal));
        EXPECT_FALSE(IsIcon(hot));
        EXPECT_TRUE(IsIcon(replacement));
    }
    EXPECT_FALSE(IsIcon(replacement)) << "the map destroys its icons";
}
