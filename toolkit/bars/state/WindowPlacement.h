// CUVWindowPlacement: a window's placement kept as one binary value of 48 bytes under the
// profile section "Settings": a leading word (the record's own size; readers skip it) and the
// 44-byte WINDOWPLACEMENT. The main frame saves it when it closes and restores it when first shown.
#pragma once

#include <windows.h>

#include <cstdint>

#pragma pack(push, 4)
struct UVStoredPlacement {
    uint32_t leadingWord;
    WINDOWPLACEMENT placement;
};
#pragma pack(pop)
static_assert(sizeof(WINDOWPLACEMENT) == 44 && sizeof(UVStoredPlacement) == 48);

class CUVWindowPlacement {
public:
    CUVWindowPlacement();

    // Under the default name ("Window Position") any state but maximised is stored as normal,
    // so a minimised window comes back normal; under a given name the state is kept as it is.
    BOOL SaveWindowPos(HWND hwnd, const wchar_t* valueName = nullptr);
    // FALSE, leaving the window as it is, when the value is missing, not 48 bytes, holds an
    // empty or inverted normal rectangle, or (default name) a state other than normal or
    // maximised: a damaged value never starts the window hidden, minimised or zero-sized.
    BOOL LoadWindowPos(HWND hwnd, const wchar_t* valueName = nullptr);

    UVStoredPlacement m_record;
};

inline constexpr wchar_t kUVPlacementSection[] = L"Settings";
inline constexpr wchar_t kUVDefaultPlacementName[] = L"Window Position";
