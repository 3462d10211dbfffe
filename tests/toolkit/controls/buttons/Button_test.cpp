// CUVButton in a real window: its one-time initialisation, its borders in each style (drawn into
// a memory DC and read as pixels, and once on the screen through the window's own painting), hot
// tracking and clicks by real mouse input, its colours after a system colour change, its images
// and its caption.
#include "classlib/ui/Wnd.h"
#include "tests/classlib/ui/BarInput.h"
#include "tests/toolkit/bars/Canvas.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"
#include "toolkit/controls/buttons/Button.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr UINT kButtonId = 1234;
constexpr COLORREF kFace = RGB(200, 190, 180);
constexpr COLORREF kLight = RGB(250, 240, 230);
constexpr COLORREF kShadow = RGB(90, 80, 70);
constexpr COLORREF kText = RGB(10, 20, 30);

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 5000)
{
    const DWORD until = GetTickCount() + ms;
    while (!done()) {
        if (GetTickCount() > until)
            return false;
        PumpInput(10);
    }
    return true;
}

// A parent that counts the clicks its button reports.
class CParent : public CWnd {
public:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED)
            ++clicks;
        return CWnd::OnCommand(wParam, lParam);
    }
    int clicks = 0;
};

// A button that counts the fonts set on it (one per initialisation) and can announce itself again.
class CCountingButton : public CUVButton {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SETFONT)
            ++fontsSet;
        return CUVButton::WindowProc(message, wParam, lParam);
    }
    void AnnounceAgain() { RequestInit(); }
    int fontsSet = 0;
};

class UVButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        MouseTo(POINT{5, 1000});
        ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0, LoadCursor(nullptr, IDC_ARROW)), L"buttons",
                                    WS_POPUP | WS_VISIBLE, 200, 200, 300, 200, nullptr, nullptr));
    }
    void TearDown() override { parent.DestroyWindow(); }
    void MakeButton(CUVButton& button, const wchar_t* caption = L"Button")
    {
        ASSERT_TRUE(button.Create(caption, WS_VISIBLE | BS_PUSHBUTTON, RECT{20, 20, 120, 60}, &parent, kButtonId));
        ASSERT_TRUE(PumpUntil([&] { return button.m_nInitCount == 0; }));
    }
    POINT ScreenCentre(CUVButton& button)
    {
        RECT rect;
        button.GetWindowRect(&rect);
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    CParent parent;
};

TEST_F(UVButton, BecomesOwnerDrawnOnceWithTheToolkitFont)
{
    CCountingButton button;
    ASSERT_TRUE(button.Create(L"x", WS_VISIBLE, RECT{0, 0, 50, 20}, &parent, kButtonId));
    // A stale announcement does nothing; of two posted ones only the last acts.
    button.SendMessage(UVM_INITCONTROL, 0, 1);
    EXPECT_NE(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & BS_TYPEMASK);
    button.AnnounceAgain();
    ASSERT_TRUE(PumpUntil([&] { return button.m_nInitCount == 0; }));
    PumpInput(50);
    EXPECT_EQ(1, button.fontsSet);
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & BS_TYPEMASK);
    EXPECT_EQ(uvAfxData.m_fonts[CUVGlobalData::fontMenu].m_hObject,
              reinterpret_cast<HGDIOBJ>(button.SendMessage(WM_GETFONT)));
    button.DestroyWindow();
    EXPECT_EQ(1, button.m_nInitCount);
}

TEST_F(UVButton, SubclassedDialogButtonBecomesOwnerDrawn)
{
    HWND raw = CreateWindowExW(0, L"BUTTON", L"raw", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 60, 20, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kButtonId)), nullptr, nullptr);
    CUVButton button;
    ASSERT_TRUE(button.SubclassWindow(raw));
    ASSERT_TRUE(PumpUntil([&] { return button.m_nInitCount == 0; }));
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & BS_TYPEMASK);
    button.DestroyWindow();
}

