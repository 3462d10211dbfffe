#include "classlib/ui/DockState.h"

#include "classlib/core/String.h"
#include "classlib/core/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CDockState, CObject)

namespace {

constexpr wchar_t kSummarySection[] = L"%s-Summary";
constexpr wchar_t kBarSection[] = L"%s-Bar%d";
constexpr wchar_t kBars[] = L"Bars";
constexpr wchar_t kBarEntry[] = L"Bar#%d";
constexpr wchar_t kScreenCX[] = L"ScreenCX";
constexpr wchar_t kScreenCY[] = L"ScreenCY";
constexpr wchar_t kBarID[] = L"BarID";
constexpr wchar_t kVisible[] = L"Visible";
constexpr wchar_t kFloating[] = L"Floating";
constexpr wchar_t kHorz[] = L"Horz";
constexpr wchar_t kXPos[] = L"XPos";
constexpr wchar_t kYPos[] = L"YPos";
constexpr wchar_t kMRUWidth[] = L"MRUWidth";
constexpr wchar_t kDocking[] = L"Docking";
constexpr wchar_t kMRUDockID[] = L"MRUDockID";
constexpr wchar_t kMRUDockLeft[] = L"MRUDockLeftPos";
constexpr wchar_t kMRUDockTop[] = L"MRUDockTopPos";
constexpr wchar_t kMRUDockRight[] = L"MRUDockRightPos";
constexpr wchar_t kMRUDockBottom[] = L"MRUDockBottomPos";
constexpr wchar_t kMRUFloatStyle[] = L"MRUFloatStyle";
constexpr wchar_t kMRUFloatX[] = L"MRUFloatXPos";
constexpr wchar_t kMRUFloatY[] = L"MRUFloatYPos";

// How much of a floating frame stays on the screen at least: enough of its caption to grab.
constexpr int kMinVisible = 48;

// A floating place saved on another screen (or damaged) comes back where the user can reach it.
void KeepOnScreen(POINT& point)
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int right = left + GetSystemMetrics(SM_CXVIRTUALSCREEN) - kMinVisible;
    const int bottom = top + GetSystemMetrics(SM_CYVIRTUALSCREEN) - kMinVisible;
    point.x = std::clamp<LONG>(point.x, left, std::max(left, right));
    point.y = std::clamp<LONG>(point.y, top, std::max(top, bottom));
}

}  // namespace

int CDockState::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
{
    CWinApp* app = AfxGetApp();
    return app ? static_cast<int>(app->GetProfileInt(section, entry, defaultValue)) : defaultValue;
}

BOOL CDockState::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value)
{
    CWinApp* app = AfxGetApp();
    return app && app->WriteProfileInt(section, entry, value);
}

BOOL CDockState::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* text)
{
    CWinApp* app = AfxGetApp();
    return app && app->WriteProfileString(section, entry, text);
}

