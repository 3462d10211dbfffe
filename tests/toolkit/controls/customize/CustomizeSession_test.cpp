// The customise core: which commands may be customised, the mode switch with its deletion queue,
// and the button drag on real windows driven by SendInput.
#include "toolkit/controls/customize/CustomizeSession.h"

#include "toolkit/bars/look/GlobalData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CUVCustomizeSession& Session()
{
    return *CUVCustomizeSession::GetInstance();
}

TEST(UVCustomizeSession, RecentFilesWindowListAndFullMenusAreNotCustomizable)
{
    for (UINT id : {57616u, 57631u, 65280u, 65288u, 53783u})
        EXPECT_FALSE(Session().IsCommandCustomizable(id)) << id;
    for (UINT id : {57615u, 57632u, 65279u, 65289u, 53782u})
        EXPECT_TRUE(Session().IsCommandCustomizable(id)) << id;
}

struct Queued : CObject {
    explicit Queued(std::vector<int>* log, int n) : log(log), n(n) {}
    ~Queued() override
    {
        log->push_back(n);
        if (n == 1)
            Session().QueueForDeletion(new Queued(log, 2));  // queued while the queue empties
    }
    std::vector<int>* log;
    int n;
};

struct ModeListener {
    std::vector<std::pair<LPARAM, BOOL>> seen;  // (argument, the session's flag at the call)
    static void OnMode(void* self, LPARAM on)
    {
        static_cast<ModeListener*>(self)->seen.emplace_back(on, Session().IsCustomizeMode());
    }
};

TEST(UVCustomizeSession, LeavingCustomizeModeDeletesTheQueueUntilItStaysEmpty)
{
    ModeListener listener;
    Session().GetList(CUVCustomizeSession::customizeModeChanged).Add(&ModeListener::OnMode, &listener);
    std::vector<int> deleted;
    Session().SetCustomizeMode(TRUE);
    Session().QueueForDeletion(new Queued(&deleted, 1));
    EXPECT_TRUE(Session().IsCustomizeMode());
    EXPECT_TRUE(deleted.empty());
    Session().SetCustomizeMode(FALSE);
    EXPECT_FALSE(Session().IsCustomizeMode());
    EXPECT_EQ(deleted, (std::vector<int>{1, 2}));
    EXPECT_EQ(listener.seen, (std::vector<std::pair<LPARAM, BOOL>>{{1, TRUE}, {0, FALSE}}))
        << "listeners see the mode already switched";
    Session().RemoveObserver(&listener);
    EXPECT_EQ(Session().GetList(CUVCustomizeSession::customizeModeChanged).GetSize(), 0);
}

// A drop target over a screen rectangle that logs its calls.
class RectTarget : public CUVDropTarget {
public:
    explicit RectTarget(RECT rect, BOOL keepCopy = TRUE) : m_rect(rect), m_keepCopy(keepCopy) {}
    BOOL HitTest(POINT point) override { return PtInRect(&m_rect, point); }
    BOOL Enter(void*, POINT, BOOL* copyAllowed) override
    {
        log += "enter ";
        if (!m_keepCopy)
            *copyAllowed = FALSE;
        return TRUE;
    }
    void DragOver(POINT) override { log += "over "; }
    void Leave() override { log += "leave "; }
    void Drop(void* data, POINT point) override
    {
        log += "drop ";
        droppedData = data;
        droppedAt = point;
    }
    std::string log;
    void* droppedData = nullptr;
    POINT droppedAt{};

private:
    RECT m_rect;
    BOOL m_keepCopy;
};

