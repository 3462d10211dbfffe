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
#include "tests/support/DragInput.h"
#include "tests/support/DragWindowsTest.h"

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

using DropTargetTest = DragWindowsTest;

TEST_F(DropTargetTest, AWindowIsRegisteredOnceUntilRevoked)
{
    RecordingTarget target;
    CWnd unattached;
    EXPECT_FALSE(target.Register(&unattached));
    ASSERT_TRUE(target.Register(&m_target));
    RecordingTarget second;
    EXPECT_FALSE(second.Register(&m_target));
    target.Revoke();
    EXPECT_TRUE(second.Register(&m_target));
}

TEST_F(DropTargetTest, ARealDragDropsTheSourcesBytesOnTheTarget)
{
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&m_target));
    const std::vector<BYTE> bytes{1, 2, 3, 4, 5};
    COleDataSource source;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    {
        CGlobalLock lock(block);
        std::memcpy(lock.Data(), bytes.data(), bytes.size());
    }
    source.CacheGlobalData(DragFormat(), block);

    fixtures::PressOnSource(100, 100);
    std::thread mover = fixtures::DropFromThread(100, 100, 500, 350);
    const DWORD effect = source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE);
    mover.join();

    EXPECT_EQ(DROPEFFECT_COPY, effect);
    EXPECT_EQ(DROPEFFECT_COPY, target.dropEffect);
    EXPECT_EQ(&m_target, target.seenWnd);
    EXPECT_EQ(1, target.enters);
    EXPECT_EQ(0, target.leaves);
    EXPECT_EQ(100, target.dropPoint.x);  // client coordinates of the window at 400, 300
    EXPECT_EQ(50, target.dropPoint.y);
    EXPECT_EQ(bytes, target.dropped);
}

TEST_F(DropTargetTest, EscapeCancelsTheDrag)
{
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&m_target));
    COleDataSource source;
    source.CacheGlobalData(DragFormat(), GlobalAlloc(GMEM_MOVEABLE, 1));
    fixtures::PressOnSource(100, 100);
    std::thread canceller([] {
        Sleep(50);
        fixtures::SendMouse(0, 500, 350);
        Sleep(100);
        INPUT keys[2]{};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
        Sleep(100);
        fixtures::SendMouse(MOUSEEVENTF_LEFTUP, 500, 350);
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
