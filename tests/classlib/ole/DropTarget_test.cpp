#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "classlib/ole/GlobalLock.h"
#include "classlib/ole/OleDataSource.h"
#include "classlib/ole/OleDropSource.h"
#include "classlib/ole/OleDropTarget.h"
#include "classlib/ui/Wnd.h"
#include "tests/support/OleThreadTest.h"

namespace {

CLIPFORMAT DragFormat()
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"Carrowfold Ole Test Drag"));
}

// Accepts a copy of data offered under the test's format and keeps what it was handed.
class RecordingTarget : public COleDropTarget {
public:
    DWORD OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, POINT point) override
    {
        ++enters;
        return OnDragOver(wnd, data, keyState, point);
    }
    DWORD OnDragOver(CWnd* wnd, COleDataObject* data, DWORD, POINT) override
    {
        seenWnd = wnd;
        return data->IsDataAvailable(DragFormat()) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    }
    void OnDragLeave(CWnd*) override { ++leaves; }
    BOOL OnDrop(CWnd*, COleDataObject* data, DWORD effect, POINT point) override
    {
        dropEffect = effect;
        dropPoint = point;
        UniqueGlobal block(data->GetGlobalData(DragFormat()));
        CGlobalLock lock(block.get());
        const BYTE* bytes = static_cast<const BYTE*>(lock.Data());
        if (bytes)
            dropped.assign(bytes, bytes + lock.Size());
        return TRUE;
    }

    int enters = 0;
    int leaves = 0;
    CWnd* seenWnd = nullptr;
    DWORD dropEffect = DROPEFFECT_NONE;
    POINT dropPoint{-1, -1};
    std::vector<BYTE> dropped;
};

void SendMouse(DWORD flags, int x, int y)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

// A drag starts, as in a view, once the source window has taken the press: the drag loop reads
// the thread's key state, which the press changes only when this thread has received it.
void PressOnSource(int x, int y)
{
    SendMouse(0, x, y);
    SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    const DWORD start = GetTickCount();
    while (!(GetKeyState(VK_LBUTTON) & 0x8000) && GetTickCount() - start < 2000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }
}

class DropTargetTest : public OleThreadTest {
protected:
    void SetUp() override
    {
        OleThreadTest::SetUp();
        // Not STATIC: a static control is transparent to hit tests, and so to drags.
        const wchar_t* windowClass = AfxRegisterWndClass(0);
        ASSERT_TRUE(m_source.CreateEx(0, windowClass, L"drag source", WS_POPUP | WS_VISIBLE, 50, 50, 150, 150, nullptr,
                                      nullptr));
        ASSERT_TRUE(m_window.CreateEx(0, windowClass, L"drop target", WS_POPUP | WS_VISIBLE, 300, 200, 200, 150,
                                      nullptr, nullptr));
        UpdateWindow(m_source.GetSafeHwnd());
        UpdateWindow(m_window.GetSafeHwnd());
    }
    void TearDown() override
    {
        m_window.DestroyWindow();
        m_source.DestroyWindow();
        OleThreadTest::TearDown();
    }

    CWnd m_source;
    CWnd m_window;
};

TEST_F(DropTargetTest, AWindowIsRegisteredOnceUntilRevoked)
{
    RecordingTarget target;
    CWnd unattached;
    EXPECT_FALSE(target.Register(&unattached));
    ASSERT_TRUE(target.Register(&m_window));
    RecordingTarget second;
    EXPECT_FALSE(second.Register(&m_window));
    target.Revoke();
    EXPECT_TRUE(second.Register(&m_window));
}

TEST_F(DropTargetTest, ARealDragDropsTheSourcesBytesOnTheTarget)
{
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&m_window));
    const std::vector<BYTE> bytes{1, 2, 3, 4, 5};
    COleDataSource source;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    {
        CGlobalLock lock(block);
        std::memcpy(lock.Data(), bytes.data(), bytes.size());
    }
    source.CacheGlobalData(DragFormat(), block);

    // The drag loop follows the moves and the release, sent from a thread while this one runs it.
    PressOnSource(100, 100);
    std::thread mover([] {
        for (int step = 1; step <= 10; ++step) {
            Sleep(30);
            SendMouse(0, 100 + step * 30, 100 + step * 15);
        }
        Sleep(100);
        SendMouse(MOUSEEVENTF_LEFTUP, 400, 250);
    });
    const DWORD effect = source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE);
    mover.join();

    EXPECT_EQ(DROPEFFECT_COPY, effect);
    EXPECT_EQ(DROPEFFECT_COPY, target.dropEffect);
    EXPECT_EQ(&m_window, target.seenWnd);
    EXPECT_EQ(1, target.enters);
    EXPECT_EQ(0, target.leaves);
    EXPECT_EQ(100, target.dropPoint.x);  // client coordinates of the window at 300, 200
    EXPECT_EQ(50, target.dropPoint.y);
    EXPECT_EQ(bytes, target.dropped);
}

TEST_F(DropTargetTest, EscapeCancelsTheDrag)
{
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&m_window));
    COleDataSource source;
    source.CacheGlobalData(DragFormat(), GlobalAlloc(GMEM_MOVEABLE, 1));
    PressOnSource(100, 100);
    std::thread canceller([] {
        Sleep(50);
        SendMouse(0, 400, 250);
        Sleep(100);
        INPUT keys[2]{};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
        Sleep(100);
        SendMouse(MOUSEEVENTF_LEFTUP, 400, 250);
    });
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), source.DoDragDrop());
    canceller.join();
    EXPECT_TRUE(target.dropped.empty());
}

TEST(DropSourceTest, ContinuesWhileTheStartingButtonIsHeld)
{
    struct Case {
        const char* name;
        BOOL escape;
        DWORD firstKeys;
        DWORD keys;
        HRESULT expected;
    };
    const Case cases[] = {
        {"left held", FALSE, MK_LBUTTON, MK_LBUTTON, S_OK},
        {"left released", FALSE, MK_LBUTTON, 0, DRAGDROP_S_DROP},
        {"right drag, right held", FALSE, MK_RBUTTON, MK_RBUTTON | MK_SHIFT, S_OK},
        {"right drag, right released", FALSE, MK_RBUTTON, MK_SHIFT, DRAGDROP_S_DROP},
        {"escape", TRUE, MK_LBUTTON, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {"both buttons", FALSE, MK_LBUTTON, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COleDropSource source;
        ASSERT_EQ(S_OK, source.QueryContinueDrag(FALSE, c.firstKeys));
        EXPECT_EQ(c.expected, source.QueryContinueDrag(c.escape, c.keys));
        EXPECT_EQ(DRAGDROP_S_USEDEFAULTCURSORS, source.GiveFeedback(DROPEFFECT_COPY));
    }
}

}  // namespace
