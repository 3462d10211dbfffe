// A picture of the program's colour scheme for a person to look at, in the classic and the XP
// look (the scheme itself does not change with the look), written as a BMP file into the folder
// given as the first argument (tools/gallery turns it into a PNG): the 82 colours by position
// with their values, then the skin bitmaps 0 to 9, the 12 row images and the three button
// bitmaps, each drawn with white transparent on the scheme's face colour as the views draw them.
#include "app/CarrowfoldApp.h"
#include "app/look/ColorScheme.h"
#include "app/look/TransparentBitmap.h"
#include "classlib/ui/Wnd.h"
#include "gallery/common/GalleryRunner.h"

namespace {

constexpr int kSheetWidth = 960;
constexpr int kSheetHeight = 560;
constexpr int kColumns = 10;
constexpr int kSwatchWidth = 94;
constexpr int kSwatchHeight = 34;
constexpr int kFaceEntry = 15;
constexpr COLORREF kKey = RGB(255, 255, 255);

void Label(CDC& dc, int x, int y, const CString& text)
{
    RECT rect{x, y, x + 200, y + 16};
    dc.DrawText(text, &rect, DT_SINGLELINE | DT_NOCLIP);
}

class CSchemeSheet : public CWnd {
protected:
    void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    void DrawColours(CDC& dc);
    // A labelled band of the face colour with the bitmaps side by side; a missing one shows "-".
    void DrawBitmapRow(CDC& dc, int y, const wchar_t* label, int count, HBITMAP (*bitmapAt)(int));
};

BEGIN_MESSAGE_MAP(CSchemeSheet, CWnd)
ON_WM_PAINT()
END_MESSAGE_MAP()

HBITMAP SkinAt(int index)
{
    CBitmapCell* cell = nullptr;
    return g_colorScheme.GetSkinBitmap(index, &cell) ? static_cast<HBITMAP>(cell->bitmap) : nullptr;
}

HBITMAP CellAt(int index)
{
    CBitmapCell* cell = nullptr;
    return g_colorScheme.GetCellBitmap(index, &cell) ? static_cast<HBITMAP>(cell->bitmap) : nullptr;
}

HBITMAP ButtonAt(int index)
{
    HBITMAP bitmap = nullptr;
    return g_colorScheme.GetButtonBitmap(index + 1, &bitmap) ? bitmap : nullptr;
}

void CSchemeSheet::OnPaint()
{
    CPaintDC dc(this);
    RECT client{0, 0, kSheetWidth, kSheetHeight};
    dc.FillSolidRect(&client, RGB(255, 255, 255));
    const CSelectedObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    dc.SetBkMode(TRANSPARENT);
    DrawColours(dc);
    const int top = 20 + (kSchemeColorCount + kColumns - 1) / kColumns * kSwatchHeight;
    DrawBitmapRow(dc, top, L"skins 0-9", 10, &SkinAt);
    DrawBitmapRow(dc, top + 90, L"cells 0-11", kSchemeBitmapCells, &CellAt);
    DrawBitmapRow(dc, top + 150, L"buttons 1-3", 3, &ButtonAt);
}

void CSchemeSheet::DrawColours(CDC& dc)
{
    for (int i = 0; i < kSchemeColorCount; ++i) {
        const int x = 10 + i % kColumns * kSwatchWidth;
        const int y = 10 + i / kColumns * kSwatchHeight;
        RECT swatch{x, y, x + 28, y + 28};
        dc.FillSolidRect(&swatch, RGB(0, 0, 0));
        InflateRect(&swatch, -1, -1);
        dc.FillSolidRect(&swatch, g_colorScheme.GetColor(i));
        CString index;
        index.Format(L"%d", i);
        Label(dc, x + 32, y, index);
        CString value;
        value.Format(L"%06X", static_cast<unsigned>(g_colorScheme.GetColor(i)));
        Label(dc, x + 32, y + 14, value);
    }
}

void CSchemeSheet::DrawBitmapRow(CDC& dc, int y, const wchar_t* label, int count, HBITMAP (*bitmapAt)(int))
{
    Label(dc, 10, y, label);
    RECT band{10, y + 18, kSheetWidth - 10, y + 18 + 52};
    dc.FillSolidRect(&band, g_colorScheme.GetColor(kFaceEntry));
    int x = 16;
    for (int i = 0; i < count; ++i) {
        HBITMAP bitmap = bitmapAt(i);
        BITMAP info{};
        if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) {
            Label(dc, x, y + 36, L"-");
            x += 20;
            continue;
        }
        DrawTransparentBitmap(&dc, bitmap, x, y + 24, kKey);
        x += info.bmWidth + 12;
    }
}

void ColourSheet(GalleryShots& shots)
{
    CSchemeSheet sheet;
    const RECT rect{20, 20, 20 + kSheetWidth, 20 + kSheetHeight};
    sheet.CreateEx(0, AfxRegisterWndClass(0), L"colour scheme", WS_POPUP | WS_VISIBLE, rect.left, rect.top, kSheetWidth,
                   kSheetHeight, nullptr, nullptr);
    GalleryPump(300);
    shots.Save(std::wstring(L"colours_scheme_") + shots.Look() + L".bmp", rect);
    sheet.DestroyWindow();
    GalleryPump(50);
}

}  // namespace

int main()
{
    // The program folder holds "banner.bmp", as the gallery program lies beside the program.
    g_colorScheme.Load(CCarrowfoldApp::GetProgramFolder());
    return RunGallery("gallery_colours", {ColourSheet});
}
