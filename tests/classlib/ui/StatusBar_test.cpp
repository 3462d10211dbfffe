// The status bar in a real frame: pane layout (the stretching first pane takes what the
// indicators leave), idle update of panes through the frame's routing, the frame's prompts in
// the first pane, and menu prompts while a real popup menu runs its loop.
#include "BarInput.h"
#include "BarTestFrame.h"

#include "classlib/ui/Gdi.h"
#include "classlib/ui/StatusBar.h"

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT ID_FIRST = 2101;
constexpr UINT ID_SECOND = 2102;
constexpr UINT ID_WIDE = 2103;  // a pane whose text the frame's update handler sets

class CStatusFrame : public CFrameWnd {
public:
    BOOL wideEnabled = TRUE;
    BOOL wideChecked = FALSE;

protected:
    void OnUpdateWide(CCmdUI* state)
    {
        state->SetText(L"Line 7");
        state->Enable(wideEnabled);
        state->SetCheck(wideChecked);
    }
    void OnFirst() {}
    void OnSecond() {}
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CStatusFrame, CFrameWnd)
ON_UPDATE_COMMAND_UI(ID_WIDE, &CStatusFrame::OnUpdateWide)
ON_COMMAND(ID_FIRST, &CStatusFrame::OnFirst)
ON_COMMAND(ID_SECOND, &CStatusFrame::OnSecond)
END_MESSAGE_MAP()

const UINT kIndicators[] = {ID_SEPARATOR, ID_WIDE, ID_INDICATOR_CAPS, ID_INDICATOR_NUM};

// What the control shows in a pane, read from the control itself, and its drawing bits.
std::wstring ShownText(const CStatusBar& bar, int index, UINT* type = nullptr)
{
    const LRESULT info = ::SendMessageW(bar.m_hWnd, SB_GETTEXTLENGTHW, index, 0);
    std::wstring text(LOWORD(info) + 1, L'\0');
    ::SendMessageW(bar.m_hWnd, SB_GETTEXTW, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    if (type)
        *type = HIWORD(info);
    return text;
}

class StatusBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = static_cast<CStatusFrame*>(CreateBarTestFrame(new CStatusFrame));
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(bar.Create(frame));
        ASSERT_TRUE(bar.SetIndicators(kIndicators, 4));
        frame->RecalcLayout();
    }
    void TearDown() override
    {
        if (frame)
            frame->DestroyWindow();
    }
    void Idle() const { bar.SendMessage(WM_IDLEUPDATECMDUI, TRUE); }
    RECT Pane(int index) const
    {
        RECT rect;
        ::SendMessageW(bar.m_hWnd, SB_GETRECT, index, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }

    CStatusFrame* frame = nullptr;
    CStatusBar bar;
};

TEST_F(StatusBar, SitsAtTheFramesBottomAndItsFirstPaneTakesWhatTheIndicatorsLeave)
{
    const RECT barRect = RectIn(*frame, bar.m_hWnd);
    EXPECT_EQ(barRect.bottom, kFrameHeight);
    EXPECT_EQ(barRect.left, 0);
    EXPECT_EQ(barRect.right, kFrameWidth);
    EXPECT_GT(barRect.bottom - barRect.top, 10);
    EXPECT_EQ(RectIn(*frame, ::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)).bottom, barRect.top);

    EXPECT_EQ(bar.GetPaneStyle(0), SBPS_STRETCH | SBPS_NOBORDERS);
    EXPECT_EQ(bar.CommandToIndex(ID_INDICATOR_NUM), 3);
    EXPECT_EQ(ShownText(bar, 1), L"WIDE PANE");
    // Each indicator is as wide as its text and a little more; the last ends near the bar's end.
    for (int index = 1; index < 4; ++index) {
        CClientDC dc(&bar);
        CSelectedObject font(dc, reinterpret_cast<HGDIOBJ>(bar.SendMessage(WM_GETFONT)));
        SIZE text{};
        const std::wstring label = bar.GetPaneText(index).GetString();
        ::GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &text);
        const RECT pane = Pane(index);
        EXPECT_GE(pane.right - pane.left, text.cx) << index;
        EXPECT_LE(pane.right - pane.left, text.cx + 12) << index;
    }
    EXPECT_GE(Pane(3).right, kFrameWidth - ::GetSystemMetrics(SM_CXVSCROLL) - 12);

    const RECT before[2] = {Pane(0), Pane(2)};
    ::SetWindowPos(frame->m_hWnd, nullptr, 0, 0, kFrameWidth + 100, kFrameHeight, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Pane(0).right - Pane(0).left, before[0].right - before[0].left + 100);
    EXPECT_EQ(Pane(2).right - Pane(2).left, before[1].right - before[1].left);
}

