// Window hooks on real windows driven by real messages: chains on a window the class library
// also subclasses, detaching in any order, the current-message record, and windows destroyed
// with hooks attached.
#include "toolkit/bars/hooks/WndHook.h"

#include "classlib/ui/Wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kOuter = WM_APP + 2;

std::vector<std::string> g_log;

class LoggingHook : public CUVWndHook {
public:
    explicit LoggingHook(std::string name) : m_name(std::move(name)) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kProbe) {
            g_log.push_back(m_name);
            const MSG& current = AfxGetCurrentMessage();
            if (current.message != kProbe || current.hwnd != m_hWnd)
                g_log.push_back(m_name + " saw another current message");
        }
        return CUVWndHook::WindowProc(message, wParam, lParam);
    }

private:
    std::string m_name;
};

// A window of the class library with its own handler at the end of the chain.
class ProbeWnd : public CWnd {
public:
    HWND other = nullptr;

protected:
    LRESULT OnProbe(WPARAM, LPARAM)
    {
        g_log.push_back("window");
        return 42;
    }
    LRESULT OnOuter(WPARAM, LPARAM)
    {
        ::SendMessageW(other, kProbe, 0, 0);
        const MSG& current = AfxGetCurrentMessage();
        return current.message == kOuter && current.hwnd == m_hWnd ? 1 : 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ProbeWnd, CWnd)
ON_MESSAGE(kProbe, &ProbeWnd::OnProbe)
ON_MESSAGE(kOuter, &ProbeWnd::OnOuter)
END_MESSAGE_MAP()

class WndHookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, L"hooked", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    }
    void TearDown() override
    {
        if (IsWindow(m_wnd.m_hWnd))
            m_wnd.DestroyWindow();
    }
    std::vector<std::string> Probe()
    {
        g_log.clear();
        EXPECT_EQ(m_wnd.SendMessage(kProbe), 42);
        return g_log;
    }
    ProbeWnd m_wnd;
};

using Log = std::vector<std::string>;

TEST_F(WndHookTest, ThreeHooksSeeMessagesNewestFirstWhateverOrderTheyLeave)
{
    const LONG_PTR original = GetWindowLongPtrW(m_wnd, GWLP_WNDPROC);
    LoggingHook a("a"), b("b"), c("c");
    for (LoggingHook* hook : {&a, &b, &c})
        ASSERT_TRUE(hook->HookWindowPtr(&m_wnd));
    EXPECT_NE(GetWindowLongPtrW(m_wnd, GWLP_WNDPROC), original);
    EXPECT_EQ(Probe(), (Log{"c", "b", "a", "window"}));
    a.HookWindow(nullptr);  // oldest
    EXPECT_FALSE(a.IsHooked());
    EXPECT_EQ(Probe(), (Log{"c", "b", "window"}));
    c.HookWindow(nullptr);  // newest
    EXPECT_EQ(Probe(), (Log{"b", "window"}));
    a.HookWindowPtr(&m_wnd);
    EXPECT_EQ(Probe(), (Log{"a", "b", "window"}));
    b.HookWindow(nullptr);  // middle
    EXPECT_EQ(Probe(), (Log{"a", "window"}));
    a.HookWindow(nullptr);
    EXPECT_EQ(Probe(), (Log{"window"}));
    EXPECT_EQ(GetWindowLongPtrW(m_wnd, GWLP_WNDPROC), original) << "the prior procedure is back";
}

TEST_F(WndHookTest, HookProcedureRestoresTheCurrentMessageOfTheFrameworkHandlerThatSentToIt)
{
    ProbeWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, L"other", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    LoggingHook hook("hook");
    hook.HookWindowPtr(&other);
    m_wnd.other = other.m_hWnd;
    g_log.clear();
    EXPECT_EQ(m_wnd.SendMessage(kOuter), 1) << "the outer handler's record was not restored";
    EXPECT_EQ(g_log, (Log{"hook", "window"}));
    other.DestroyWindow();
}

TEST_F(WndHookTest, WindowDestroyedWithHooksAttachedLeavesEveryHookDetached)
{
    LoggingHook a("a"), b("b");
    a.HookWindowPtr(&m_wnd);
    b.HookWindowPtr(&m_wnd);
    const HWND hwnd = m_wnd.m_hWnd;
    m_wnd.DestroyWindow();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(a.IsHooked());
    EXPECT_FALSE(b.IsHooked());
    EXPECT_EQ(m_wnd.m_hWnd, nullptr) << "the class library saw its WM_NCDESTROY too";
}

TEST_F(WndHookTest, DetachingAHookThatIsNotAttachedDoesNothing)
{
    LoggingHook attached("attached"), loose("loose");
    attached.HookWindowPtr(&m_wnd);
    EXPECT_TRUE(loose.HookWindow(nullptr));
    EXPECT_FALSE(loose.IsHooked());
    EXPECT_EQ(Probe(), (Log{"attached", "window"}));
}

TEST_F(WndHookTest, AHookGoingWithItsObjectLeavesTheOthersInPlace)
{
    LoggingHook kept("kept");
    kept.HookWindowPtr(&m_wnd);
    {
        LoggingHook brief("brief");
        brief.HookWindowPtr(&m_wnd);
        EXPECT_EQ(Probe(), (Log{"brief", "kept", "window"}));
    }
    EXPECT_EQ(Probe(), (Log{"kept", "window"}));
}

}  // namespace
