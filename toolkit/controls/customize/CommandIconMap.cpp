#include "toolkit/controls/customize/CommandIconMap.h"

void CUVCommandIconMap::SetAt(UINT id, HICON normal, HICON hot, HICON disabled)
{
    Icons& icons = m_icons[id];
    icons.normal.Reset(normal);
    icons.hot.Reset(hot);
    icons.disabled.Reset(disabled);
}

BOOL CUVCommandIconMap::Lookup(UINT id, HICON* normal, HICON* hot, HICON* disabled) const
{
    const auto it = m_icons.find(id);
    if (it == m_icons.end())
        return FALSE;
    if (normal)
        *normal = it->second.normal.Get();
    if (hot)
        *hot = it->second.hot.Get();
    if (disabled)
        *disabled = it->second.disabled.Get();
    return TRUE;
}
