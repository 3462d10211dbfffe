// The program's message boxes: the style rule as a table, and one real box read back.
#include "app/CarrowfoldApp.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBoxStyle, PlainButtonSetsWithoutIconGetTheExclamationIcon)
{
    struct Case {
        const char* name;
        UINT type;
        UINT expected;
    } cases[] = {
        {"OK", MB_OK, MB_OK | MB_ICONEXCLAMATION},
        {"OK/Cancel", MB_OKCANCEL, MB_OKCANCEL | MB_ICONEXCLAMATION},
        {"Yes/No/Cancel", MB_YESNOCANCEL, MB_YESNOCANCEL | MB_ICONEXCLAMATION},
        {"Yes/No gets exclamation, not question", MB_YESNO, MB_YESNO | MB_ICONEXCLAMATION},
        {"Abort/Retry/Ignore: no icon", MB_ABORTRETRYIGNORE, MB_ABORTRETRYIGNORE},
        {"Retry/Cancel: no icon", MB_RETRYCANCEL, MB_RETRYCANCEL},
        {"Cancel/Try/Continue: no icon", MB_CANCELTRYCONTINUE, MB_CANCELTRYCONTINUE},
        {"an icon of its own is kept", MB_YESNOCANCEL | MB_ICONQUESTION, MB_YESNOCANCEL | MB_ICONQUESTION},
        {"error icon kept", MB_OK | MB_ICONERROR, MB_OK | MB_ICONERROR},
        {"other bits ride along", MB_OK | MB_DEFBUTTON2 | MB_TOPMOST,
         MB_OK | MB_DEFBUTTON2 | MB_TOPMOST | MB_ICONEXCLAMATION},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CarrowfoldMessageBoxType(c.type), c.expected) << c.name;
}

struct SeenBox {
    std::wstring caption;
    HICON icon = nullptr;
    bool seen = false;
} g_box;

BOOL CALLBACK FindIcon(HWND child, LPARAM)
{
    wchar_t cls[32] = L"";
    GetClassNameW(child, cls, 32);
    if (lstrcmpiW(cls, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        g_box.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return TRUE;
}

TEST(MessageBoxStyle, RealBoxShowsTheProgramCaptionAndTheExclamationIcon)
{
    g_box = {};
    HHOOK hook = SetWindowsHookExW(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (code == HCBT_ACTIVATE && !g_box.seen) {
                const HWND box = reinterpret_cast<HWND>(wParam);
                wchar_t text[128] = L"";
                GetWindowTextW(box, text, 128);
                g_box.caption = text;
                EnumChildWindows(box, FindIcon, 0);
                g_box.seen = true;
                PostMessageW(box, WM_COMMAND, IDNO, 0);
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    AfxMessageBox(L"question?", MB_YESNO, 0);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(g_box.seen);
    EXPECT_EQ(g_box.caption, L"Deckwright");
    EXPECT_EQ(g_box.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
}

TEST(ProgramFolder, CutsAtTheLastBackslash)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\Program Files\\Carrowfold\\Carrowfold.exe", L"C:\\Program Files\\Carrowfold\\"},
        {L"C:\\Carrowfold.exe", L"C:\\"},
        {L"Carrowfold.exe", L"\\"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(ProgramFolderOf(c.path), c.folder) << c.path;
}

}  // namespace

namespace {

// A window of another program whose title holds the title word in another letter case, and
// which does not answer the instance message.
LRESULT CALLBACK Silent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT instanceMessage = RegisterWindowMessageW(L"Carrowfold 5 MultiInst communication");
    if (message == instanceMessage) {
        static int asked = 0;
        SetPropW(hwnd, L"asked", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(++asked)));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(SingleInstance, WithoutARunningInstanceTheSearchMakesTwoPassesAndAsksLookalikes)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = Silent;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SilentLookalike";
    RegisterClassW(&wc);
    HWND lookalike = CreateWindowExW(0, L"SilentLookalike", L"my DECKWRIGHT notes", WS_OVERLAPPED, 0, 0, 10, 10,
                                     nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(lookalike, nullptr);
    auto* app = static_cast<CCarrowfoldApp*>(AfxGetWindowedApp());
    ASSERT_NE(app, nullptr);
    app->m_hFirstEnumWnd = nullptr;
    app->m_nEnumPasses = 0;
    app->m_bOtherInstanceFound = FALSE;
    EXPECT_FALSE(app->SearchOtherInstance());
    EXPECT_EQ(app->m_nEnumPasses, 1) << "one whole pass, then the second stops at the first window";
    EXPECT_NE(GetPropW(lookalike, L"asked"), nullptr) << "the lookalike was asked";
    RemovePropW(lookalike, L"asked");
    DestroyWindow(lookalike);
}

}  // namespace