SIZE CDockState::GetScreenSize()
{
    return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void CDockState::SetScreenSize(SIZE saved)
{
    const SIZE current = GetScreenSize();
    m_sizeSaved = saved;
    m_bScaling = saved.cx > 0 && saved.cy > 0 && (saved.cx != current.cx || saved.cy != current.cy);
}

void CDockState::ScalePoint(POINT& point) const
{
    if (!m_bScaling)
        return;
    const SIZE current = GetScreenSize();
    // -1 means "no position" and stays so.
    if (point.x != -1)
        point.x = MulDiv(point.x, current.cx, m_sizeSaved.cx);
    if (point.y != -1)
        point.y = MulDiv(point.y, current.cy, m_sizeSaved.cy);
}

void CDockState::ScaleRectPos(RECT& rect) const
{
    POINT topLeft{rect.left, rect.top};
    ScalePoint(topLeft);
    OffsetRect(&rect, topLeft.x - rect.left, topLeft.y - rect.top);
}

bool CDockState::SaveEntry(const CControlBarInfo& info, const wchar_t* profileName, int index)
{
    CString section;
    section.Format(kBarSection, profileName, index);
    WriteProfileString(section, nullptr, nullptr);
    // A docked, visible dock bar at its own place with at most its leading row end says nothing.
    const bool plain = info.m_bDockBar && info.m_bVisible && !info.m_bFloating && info.m_pointPos.x == -1 &&
                       info.m_pointPos.y == -1 && info.m_arrBarID.size() <= 1;
    if (plain)
        return false;
    WriteProfileInt(section, kBarID, static_cast<int>(info.m_nBarID));
    if (!info.m_bVisible)
        WriteProfileInt(section, kVisible, 0);
    if (info.m_bFloating) {
        WriteProfileInt(section, kHorz, info.m_bHorz ? 1 : 0);
        WriteProfileInt(section, kFloating, 1);
    }
    if (info.m_pointPos.x != -1)
        WriteProfileInt(section, kXPos, info.m_pointPos.x);
    if (info.m_pointPos.y != -1)
        WriteProfileInt(section, kYPos, info.m_pointPos.y);
    if (info.m_nMRUWidth != CControlBarInfo::kDefaultMRUWidth)
        WriteProfileInt(section, kMRUWidth, info.m_nMRUWidth);
    if (info.m_bDocking) {
        WriteProfileInt(section, kDocking, 1);
        WriteProfileInt(section, kMRUDockID, static_cast<int>(info.m_uMRUDockID));
        WriteProfileInt(section, kMRUDockLeft, info.m_rectMRUDockPos.left);
        WriteProfileInt(section, kMRUDockTop, info.m_rectMRUDockPos.top);
        WriteProfileInt(section, kMRUDockRight, info.m_rectMRUDockPos.right);
        WriteProfileInt(section, kMRUDockBottom, info.m_rectMRUDockPos.bottom);
        WriteProfileInt(section, kMRUFloatStyle, static_cast<int>(info.m_dwMRUFloatStyle));
        WriteProfileInt(section, kMRUFloatX, info.m_ptMRUFloatPos.x);
        WriteProfileInt(section, kMRUFloatY, info.m_ptMRUFloatPos.y);
    }
    if (info.m_arrBarID.size() > 1) {
        WriteProfileInt(section, kBars, static_cast<int>(info.m_arrBarID.size()));
        CString entry;
        for (size_t i = 0; i < info.m_arrBarID.size(); ++i) {
            entry.Format(kBarEntry, static_cast<int>(i));
            WriteProfileInt(section, entry, static_cast<int>(info.m_arrBarID[i]));
        }
    }
    return true;
}

void CDockState::SaveState(const wchar_t* profileName)
{
    int written = 0;
    for (const CControlBarInfo& info : m_arrBarInfo)
        written += SaveEntry(info, profileName, written) ? 1 : 0;
    CString summary;
    summary.Format(kSummarySection, profileName);
    WriteProfileInt(summary, kBars, written);
    const SIZE screen = GetScreenSize();
    WriteProfileInt(summary, kScreenCX, screen.cx);
    WriteProfileInt(summary, kScreenCY, screen.cy);
}

bool CDockState::LoadEntry(CControlBarInfo& info, const wchar_t* profileName, int index)
{
    CString section;
    section.Format(kBarSection, profileName, index);
    info.m_nBarID = static_cast<UINT>(GetProfileInt(section, kBarID, 0));
    info.m_bVisible = GetProfileInt(section, kVisible, 1) != 0;
    info.m_bFloating = GetProfileInt(section, kFloating, 0) != 0;
    info.m_bHorz = GetProfileInt(section, kHorz, 1) != 0;
    info.m_pointPos = POINT{GetProfileInt(section, kXPos, -1), GetProfileInt(section, kYPos, -1)};
    info.m_nMRUWidth = GetProfileInt(section, kMRUWidth, CControlBarInfo::kDefaultMRUWidth);
    info.m_bDocking = GetProfileInt(section, kDocking, 0) != 0;
    if (info.m_bDocking) {
        info.m_uMRUDockID = static_cast<UINT>(GetProfileInt(section, kMRUDockID, 0));
        info.m_rectMRUDockPos =
            RECT{GetProfileInt(section, kMRUDockLeft, 0), GetProfileInt(section, kMRUDockTop, 0),
                 GetProfileInt(section, kMRUDockRight, 0), GetProfileInt(section, kMRUDockBottom, 0)};
        info.m_dwMRUFloatStyle = static_cast<DWORD>(GetProfileInt(section, kMRUFloatStyle, 0));
        info.m_ptMRUFloatPos = POINT{GetProfileInt(section, kMRUFloatX, 0), GetProfileInt(section, kMRUFloatY, 0)};
    }
    const int count = GetProfileInt(section, kBars, 0);
    if (count < 0 || count > kMaxRowEntries)
        return false;
    CString entry;
    for (int i = 0; i < count; ++i) {
        entry.Format(kBarEntry, i);
        info.m_arrBarID.push_back(static_cast<UINT>(GetProfileInt(section, entry, 0)));
    }

    ScalePoint(info.m_pointPos);
    if (info.m_bFloating)
        KeepOnScreen(info.m_pointPos);
    ScaleRectPos(info.m_rectMRUDockPos);
    ScalePoint(info.m_ptMRUFloatPos);
    if (info.m_bDocking)
        KeepOnScreen(info.m_ptMRUFloatPos);
    return true;
}

void CDockState::LoadState(const wchar_t* profileName)
{
    Clear();
    CString summary;
    summary.Format(kSummarySection, profileName);
    const int count = GetProfileInt(summary, kBars, 0);
    if (count <= 0 || count > kMaxSections)
        return;
    SetScreenSize(SIZE{GetProfileInt(summary, kScreenCX, 0), GetProfileInt(summary, kScreenCY, 0)});
    std::vector<CControlBarInfo> loaded(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (!LoadEntry(loaded[static_cast<size_t>(i)], profileName, i))
            return;
    }
    m_arrBarInfo = std::move(loaded);
}
