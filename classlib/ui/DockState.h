// CControlBarInfo / CDockState: where every control bar of a frame is (docked on which side and
// in which row, floating where, visible or not), kept in the profile between runs.
//
// Profile layout for a profile name P: section "P-Summary" holds "Bars" (the number of bar
// sections) and "ScreenCX"/"ScreenCY" (the screen size when saved); sections "P-Bar0",
// "P-Bar1" ... hold one entry each, without gaps. Only the values that differ from their
// defaults are written, and a dock bar that is visible, docked and empty needs no section.
//
// What is read back is not trusted: a count beyond what any frame can hold makes the whole
// layout load empty, a missing or zero saved screen size means no scaling, and floating places
// are kept on the current screen.
//
// Not handled here: where the profile lives (the base writes the application's profile; a
// subclass may put it elsewhere through the three profile operations).
#pragma once

#include "classlib/core/Object.h"

#include <windows.h>

#include <vector>

class CControlBar;

// One bar's place. For a dock bar the row list names its bars in order: a control id, 0 for a
// row end, or a control id | kPlaceHolderFlag for a place kept for a bar that is elsewhere.
struct CControlBarInfo {
    static constexpr UINT kPlaceHolderFlag = 0x10000;
    static constexpr int kDefaultMRUWidth = 32767;

    UINT m_nBarID = 0;
    BOOL m_bVisible = TRUE;
    BOOL m_bFloating = FALSE;
    BOOL m_bHorz = TRUE;
    BOOL m_bDockBar = FALSE;
    POINT m_pointPos{-1, -1};  // in the dock bar, or on the screen for a floating frame; -1: none
    int m_nMRUWidth = kDefaultMRUWidth;
    BOOL m_bDocking = FALSE;  // the bar may dock: the MRU values below are valid
    UINT m_uMRUDockID = 0;
    RECT m_rectMRUDockPos{};
    DWORD m_dwMRUFloatStyle = 0;
    POINT m_ptMRUFloatPos{};
    std::vector<UINT> m_arrBarID;
    CControlBar* m_pBar = nullptr;  // filled while the layout is applied; never stored
};

class CDockState : public CObject {
    DECLARE_DYNCREATE(CDockState)
public:
    CDockState() = default;

    // Writes every entry that needs a section, then the summary.
    void SaveState(const wchar_t* profileName);
    // Replaces the entries by those saved under `profileName` (none when nothing was saved or
    // the saved counts are out of bounds), scaled to the current screen.
    void LoadState(const wchar_t* profileName);
    void Clear() { m_arrBarInfo.clear(); }

    // The screen the layout is for now.
    static SIZE GetScreenSize();
    // The screen size the loaded layout was saved on; positions scale from it to the current
    // one. Zero or negative sizes (missing or damaged values) leave positions unscaled.
    void SetScreenSize(SIZE saved);
    void ScalePoint(POINT& point) const;
    // Moves `rect` to its scaled top-left corner, keeping its size.
    void ScaleRectPos(RECT& rect) const;

    std::vector<CControlBarInfo> m_arrBarInfo;

    // More sections or row entries than this mark the saved layout as damaged: bar ids lie in
    // 0xE800-0xE8FF, and each bar needs at most a section of its own and one of its floating frame.
    static constexpr int kMaxSections = 1024;
    static constexpr int kMaxRowEntries = 1024;

protected:
    virtual int GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue);
    virtual BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value);
    // No entry removes the whole section.
    virtual BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* text);

private:
    // Writes `info` as section `index` when it needs one; whether the number was used.
    bool SaveEntry(const CControlBarInfo& info, const wchar_t* profileName, int index);
    // Reads section `index`; false when its row list count is out of bounds.
    bool LoadEntry(CControlBarInfo& info, const wchar_t* profileName, int index);

    SIZE m_sizeSaved{};
    BOOL m_bScaling = FALSE;
};
