// Two windows of the test's thread, on its OLE apartment, for drags with real input: a source
// at (50, 50) and a target at (400, 300), each 200 x 150. They are of a plain registered class:
// a static control is transparent to hit tests, and so to drags.
#pragma once

#include <windows.h>

#include "classlib/ui/Wnd.h"
#include "tests/support/OleThreadTest.h"

class DragWindowsTest : public OleThreadTest {
protected:
    void SetUp() override
    {
        OleThreadTest::SetUp();
        const wchar_t* windowClass = AfxRegisterWndClass(0);
        ASSERT_TRUE(m_source.CreateEx(0, windowClass, L"drag source", WS_POPUP | WS_VISIBLE, 50, 50, 200, 150, nullptr,
                                      nullptr));
        ASSERT_TRUE(m_target.CreateEx(0, windowClass, L"drop target", WS_POPUP | WS_VISIBLE, 400, 300, 200, 150,
                                      nullptr, nullptr));
        UpdateWindow(m_source.GetSafeHwnd());
        UpdateWindow(m_target.GetSafeHwnd());
    }
    void TearDown() override
    {
        m_target.DestroyWindow();
        m_source.DestroyWindow();
        OleThreadTest::TearDown();
    }

    CWnd m_source;
    CWnd m_target;
};
