// The toolkit status bar in a real frame: controls placed in panes follow the bar's WM_SIZE (the
// last, stretching pane's control reaches the size grip), the XP look frames bordered panes in the
// shadow colour at known pixels while the classic look leaves the control's own edges, and the
// bar lets go of its controls when it is destroyed.
#include "tests/classlib/ui/BarTestFrame.h"
#include "tests/toolkit/bars/Canvas.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/status/StatusBar.h"

namespace {

constexpr UINT ID_POSITION = 2201;
constexpr UINT ID_VOLUME = 2202;
const UINT kIndicators[] = {ID_SEPARATOR, ID_POSITION, ID_VOLUME};

// A control that counts its deletions.
int g_deleted = 0;
class CCountedControl : public CWnd {
public:
    ~CCountedControl() override { ++g_deleted; }
};

HWND MakeControl(CWnd& bar, CWnd* control)
{
    control->CreateEx(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 0, 10, 10, bar.m_hWnd, nullptr);
    return control->m_hWnd;
}

class UVStatusBar : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = CreateBarTestFrame(new CFrameWnd);
        ASSERT_NE(frame, nullptr);
        bar = new CUVStatusBar;
        ASSERT_TRUE(bar->CreateEx(frame, SBARS_SIZEGRIP));
        bar->m_bAutoDelete = TRUE;
        ASSERT_TRUE(bar->SetIndicators(kIndicators, 3));
        frame->RecalcLayout();
    }
    void TearDown() override
    {
        uvAfxData.m_bXPLook = FALSE;
        if (frame)
            frame->DestroyWindow();
    }
    RECT ControlRect(HWND control) const { return RectIn(*bar, control); }
    RECT ItemRect(int index) const
    {
        RECT rect;
        ::SendMessageW(bar->m_hWnd, SB_GETRECT, index, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }

    CFrameWnd* frame = nullptr;
    CUVStatusBar* bar = nullptr;
};

TEST_F(UVStatusBar, PaneControlsFollowTheBarsSizeAndTheStretchingLastOneReachesTheGrip)
{
    ASSERT_TRUE(bar->GetStyle() & SBARS_SIZEGRIP);
    UINT id, style;
    int width;
    bar->GetPaneInfo(2, id, style, width);
    bar->SetPaneInfo(2, id, style | SBPS_STRETCH, width);
    auto* position = new CWnd;
    auto* volume = new CWnd;
    const HWND positionWindow = MakeControl(*bar, position);
    const HWND volumeWindow = MakeControl(*bar, volume);
    EXPECT_FALSE(bar->AddPaneControl(position, 9999, TRUE)) << "no such pane";
    ASSERT_TRUE(bar->AddPaneControl(position, ID_POSITION, TRUE));
    ASSERT_TRUE(bar->AddPaneControl(volume, ID_VOLUME, TRUE));

    const int edge = ::GetSystemMetrics(SM_CXEDGE);
    const int grip = ::GetSystemMetrics(SM_CXVSCROLL);
    for (const int frameWidth : {kFrameWidth, kFrameWidth + 150, kFrameWidth - 80}) {
        ::SetWindowPos(frame->m_hWnd, nullptr, 0, 0, frameWidth, kFrameHeight, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        bar->GetClientRect(&client);
        ASSERT_EQ(client.right, frameWidth);
        RECT inPane = ItemRect(1);
        ::InflateRect(&inPane, -edge, -edge);
        EXPECT_TRUE(SameRect(ControlRect(positionWindow), inPane)) << frameWidth;
        const RECT last = ControlRect(volumeWindow);
        EXPECT_EQ(last.right, frameWidth - edge - grip - edge) << frameWidth;
        EXPECT_EQ(last.left, ItemRect(2).left + edge) << frameWidth;
        EXPECT_EQ(last.top, ItemRect(2).top + edge) << frameWidth;
    }
}

TEST_F(UVStatusBar, XPLookFramesBorderedPanesInTheShadowColour)
{
    // The control paints nothing while it is not visible.
    frame->ShowWindow(SW_SHOWNA);
    RECT client;
    bar->GetClientRect(&client);
    const RECT pane = ItemRect(1);
    const RECT first = ItemRect(0);
    const COLORREF shadow = GetUVBarColor(UVBarColor::shadow);
    const struct {
        const char* look;
        BOOL xp;
    } looks[] = {{"classic", FALSE}, {"xp", TRUE}};
    for (const auto& look : looks) {
        uvAfxData.m_bXPLook = look.xp;
        Canvas canvas(client.right, client.bottom);
        bar->SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc.GetSafeHdc()), PRF_CLIENT);
        // The flat frame is dark all round; the control's own edge is not.
        EXPECT_EQ(canvas.At(pane.right - 1, pane.bottom - 1) == shadow, look.xp == TRUE) << look.look;
        EXPECT_EQ(canvas.At(pane.left, pane.top) == shadow, look.xp == TRUE) << look.look;
        EXPECT_EQ(canvas.At(pane.left + 1, pane.bottom - 1) == shadow, look.xp == TRUE) << look.look;
        // The stretching first pane has no border in either look.
        EXPECT_NE(canvas.At(first.right - 1, first.bottom - 1), shadow) << look.look;
    }
}

TEST_F(UVStatusBar, DestroyingTheBarClosesItsControlsAndDeletesTheOwnedOnes)
{
    g_deleted = 0;
    auto* owned = new CCountedControl;
    CCountedControl kept;
    const HWND ownedWindow = MakeControl(*bar, owned);
    const HWND keptWindow = MakeControl(*bar, &kept);
    ASSERT_TRUE(bar->AddPaneControl(owned, ID_POSITION, TRUE));
    ASSERT_TRUE(bar->AddPaneControl(&kept, ID_VOLUME, FALSE));
    bar->DestroyWindow();
    EXPECT_FALSE(::IsWindow(ownedWindow));
    EXPECT_FALSE(::IsWindow(keptWindow));
    EXPECT_EQ(g_deleted, 1);
}

}  // namespace
