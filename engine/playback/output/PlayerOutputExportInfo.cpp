#include "engine/playback/output/PlayerOutputExportInfo.h"

#include <utility>

void CPlayerOutputExportInfo::AddItem(LONGLONG position, LPCWSTR title, LPCWSTR artist, LPCWSTR album)
{
    m_items.push_back({position, CString(title), CString(artist), CString(album)});
}

bool CPlayerOutputExportInfo::GetItem(int index, LONGLONG* position, CString* title, CString* artist,
                                      CString* album) const
{
    if (index < 0 || index >= GetCount())
        return false;
    const CPlayerOutputExportInfoItem& item = m_items[static_cast<size_t>(index)];
    if (position)
        *position = item.position;
    if (title)
        *title = item.title;
    if (artist)
        *artist = item.artist;
    if (album)
        *album = item.album;
    return true;
}

void CPlayerOutputExportInfo::SortByPosition()
{
    for (size_t i = 0; i < m_items.size(); ++i)
        for (size_t j = i + 1; j < m_items.size(); ++j)
            if (m_items[j].position < m_items[i].position)
                std::swap(m_items[i], m_items[j]);
}
