// CTrackLayerMap: which layer of a track is heard at a mix time. Items are disjoint, ordered by
// their start; a later insertion overrides what it overlaps, so building from the last layer to
// the first gives overlaps to the lower layer index. The deletion ranges of one layer are the
// mix times at which that layer is not heard. Built and read under the global mix lock.
#pragma once

#include <windows.h>

#include <vector>

class CTrackLayerContainer;

struct CTrackLayerMapItem {
    LONGLONG from;
    LONGLONG to;  // inclusive
    int layer;
};

struct TRACKLAYER_DELETIONRANGE {
    LONGLONG from;
    LONGLONG to;
};

class CTrackLayerMap {
public:
    void Build(const CTrackLayerContainer& layers);
    void Insert(LONGLONG from, LONGLONG to, int layer);
    HRESULT GetLayerAt(LONGLONG mixTime, int* layer) const;
    void BuildDeletionRanges(int layer);
    HRESULT GetDeletionRange(int index, LONGLONG* from, LONGLONG* to) const;

    int GetCount() const { return static_cast<int>(m_items.size()); }
    // FALSE for an index outside the map.
    BOOL GetItem(int index, CTrackLayerMapItem* item) const;

private:
    std::vector<CTrackLayerMapItem> m_items;
    std::vector<TRACKLAYER_DELETIONRANGE> m_deletionRanges;
};
