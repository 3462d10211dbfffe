// The framework's message box, read back from the real box: a CBT hook sees the box as it is
// activated, records its caption and owner, and closes it.
#include "TestApp.h"

#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Wnd.h"

#include <gtest/gtest.h>

BEGIN_MESSAGE_MAP(CTestApp, CWindowedApp)
ON_COMMAND(1004, &CTestApp::OnAppCommand)
END_MESSAGE_MAP()

CTestApp& TheTestApp()
{
    static CTestApp app;
    return app;
}

namespace {

// Constructed at load so that AfxGetApp() is the test application from the start.
[[maybe_unused]] CTestApp& g_app = TheTestApp();

struct SeenBox {
    std::wstring caption;
    HWND owner = nullptr;
    DWORD context = 0;
    bool modelessEnabled = true;
    bool seen = false;
} g_seen;

HWND g_modeless = nullptr;

CFrameWnd* g_frame = nullptr;

LRESULT CALLBACK CloseBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && !g_seen.seen) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t text[256] = L"";
        GetWindowTextW(box, text, 256);
        g_seen.caption = text;
        g_seen.owner = GetWindow(box, GW_OWNER);
        g_seen.context = g_frame ? g_frame->m_dwPromptContext : 0;
        g_seen.modelessEnabled = g_modeless && IsWindowEnabled(g_modeless);
        g_seen.seen = true;
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MessageBox, CaptionIsTheApplicationNameAndOwnerTheMainWindow)
{
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, nullptr, L"main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    const HWND mainHwnd = main.m_hWnd;
    TheTestApp().m_pMainWnd = &main;
    HHOOK hook = SetWindowsHookExW(WH_CBT, &CloseBoxHook, nullptr, GetCurrentThreadId());
    g_seen = {};
    AfxMessageBox(L"prompt", MB_OKCANCEL);
    UnhookWindowsHookEx(hook);
    TheTestApp().m_pMainWnd = nullptr;
    main.DestroyWindow();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(g_seen.seen);
    EXPECT_EQ(g_seen.caption, L"Classlib Test");
    EXPECT_EQ(g_seen.owner, mainHwnd);
}

TEST(MessageBox, ModelessWindowsOfTheMainWindowAreDisabledWhileTheBoxIsUp)
{
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, nullptr, L"main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    g_modeless =
        CreateWindowExW(0, L"STATIC", L"tool window", WS_POPUP, 0, 0, 20, 20, main.m_hWnd, nullptr, nullptr, nullptr);
    ASSERT_NE(g_modeless, nullptr);
    TheTestApp().m_pMainWnd = &main;
    HHOOK hook = SetWindowsHookExW(WH_CBT, &CloseBoxHook, nullptr, GetCurrentThreadId());
    g_seen = {};
    AfxMessageBox(L"prompt", MB_OK);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(g_seen.seen);
    EXPECT_FALSE(g_seen.modelessEnabled);
    EXPECT_TRUE(IsWindowEnabled(g_modeless)) << "enabled again afterwards";
    TheTestApp().m_pMainWnd = nullptr;
    DestroyWindow(g_modeless);
    g_modeless = nullptr;
    main.DestroyWindow();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(MessageBox, OwnerFramesPromptContextHoldsTheHelpIdWhileTheBoxIsUp)
{
    auto* frame = new CFrameWnd;  // deletes itself when destroyed
    ASSERT_TRUE(frame->CreateEx(0, nullptr, L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    frame->m_dwPromptContext = 7;
    TheTestApp().m_pMainWnd = frame;
    g_frame = frame;
    HHOOK hook = SetWindowsHookExW(WH_CBT, &CloseBoxHook, nullptr, GetCurrentThreadId());
    g_seen = {};
    AfxMessageBox(L"prompt", MB_OK, 12);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(g_seen.seen);
    EXPECT_EQ(g_seen.context, 0x30000u + 12);
    EXPECT_EQ(frame->m_dwPromptContext, 7u) << "restored afterwards";
    g_frame = nullptr;
    TheTestApp().m_pMainWnd = nullptr;
    frame->DestroyWindow();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

}  // namespace
