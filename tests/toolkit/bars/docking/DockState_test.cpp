// Bar layouts kept in the profile: a frame's bars docked in rows, hidden and floating are saved
// under "<profile>-Summary" and "<profile>-Bar%d", read back by reg.exe, and put back in a fresh
// frame; damaged values (huge counts, missing screen sizes, places off the screen, unknown or
// repeated ids) load without harm.
#include "UVTestBar.h"

#include "classlib/ui/DockBar.h"
#include "classlib/ui/DockContext.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/MiniDockFrameWnd.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/state/DockState.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 400;
constexpr UINT kFirstId = 0xE8C0;
constexpr wchar_t kProfile[] = L"Layout";
constexpr POINT kFloatAt{640, 520};

// The frame of the tests: five bars, first all docked at the top in rows of their own (a new
// frame's default layout); Arrange then moves them to the layout that is saved.
struct LayoutFrame {
    LayoutFrame()
    {
        frame = new CFrameWnd;
        EXPECT_TRUE(frame->Create(nullptr, L"layout", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, kWidth, kHeight}, nullptr,
                                  nullptr, 0, nullptr));
        EnableUVDocking(frame, CBRS_ALIGN_ANY, UVDB_KEEP_BAR_BORDERS);
        for (UINT i = 0; i < 5; ++i) {
            auto bar = std::make_unique<CUVTestBar>(100 + 10 * static_cast<int>(i), 26);
            EXPECT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER, frame, kFirstId + i));
            bar->EnableDocking(CBRS_ALIGN_ANY);
            frame->DockControlBar(bar.get(), AFX_IDW_DOCKBAR_TOP);
            bars.push_back(std::move(bar));
        }
        frame->RecalcLayout();
    }
    ~LayoutFrame()
    {
        for (auto& bar : bars)
            bar->DestroyWindow();
        frame->DestroyWindow();
        PumpInput(10);
    }
    // Bar 1 right of bar 0 at x = 250 in the first top row, bar 2 on the left, bar 3 hidden,
    // bar 4 floating.
    void Arrange()
    {
        RECT first;
        bars[0]->GetWindowRect(&first);
        const RECT at{first.left + 250, first.top, first.left + 370, first.bottom};
        frame->DockControlBar(bars[1].get(), AFX_IDW_DOCKBAR_TOP, &at);
        frame->DockControlBar(bars[2].get(), AFX_IDW_DOCKBAR_LEFT);
        frame->ShowControlBar(bars[3].get(), FALSE, FALSE);
        frame->FloatControlBar(bars[4].get(), kFloatAt);
        frame->RecalcLayout();
    }
    CUVTestBar* Bar(size_t i) const { return bars[i].get(); }
    RECT InFrame(CWnd* wnd) const
    {
        RECT rect;
        wnd->GetWindowRect(&rect);
        ::MapWindowPoints(nullptr, frame->m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    UINT DockBarOf(size_t i) const
    {
        CDockBar* dockBar = bars[i]->m_pDockBar;
        return dockBar ? static_cast<UINT>(dockBar->GetDlgCtrlID()) : 0;
    }

    CFrameWnd* frame = nullptr;
    std::vector<std::unique_ptr<CUVTestBar>> bars;
};

// reg.exe's listing as value name -> "TYPE DATA".
std::map<std::string, std::string> Values(const std::string& listing)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name, type, data;
        if (words >> name >> type >> data && type.rfind("REG_", 0) == 0)
            values[name] = type + " " + data;
    }
    return values;
}

// The value `name` of `values`, "missing" when there is none.
std::string Get(const std::map<std::string, std::string>& values, const std::string& name)
{
    const auto found = values.find(name);
    return found == values.end() ? "missing" : found->second;
}

class UVDockState : public TestProfile {
protected:
    void Save(CFrameWnd* frame)
    {
        CUVDockState state;
        frame->GetDockState(state);
        state.SaveState(kProfile);
    }
    void Load(CFrameWnd* frame)
    {
        CUVDockState state;
        state.LoadState(kProfile);
        frame->SetDockState(state);
        frame->RecalcLayout();
        PumpInput(10);
    }
    CString Section(int n) const
    {
        CString name;
        name.Format(L"%s-Bar%d", kProfile, n);
        return name;
    }
    // The saved sections by their "BarID" (as reg.exe prints it).
    std::map<std::string, std::map<std::string, std::string>> SectionsById(int count) const
    {
        std::map<std::string, std::map<std::string, std::string>> sections;
        for (int n = 0; n < count; ++n) {
            auto values = Values(RegQuery(Section(n)));
            sections[values["BarID"]] = values;
        }
        return sections;
    }
    static std::string Dword(UINT value)
    {
        char text[32];
        snprintf(text, sizeof(text), "REG_DWORD 0x%x", value);
        return text;
    }
};

