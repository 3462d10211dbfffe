#include "toolkit/bars/docking/BarMenu.h"

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/docking/BarLook.h"
#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/menus/PopupMenu.h"

#include <vector>

namespace {

UVBarCustomizableQuery g_customizable = nullptr;

CString TitleOr(CControlBar* bar, const wchar_t* fallback)
{
    CString title;
    bar->GetWindowText(title);
    return title.IsEmpty() ? CString(fallback) : title;
}

}  // namespace

void SetUVBarCustomizableQuery(UVBarCustomizableQuery query)
{
    g_customizable = query;
}

BOOL IsUVBarCustomizable(CControlBar* bar)
{
    return g_customizable && g_customizable(bar);
}

BOOL CUVControlBar::BuildBarMenu(POINT point, CFrameWnd* frame)
{
    return BuildUVBarMenu(point, frame, this);
}

BOOL BuildUVBarMenu(POINT point, CFrameWnd* frame, CControlBar* clicked)
{
    // Toolkit bars and status bars, newest first; menu bars and rebars are never listed.
    std::vector<CControlBar*> bars;
    const auto& all = frame->GetControlBars();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        CControlBar* bar = *it;
        if (IsKindOfClassNamed(bar, "CUVReBar") || IsKindOfClassNamed(bar, "CReBar"))
            continue;
        const bool toolkit = bar->IsKindOf(RUNTIME_CLASS(CUVControlBar));
        if (toolkit && static_cast<CUVControlBar*>(bar)->IsMenuBar())
            continue;
        if (toolkit || IsKindOfClassNamed(bar, "CStatusBar"))
            bars.push_back(bar);
    }
    const BOOL listing = GetUVBarSetting(UVBarSetting::barMenu);
    const auto listed = [&](CControlBar* bar) {
        return listing && bar->IsKindOf(RUNTIME_CLASS(CUVControlBar)) &&
               static_cast<CUVControlBar*>(bar)->m_bShowInBarMenu;
    };
    const auto checkedIfVisible = [](CControlBar* bar) {
        return static_cast<UINT>((bar->GetStyle() & WS_VISIBLE) ? MF_CHECKED : MF_UNCHECKED);
    };
    CUVPopupMenu menu;
    menu.CreatePopupMenu();
    int added = 0;
    const auto add = [&](CControlBar* bar, const CString& text) {
        ::AppendMenuW(menu, MF_STRING | checkedIfVisible(bar), static_cast<UINT_PTR>(bar->GetDlgCtrlID()), text);
        ++added;
    };
    for (CControlBar* bar : bars) {
        if (listed(bar) && IsKindOfClassNamed(bar, "CUVDockWindow"))
            add(bar, TitleOr(bar, L"Dock Window"));
    }
    if (added)
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    // A dock bar's menu offers Customize for any customisable toolbar, a bar's for itself.
    const bool anyToolBar = clicked && clicked->IsDockBar();
    bool customize = false;
    for (CControlBar* bar : bars) {
        if (!listed(bar) || !IsKindOfClassNamed(bar, "CUVToolBar"))
            continue;
        add(bar, TitleOr(bar, L"Toolbar"));
        if ((anyToolBar || bar == clicked) && IsUVBarCustomizable(bar))
            customize = true;
    }
    for (CControlBar* bar : bars) {
        if (listed(bar) && !IsKindOfClassNamed(bar, "CUVToolBar") && !IsKindOfClassNamed(bar, "CUVDockWindow"))
            add(bar, TitleOr(bar, L"Control Bar"));
    }
    for (CControlBar* bar : bars) {
        if (!bar->IsKindOf(RUNTIME_CLASS(CUVControlBar)))
            add(bar, CString(L"Status Bar"));
    }
    if (customize) {
        if (added)
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, ID_UV_CUSTOMIZE_BAR, L"Customize...");
        ++added;
    }
    if (added)
        menu.TrackPopupMenuEx(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, frame->m_hWnd, nullptr, TRUE);
    return TRUE;
}
