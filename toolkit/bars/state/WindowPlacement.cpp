#include "toolkit/bars/state/WindowPlacement.h"

#include "toolkit/bars/state/ProfileStore.h"

#include <cstring>
#include <vector>

CUVWindowPlacement::CUVWindowPlacement() : m_record{}
{
    m_record.leadingWord = sizeof(UVStoredPlacement);
    m_record.placement.length = sizeof(WINDOWPLACEMENT);
    m_record.placement.showCmd = SW_SHOW;
}

BOOL CUVWindowPlacement::SaveWindowPos(HWND hwnd, const wchar_t* valueName)
{
    if (!IsWindow(hwnd))
        return FALSE;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(hwnd, &placement))
        return FALSE;
    if (!valueName && placement.showCmd != SW_SHOWMAXIMIZED)
        placement.showCmd = SW_SHOWNORMAL;
    m_record.leadingWord = sizeof(UVStoredPlacement);
    m_record.placement = placement;
    return CUVProfileStore(HKEY_CURRENT_USER)
        .WriteProfileBinary(kUVPlacementSection, valueName ? valueName : kUVDefaultPlacementName,
                            reinterpret_cast<const BYTE*>(&m_record), sizeof(m_record));
}

BOOL CUVWindowPlacement::LoadWindowPos(HWND hwnd, const wchar_t* valueName)
{
    if (!IsWindow(hwnd))
        return FALSE;
    std::vector<BYTE> data;
    if (!CUVProfileStore(HKEY_CURRENT_USER)
             .GetProfileBinary(kUVPlacementSection, valueName ? valueName : kUVDefaultPlacementName, data) ||
        data.size() != sizeof(UVStoredPlacement))
        return FALSE;
    UVStoredPlacement record;
    std::memcpy(&record, data.data(), sizeof(record));
    WINDOWPLACEMENT& placement = record.placement;
    const RECT& normal = placement.rcNormalPosition;
    if (normal.right <= normal.left || normal.bottom <= normal.top)
        return FALSE;
    if (!valueName && placement.showCmd != SW_SHOWNORMAL && placement.showCmd != SW_SHOWMAXIMIZED)
        return FALSE;
    placement.length = sizeof(WINDOWPLACEMENT);
    m_record = record;
    return SetWindowPlacement(hwnd, &placement);
}
