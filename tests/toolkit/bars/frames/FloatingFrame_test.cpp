// The toolkit's floating frame in a toolkit frame: a toolkit bar's frame gets a close button of
// its own on the caption, drawn at the small caption-button size, hot under the mouse with the
// tooltip "Close"; pressed and released over itself it hides the bar, released elsewhere it does
// nothing. A customisable toolbar's frame also gets a toolbar-options button ("Toolbar Options")
// that opens the toolbar's chevron popup with "Customize..." and stays pushed while it is open;
// the popup sends the frame 35295 as it closes, and the button comes up.
// A bar of the class library alone gets no button; a menu bar's frame gets none and sizes at its
// ends only and clips its children.
#include "classlib/ui/DockBar.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/classlib/ui/BarTestFrame.h"
#include "tests/support/SentMessageLog.h"
#include "tests/toolkit/bars/docking/UVTestBar.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/MiniDockFrameWnd.h"
#include "toolkit/bars/frames/FrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/toolbar/ExpMenuWnd.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A main frame that records the commands that reach it.
class CRecordingFrame : public CUVFrameWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND)
            commands.push_back(LOWORD(wParam));
        return CUVFrameWnd::WindowProc(message, wParam, lParam);
    }
    std::vector<UINT> commands;
};

// A toolkit bar that counts as a menu bar.
class CMenuLikeBar : public CUVTestBar {
public:
    using CUVTestBar::CUVTestBar;
    BOOL IsMenuBar() const override { return TRUE; }
};

CString TipText(HWND tips, HWND owner)
{
    wchar_t text[32] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = owner;
    tool.uId = 1;
    tool.lpszText = text;
    ::SendMessageW(tips, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    return CString(text);
}

class UVFloatingFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CRecordingFrame;
        ASSERT_TRUE(frame->Create(nullptr, L"main", WS_POPUP | WS_CLIPCHILDREN, RECT{0, 0, 400, 300}, nullptr, nullptr,
                                  0, nullptr));
        frame->EnableDocking(CBRS_ALIGN_ANY);
    }
    void TearDown() override
    {
        if (bar)
            bar->DestroyWindow();
        frame->DestroyWindow();
        PumpInput(10);
    }
    template <class Bar, class... Args>
    CUVMiniDockFrameWnd* Float(DWORD tips, Args... args)
    {
        bar = std::make_unique<Bar>(args...);
        EXPECT_TRUE(bar->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP | tips, frame, 0xE8A0));
        bar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(bar.get(), AFX_IDW_DOCKBAR_TOP);
        frame->FloatControlBar(bar.get(), POINT{500, 300});
        PumpInput(50);
        CFrameWnd* floating = bar->GetParentFrame();
        EXPECT_TRUE(floating && floating->IsKindOf(RUNTIME_CLASS(CUVMiniDockFrameWnd)));
        return static_cast<CUVMiniDockFrameWnd*>(floating);
    }
    static LPARAM At(POINT point) { return MAKELPARAM(point.x, point.y); }
    static POINT Middle(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

    CRecordingFrame* frame = nullptr;
    std::unique_ptr<CControlBar> bar;
};

// A customisable toolkit toolbar, floating.
class UVFloatingToolBar : public UVFloatingFrame {
protected:
    CUVMiniDockFrameWnd* FloatToolBar()
    {
        auto* toolBar = new CUVToolBar;
        bar.reset(toolBar);
        EXPECT_TRUE(toolBar->CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS,
                                      RECT{0, 0, 0, 0}, 0xE8A1));
        const UINT ids[] = {1, 2, 3};
        toolBar->SetButtons(ids, 3);
        toolBar->SetCustomizable(TRUE);
        toolBar->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(toolBar, AFX_IDW_DOCKBAR_TOP);
        frame->FloatControlBar(toolBar, POINT{500, 300});
        PumpInput(50);
        return static_cast<CUVMiniDockFrameWnd*>(toolBar->GetParentFrame());
    }
    void TearDown() override
    {
        MouseTo(POINT{5, 1000});
        if (bar)
            static_cast<CUVToolBar*>(bar.get())->SetCustomizable(FALSE);
        UVFloatingFrame::TearDown();
    }
};

