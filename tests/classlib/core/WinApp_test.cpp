#include "classlib/core/WinApp.h"
#include "tests/classlib/core/TestStrings.h"

#include <gtest/gtest.h>

namespace {

class CountingApp : public CWinApp {
public:
    explicit CountingApp(BOOL initResult) : CWinApp(L"Counting App"), m_initResult(initResult) {}

    BOOL InitInstance() override
    {
        ++m_inits;
        return m_initResult;
    }

    int ExitInstance() override
    {
        ++m_exits;
        return CWinApp::ExitInstance();
    }

    BOOL m_initResult;
    int m_inits = 0;
    int m_exits = 0;
};

TEST(CWinAppObject, IsTheModulesApplicationWhileItLives)
{
    EXPECT_EQ(AfxGetApp(), nullptr);
    {
        CWinApp app(L"Name");
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(wcscmp(app.m_pszAppName, L"Name"), 0);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST(CWinAppRegistryKey, ProfileNameIsTheApplicationNameAtThatMoment)
{
    CWinApp app;
    EXPECT_EQ(app.m_pszAppName, nullptr);
    app.SetRegistryKey(L"Key Before Name");
    EXPECT_EQ(app.m_pszRegistryKey, nullptr) << "no application name yet: no profile";

    app.SetAppName(L"Carrowfold Express 5");
    app.SetRegistryKey(IDS_TEST_PLAIN);
    ASSERT_NE(app.m_pszRegistryKey, nullptr);
    EXPECT_EQ(wcscmp(app.m_pszRegistryKey, L"Carrowfold Technology"), 0);
    ASSERT_NE(app.m_pszProfileName, nullptr);
    EXPECT_EQ(wcscmp(app.m_pszProfileName, L"Carrowfold Express 5"), 0);

    app.SetRegistryKey(IDS_TEST_MISSING);
    EXPECT_EQ(wcscmp(app.m_pszRegistryKey, L"Carrowfold Technology"), 0)
        << "a string that fails to load changes nothing";
}

TEST(CWinAppModule, InstanceAndResourceHandles)
{
    const HINSTANCE exe = GetModuleHandleW(nullptr);
    EXPECT_EQ(AfxGetInstanceHandle(), exe) << "the module the library is linked into";
    EXPECT_EQ(AfxGetResourceHandle(), exe);

    const HINSTANCE kernel = GetModuleHandleW(L"kernel32.dll");
    AfxSetResourceHandle(kernel);
    EXPECT_EQ(AfxGetResourceHandle(), kernel);
    // Strings now come from the other module: whatever it holds under that id, if anything.
    wchar_t platform[512] = {};
    const int length = LoadStringW(kernel, IDS_TEST_UNICODE, platform, 512);
    CString text(L"unchanged");
    EXPECT_EQ(text.LoadString(IDS_TEST_UNICODE), length > 0 ? TRUE : FALSE);
    EXPECT_TRUE(text == (length > 0 ? platform : L"unchanged"));
    AfxSetResourceHandle(nullptr);
    EXPECT_TRUE(text.LoadString(IDS_TEST_PLAIN));
    EXPECT_TRUE(text == L"Carrowfold Technology");
}

TEST(CWinAppDll, AttachRunsInitInstanceAndDetachExitInstance)
{
    for (BOOL initResult : {TRUE, FALSE}) {
        SCOPED_TRACE(initResult);
        CountingApp app(initResult);
        const HINSTANCE module = GetModuleHandleW(L"kernel32.dll");
        EXPECT_EQ(AfxDllProcessAttach(module), initResult);
        EXPECT_EQ(app.m_hInstance, module);
        EXPECT_EQ(AfxGetInstanceHandle(), module);
        EXPECT_EQ(app.m_inits, 1);
        EXPECT_EQ(app.m_exits, 0);
        AfxDllProcessDetach();
        EXPECT_EQ(app.m_exits, 1);
    }
    EXPECT_TRUE(AfxDllProcessAttach(nullptr)) << "a library without an application object loads";
}

TEST(CWinAppRun, MessageLoopEndsWithTheQuitCode)
{
    CountingApp app(TRUE);
    PostQuitMessage(7);
    EXPECT_EQ(app.Run(), 7);
    EXPECT_EQ(app.m_exits, 1);
}

}  // namespace
