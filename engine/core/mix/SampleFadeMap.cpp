#include "engine/core/mix/SampleFadeMap.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/core/time/TimeMap.h"

namespace {

// Address space is reserved in whole allocation units, so that the pool can grow in place by
// committing more of it before it has to move.
constexpr SIZE_T kReserveUnit = 64 * 1024;

FADE_REGION ClearedRegion()
{
    FADE_REGION region = {};
    region.trackTime = kUnsetTime;
    region.sourcePosition = kUnsetSourcePosition;
    return region;
}

}  // namespace

CSampleFadeMap::~CSampleFadeMap()
{
    ReleasePool();
}

void CSampleFadeMap::ReleasePool()
{
    if (m_pool)
        VirtualFree(m_pool, 0, MEM_RELEASE);
    m_pool = nullptr;
    m_reservedBytes = 0;
    m_capacity = 0;
    m_order.clear();
    m_free.clear();
}

BOOL CSampleFadeMap::Grow(int regions)
{
    if (regions <= 0)
        return TRUE;
    if (m_capacity > kMaxRegions - regions)
        return FALSE;
    const int capacity = m_capacity + regions;
    const SIZE_T bytes = static_cast<SIZE_T>(capacity) * sizeof(FADE_REGION);
    if (m_pool && bytes <= m_reservedBytes) {
        if (!VirtualAlloc(m_pool, bytes, MEM_COMMIT, PAGE_READWRITE))
            return FALSE;
    } else {
        SIZE_T reserve = std::max((bytes + kReserveUnit - 1) / kReserveUnit * kReserveUnit, m_reservedBytes * 2);
        reserve = std::min(reserve, static_cast<SIZE_T>(kMaxRegions) * sizeof(FADE_REGION));
        auto* block = static_cast<FADE_REGION*>(VirtualAlloc(nullptr, reserve, MEM_RESERVE, PAGE_READWRITE));
        if (!block)
            return FALSE;
        if (!VirtualAlloc(block, bytes, MEM_COMMIT, PAGE_READWRITE)) {
            VirtualFree(block, 0, MEM_RELEASE);
            return FALSE;
        }
        if (m_pool) {
            std::memcpy(block, m_pool, static_cast<SIZE_T>(m_capacity) * sizeof(FADE_REGION));
            VirtualFree(m_pool, 0, MEM_RELEASE);
        }
        m_pool = block;
        m_reservedBytes = reserve;
    }
    // Pushed in descending order, so that new slots are taken in ascending order.
    for (int slot = capacity - 1; slot >= m_capacity; --slot)
        m_free.push_back(slot);
    m_capacity = capacity;
    return TRUE;
}

BOOL CSampleFadeMap::TakeSlot(int* slot)
{
    if (m_free.empty()) {
        // Near the limit the pool takes what room is left; at the limit it cannot grow.
        const int room = kMaxRegions - m_capacity;
        if (room <= 0 || !Grow(std::min(kGrowRegions, room)))
            return FALSE;
    }
    *slot = m_free.back();
    m_free.pop_back();
    *Slot(*slot) = ClearedRegion();
    return TRUE;
}

BOOL CSampleFadeMap::NewRegion(FADE_REGION** region, int position)
{
    int slot = 0;
    if (!TakeSlot(&slot))
        return FALSE;
    if (position < 0 || position > GetRegionCount())
        m_order.push_back(slot);
    else
        m_order.insert(m_order.begin() + position, slot);
    if (region)
        *region = Slot(slot);
    return TRUE;
}

BOOL CSampleFadeMap::NewUnorderedRegion(FADE_REGION** region, int* slot)
{
    int taken = 0;
    if (!TakeSlot(&taken))
        return FALSE;
    if (region)
        *region = Slot(taken);
    if (slot)
        *slot = taken;
    return TRUE;
}

BOOL CSampleFadeMap::GetRegion(int index, FADE_REGION** region) const
{
    return GetRegionAndSlot(index, region, nullptr);
}

BOOL CSampleFadeMap::GetRegionAndSlot(int index, FADE_REGION** region, int* slot) const
{
    if (index < 0 || index >= GetRegionCount())
        return FALSE;
    const int taken = m_order[static_cast<size_t>(index)];
    if (region)
        *region = Slot(taken);
    if (slot)
        *slot = taken;
    return TRUE;
}

void CSampleFadeMap::RemoveRegion(int index)
{
    if (index < 0 || index >= GetRegionCount())
        return;
    m_free.push_back(m_order[static_cast<size_t>(index)]);
    m_order.erase(m_order.begin() + index);
}

void CSampleFadeMap::ClearRegions()
{
    m_free.insert(m_free.end(), m_order.rbegin(), m_order.rend());
    m_order.clear();
}

BOOL CSampleFadeMap::Reserve(int count)
{
    const LONGLONG missing = static_cast<LONGLONG>(count) - GetFreeCount();
    if (missing <= 0)
        return TRUE;
    const LONGLONG room = kMaxRegions - m_capacity;
    if (missing > room)
        return FALSE;
    const LONGLONG rounded = (missing + kGrowRegions - 1) / kGrowRegions * kGrowRegions;
    return Grow(static_cast<int>(std::min(rounded, room)));
}