TEST_F(UVButton, DrawsItsBorderByStyleAndState)
{
    CUVButton button;
    MakeButton(button, L"");
    button.SetColors(kFace, kLight, kShadow, kText);
    const COLORREF border = RGB(1, 100, 200), hotFill = RGB(60, 160, 220), pressedFill = RGB(30, 80, 110);
    struct Case {
        const char* name;
        DWORD style;
        BOOL hot, pressed, office;
        COLORREF topLeft, bottomRight, inside;
    } cases[] = {
        {"flat at rest", UVBTN_FLAT, FALSE, FALSE, FALSE, kFace, kFace, kFace},
        {"flat hot", UVBTN_FLAT, TRUE, FALSE, FALSE, kLight, kShadow, kFace},
        {"flat pressed", UVBTN_FLAT, TRUE, TRUE, FALSE, kShadow, kLight, kFace},
        {"thin 3D", UVBTN_THIN3D, FALSE, FALSE, FALSE, GetUVColor(COLOR_BTNHIGHLIGHT), GetUVColor(COLOR_BTNSHADOW),
         kFace},
        {"thin 3D pressed", UVBTN_THIN3D, FALSE, TRUE, FALSE, GetUVColor(COLOR_BTNSHADOW),
         GetUVColor(COLOR_BTNHIGHLIGHT), kFace},
        {"XP at rest", UVBTN_XP, FALSE, FALSE, FALSE, kFace, kFace, kFace},
        {"XP hot", UVBTN_XP, TRUE, FALSE, FALSE, GetUVColor(COLOR_HIGHLIGHT), GetUVColor(COLOR_HIGHLIGHT),
         GetUVColor(31)},
        {"XP pressed", UVBTN_XP, FALSE, TRUE, FALSE, GetUVColor(COLOR_HIGHLIGHT), GetUVColor(COLOR_HIGHLIGHT),
         GetUVColor(33)},
        {"XP office colours hot", UVBTN_XP, TRUE, FALSE, TRUE, border, border, hotFill},
        {"XP office colours pressed", UVBTN_XP, TRUE, TRUE, TRUE, border, border, pressedFill},
        {"classic", 0, FALSE, FALSE, FALSE, kLight, GetUVColor(COLOR_3DDKSHADOW), kFace},
        {"classic pressed", 0, FALSE, TRUE, FALSE, GetUVColor(COLOR_3DDKSHADOW), kLight, kShadow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button.SetFlatStyle(c.style, FALSE);
        button.m_bHot = c.hot;
        button.m_bCustomXPColors = FALSE;
        if (c.office)
            button.SetOfficeColors(border, hotFill, pressedFill);
        Canvas canvas(40, 30);
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_BUTTON;
        draw.hwndItem = button;
        draw.hDC = canvas.dc;
        draw.rcItem = RECT{0, 0, 40, 30};
        draw.itemState = c.pressed ? ODS_SELECTED : 0;
        button.DrawItem(&draw);
        EXPECT_EQ(c.topLeft, canvas.At(0, 0));
        EXPECT_EQ(c.bottomRight, canvas.At(39, 29));
        EXPECT_EQ(c.inside, canvas.At(1, 1));
        // The XP look fills the whole inside while hot or pressed; the others leave the face.
        const bool xpFilled = c.style == UVBTN_XP && (c.hot || c.pressed);
        EXPECT_EQ(xpFilled ? c.inside : kFace, canvas.At(20, 15));
    }
    button.m_bHot = FALSE;
}

TEST_F(UVButton, PaintsItselfThroughItsParent)
{
    CUVButton button;
    MakeButton(button, L"");
    button.SetColors(kFace, kLight, kShadow, kText);
    button.SetFlatStyle(0, TRUE);
    RECT rect;
    button.GetWindowRect(&rect);
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(PumpUntil([&] { return GetPixel(screen, rect.left, rect.top) == kLight; }));
    EXPECT_EQ(kFace, GetPixel(screen, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
    ReleaseDC(nullptr, screen);
}

TEST_F(UVButton, LightsUpUnderThePointerAndGoesOutWhenItLeaves)
{
    struct Case {
        const char* name;
        DWORD style;
        BOOL tracks;
    } cases[] = {
        {"flat", UVBTN_FLAT, TRUE}, {"thin 3D", UVBTN_THIN3D, TRUE},         {"XP", UVBTN_XP, TRUE},
        {"classic", 0, FALSE},      {"focus only", UVBTN_FOCUS_RECT, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CUVButton button;
        MakeButton(button);
        button.SetFlatStyle(c.style, TRUE);
        MouseTo(ScreenCentre(button));
        if (c.tracks) {
            EXPECT_TRUE(PumpUntil([&] { return button.m_bHot && button.m_bDrawnHot; }));
            MouseTo(POINT{5, 1000});
            EXPECT_TRUE(PumpUntil([&] { return !button.m_bHot && !button.m_bDrawnHot; }));
        } else {
            PumpInput(100);
            EXPECT_FALSE(button.m_bHot);
            MouseTo(POINT{5, 1000});
        }
        // The hover timer is gone once the pointer has left (or never ran).
        PumpInput(30);
        EXPECT_FALSE(KillTimer(button, 1));
        button.DestroyWindow();
    }
}

TEST_F(UVButton, PressingStopsHotTrackingAndADoubleClickIsTwoPresses)
{
    CUVButton button;
    MakeButton(button);
    MouseTo(ScreenCentre(button));
    ASSERT_TRUE(PumpUntil([&] { return button.m_bHot; }));
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(PumpUntil([&] { return button.m_bPressed && !button.m_bHot; }));
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return parent.clicks == 1; }));
    // The second press comes as a double click, which the system button alone would not count.
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return parent.clicks == 2; })) << parent.clicks;
    EXPECT_FALSE(button.m_bPressed);
    MouseTo(POINT{5, 1000});
    PumpInput(30);
}