TEST_F(StatusBar, IdleUpdateSetsTextBlanksDisabledPanesAndPopsCheckedOnesOut)
{
    struct Case {
        const char* name;
        BOOL enabled;
        BOOL checked;
        const wchar_t* shown;
        bool popout;
    };
    const Case cases[] = {
        {"enabled", TRUE, FALSE, L"Line 7", false},
        {"disabled", FALSE, FALSE, L"", false},
        {"checked", TRUE, TRUE, L"Line 7", true},
    };
    for (const Case& c : cases) {
        frame->wideEnabled = c.enabled;
        frame->wideChecked = c.checked;
        Idle();
        UINT type = 0;
        EXPECT_EQ(ShownText(bar, 1, &type), c.shown) << c.name;
        EXPECT_EQ((type & SBT_POPOUT) != 0, c.popout) << c.name;
        EXPECT_EQ(bar.GetPaneText(1), CString(L"Line 7")) << c.name;
    }
}

TEST_F(StatusBar, KeyIndicatorsShowWhileTheirKeyIsToggledOn)
{
    // Num Lock through real key input; pressed twice, it ends as it started.
    const bool wasOn = (::GetKeyState(VK_NUMLOCK) & 1) != 0;
    for (int press = 0; press < 2; ++press) {
        KeyInput(VK_NUMLOCK, false);
        KeyInput(VK_NUMLOCK, true);
        const DWORD until = GetTickCount() + 3000;
        while (((::GetKeyState(VK_NUMLOCK) & 1) != 0) == (wasOn == (press == 0)) && GetTickCount() < until)
            PumpInput(20);
        Idle();
        const bool on = (::GetKeyState(VK_NUMLOCK) & 1) != 0;
        EXPECT_EQ(on, wasOn != (press == 0)) << press;
        EXPECT_EQ(ShownText(bar, 3), on ? L"NUM" : L"") << press;
    }
}

TEST_F(StatusBar, FramePromptsAndWindowTextGoToTheFirstPane)
{
    frame->SendMessage(WM_SETMESSAGESTRING, ID_SECOND);
    EXPECT_EQ(ShownText(bar, 0), L"Closes the second thing");
    frame->SendMessage(WM_POPMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    EXPECT_EQ(ShownText(bar, 0), L"Ready");
    bar.SetWindowText(L"Loading");
    EXPECT_EQ(ShownText(bar, 0), L"Loading");
    CString text;
    bar.GetWindowText(text);
    EXPECT_EQ(text, CString(L"Loading"));
}

// Prompts seen in the first pane while a popup menu runs, read from a timer inside its loop.
std::vector<std::wstring> g_seen;
const CStatusBar* g_bar = nullptr;
HWND g_owner = nullptr;
int g_step = 0;

TEST_F(StatusBar, MenuSelectionShowsTheItemsPromptAndClosingShowsTheIdleText)
{
    frame->ShowWindow(SW_SHOWNA);
    HMENU popup = ::CreatePopupMenu();
    ::AppendMenuW(popup, MF_STRING, ID_FIRST, L"&First");
    ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(popup, MF_STRING, ID_SECOND, L"&Second");
    g_seen.clear();
    g_bar = &bar;
    g_owner = frame->m_hWnd;
    g_step = 0;
    // Keys posted to the thread drive the open menu (Down, Down, then Escape), each read after the
    // menu handled the one before.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        if (g_step > 0 && g_step <= 2)
            g_seen.push_back(ShownText(*g_bar, 0));
        const WPARAM key = g_step < 2 ? VK_DOWN : VK_ESCAPE;
        if (g_step <= 2)
            ::PostMessageW(g_owner, WM_KEYDOWN, key, 0);
        ++g_step;
    });
    ::SetForegroundWindow(frame->m_hWnd);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, 500, 300, 0, frame->m_hWnd, nullptr);
    ::KillTimer(nullptr, timer);
    ::DestroyMenu(popup);
    PumpInput(50);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0], L"Opens the first thing");
    EXPECT_EQ(g_seen[1], L"Closes the second thing");  // the separator is skipped
    EXPECT_EQ(ShownText(bar, 0), L"Ready");
}

}  // namespace
