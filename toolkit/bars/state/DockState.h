// CUVDockState: the class library's dock state kept through the toolkit's profile store, so that
// bar layouts land beside the toolkit's other settings (the registry branch of the application
// under HKEY_CURRENT_USER, or the toolkit's INI file when one is named).
#pragma once

#include "classlib/ui/DockState.h"

class CUVDockState : public CDockState {
    DECLARE_DYNCREATE(CUVDockState)
public:
    CUVDockState() = default;

protected:
    int GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) override;
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) override;
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* text) override;
};