TEST_F(UVDockState, AFreshFrameGetsBackPositionsVisibilityAndFloatingPlaces)
{
    RECT saved[5];
    RECT floatingWindow;
    {
        LayoutFrame first;
        first.Arrange();
        for (size_t i = 0; i < 5; ++i)
            saved[i] = first.InFrame(first.Bar(i));
        first.Bar(4)->GetParentFrame()->GetWindowRect(&floatingWindow);
        Save(first.frame);
    }
    LayoutFrame second;
    Load(second.frame);

    EXPECT_EQ(second.DockBarOf(0), AFX_IDW_DOCKBAR_TOP);
    EXPECT_EQ(second.DockBarOf(1), AFX_IDW_DOCKBAR_TOP);
    EXPECT_EQ(second.DockBarOf(2), AFX_IDW_DOCKBAR_LEFT);
    const RECT placed = second.InFrame(second.Bar(1));
    EXPECT_EQ(placed.left, saved[1].left) << "bar 1 keeps its place along the row";
    EXPECT_EQ(placed.top, second.InFrame(second.Bar(0)).top) << "bar 1 shares bar 0's row";
    EXPECT_EQ(second.InFrame(second.Bar(2)).left, saved[2].left);
    EXPECT_EQ(second.InFrame(second.Bar(2)).top, saved[2].top);

    EXPECT_FALSE(second.Bar(3)->IsVisible());
    EXPECT_FALSE(second.Bar(3)->GetStyle() & WS_VISIBLE);

    CControlBar* floating = second.Bar(4);
    ASSERT_NE(floating->m_pDockBar, nullptr);
    EXPECT_TRUE(floating->m_pDockBar->m_bFloating);
    CFrameWnd* miniFrame = floating->GetParentFrame();
    ASSERT_NE(miniFrame, nullptr);
    EXPECT_TRUE(miniFrame->GetStyle() & WS_VISIBLE);
    RECT window;
    miniFrame->GetWindowRect(&window);
    EXPECT_EQ(window.left, floatingWindow.left);
    EXPECT_EQ(window.top, floatingWindow.top);
    EXPECT_EQ(window.right - window.left, floatingWindow.right - floatingWindow.left);

    // The dock context knows the floating bar's last docked place again: toggling docks it on top.
    floating->m_pDockContext->ToggleDocking();
    EXPECT_EQ(second.DockBarOf(4), AFX_IDW_DOCKBAR_TOP);
}

TEST_F(UVDockState, RegQueryReadsTheValuesOfTheLayout)
{
    LayoutFrame frame;
    frame.Arrange();
    Save(frame.frame);

    // Top and left dock bars, the floating frame's dock bar and the five bars; the empty bottom
    // and right dock bars need no section.
    const auto summary = Values(RegQuery(CString(kProfile) + L"-Summary"));
    EXPECT_EQ(Get(summary, "Bars"), Dword(8));
    EXPECT_EQ(Get(summary, "ScreenCX"), Dword(static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN))));
    EXPECT_EQ(Get(summary, "ScreenCY"), Dword(static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN))));
    EXPECT_EQ(RegQuery(Section(8)), "") << "numbers run without gaps";

    const auto sections = SectionsById(8);
    const auto& top = sections.at(Dword(AFX_IDW_DOCKBAR_TOP));
    // Rows: bars 0 and 1, then bar 3 (hidden, keeps its row), the floating bar's placeholder.
    EXPECT_EQ(Get(top, "Bar#0"), Dword(0));
    EXPECT_EQ(Get(top, "Bar#1"), Dword(kFirstId));
    EXPECT_EQ(Get(top, "Bar#2"), Dword(kFirstId + 1));
    EXPECT_EQ(Get(top, "Bar#3"), Dword(0));
    EXPECT_FALSE(top.count("Floating")) << "docked: no floating values";
    EXPECT_FALSE(top.count("Visible")) << "visible: no visibility value";
    EXPECT_FALSE(top.count("XPos"));
    const int topCount = std::stoi(Get(top, "Bars").substr(10), nullptr, 16);
    bool placeHolder = false;
    for (int i = 0; i < topCount; ++i)
        placeHolder |= Get(top, "Bar#" + std::to_string(i)) == Dword((kFirstId + 4) | 0x10000);
    EXPECT_TRUE(placeHolder) << "the floating bar's place on top is kept";

    const auto& floatBar = sections.at(Dword(AFX_IDW_DOCKBAR_FLOAT));
    EXPECT_EQ(Get(floatBar, "Floating"), Dword(1));
    EXPECT_EQ(Get(floatBar, "Horz"), Dword(1));
    EXPECT_EQ(Get(floatBar, "Bars"), Dword(3));
    EXPECT_EQ(Get(floatBar, "Bar#1"), Dword(kFirstId + 4));

    const auto& hidden = sections.at(Dword(kFirstId + 3));
    EXPECT_EQ(Get(hidden, "Visible"), Dword(0));
    EXPECT_EQ(Get(hidden, "YPos"), Dword(static_cast<UINT>(frame.InFrame(frame.Bar(3)).top)));
    const auto& shown = sections.at(Dword(kFirstId + 1));
    EXPECT_FALSE(shown.count("Visible"));
    EXPECT_FALSE(shown.count("MRUWidth")) << "the default MRU width is not written";
    EXPECT_EQ(Get(shown, "Docking"), Dword(1));
    EXPECT_EQ(Get(shown, "XPos"), Dword(static_cast<UINT>(frame.InFrame(frame.Bar(1)).left)));
    for (const char* name : {"MRUDockID", "MRUDockLeftPos", "MRUDockTopPos", "MRUDockRightPos", "MRUDockBottomPos",
                             "MRUFloatStyle", "MRUFloatXPos", "MRUFloatYPos"})
        EXPECT_TRUE(shown.count(name)) << name;
}

