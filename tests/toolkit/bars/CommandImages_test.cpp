// The command images: variants made from an icon with a known mask, the order of the two maps,
// disabled images, a real toolbar resource (type 241 as windres writes it) and a live toolbar.
#include "toolkit/bars/look/CommandImages.h"

#include "tests/toolkit/bars/Canvas.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

constexpr COLORREF kIconColour = RGB(40, 120, 200);
constexpr COLORREF kPaper = RGB(255, 0, 255);

// A 16 x 16 icon: the left half opaque in kIconColour, the right half transparent.
HICON MakeHalfIcon(COLORREF colour = kIconColour)
{
    BYTE maskBits[16 * 2];
    for (int row = 0; row < 16; ++row) {
        maskBits[row * 2] = 0x00;      // columns 0-7 opaque
        maskBits[row * 2 + 1] = 0xFF;  // columns 8-15 transparent
    }
    CBitmap mask;
    mask.CreateBitmap(16, 16, 1, 1, maskBits);
    CClientDC screen(nullptr);
    CBitmap colourBitmap;
    colourBitmap.CreateCompatibleBitmap(screen.m_hDC, 16, 16);
    {
        CDC mem;
        mem.CreateCompatibleDC(&screen);
        const CSelectedObject selected(mem, colourBitmap);
        const RECT left{0, 0, 8, 16};
        const RECT right{8, 0, 16, 16};
        mem.FillSolidRect(&left, colour);
        mem.FillSolidRect(&right, RGB(0, 0, 0));
    }
    ICONINFO info{TRUE, 0, 0, mask, colourBitmap};
    return CreateIconIndirect(&info);
}

void ExpectHalfIcon(HICON icon, COLORREF opaque, const char* what)
{
    ASSERT_NE(icon, nullptr) << what;
    Canvas canvas(16, 16, kPaper);
    DrawIconEx(canvas.dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const COLORREF expected = x < 8 ? opaque : kPaper;
            ASSERT_EQ(canvas.At(x, y), expected) << what << " at " << x << "," << y;
        }
    }
}

TEST(UVCommandImages, FadedAndShadowIconsRecolourExactlyTheOpaquePixels)
{
    CUVCommandImages images;
    CUVIconHandle icon(MakeHalfIcon());
    ASSERT_TRUE(images.AddIcon(7001, icon.Get(), 16, 16, TRUE, CUVCommandImages::menuMap));
    const CUVCommandImage* image = images.Lookup(7001, FALSE);
    ASSERT_NE(image, nullptr);
    ExpectHalfIcon(image->normal.Get(), kIconColour, "normal");
    ExpectHalfIcon(image->faded.Get(), TintTowardWhite(kIconColour, 0.3), "faded");
    ExpectHalfIcon(image->shadow.Get(), GetUVColor(34), "shadow");
    EXPECT_EQ(image->disabled.Get(), nullptr);
}

TEST(UVCommandImages, ASetImageTakesTheIconAtItsOwnSizeAndReplacesTheSetBefore)
{
    CUVCommandImages images;
    CUVIconHandle red(MakeHalfIcon(RGB(200, 0, 0)));
    CUVIconHandle green(MakeHalfIcon(RGB(0, 200, 0)));
    ASSERT_TRUE(images.SetImage(53001, red.Get()));
    ASSERT_TRUE(images.SetImage(53001, green.Get()));
    const CUVCommandImage* image = images.Lookup(53001, TRUE);
    ASSERT_NE(image, nullptr);
    ExpectHalfIcon(image->normal.Get(), RGB(0, 200, 0), "the later icon");
    ExpectHalfIcon(image->faded.Get(), TintTowardWhite(RGB(0, 200, 0), 0.3), "its variants with it");
    EXPECT_FALSE(images.SetImage(53002, nullptr));
    EXPECT_EQ(images.Lookup(53002, TRUE), nullptr);
}

