// In-place customisation of a real toolbar: in customise mode (entered through the customise
// core) a button dragged by SendInput moves one place, and one dragged off every bar leaves it.
#include "tests/toolkit/bars/toolbar/ToolBarFixture.h"

#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/toolbar/ToolBarEditor.h"
#include "toolkit/controls/customize/CustomizeSession.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

std::vector<UINT> Ids(const CUVToolBar& bar)
{
    std::vector<UINT> ids;
    for (int i = 0; i < bar.GetButtonCount(); ++i)
        ids.push_back(bar.GetItemID(i));
    return ids;
}

INPUT MouseAt(POINT point, DWORD flags = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    return input;
}

// Presses at `from`, moves to `to` in steps and releases there, from another thread with pauses:
// input is routed when it is sent, so each step waits until the bar has taken the capture.
void DragBySendInput(POINT from, POINT to)
{
    std::thread mouse([from, to] {
        auto send = [](INPUT input) {
            SendInput(1, &input, sizeof(INPUT));
            Sleep(150);
        };
        send(MouseAt(from));
        send(MouseAt(from, MOUSEEVENTF_LEFTDOWN));
        for (int step = 1; step <= 4; ++step)
            send(MouseAt(POINT{from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4}));
        send(MouseAt(to, MOUSEEVENTF_LEFTUP));
    });
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2500) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }
    mouse.join();
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

TEST_F(Customise, LeavingCustomiseModeEndsEditing)
{
    CUVCustomizeSession::GetInstance()->SetCustomizeMode(FALSE);
    EXPECT_EQ(t.bar->GetEditor(), nullptr);
}

}  // namespace
