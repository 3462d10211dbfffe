#include "engine/core/track/TrackLayerMap.h"

#include <algorithm>

#include "engine/core/track/Segment.h"
#include "engine/core/time/TimeMap.h"
#include "engine/core/track/TrackLayerContainer.h"

void CTrackLayerMap::Build(const CTrackLayerContainer& layers)
{
    m_items.clear();
    for (int index = layers.GetCount() - 1; index >= 0; --index) {
        CTrackLayer* layer = nullptr;
        layers.GetLayer(index, &layer);
        const CTrackObjContainer& objects = layer->Objects();
        for (int i = 0; i < objects.GetCount(); ++i) {
            const CTrackObj* o = objects.GetAt(i);
            if (!o->Matches(kTrackObjSegment, kSegmentTypeMask))
                continue;
            LONGLONG from = 0;
            LONGLONG to = 0;
            if (FAILED(layer->TimeMap().TrackToMixTime(o->GetStart(), &from)) ||
                FAILED(layer->TimeMap().TrackToMixTime(o->GetEnd(), &to)))
                continue;
            Insert(from, to, index);
        }
    }
    for (size_t i = 1; i < m_items.size();) {
        if (m_items[i - 1].layer == m_items[i].layer) {
            m_items[i - 1].to = m_items[i].to;
            m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

void CTrackLayerMap::Insert(LONGLONG from, LONGLONG to, int layer)
{
    if (to < from)
        return;
    std::vector<CTrackLayerMapItem> kept;
    kept.reserve(m_items.size() + 2);
    for (const CTrackLayerMapItem& item : m_items) {
        if (item.to < from || item.from > to) {
            kept.push_back(item);
            continue;
        }
        // from > item.from and to < item.to below, so neither bound wraps.
        if (item.from < from)
            kept.push_back({item.from, from - 1, item.layer});
        if (item.to > to)
            kept.push_back({to + 1, item.to, item.layer});
    }
    const auto at = std::lower_bound(kept.begin(), kept.end(), from,
                                     [](const CTrackLayerMapItem& item, LONGLONG key) { return item.from < key; });
    kept.insert(at, {from, to, layer});
    m_items.swap(kept);
}

HRESULT CTrackLayerMap::GetLayerAt(LONGLONG mixTime, int* layer) const
{
    const auto after = std::upper_bound(m_items.begin(), m_items.end(), mixTime,
                                        [](LONGLONG key, const CTrackLayerMapItem& item) { return key < item.from; });
    if (after == m_items.begin())
        return E_FAIL;
    const CTrackLayerMapItem& item = *(after - 1);
    if (mixTime > item.to)
        return E_FAIL;
    if (layer)
        *layer = item.layer;
    return S_OK;
}

void CTrackLayerMap::BuildDeletionRanges(int layer)
{
    m_deletionRanges.clear();
    LONGLONG gapStart = kUnsetTime;
    bool open = true;
    for (const CTrackLayerMapItem& item : m_items) {
        if (item.layer != layer)
            continue;
        if (open && item.from > gapStart)
            m_deletionRanges.push_back({gapStart, item.from - 1});
        if (item.to == kTimeMax) {
            open = false;
            break;
        }
        gapStart = item.to + 1;
    }
    if (open)
        m_deletionRanges.push_back({gapStart, kTimeMax});
}

BOOL CTrackLayerMap::GetItem(int index, CTrackLayerMapItem* item) const
{
    if (index < 0 || index >= GetCount() || !item)
        return FALSE;
    *item = m_items[static_cast<size_t>(index)];
    return TRUE;
}

HRESULT CTrackLayerMap::GetDeletionRange(int index, LONGLONG* from, LONGLONG* to) const
{
    if (index < 0 || index >= static_cast<int>(m_deletionRanges.size()))
        return E_FAIL;
    if (from)
        *from = m_deletionRanges[static_cast<size_t>(index)].from;
    if (to)
        *to = m_deletionRanges[static_cast<size_t>(index)].to;
    return S_OK;
}
