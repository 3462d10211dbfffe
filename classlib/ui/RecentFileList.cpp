#include "classlib/ui/RecentFileList.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/AfxIds.h"
#include "classlib/ui/CmdUI.h"
#include "classlib/ui/Menu.h"

#include <algorithm>
#include <shlwapi.h>

CRecentFileList::CRecentFileList(UINT start, const wchar_t* section, const wchar_t* entryFormat, int size,
                                 int maxDisplayLength)
    : m_nStart(start), m_section(section), m_entryFormat(entryFormat), m_maxDisplayLength(maxDisplayLength),
      m_names(static_cast<size_t>(std::max(size, 0)))
{}

void CRecentFileList::Add(const wchar_t* path)
{
    if (!path || !*path || m_names.empty())
        return;
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    const CString name = length > 0 && length < MAX_PATH ? CString(full) : CString(path);
    auto it =
        std::find_if(m_names.begin(), m_names.end(), [&](const CString& n) { return n.CompareNoCase(name) == 0; });
    if (it == m_names.end())
        it = m_names.end() - 1;
    std::rotate(m_names.begin(), it, it + 1);
    m_names.front() = name;
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= GetSize())
        return;
    m_names.erase(m_names.begin() + index);
    m_names.emplace_back();
}

void CRecentFileList::ReadList()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    for (size_t i = 0; i < m_names.size(); ++i) {
        CString entry;
        entry.Format(m_entryFormat, static_cast<int>(i + 1));
        m_names[i] = app->GetProfileString(m_section, entry);
    }
}

void CRecentFileList::WriteList()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    app->WriteProfileString(m_section, nullptr, nullptr);
    for (size_t i = 0; i < m_names.size() && !m_names[i].IsEmpty(); ++i) {
        CString entry;
        entry.Format(m_entryFormat, static_cast<int>(i + 1));
        app->WriteProfileString(m_section, entry, m_names[i]);
    }
}

CString CRecentFileList::GetDisplayName(int index) const
{
    const CString& path = m_names[static_cast<size_t>(index)];
    if (path.IsEmpty())
        return CString();
    const CString name = PathFindFileNameW(path);
    if (name.GetLength() > 0 && name.GetLength() <= m_maxDisplayLength)
        return name;
    // Too long even as a file name: shortened with an ellipsis (room for the terminator).
    std::wstring buffer(static_cast<size_t>(m_maxDisplayLength) + 1, L'\0');
    PathCompactPathExW(buffer.data(), path, static_cast<UINT>(m_maxDisplayLength + 1), 0);
    return CString(buffer.c_str());
}

void CRecentFileList::UpdateMenu(CCmdUI* cmdUI)
{
    CMenu* menu = cmdUI->m_pMenu;
    if (!menu)
        return;
    const UINT firstId = ID_FILE_MRU_FILE1 + m_nStart;
    if (m_originalMenuText.IsEmpty())
        menu->GetMenuString(cmdUI->m_nIndex, m_originalMenuText, MF_BYPOSITION);
    if (m_names.empty() || m_names.front().IsEmpty()) {
        if (!m_originalMenuText.IsEmpty())
            cmdUI->SetText(m_originalMenuText);
        cmdUI->Enable(FALSE);
        return;
    }
    for (size_t i = 0; i < m_names.size(); ++i)
        menu->DeleteMenu(firstId + static_cast<UINT>(i), MF_BYCOMMAND);
    for (size_t i = 0; i < m_names.size() && !m_names[i].IsEmpty(); ++i) {
        CString text;
        text.Format(L"&%d %s", static_cast<int>(i + 1), GetDisplayName(static_cast<int>(i)).GetString());
        text.Replace(L"&", L"&&");
        text = text.Mid(1);  // the number's own mnemonic stays single
        menu->InsertMenu(cmdUI->m_nIndex++, MF_STRING | MF_BYPOSITION, firstId + i, text);
    }
    // The loop of the caller goes on after the items just added; they stay enabled.
    cmdUI->m_nIndex--;
    cmdUI->m_nIndexMax = static_cast<UINT>(menu->GetMenuItemCount());
    cmdUI->m_bEnableChanged = TRUE;
}