TEST_F(UVDockState, DamagedValuesLoadWithoutHarm)
{
    const DWORD screenX = static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN));
    const DWORD screenY = static_cast<DWORD>(GetSystemMetrics(SM_CYSCREEN));
    struct Value {
        const wchar_t* section;  // after "<profile>-"
        const wchar_t* name;
        DWORD data;
    };
    struct Case {
        const char* name;
        std::vector<Value> values;
        size_t entries;  // loaded
        POINT floatAt;   // where the floating frame's client area lands (-1: not checked)
    };
    const Case cases[] = {
        {"a huge summary count loads nothing", {{L"Summary", L"Bars", 0x7FFFFFFF}}, 0, {-1, -1}},
        {"a negative summary count loads nothing", {{L"Summary", L"Bars", 0xFFFFFFFF}}, 0, {-1, -1}},
        {"a huge row-list count loads nothing", {{L"Bar0", L"Bars", 0x40000000}}, 0, {-1, -1}},
        {"no saved screen size: no scaling",
         {{L"Summary", L"ScreenCX", 0}, {L"Summary", L"ScreenCY", 0}},
         2,
         {300, 200}},
        {"a screen twice as large: halved",
         {{L"Summary", L"ScreenCX", 2 * screenX}, {L"Summary", L"ScreenCY", 2 * screenY}},
         2,
         {150, 100}},
        {"a place far off the screen comes back onto it",
         {{L"Bar0", L"XPos", static_cast<DWORD>(-90000)}, {L"Bar0", L"YPos", 90000}},
         2,
         {0, static_cast<LONG>(screenY) - 48}},
        {"unknown ids and a bar named twice",
         {{L"Bar0", L"Bars", 5}, {L"Bar0", L"Bar#2", 0x1234}, {L"Bar0", L"Bar#3", kFirstId + 2}},
         2,
         {300, 200}},
    };
    for (const Case& c : cases) {
        // A saved layout of a floating frame at (300, 200) that holds bar 2, then the damage.
        auto write = [&](const wchar_t* section, const wchar_t* name, DWORD data) {
            WriteRaw(CString(kProfile) + L"-" + section, name, REG_DWORD, &data, sizeof(data));
        };
        write(L"Summary", L"Bars", 2);
        write(L"Summary", L"ScreenCX", screenX);
        write(L"Summary", L"ScreenCY", screenY);
        write(L"Bar0", L"BarID", AFX_IDW_DOCKBAR_FLOAT);
        write(L"Bar0", L"Floating", 1);
        write(L"Bar0", L"XPos", 300);
        write(L"Bar0", L"YPos", 200);
        write(L"Bar0", L"Bars", 3);
        write(L"Bar0", L"Bar#0", 0);
        write(L"Bar0", L"Bar#1", kFirstId + 2);
        write(L"Bar0", L"Bar#2", 0);
        write(L"Bar1", L"BarID", kFirstId + 2);
        write(L"Bar1", L"XPos", 0);
        write(L"Bar1", L"YPos", 0);
        for (const Value& v : c.values)
            write(v.section, v.name, v.data);

        CUVDockState state;
        state.LoadState(kProfile);
        EXPECT_EQ(state.m_arrBarInfo.size(), c.entries) << c.name;
        LayoutFrame frame;
        frame.frame->SetDockState(state);
        frame.frame->RecalcLayout();
        PumpInput(10);
        CControlBar* bar = frame.Bar(2);
        if (c.floatAt.x != -1) {
            ASSERT_TRUE(bar->m_pDockBar && bar->m_pDockBar->m_bFloating) << c.name;
            RECT client{0, 0, 0, 0};
            ::MapWindowPoints(bar->m_pDockBar->m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 1);
            EXPECT_EQ(client.left, c.floatAt.x) << c.name;
            EXPECT_EQ(client.top, c.floatAt.y) << c.name;
            EXPECT_EQ(bar->m_pDockBar->GetDockedCount(), 1) << c.name;
            EXPECT_TRUE(bar->GetParentFrame()->GetStyle() & WS_VISIBLE) << c.name;
        } else {
            EXPECT_EQ(frame.DockBarOf(2), AFX_IDW_DOCKBAR_TOP) << c.name << ": the default layout stays";
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, CString(L"Software\\") + m_company);
    }
}

TEST_F(UVDockState, NothingSavedLeavesTheBarsWhereTheyAre)
{
    LayoutFrame frame;
    const RECT before = frame.InFrame(frame.Bar(4));
    Load(frame.frame);
    const RECT after = frame.InFrame(frame.Bar(4));
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(frame.DockBarOf(4), AFX_IDW_DOCKBAR_TOP);
}

}  // namespace
