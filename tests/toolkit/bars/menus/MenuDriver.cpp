#include "tests/toolkit/bars/menus/MenuDriver.h"

#include "classlib/ui/Gdi.h"
#include "toolkit/bars/menus/PopupMenu.h"

#include <filesystem>
#include <fstream>

namespace {

// The driver whose menu is open (one at a time, on the UI thread).
MenuDriver* g_active = nullptr;
std::vector<MenuStep>* g_steps = nullptr;
size_t g_next = 0;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_steps)
        return;
    if (g_next < g_steps->size()) {
        (*g_steps)[g_next++](TopPopupMenu());
        return;
    }
    if (TopPopupMenu())
        EndMenu();
}

struct ClassFinder {
    HWND found = nullptr;
};

BOOL CALLBACK FindPopup(HWND hwnd, LPARAM param)
{
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    if (lstrcmpW(name, L"#32768") == 0 && IsWindowVisible(hwnd)) {
        reinterpret_cast<ClassFinder*>(param)->found = hwnd;
        return FALSE;  // top-level windows come in Z order: the first is the newest
    }
    return TRUE;
}

}  // namespace

BOOL MenuFrame::PreCreateWindow(CREATESTRUCTW& cs)
{
    CFrameWnd::PreCreateWindow(cs);
    cs.lpszClass =
        AfxRegisterWndClass(0, LoadCursorW(nullptr, IDC_ARROW), static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return TRUE;
}

LRESULT MenuFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER)
        timers.push_back(static_cast<UINT_PTR>(wParam));
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

BOOL MenuFrame::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (lParam == 0)
        commands.push_back(LOWORD(wParam));
    return TRUE;
}

MenuDriver::MenuDriver(const RECT& frameRect) : frame(new MenuFrame)
{
    // The pointer away from the menus: a popup that moves under it would take the selection.
    SetCursorPos(2, 2);
    frame->Create(nullptr, L"Menu frame", WS_POPUP | WS_VISIBLE, frameRect, nullptr, nullptr, 0, nullptr);
    cool.Install(frame);
}

MenuDriver::~MenuDriver()
{
    cool.HookWindow(nullptr);
    if (frame && IsWindow(frame->m_hWnd))
        frame->DestroyWindow();  // the frame deletes itself
}

UINT MenuDriver::Track(HMENU menu, POINT at, bool toolkitPopup, std::vector<MenuStep> steps, const RECT* exclude,
                       UINT stepMs)
{
    ClientToScreen(frame->m_hWnd, &at);
    RECT screenExclude{};
    if (exclude) {
        screenExclude = *exclude;
        MapWindowPoints(frame->m_hWnd, nullptr, reinterpret_cast<POINT*>(&screenExclude), 2);
        exclude = &screenExclude;
    }
    g_active = this;
    g_steps = &steps;
    g_next = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, stepMs, &StepTimer);
    UINT command = 0;
    if (toolkitPopup) {
        CUVPopupMenu popup;
        popup.Attach(menu);
        command = popup.TrackPopupMenuEx(TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, frame->m_hWnd, exclude, TRUE);
        popup.Detach();
    } else {
        TPMPARAMS params{sizeof(params), exclude ? *exclude : RECT{}};
        command = static_cast<UINT>(TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, at.x, at.y,
                                                     frame->m_hWnd, exclude ? &params : nullptr));
        if (command)
            frame->SendMessage(WM_COMMAND, command, 0);
    }
    KillTimer(nullptr, timer);
    g_steps = nullptr;
    g_active = nullptr;
    return command;
}

void PostKey(HWND to, UINT key)
{
    PostMessageW(to, WM_KEYDOWN, key, 1);
    PostMessageW(to, WM_KEYUP, key, 0xC0000001);
}

void PostChar(HWND to, wchar_t ch)
{
    PostMessageW(to, WM_CHAR, ch, 1);
}

COLORREF ScreenPixel(int x, int y)
{
    CClientDC screen(nullptr);
    return screen.GetPixel(x, y);
}

HWND TopPopupMenu()
{
    ClassFinder finder;
    EnumWindows(&FindPopup, reinterpret_cast<LPARAM>(&finder));
    return finder.found;
}

RECT ItemRect(HWND popup, HMENU menu, int position)
{
    RECT rect{};
    GetMenuItemRect(popup, menu, static_cast<UINT>(position), &rect);
    return rect;
}

bool SaveScreenBmp(const RECT& rect, const std::wstring& path)
{
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    CClientDC screen(nullptr);
    CDC mem;
    mem.CreateCompatibleDC(&screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* pixels = nullptr;
    CBitmap bitmap;
    if (!bitmap.Attach(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0)))
        return false;
    {
        const CSelectedObject selected(mem, bitmap);
        mem.BitBlt(0, 0, w, h, &screen, rect.left, rect.top, SRCCOPY);
    }
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
    const DWORD imageBytes = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof(bi.bmiHeader));
    out.write(static_cast<const char*>(pixels), imageBytes);
    return static_cast<bool>(out);
}