TEST_F(UVFloatingFrame, AToolkitBarsFrameHasACloseButtonWithItsTip)
{
    CUVMiniDockFrameWnd* floating = Float<CUVTestBar>(CBRS_TOOLTIPS, 150, 28);
    ASSERT_EQ(floating->Buttons().size(), 1u);
    const RECT button = floating->GetButtonRect(0);
    // Classic look: the small caption-button size less 2 on every side.
    EXPECT_EQ(button.right - button.left, uvAfxData.m_sizeSmallCaptionButton.cx - 4);
    EXPECT_EQ(button.bottom - button.top, uvAfxData.m_sizeSmallCaptionButton.cy - 4);
    RECT window;
    floating->GetWindowRect(&window);
    EXPECT_EQ(button.top, window.top + GetSystemMetrics(SM_CYSIZEFRAME) + 2);

    // The glyph's centre pixels are drawn in the button text colour over the face.
    floating->SendMessage(WM_NCPAINT, 1, 0);
    HDC screen = ::GetWindowDC(floating->m_hWnd);
    const POINT middle = Middle(button);
    const COLORREF ink = ::GetPixel(screen, middle.x - window.left, middle.y - window.top);
    const COLORREF face = ::GetPixel(screen, button.left - window.left, middle.y - window.top);
    ::ReleaseDC(floating->m_hWnd, screen);
    EXPECT_EQ(ink, GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(face, GetSysColor(COLOR_BTNFACE));

    floating->SendMessage(WM_NCMOUSEMOVE, HTCLOSE, At(middle));
    EXPECT_TRUE(floating->Buttons()[0].hover);
    ASSERT_NE(floating->GetToolTip(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(floating->GetToolTip()));
    wchar_t text[32] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = floating->m_hWnd;
    tool.uId = 1;
    tool.lpszText = text;
    ::SendMessageW(floating->GetToolTip(), TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, L"Close");
    floating->SendMessage(WM_NCMOUSEMOVE, HTCAPTION, At(POINT{window.left + 10, middle.y}));
    EXPECT_FALSE(floating->Buttons()[0].hover);
    EXPECT_FALSE(::IsWindowVisible(floating->GetToolTip()));
}

TEST_F(UVFloatingFrame, ThePressedCloseButtonHidesTheBarOnlyWhenReleasedOverIt)
{
    CUVMiniDockFrameWnd* floating = Float<CUVTestBar>(0, 150, 28);
    ASSERT_EQ(floating->Buttons().size(), 1u);
    const POINT middle = Middle(floating->GetButtonRect(0));
    RECT window;
    floating->GetWindowRect(&window);

    floating->SendMessage(WM_NCMOUSEMOVE, HTCLOSE, At(middle));
    EXPECT_EQ(floating->GetToolTip(), nullptr) << "a bar without tips: none for its frame's buttons";
    floating->SendMessage(WM_NCLBUTTONDOWN, HTCLOSE, At(middle));
    EXPECT_TRUE(floating->Buttons()[0].pressed);
    floating->SendMessage(WM_NCLBUTTONUP, HTCAPTION, At(POINT{window.left + 10, middle.y}));
    EXPECT_FALSE(floating->Buttons()[0].pressed);
    EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE) << "released elsewhere: nothing";

    floating->SendMessage(WM_NCLBUTTONDOWN, HTCLOSE, At(middle));
    floating->SendMessage(WM_NCLBUTTONUP, HTCLOSE, At(middle));
    EXPECT_FALSE(bar->GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(floating->GetStyle() & WS_VISIBLE);
}

TEST_F(UVFloatingFrame, ActivationIsRecordedAndTheButtonsStayOverTheSystemsCaption)
{
    CUVMiniDockFrameWnd* floating = Float<CUVTestBar>(0, 150, 28);
    const RECT button = floating->GetButtonRect(0);
    RECT window;
    floating->GetWindowRect(&window);
    for (const BOOL active : {TRUE, FALSE, TRUE}) {
        floating->SendMessage(WM_NCACTIVATE, active);
        EXPECT_EQ(floating->IsActiveCaption(), active);
        HDC screen = ::GetWindowDC(floating->m_hWnd);
        const POINT middle = Middle(button);
        const COLORREF ink = ::GetPixel(screen, middle.x - window.left, middle.y - window.top);
        ::ReleaseDC(floating->m_hWnd, screen);
        EXPECT_EQ(ink, GetSysColor(COLOR_BTNTEXT)) << "active " << active;
    }
}

TEST_F(UVFloatingFrame, AClassLibraryBarGetsNoButton)
{
    CUVMiniDockFrameWnd* floating = Float<CTestBar>(CBRS_TOOLTIPS, 150, 28);
    EXPECT_TRUE(floating->Buttons().empty());
}

TEST_F(UVFloatingToolBar, TheOptionsButtonOpensTheToolbarsPopupAndStaysPushedWhileItIsOpen)
{
    frame->ShowWindow(SW_SHOW);
    CUVMiniDockFrameWnd* floating = FloatToolBar();
    ASSERT_TRUE(floating && floating->IsKindOf(RUNTIME_CLASS(CUVMiniDockFrameWnd)));
    ASSERT_EQ(floating->Buttons().size(), 2u);
    EXPECT_EQ(floating->Buttons()[0].kind, CUVMiniDockFrameWnd::CaptionButton::close);
    EXPECT_EQ(floating->Buttons()[1].kind, CUVMiniDockFrameWnd::CaptionButton::toolbarOptions);
    const RECT close = floating->GetButtonRect(0);
    const RECT options = floating->GetButtonRect(1);
    EXPECT_LT(options.right, close.left) << "left of the close button";
    EXPECT_EQ(options.top, close.top);
    EXPECT_EQ(options.right - options.left, close.right - close.left);

    // The pointer over it shows its tip.
    MouseTo(CenterOf(options));
    HWND tip = WaitForToolTip(2000);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip, floating->GetToolTip());
    EXPECT_STREQ(TipText(tip, floating->m_hWnd), L"Toolbar Options");

    ClickAt(CenterOf(options));
    CUVExpMenuWnd* popup = floating->GetOptionsPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(floating->Buttons()[1].drawnPressed);
    ASSERT_NE(popup->GetCustomizeToolBar(), nullptr);
    EXPECT_EQ(popup->GetHiddenToolBar()->GetButtonCount(), 0) << "a floating bar hides nothing";
    RECT shown;
    popup->GetWindowRect(&shown);
    EXPECT_EQ(shown.top, options.bottom - 1) << "below the button";

    RECT customize;
    popup->GetCustomizeToolBar()->GetWindowRect(&customize);
    frame->commands.clear();
    ClickAt(CenterOf(customize));
    EXPECT_EQ(std::count(frame->commands.begin(), frame->commands.end(), ID_UV_CUSTOMIZE_BAR), 1)
        << "through the toolbar to its owner";
    EXPECT_EQ(floating->GetOptionsPopup(), nullptr);
    EXPECT_FALSE(floating->Buttons()[1].drawnPressed) << "the popup closed: the button is up again";
}

TEST_F(UVFloatingToolBar, TheOptionsPopupIsTheFirstToolBarsAndSendsItsFrame35295AsItCloses)
{
    frame->ShowWindow(SW_SHOW);
    CUVMiniDockFrameWnd* floating = FloatToolBar();
    ASSERT_EQ(floating->Buttons().size(), 2u);
    const RECT options = floating->GetButtonRect(1);
    SentMessageLog sent;
    ASSERT_TRUE(sent.IsHooked());

    ClickAt(CenterOf(options));
    CUVExpMenuWnd* popup = floating->GetOptionsPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->GetSourceToolBar(), bar.get());
    EXPECT_TRUE(floating->Buttons()[1].drawnPressed);
    EXPECT_EQ(sent.Count(floating->m_hWnd, 35295), 0);

    // A click in the main frame takes the activation from the popup, which closes.
    RECT main;
    frame->GetWindowRect(&main);
    ClickAt(CenterOf(main));
    PumpInput(50);
    EXPECT_EQ(sent.Count(floating->m_hWnd, 35295), 1);
    EXPECT_EQ(floating->GetOptionsPopup(), nullptr);
    EXPECT_FALSE(floating->Buttons()[1].drawnPressed) << "the button is up again";
}