BOOL CSampleFadeMap::AppendCopy(const FADE_REGION& region)
{
    // Copied first: the source may live in this pool, which NewRegion can move.
    const FADE_REGION copy = region;
    FADE_REGION* added = nullptr;
    if (!NewRegion(&added, -1))
        return FALSE;
    *added = copy;
    return TRUE;
}

BOOL CSampleFadeMap::AssignFrom(const CSampleFadeMap& map)
{
    if (&map == this)
        return TRUE;
    ReleasePool();
    if (!Grow(map.m_capacity))
        return FALSE;
    if (m_capacity > 0)
        std::memcpy(m_pool, map.m_pool, static_cast<SIZE_T>(m_capacity) * sizeof(FADE_REGION));
    m_order = map.m_order;
    m_free = map.m_free;
    return TRUE;
}

void CSampleFadeMap::Swap(CSampleFadeMap& map)
{
    std::swap(m_pool, map.m_pool);
    std::swap(m_reservedBytes, map.m_reservedBytes);
    std::swap(m_capacity, map.m_capacity);
    std::swap(m_order, map.m_order);
    std::swap(m_free, map.m_free);
}

BOOL CSampleFadeMap::MergeFrom(CSampleFadeMap& map)
{
    if (&map == this)
        return FALSE;
    if (m_order.empty()) {
        Swap(map);
        map.ClearRegions();
        return TRUE;
    }
    if (!Reserve(map.GetRegionCount()))
        return FALSE;
    std::vector<int> merged;
    merged.reserve(m_order.size() + map.m_order.size());
    size_t mine = 0;
    size_t theirs = 0;
    while (mine < m_order.size() || theirs < map.m_order.size()) {
        const bool takeMine =
            theirs == map.m_order.size() ||
            (mine < m_order.size() && Slot(m_order[mine])->origin <= map.Slot(map.m_order[theirs])->origin);
        if (takeMine) {
            merged.push_back(m_order[mine++]);
            continue;
        }
        FADE_REGION* copy = nullptr;
        int slot = 0;
        NewUnorderedRegion(&copy, &slot);  // cannot fail after Reserve
        *copy = *map.Slot(map.m_order[theirs++]);
        merged.push_back(slot);
    }
    m_order = std::move(merged);
    return TRUE;
}

BOOL CSampleFadeMap::FindFirstEndingAtOrAfter(LONGLONG sample, int* index) const
{
    // A linear walk: after merging layers or limiting fades, region ends need not be ordered.
    for (int i = 0; i < GetRegionCount(); ++i) {
        if (Slot(m_order[static_cast<size_t>(i)])->end >= sample) {
            *index = i;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CSampleFadeMap::GetSourceRanges(LONGLONG outStart, LONGLONG outEnd, DWORD rate, std::vector<LONGLONG>& starts,
                                     std::vector<LONGLONG>& ends, LONGLONG minimumGap) const
{
    starts.clear();
    ends.clear();
    for (int slot : m_order) {
        const FADE_REGION& region = *Slot(slot);
        if (region.end < outStart || region.start > outEnd || region.sourcePosition == kUnsetSourcePosition)
            continue;
        const LONGLONG first = std::max(region.start, outStart) - region.origin;
        const LONGLONG last = std::min(region.end, outEnd) - region.origin;
        LONGLONG from = region.sourcePosition + SamplesToMicroseconds(first, rate);
        LONGLONG to = region.sourcePosition + SamplesToMicroseconds(last, rate);
        if (region.reversed) {
            from = region.sourcePosition - SamplesToMicroseconds(last, rate);
            to = region.sourcePosition - SamplesToMicroseconds(first, rate);
        }
        if (!starts.empty() && from <= ends.back() + minimumGap && to >= starts.back() - minimumGap) {
            starts.back() = std::min(starts.back(), from);
            ends.back() = std::max(ends.back(), to);
            continue;
        }
        starts.push_back(from);
        ends.push_back(to);
    }
    return starts.empty() ? FALSE : TRUE;
}

void CSampleFadeMap::SetSourcePositions(LONGLONG segmentStart, LONGLONG segmentEnd, LONGLONG filePosition,
                                        LONGLONG loopLength, BOOL wrap, BOOL reversed)
{
    if (loopLength <= 0)
        return;
    for (int slot : m_order) {
        FADE_REGION& region = *Slot(slot);
        if (region.trackTime < segmentStart || region.trackTime > segmentEnd)
            continue;
        LONGLONG position = reversed ? filePosition + (segmentStart - region.trackTime)
                                     : filePosition + (region.trackTime - segmentStart);
        if (wrap) {
            position %= loopLength;
            if (position < 0)
                position += loopLength;
        }
        region.sourcePosition = position;
        region.reversed = reversed ? 1 : 0;
    }
}