class ButtonDrag : public ::testing::Test {
protected:
    void SetUp() override
    {
        uvAfxData.LoadCursors();
        WNDCLASSW cls{};
        cls.lpfnWndProc = DefWindowProcW;
        cls.lpszClassName = L"DragSource";
        RegisterClassW(&cls);
        m_source = CreateWindowExW(WS_EX_TOPMOST, L"DragSource", L"", WS_POPUP | WS_VISIBLE, 100, 100, 100, 40, nullptr,
                                   nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_source);
        Session().GetList(CUVCustomizeSession::dragStarted).Add(&ButtonDrag::AddTargets, this);
    }
    void TearDown() override
    {
        Session().RemoveObserver(this);
        DestroyWindow(m_source);
    }
    static void AddTargets(void* self, LPARAM context)
    {
        auto* test = static_cast<ButtonDrag*>(self);
        auto* drag = reinterpret_cast<CUVDragContext*>(context);
        for (CUVDropTarget* target : test->m_targets)
            drag->targets.push_back(target);
        // Input is routed when it is sent: the steps go once the drag holds the capture.
        SendInput(static_cast<UINT>(test->m_steps.size()), test->m_steps.data(), sizeof(INPUT));
    }
    static INPUT Mouse(DWORD flags, int x = 0, int y = 0)
    {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        if (flags & MOUSEEVENTF_MOVE) {
            input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
            input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
            input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
        }
        return input;
    }
    static INPUT Key(WORD key, bool up)
    {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        return input;
    }
    // Presses the left button on the source and waits for the press to arrive, as a toolbar
    // starts a drag from its button-down; then runs the drag, which receives `steps`.
    BOOL Drag(std::vector<INPUT> steps, BOOL allowCopy = TRUE)
    {
        INPUT press[] = {Mouse(MOUSEEVENTF_MOVE, 120, 120), Mouse(MOUSEEVENTF_LEFTDOWN)};
        SendInput(2, press, sizeof(INPUT));
        const DWORD start = GetTickCount();
        for (bool down = false; !down && GetTickCount() - start < 5000;) {
            MSG msg;
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                Sleep(5);
                continue;
            }
            down = msg.message == WM_LBUTTONDOWN;
            DispatchMessageW(&msg);
        }
        m_steps = std::move(steps);
        return Session().RunButtonDrag(m_source, allowCopy, &m_data);
    }

    HWND m_source = nullptr;
    std::vector<CUVDropTarget*> m_targets;
    std::vector<INPUT> m_steps;
    int m_data = 42;
};

TEST_F(ButtonDrag, DropOnATargetCallsItsDropWithTheDataAndPoint)
{
    RectTarget target({400, 400, 500, 500});
    m_targets = {&target};
    // Wine merges queued moves: the target sees the last one, then the release there.
    const BOOL moved =
        Drag({Mouse(MOUSEEVENTF_MOVE, 300, 300), Mouse(MOUSEEVENTF_MOVE, 460, 430), Mouse(MOUSEEVENTF_LEFTUP)});
    EXPECT_TRUE(moved);
    EXPECT_EQ(target.log, "enter over drop ");
    EXPECT_EQ(target.droppedData, &m_data);
    EXPECT_EQ(target.droppedAt.x, 460);
    EXPECT_EQ(target.droppedAt.y, 430);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ButtonDrag, ReleaseOutsideEveryTargetAfterAMoveIsTrueWithoutADrop)
{
    RectTarget target({400, 400, 500, 500});
    m_targets = {&target};
    EXPECT_TRUE(Drag({Mouse(MOUSEEVENTF_MOVE, 700, 700), Mouse(MOUSEEVENTF_LEFTUP)}));
    EXPECT_EQ(target.log, "");
}

TEST_F(ButtonDrag, EscapeCancelsWithoutADropAndCtrlMakesACopy)
{
    struct Case {
        const char* name;
        std::vector<INPUT> steps;
        BOOL allowCopy;
        BOOL result;
        const char* log;
    } cases[] = {
        {"escape",
         {Mouse(MOUSEEVENTF_MOVE, 450, 450), Key(VK_ESCAPE, false), Key(VK_ESCAPE, true), Mouse(MOUSEEVENTF_LEFTUP)},
         TRUE,
         FALSE,
         "enter leave "},
        {"right button",
         {Mouse(MOUSEEVENTF_MOVE, 450, 450), Mouse(MOUSEEVENTF_RIGHTDOWN), Mouse(MOUSEEVENTF_RIGHTUP),
          Mouse(MOUSEEVENTF_LEFTUP)},
         TRUE,
         FALSE,
         "enter leave "},
        {"ctrl held: a copy",
         {Key(VK_CONTROL, false), Mouse(MOUSEEVENTF_MOVE, 450, 450), Mouse(MOUSEEVENTF_LEFTUP), Key(VK_CONTROL, true)},
         TRUE,
         FALSE,
         "enter over drop "},
        {"copy only", {Mouse(MOUSEEVENTF_MOVE, 450, 450), Mouse(MOUSEEVENTF_LEFTUP)}, FALSE, FALSE, "enter over drop "},
    };
    for (Case& c : cases) {
        RectTarget target({400, 400, 500, 500});
        m_targets = {&target};
        EXPECT_EQ(Drag(c.steps, c.allowCopy), c.result) << c.name;
        EXPECT_EQ(target.log, c.log) << c.name;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
}

TEST_F(ButtonDrag, RefusedWhileAnotherWindowHoldsTheCapture)
{
    SetCapture(m_source);
    EXPECT_FALSE(Session().RunButtonDrag(m_source, TRUE, &m_data));
    ReleaseCapture();
}

}  // namespace
