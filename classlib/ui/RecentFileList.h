// CRecentFileList: the most recently used files, kept in the profile as <section>\<entry %d>
// (numbered from 1) and shown in the menu in place of its first item (ID_FILE_MRU_FILE1 + start).
#pragma once

#include "classlib/core/String.h"

#include <vector>

class CCmdUI;

class CRecentFileList {
public:
    CRecentFileList(UINT start, const wchar_t* section, const wchar_t* entryFormat, int size, int maxDisplayLength);

    int GetSize() const { return static_cast<int>(m_names.size()); }
    const CString& operator[](int index) const { return m_names[static_cast<size_t>(index)]; }
    // Puts the path first (moving it up when listed already, dropping the last entry when full).
    void Add(const wchar_t* path);
    void Remove(int index);
    void ReadList();
    void WriteList();
    // The text of entry `index` for the menu: the file name when it fits the display length,
    // else the path shortened in its middle.
    CString GetDisplayName(int index) const;
    // Replaces the menu items of the list with the current entries ("&1 name", ...); with no
    // entries the first item shows its original text, disabled.
    void UpdateMenu(CCmdUI* cmdUI);

    UINT m_nStart;

private:
    CString m_section;
    CString m_entryFormat;
    int m_maxDisplayLength;
    std::vector<CString> m_names;  // always `size` slots, empty slots at the end
    CString m_originalMenuText;
};
