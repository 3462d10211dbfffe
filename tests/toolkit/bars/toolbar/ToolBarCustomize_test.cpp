// In-place customisation of a real toolbar: in customise mode (entered through the customise
// core) a button dragged by SendInput moves one place, and one dragged off every bar leaves it.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "tests/classlib/ui/BarInput.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/toolbar/ToolBarEditor.h"
#include "toolkit/controls/customize/CustomizeSession.h"

#include <gtest/gtest.h>

namespace {

std::vector<UINT> Ids(const CUVToolBar& bar)
{
    std::vector<UINT> ids;
    for (int i = 0; i < bar.GetButtonCount(); ++i)
        ids.push_back(bar.GetItemID(i));
    return ids;
}

class Customise : public ::testing::Test {
protected:
    void SetUp() override
    {
        uvAfxData.LoadCursors();
        t.bar->SetCustomizable(TRUE);
        t.Dock();
        CUVCustomizeSession::GetInstance()->GetList(CUVCustomizeSession::dragStarted).Add(&Customise::Seen, this);
        CUVCustomizeSession::GetInstance()->SetCustomizeMode(TRUE);
    }
    void TearDown() override
    {
        CUVCustomizeSession::GetInstance()->SetCustomizeMode(FALSE);
        CUVCustomizeSession::GetInstance()->RemoveObserver(this);
        t.bar->SetCustomizable(FALSE);
    }
    // What every bar hears when a drag starts: the dragged button.
    static void Seen(void* self, LPARAM context)
    {
        auto* data = static_cast<UVButtonDragData*>(reinterpret_cast<CUVDragContext*>(context)->data);
        static_cast<Customise*>(self)->dragged.push_back(data->command);
    }
    POINT ScreenPoint(int index, int dx) const
    {
        const CRect rect = t.bar->GetItemRect(index);
        POINT point{dx < 0 ? rect.right + dx : rect.left + dx, (rect.top + rect.bottom) / 2};
        ClientToScreen(t.bar->m_hWnd, &point);
        return point;
    }

    ToolBarFrame t;
    std::vector<UINT> dragged;
};

TEST_F(Customise, AButtonDraggedPastItsNeighbourMovesOnePlace)
{
    ASSERT_NE(t.bar->GetEditor(), nullptr) << "customise mode reaches the customisable bar";
    DragBySendInput(ScreenPoint(2, 8), ScreenPoint(3, -2));
    EXPECT_EQ(Ids(*t.bar), (std::vector<UINT>{101, 0, 103, 102, 104}));
    EXPECT_EQ(t.bar->GetEditor()->GetSelection(), 3) << "the selection follows the button";
    EXPECT_EQ(dragged, (std::vector<UINT>{102}));
}

TEST_F(Customise, AButtonDroppedOffEveryBarLeavesIt)
{
    POINT outside = ScreenPoint(4, 8);
    outside.y += 150;
    DragBySendInput(ScreenPoint(4, 8), outside);
    EXPECT_EQ(Ids(*t.bar), (std::vector<UINT>{101, 0, 102, 103}));
    EXPECT_EQ(dragged, (std::vector<UINT>{104})) << "the core handed the drag to the bars";
}

TEST_F(Customise, ADragThatStaysNearItsButtonMovesNothing)
{
    // From the first button to just past the separator beside it: still within half a button
    // of where the drag began.
    POINT to = ScreenPoint(2, 1);
    DragBySendInput(ScreenPoint(0, 8), to);
    EXPECT_EQ(Ids(*t.bar), (std::vector<UINT>{101, 0, 102, 103, 104}));
}

TEST_F(Customise, AControlOverAButtonIsSelectedAsThatButtonAndItsTimersStop)
{
    HWND combo = CreateWindowExW(0, L"COMBOBOX", nullptr, WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 80, 100, t.bar->m_hWnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(103)), nullptr, nullptr);
    ASSERT_TRUE(t.bar->PositionControl(CWnd::FromHandle(combo)));
    RECT rect;
    GetWindowRect(combo, &rect);
    const POINT inside{rect.left + 10, (rect.top + rect.bottom) / 2};
    std::thread mouse([inside] {
        INPUT inputs[] = {MouseAt(inside), MouseAt(inside, MOUSEEVENTF_LEFTDOWN), MouseAt(inside, MOUSEEVENTF_LEFTUP)};
        for (INPUT& input : inputs) {
            SendInput(1, &input, sizeof(INPUT));
            Sleep(150);
        }
    });
    PumpInput(800);
    mouse.join();
    ASSERT_NE(t.bar->GetEditor(), nullptr);
    EXPECT_EQ(t.bar->GetEditor()->GetSelection(), 3) << "the press selected the combo's button";
    EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) << "the combo itself saw no press";

    SetTimer(combo, 77, 10, nullptr);
    PumpInput(200);
    EXPECT_FALSE(KillTimer(combo, 77)) << "the child's timer was stopped";
    DestroyWindow(combo);
}

TEST_F(Customise, LeavingCustomiseModeEndsEditing)
{
    CUVCustomizeSession::GetInstance()->SetCustomizeMode(FALSE);
    EXPECT_EQ(t.bar->GetEditor(), nullptr);
}

}  // namespace
