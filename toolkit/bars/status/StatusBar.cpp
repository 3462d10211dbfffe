#include "toolkit/bars/status/StatusBar.h"

#include "classlib/ui/Gdi.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/MemDC.h"

IMPLEMENT_DYNAMIC(CUVStatusBar, CStatusBar)

BEGIN_MESSAGE_MAP(CUVStatusBar, CStatusBar)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_DESTROY()
ON_MESSAGE(WM_PAINT, &CUVStatusBar::OnPaintMessage)
ON_MESSAGE(WM_PRINTCLIENT, &CUVStatusBar::OnPrintClient)
END_MESSAGE_MAP()

CUVStatusBar::~CUVStatusBar()
{
    // A bar destroyed with its object still lets go of its controls.
    DestroyControls();
}

int CUVStatusBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CStatusBar::OnCreate(cs) == -1)
        return -1;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(uvAfxData.m_fonts[CUVGlobalData::fontMenu2])));
    return 0;
}

BOOL CUVStatusBar::AddPaneControl(CWnd* control, UINT paneId, BOOL autoDelete)
{
    if (!control || !control->m_hWnd || CommandToIndex(paneId) < 0)
        return FALSE;
    m_controls.push_back(PaneControl{control, paneId, autoDelete});
    RepositionControls();
    return TRUE;
}

RECT CUVStatusBar::GetPaneRect(int index) const
{
    RECT rect;
    GetItemRect(index, &rect);
    if (index != GetCount() - 1)
        return rect;
    const int edge = ::GetSystemMetrics(SM_CXEDGE);
    if (GetPaneStyle(index) & SBPS_STRETCH) {
        RECT client;
        GetClientRect(&client);
        rect.right = client.right - edge;
        if (GetStyle() & SBARS_SIZEGRIP)
            rect.right -= ::GetSystemMetrics(SM_CXVSCROLL);
    } else {
        UINT id, style;
        int width;
        GetPaneInfo(index, id, style, width);
        rect.right = rect.left + width + 3 * edge;
    }
    return rect;
}

void CUVStatusBar::RepositionControls()
{
    const int edge = ::GetSystemMetrics(SM_CXEDGE);
    for (const PaneControl& record : m_controls) {
        const int index = CommandToIndex(record.id);
        if (index < 0 || !record.control->m_hWnd)
            continue;
        RECT rect = GetPaneRect(index);
        if (!(GetPaneStyle(index) & SBPS_NOBORDERS))
            ::InflateRect(&rect, -edge, -edge);
        RECT current;
        ::GetWindowRect(record.control->m_hWnd, &current);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&current), 2);
        // Moved controls are erased with the paint that follows, not inside the move: under Wine
        // that erase costs more than the move.
        if (!EqualRect(&current, &rect))
            ::SetWindowPos(record.control->m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_DEFERERASE);
    }
}

void CUVStatusBar::OnSize(UINT type, int cx, int cy)
{
    CStatusBar::OnSize(type, cx, cy);
    RepositionControls();
}

void CUVStatusBar::Paint(CDC* dc)
{
    CWnd::DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(dc->GetSafeHdc()), 0);
    if (!uvAfxData.m_bXPLook)
        return;
    CBrush frame(GetUVBarColor(UVBarColor::shadow));
    for (int i = 0; i < GetCount(); ++i) {
        if (GetPaneStyle(i) & SBPS_NOBORDERS)
            continue;
        const RECT rect = GetPaneRect(i);
        ::FrameRect(*dc, &rect, frame);
    }
}

LRESULT CUVStatusBar::OnPaintMessage(WPARAM, LPARAM)
{
    CPaintDC paint(this);
    RECT client;
    GetClientRect(&client);
    CUVMemDC mem(&paint, &client, 0xFFFFFFFF);
    Paint(mem.IsValid() ? static_cast<CDC*>(&mem) : &paint);
    return 0;
}

LRESULT CUVStatusBar::OnPrintClient(WPARAM dcHandle, LPARAM)
{
    CDC dc;
    dc.Attach(reinterpret_cast<HDC>(dcHandle));
    Paint(&dc);
    dc.Detach();
    return 0;
}

void CUVStatusBar::DestroyControls()
{
    for (const PaneControl& record : m_controls) {
        if (record.control->m_hWnd && ::IsWindow(record.control->m_hWnd))
            record.control->DestroyWindow();
        if (record.autoDelete)
            delete record.control;
    }
    m_controls.clear();
}

void CUVStatusBar::OnDestroy()
{
    DestroyControls();
    CStatusBar::OnDestroy();
}
