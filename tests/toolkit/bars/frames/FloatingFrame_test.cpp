// The toolkit's floating frame in a toolkit frame: a toolkit bar's frame gets a close button of
// its own on the caption, drawn at the small caption-button size, hot under the mouse with the
// tooltip "Close"; pressed and released over itself it hides the bar, released elsewhere it does
// nothing. A bar of the class library alone gets no button.
#include "classlib/ui/DockBar.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/classlib/ui/BarTestFrame.h"
#include "tests/toolkit/bars/docking/UVTestBar.h"
#include "toolkit/bars/docking/DockBar.h"
#include "toolkit/bars/docking/MiniDockFrameWnd.h"
#include "toolkit/bars/frames/FrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class UVFloatingFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CUVFrameWnd;
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

    CUVFrameWnd* frame = nullptr;
    std::unique_ptr<CControlBar> bar;
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

TEST_F(UVFloatingFrame, AClassLibraryBarGetsNoButton)
{
    CUVMiniDockFrameWnd* floating = Float<CTestBar>(CBRS_TOOLTIPS, 150, 28);
    EXPECT_TRUE(floating->Buttons().empty());
}

}  // namespace
