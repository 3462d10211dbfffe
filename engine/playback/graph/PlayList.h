// CPlayList: the ordered play items of one play manager. It holds no references of its own (the
// play manager releases the items). While the list is locked every item's position lock is held,
// so that the render threads wait while the mix is edited under the play position; items taken in
// or out meanwhile are locked or unlocked with it.
//
// Threads: the play manager's, under the global mix lock.
#pragma once

#include <windows.h>

#include <vector>

class CPlayItem;

class CPlayList {
public:
    CPlayList() = default;
    CPlayList(const CPlayList&) = delete;
    CPlayList& operator=(const CPlayList&) = delete;
    ~CPlayList();

    int GetCount() const { return static_cast<int>(m_items.size()); }
    // False past the end.
    bool GetAt(int index, CPlayItem** item) const;
    bool GetLast(CPlayItem** item) const;
    // The largest mix end of the items; 0 when empty.
    LONGLONG GetLatestEndTime() const;
    // The first item of the track; null or -1 when none.
    CPlayItem* FindByTrack(LONG trackId) const;
    int FindIndexByTrack(LONG trackId) const;
    // The item after `item` (any, or the next primary one); null at the end or when not listed.
    CPlayItem* GetNext(const CPlayItem* item) const;
    CPlayItem* GetNextPrimary(const CPlayItem* item) const;
    // Ignored when an index is out of range.
    void Swap(int first, int second);
    // Takes the item out (unlocked first when the list is locked); false when not listed.
    bool Remove(CPlayItem* item);
    // Appends when the index is at or past the end; the item is locked when the list is.
    void InsertAt(int index, CPlayItem* item);
    void LockAll();
    void UnlockAll();
    bool IsLocked() const { return m_locked; }
    // Every item heard again.
    void ClearSolo();
    // Only `item` heard, played flat.
    void Solo(CPlayItem* item);

private:
    std::vector<CPlayItem*> m_items;
    bool m_locked = false;
};
