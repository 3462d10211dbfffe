#include "classlib/ui/Wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT WM_BASE_ONLY = WM_APP + 1;
constexpr UINT WM_BOTH = WM_APP + 2;
constexpr UINT WM_DERIVED_ONLY = WM_APP + 3;
constexpr UINT WM_NOBODY = WM_APP + 4;
UINT g_registered = RegisterWindowMessageW(L"Classlib Test Registered Message");

class CBaseWnd : public CWnd {
public:
    std::vector<std::wstring> log;

protected:
    LRESULT OnBaseOnly(WPARAM w, LPARAM)
    {
        log.push_back(L"base-only");
        return static_cast<LRESULT>(w) + 1;
    }
    LRESULT OnBothInBase(WPARAM, LPARAM)
    {
        log.push_back(L"both-base");
        return 10;
    }
    LRESULT OnRegistered(WPARAM, LPARAM)
    {
        log.push_back(L"registered");
        return g_registered;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_MESSAGE(WM_BASE_ONLY, &CBaseWnd::OnBaseOnly)
ON_MESSAGE(WM_BOTH, &CBaseWnd::OnBothInBase)
ON_REGISTERED_MESSAGE(g_registered, &CBaseWnd::OnRegistered)
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd {
protected:
    LRESULT OnBothInDerived(WPARAM, LPARAM)
    {
        log.push_back(L"both-derived");
        return 20;
    }
    LRESULT OnDerivedOnly(WPARAM, LPARAM)
    {
        log.push_back(L"derived-only");
        return 30;
    }
    void OnClose() { log.push_back(L"close"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_MESSAGE(WM_BOTH, &CDerivedWnd::OnBothInDerived)
ON_MESSAGE(WM_DERIVED_ONLY, &CDerivedWnd::OnDerivedOnly)
ON_WM_CLOSE()
END_MESSAGE_MAP()

struct LookupCase {
    const wchar_t* name;
    UINT message;
    WPARAM wParam;
    LRESULT result;
    const wchar_t* handler;  // nullptr: the default procedure answers
};

TEST(MessageMap, LookupWalksTheClassChainFromTheMostDerivedClass)
{
    const LookupCase cases[] = {
        {L"only the base class maps it", WM_BASE_ONLY, 41, 42, L"base-only"},
        {L"both map it: the derived entry wins", WM_BOTH, 0, 20, L"both-derived"},
        {L"only the derived class maps it", WM_DERIVED_ONLY, 0, 30, L"derived-only"},
        {L"registered message in the base map", g_registered, 0, static_cast<LRESULT>(g_registered), L"registered"},
        {L"unmapped message goes to the default procedure", WM_NOBODY, 0, 0, nullptr},
        {L"window message handler of the framework's signature", WM_CLOSE, 0, 0, L"close"},
    };
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"lookup", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    for (const auto& c : cases) {
        wnd.log.clear();
        EXPECT_EQ(wnd.SendMessage(c.message, c.wParam), c.result) << c.name;
        if (c.handler) {
            ASSERT_EQ(wnd.log.size(), 1u) << c.name;
            EXPECT_EQ(wnd.log[0], c.handler) << c.name;
        } else {
            EXPECT_TRUE(wnd.log.empty()) << c.name;
        }
    }
    // WM_CLOSE was handled without the default procedure: the window is still there.
    EXPECT_TRUE(IsWindow(wnd.m_hWnd));
    wnd.DestroyWindow();
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(MessageMap, WindowProcedureIsOursThroughTheWindowLongAndHandleMapIsPermanent)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"map", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(GetWindowLongPtrW(wnd.m_hWnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&AfxWndProc));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    const HWND hwnd = wnd.m_hWnd;
    wnd.DestroyWindow();
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

TEST(MessageMap, SubclassedSystemControlKeepsItsOwnBehaviourForUnmappedMessages)
{
    HWND edit = CreateWindowExW(0, L"EDIT", L"abc", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(edit));
    EXPECT_EQ(wnd.SendMessage(WM_DERIVED_ONLY), 30);
    EXPECT_EQ(wnd.SendMessage(WM_GETTEXTLENGTH), 3);  // the edit control's own procedure answers
    EXPECT_EQ(wnd.UnsubclassWindow(), edit);
    EXPECT_EQ(SendMessageW(edit, WM_DERIVED_ONLY, 0, 0), 0);
    DestroyWindow(edit);
}

TEST(RuntimeClass, CreatesByClassAndKnowsItsChain)
{
    CObject* object = RUNTIME_CLASS(CWnd)->CreateObject();
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_STREQ(object->GetRuntimeClass()->m_lpszClassName, "CWnd");
    delete object;
    EXPECT_EQ(RUNTIME_CLASS(CCmdTarget)->CreateObject(), nullptr);  // not dynamically creatable
}

}  // namespace
