// The window placement stored under "Settings": a real window saved, read back by reg.exe and
// restored, and damaged values that must leave the window as it is.
#include "toolkit/bars/state/WindowPlacement.h"

#include "tests/toolkit/bars/TestProfile.h"

#include <cstring>

namespace {

class WindowPlacement : public TestProfile {
protected:
    void SetUp() override
    {
        TestProfile::SetUp();
        m_hwnd = CreateWindowExW(0, L"STATIC", L"placed", WS_OVERLAPPEDWINDOW, 100, 80, 300, 200, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(m_hwnd, nullptr);
        ShowWindow(m_hwnd, SW_SHOWNORMAL);
    }
    void TearDown() override
    {
        DestroyWindow(m_hwnd);
        TestProfile::TearDown();
    }
    UINT ShowState() const
    {
        WINDOWPLACEMENT p{};
        p.length = sizeof(p);
        GetWindowPlacement(m_hwnd, &p);
        return p.showCmd;
    }
    static UVStoredPlacement StoredRecord(RECT normal, UINT showCmd)
    {
        UVStoredPlacement record{};
        record.placement.length = sizeof(WINDOWPLACEMENT);
        record.placement.showCmd = showCmd;
        record.placement.rcNormalPosition = normal;
        return record;
    }
    HWND m_hwnd = nullptr;
};

TEST_F(WindowPlacement, MinimisedComesBackNormalAndMaximisedComesBackMaximised)
{
    struct Case {
        const char* name;
        int show;
        UINT restored;
    } cases[] = {{"minimised", SW_MINIMIZE, SW_SHOWNORMAL}, {"maximised", SW_MAXIMIZE, SW_SHOWMAXIMIZED}};
    for (const Case& c : cases) {
        ShowWindow(m_hwnd, SW_SHOWNORMAL);
        MoveWindow(m_hwnd, 120, 90, 320, 210, TRUE);
        ShowWindow(m_hwnd, c.show);
        CUVWindowPlacement saver;
        ASSERT_TRUE(saver.SaveWindowPos(m_hwnd)) << c.name;
        ShowWindow(m_hwnd, SW_SHOWNORMAL);
        MoveWindow(m_hwnd, 0, 0, 50, 50, TRUE);
        CUVWindowPlacement loader;
        ASSERT_TRUE(loader.LoadWindowPos(m_hwnd)) << c.name;
        EXPECT_EQ(ShowState(), c.restored) << c.name;
        WINDOWPLACEMENT p{};
        p.length = sizeof(p);
        GetWindowPlacement(m_hwnd, &p);
        EXPECT_EQ(p.rcNormalPosition.right - p.rcNormalPosition.left, 320) << c.name;
        EXPECT_EQ(p.rcNormalPosition.bottom - p.rcNormalPosition.top, 210) << c.name;
    }
}

TEST_F(WindowPlacement, RecordIs48BytesWithItsSizeInTheLeadingWord)
{
    MoveWindow(m_hwnd, 100, 80, 300, 200, TRUE);
    CUVWindowPlacement saver;
    ASSERT_TRUE(saver.SaveWindowPos(m_hwnd));
    const std::string listing = RegQuery(L"Settings");
    const size_t at = listing.find("Window Position    REG_BINARY    ");
    ASSERT_NE(at, std::string::npos) << listing;
    const std::string hex = listing.substr(at + 33, 96);
    EXPECT_EQ(hex.substr(0, 16), "300000002C000000") << "leading word 48, then length 44";
    EXPECT_EQ(hex.substr(16, 16), "0000000001000000") << "flags 0, show normal";
    EXPECT_EQ(listing.find_first_not_of("0123456789ABCDEF", at + 33), at + 33 + 96) << "exactly 48 bytes";
}

TEST_F(WindowPlacement, DamagedValuesLeaveTheWindowAsItIs)
{
    const RECT good{10, 10, 410, 310};
    UVStoredPlacement hidden = StoredRecord(good, SW_HIDE);
    UVStoredPlacement minimised = StoredRecord(good, SW_SHOWMINIMIZED);
    UVStoredPlacement empty = StoredRecord(RECT{50, 50, 50, 90}, SW_SHOWNORMAL);
    UVStoredPlacement inverted = StoredRecord(RECT{400, 300, 10, 10}, SW_SHOWNORMAL);
    UVStoredPlacement valid = StoredRecord(good, SW_SHOWNORMAL);
    const wchar_t text[] = L"not a placement";
    struct Case {
        const char* name;
        DWORD type;
        const void* data;
        DWORD bytes;
    } cases[] = {
        {"show command 0", REG_BINARY, &hidden, sizeof(hidden)},
        {"minimised", REG_BINARY, &minimised, sizeof(minimised)},
        {"empty normal rectangle", REG_BINARY, &empty, sizeof(empty)},
        {"inverted normal rectangle", REG_BINARY, &inverted, sizeof(inverted)},
        {"47 bytes", REG_BINARY, &valid, sizeof(valid) - 1},
        {"text", REG_SZ, text, sizeof(text)},
    };
    for (const Case& c : cases) {
        WriteRaw(L"Settings", L"Window Position", c.type, c.data, c.bytes);
        MoveWindow(m_hwnd, 100, 80, 300, 200, TRUE);
        CUVWindowPlacement loader;
        EXPECT_FALSE(loader.LoadWindowPos(m_hwnd)) << c.name;
        RECT rect{};
        GetWindowRect(m_hwnd, &rect);
        EXPECT_EQ(rect.left, 100) << c.name;
        EXPECT_EQ(rect.right - rect.left, 300) << c.name;
        EXPECT_TRUE(IsWindowVisible(m_hwnd)) << c.name;
        EXPECT_EQ(ShowState(), static_cast<UINT>(SW_SHOWNORMAL)) << c.name;
    }
    EXPECT_FALSE(CUVWindowPlacement().LoadWindowPos(nullptr));
}

TEST_F(WindowPlacement, NamedValueKeepsTheStateAsItWas)
{
    ShowWindow(m_hwnd, SW_MINIMIZE);
    CUVWindowPlacement saver;
    ASSERT_TRUE(saver.SaveWindowPos(m_hwnd, L"Dialog Position"));
    EXPECT_EQ(saver.m_record.placement.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    CUVWindowPlacement loader;
    ASSERT_TRUE(loader.LoadWindowPos(m_hwnd, L"Dialog Position"));
    EXPECT_TRUE(IsIconic(m_hwnd));
    EXPECT_FALSE(CUVWindowPlacement().LoadWindowPos(m_hwnd, L"Missing Position"));
}

}  // namespace