TEST_F(UVFloatingToolBar, AtIdleAButtonLeftHotWithThePointerGoneComesBackUp)
{
    frame->ShowWindow(SW_SHOW);
    CUVMiniDockFrameWnd* floating = FloatToolBar();
    const RECT close = floating->GetButtonRect(0);
    floating->SendMessage(WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(CenterOf(close).x, CenterOf(close).y));
    ASSERT_TRUE(floating->Buttons()[0].hover);
    MouseTo(POINT{5, 1000});
    PumpInput(30);
    floating->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_FALSE(floating->Buttons()[0].hover);
}

TEST_F(UVFloatingFrame, AMenuBarsFrameHasNoButtonsAndSizesAtItsEndsOnly)
{
    CUVMiniDockFrameWnd* floating = Float<CMenuLikeBar>(CBRS_TOOLTIPS, 150, 28);
    EXPECT_TRUE(floating->Buttons().empty());
    EXPECT_EQ(floating->GetStyle() & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              static_cast<DWORD>(WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    RECT window;
    floating->GetWindowRect(&window);
    struct Case {
        const char* name;
        POINT at;
        LRESULT hit;
    } cases[] = {
        {"top-left corner", {window.left + 1, window.top + 1}, HTLEFT},
        {"bottom-right corner", {window.right - 2, window.bottom - 2}, HTRIGHT},
        {"top edge", {(window.left + window.right) / 2, window.top + 1}, HTBORDER},
        {"right edge", {window.right - 2, (window.top + window.bottom) / 2}, HTRIGHT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(floating->SendMessage(WM_NCHITTEST, 0, At(c.at)), c.hit) << c.name;

    // Other bars' frames size at every border.
    {
        auto plain = std::make_unique<CUVTestBar>(150, 28);
        plain->CreateBar(nullptr, WS_VISIBLE | CBRS_TOP, frame, 0xE8A2);
        plain->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(plain.get(), AFX_IDW_DOCKBAR_TOP);
        frame->FloatControlBar(plain.get(), POINT{300, 500});
        PumpInput(50);
        CFrameWnd* other = plain->GetParentFrame();
        RECT rect;
        other->GetWindowRect(&rect);
        EXPECT_EQ(other->SendMessage(WM_NCHITTEST, 0, At(POINT{rect.left + 1, rect.top + 1})), HTTOPLEFT);
        plain->DestroyWindow();
    }
}

}  // namespace
