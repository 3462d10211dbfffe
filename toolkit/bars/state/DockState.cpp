#include "toolkit/bars/state/DockState.h"

#include "toolkit/bars/state/ProfileStore.h"

IMPLEMENT_DYNCREATE(CUVDockState, CDockState)

int CUVDockState::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
{
    return CUVProfileStore(HKEY_CURRENT_USER).GetProfileInt(section, entry, defaultValue);
}

BOOL CUVDockState::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value)
{
    return CUVProfileStore(HKEY_CURRENT_USER).WriteProfileInt(section, entry, value);
}

BOOL CUVDockState::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* text)
{
    return CUVProfileStore(HKEY_CURRENT_USER).WriteProfileString(section, entry, text);
}