TEST_F(UVButton, KeepsCustomColoursThroughASystemColourChange)
{
    CUVButton plain, custom;
    MakeButton(plain);
    plain.SetFaceColor(kFace);
    custom.SetColors(kFace, kLight, kShadow, kText);
    ASSERT_TRUE(custom.Create(L"c", WS_VISIBLE, RECT{0, 0, 50, 20}, &parent, kButtonId + 1));
    plain.SendMessage(WM_SYSCOLORCHANGE);
    custom.SendMessage(WM_SYSCOLORCHANGE);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), plain.GetFaceColor());
    EXPECT_EQ(kFace, custom.GetFaceColor());
    EXPECT_EQ(kLight, custom.m_clrHighlight);
}

TEST_F(UVButton, LoadsImagesFromTheResourcesOrFails)
{
    CUVButton button;
    MakeButton(button);
    EXPECT_FALSE(button.SetIcon(16, 16, 9999u, 0u, TRUE));
    ASSERT_TRUE(button.SetIcon(16, 16, 320u, 320u, TRUE));
    EXPECT_NE(nullptr, button.m_hPushedIcon);
    // A pushed icon that does not load leaves no half pair behind.
    EXPECT_FALSE(button.SetIcon(16, 16, 320u, 9999u, TRUE));
    EXPECT_EQ(nullptr, button.m_hIcon);
    EXPECT_EQ(nullptr, button.m_hPushedIcon);
    EXPECT_EQ(0, button.m_cxImage);
    EXPECT_FALSE(button.SetBitmap(16, 15, 9999, TRUE));
    ASSERT_TRUE(button.SetBitmap(64, 15, 300, TRUE));
    EXPECT_EQ(64, button.m_cxImage);
    EXPECT_NE(nullptr, button.m_bitmap.m_hObject);
    EXPECT_NE(nullptr, button.m_disabledBitmap.m_hObject);
    HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
    ASSERT_TRUE(button.SetIcon(32, 32, CopyIcon(icon), nullptr, TRUE));
    EXPECT_EQ(nullptr, button.m_bitmap.m_hObject);
    button.ClearImage();
    EXPECT_EQ(0, button.m_cxImage);
    EXPECT_EQ(nullptr, button.m_hIcon);
}

TEST_F(UVButton, PlacesTheImageByStyleAndAlignment)
{
    CUVButton button;
    MakeButton(button, L"");
    button.SetIcon(16, 16, CopyIcon(LoadIcon(nullptr, IDI_APPLICATION)), nullptr, FALSE);
    const RECT rect{0, 0, 100, 40};
    struct Case {
        const char* name;
        DWORD uvStyle, align;
        UINT state;
        POINT expected;
    } cases[] = {
        {"left, centred vertically", UVBTN_FLAT, 0, 0, {4, 12}},
        {"centred alone", UVBTN_FLAT, BS_CENTER, 0, {42, 12}},
        {"pressed moves by one", UVBTN_FLAT, 0, ODS_SELECTED, {5, 13}},
        {"above the text, no caption", UVBTN_IMAGE_ABOVE, 0, 0, {42, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        button.SetFlatStyle(c.uvStyle, FALSE);
        SetWindowLongPtrW(button, GWL_STYLE, (button.GetStyle() & ~BS_CENTER) | c.align);
        const POINT at = button.ImageOrigin(c.state, rect, FALSE);
        EXPECT_EQ(c.expected.x, at.x);
        EXPECT_EQ(c.expected.y, at.y);
    }
    button.SetContentPositions(POINT{7, 8}, POINT{30, 8}, FALSE);
    EXPECT_EQ(7, button.ImageOrigin(0, rect, FALSE).x);
}

TEST_F(UVButton, CaptionLosesItsMnemonicMarkersWhenStripped)
{
    CUVButton button;
    MakeButton(button, L"&Open && Save");
    EXPECT_EQ(CString(L"Open & Save"), button.GetCaption(TRUE));
    EXPECT_EQ(CString(L"&Open && Save"), button.GetCaption(FALSE));
    CFont* font = &uvAfxData.m_fonts[CUVGlobalData::fontMenuBold];
    EXPECT_EQ(uvAfxData.m_fonts[CUVGlobalData::fontMenu].m_hObject, button.ReplaceFont(font));
    EXPECT_EQ(font->m_hObject, reinterpret_cast<HGDIOBJ>(button.SendMessage(WM_GETFONT)));
}

}  // namespace
