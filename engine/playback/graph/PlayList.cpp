#include "engine/playback/graph/PlayList.h"

#include <algorithm>

#include "engine/playback/graph/PlayItem.h"

CPlayList::~CPlayList()
{
    UnlockAll();
}

bool CPlayList::GetAt(int index, CPlayItem** item) const
{
    if (index < 0 || index >= GetCount() || !item)
        return false;
    *item = m_items[static_cast<size_t>(index)];
    return true;
}

bool CPlayList::GetLast(CPlayItem** item) const
{
    return GetAt(GetCount() - 1, item);
}

LONGLONG CPlayList::GetLatestEndTime() const
{
    LONGLONG latest = 0;
    for (const CPlayItem* item : m_items)
        latest = std::max(latest, item->GetMixEnd());
    return latest;
}

CPlayItem* CPlayList::FindByTrack(LONG trackId) const
{
    const int index = FindIndexByTrack(trackId);
    return index < 0 ? nullptr : m_items[static_cast<size_t>(index)];
}

int CPlayList::FindIndexByTrack(LONG trackId) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->GetTrackId() == trackId)
            return static_cast<int>(i);
    return -1;
}

CPlayItem* CPlayList::GetNext(const CPlayItem* item) const
{
    const auto found = std::find(m_items.begin(), m_items.end(), item);
    if (found == m_items.end() || found + 1 == m_items.end())
        return nullptr;
    return *(found + 1);
}

CPlayItem* CPlayList::GetNextPrimary(const CPlayItem* item) const
{
    const auto found = std::find(m_items.begin(), m_items.end(), item);
    if (found == m_items.end())
        return nullptr;
    const auto next = std::find_if(found + 1, m_items.end(), [](const CPlayItem* i) { return i->IsPrimary(); });
    return next == m_items.end() ? nullptr : *next;
}

void CPlayList::Swap(int first, int second)
{
    if (first < 0 || second < 0 || first >= GetCount() || second >= GetCount())
        return;
    std::swap(m_items[static_cast<size_t>(first)], m_items[static_cast<size_t>(second)]);
}

bool CPlayList::Remove(CPlayItem* item)
{
    const auto found = std::find(m_items.begin(), m_items.end(), item);
    if (found == m_items.end())
        return false;
    if (m_locked)
        item->Unlock();
    m_items.erase(found);
    return true;
}

void CPlayList::InsertAt(int index, CPlayItem* item)
{
    if (m_locked)
        item->Lock();
    if (index < 0 || index >= GetCount())
        m_items.push_back(item);
    else
        m_items.insert(m_items.begin() + index, item);
}

void CPlayList::LockAll()
{
    if (m_locked)
        return;
    for (CPlayItem* item : m_items)
        item->Lock();
    m_locked = true;
}

void CPlayList::UnlockAll()
{
    if (!m_locked)
        return;
    for (CPlayItem* item : m_items)
        item->Unlock();
    m_locked = false;
}

void CPlayList::ClearSolo()
{
    for (CPlayItem* item : m_items) {
        item->SetMuted(FALSE);
        item->SetSolo(FALSE);
    }
}

void CPlayList::Solo(CPlayItem* item)
{
    for (CPlayItem* each : m_items)
        each->SetMuted(TRUE);
    if (item)
        item->SetSolo(TRUE);
}