TEST(UVCommandImages, LookUpSearchesThePreferredMapFirstThenTheOther)
{
    CUVCommandImages images;
    CUVIconHandle red(MakeHalfIcon(RGB(200, 0, 0)));
    CUVIconHandle green(MakeHalfIcon(RGB(0, 200, 0)));
    images.AddIcon(1, red.Get(), 16, 16, TRUE, CUVCommandImages::menuMap);
    images.AddIcon(2, red.Get(), 16, 16, TRUE, CUVCommandImages::menuMap);
    images.AddIcon(2, green.Get(), 16, 16, TRUE, CUVCommandImages::toolbarMap);
    struct Case {
        const char* name;
        UINT id;
        BOOL preferToolbar;
        COLORREF colour;  // 0: none found
    } cases[] = {
        {"menu-only command, toolbar look-up", 1, TRUE, RGB(200, 0, 0)},
        {"menu-only command, menu look-up", 1, FALSE, RGB(200, 0, 0)},
        {"command in both, toolbar look-up", 2, TRUE, RGB(0, 200, 0)},
        {"command in both, menu look-up", 2, FALSE, RGB(200, 0, 0)},
        {"unknown command", 3, TRUE, 0},
    };
    for (const Case& c : cases) {
        const CUVCommandImage* image = images.Lookup(c.id, c.preferToolbar);
        if (!c.colour) {
            EXPECT_EQ(image, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(image, nullptr) << c.name;
        ExpectHalfIcon(image->normal.Get(), c.colour, c.name);
    }
}

TEST(UVCommandImages, ADisabledImageFillsOnlyAnExistingSetWithoutOne)
{
    CUVCommandImages images;
    CImageList normal;
    CImageList disabled;
    CImageList second;
    CUVIconHandle blue(MakeHalfIcon());
    CUVIconHandle grey(MakeHalfIcon(RGB(90, 90, 90)));
    CUVIconHandle other(MakeHalfIcon(RGB(10, 200, 10)));
    for (auto [list, icon] : {std::pair{&normal, &blue}, {&disabled, &grey}, {&second, &other}}) {
        list->Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
        list->Replace(-1, icon->Get());
    }
    EXPECT_FALSE(images.AddFromImageList(5, disabled, 0, FALSE, CUVCommandImages::toolbarMap));
    EXPECT_EQ(images.Lookup(5, TRUE), nullptr) << "a disabled image before the normal one adds nothing";
    ASSERT_TRUE(images.AddFromImageList(5, normal, 0, TRUE, CUVCommandImages::toolbarMap));
    EXPECT_TRUE(images.AddFromImageList(5, disabled, 0, FALSE, CUVCommandImages::toolbarMap));
    EXPECT_FALSE(images.AddFromImageList(5, second, 0, FALSE, CUVCommandImages::toolbarMap));
    const CUVCommandImage* image = images.Lookup(5, TRUE);
    ASSERT_NE(image, nullptr);
    ExpectHalfIcon(image->normal.Get(), kIconColour, "normal");
    ExpectHalfIcon(image->disabled.Get(), RGB(90, 90, 90), "disabled, first one kept");
}

// Centre pixel of a command's normal image.
COLORREF CentreOf(const CUVCommandImages& images, UINT id)
{
    const CUVCommandImage* image = images.Lookup(id, FALSE);
    if (!image || !image->normal.Get())
        return CLR_INVALID;
    Canvas canvas(16, 15, kPaper);
    DrawIconEx(canvas.dc, 0, 0, image->normal.Get(), 16, 15, 0, nullptr, DI_NORMAL);
    return canvas.At(0, 0) == kPaper ? canvas.At(7, 7) : CLR_INVALID;
}

TEST(UVCommandImages, ToolbarResourceGivesEachCommandItsImageInOrder)
{
    CUVCommandImages images;
    ASSERT_TRUE(images.LoadToolbarResource(GetModuleHandleW(nullptr), 300, TRUE, CUVCommandImages::menuMap));
    struct Case {
        UINT id;
        COLORREF colour;
    } cases[] = {{101, RGB(200, 30, 30)}, {102, RGB(30, 160, 30)}, {103, RGB(30, 30, 200)}, {104, RGB(200, 150, 0)}};
    for (const Case& c : cases)
        EXPECT_EQ(CentreOf(images, c.id), c.colour) << "command " << c.id << " (mask colour transparent)";
    EXPECT_EQ(images.Lookup(0, FALSE), nullptr) << "the separator has no image";
    EXPECT_FALSE(images.LoadToolbarResource(GetModuleHandleW(nullptr), 399, TRUE, CUVCommandImages::menuMap));

    CUVCommandImages wordLayout;
    ASSERT_TRUE(wordLayout.LoadToolbarResource(GetModuleHandleW(nullptr), 301, TRUE, CUVCommandImages::menuMap));
    EXPECT_EQ(CentreOf(wordLayout, 103), RGB(200, 30, 30)) << "16-bit layout, first image";
    EXPECT_EQ(CentreOf(wordLayout, 101), RGB(30, 160, 30)) << "16-bit layout, second image";
}

TEST(UVCommandImages, LiveToolbarGivesButtonsWithCommandsToTheToolbarMap)
{
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    HWND toolbar =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_POPUP, 0, 0, 200, 30, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(toolbar, nullptr);
    CImageList list;
    list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    CUVIconHandle first(MakeHalfIcon(RGB(200, 30, 30)));
    CUVIconHandle second(MakeHalfIcon(RGB(30, 30, 200)));
    list.Replace(-1, first.Get());
    list.Replace(-1, second.Get());
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[] = {
        {1, 201, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {0, 0, 0, BTNS_SEP, {}, 0, 0},
        {0, 0, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},  // no command
        {0, 202, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessageW(toolbar, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(buttons));
    CUVCommandImages images;
    EXPECT_TRUE(images.AddFromToolbar(toolbar, list, TRUE));
    DestroyWindow(toolbar);
    const CUVCommandImage* a = images.Lookup(201, TRUE);
    const CUVCommandImage* b = images.Lookup(202, TRUE);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ExpectHalfIcon(a->normal.Get(), RGB(30, 30, 200), "button 201 uses image 1");
    ExpectHalfIcon(b->normal.Get(), RGB(200, 30, 30), "button 202 uses image 0");
    EXPECT_EQ(images.Lookup(0, TRUE), nullptr);
}

TEST(UVCommandImages, DrawStatesPlaceTheVariantsWhereButtonsShowThem)
{
    CUVCommandImages images;
    CUVIconHandle icon(MakeHalfIcon());
    images.AddIcon(9, icon.Get(), 16, 16, TRUE, CUVCommandImages::menuMap);
    const CUVCommandImage& image = *images.Lookup(9, FALSE);
    struct Case {
        const char* name;
        UVImageState state;
        int x;
        COLORREF colour;
    } cases[] = {
        {"rest: faded", UVImageState::rest, 4, TintTowardWhite(kIconColour, 0.3)},
        {"normal", UVImageState::normal, 4, kIconColour},
        {"hot: raised icon", UVImageState::hot, 3, kIconColour},
        {"hot: shadow one pixel beyond", UVImageState::hot, 11, GetUVColor(34)},
        {"disabled: monochrome", UVImageState::disabled, 4, RGB(0, 99, 0)},
    };
    for (const Case& c : cases) {
        Canvas canvas(40, 30, kPaper);
        DrawCommandImage(&canvas.dc, image, 4, 4, 16, 16, c.state, RGB(0, 99, 0));
        // Row 10 crosses the icon; the icon's opaque half spans x 4..11 at rest.
        EXPECT_EQ(canvas.At(c.x, 10), c.colour) << c.name;
        EXPECT_EQ(canvas.At(13, 10), kPaper) << c.name << ": transparent half";
    }
}

}  // namespace
