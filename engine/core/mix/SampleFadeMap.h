// CSampleFadeMap: the fade regions of one play item in output order. The regions live in one pool
// of pages (VirtualAlloc) addressed by slot number; an index array holds the slots in region order
// and a stack holds the free slots. Growing the pool never changes slot numbers, and applying the
// map allocates nothing.
//
// Threads: built under the global mix lock, then copied into the play item, whose render thread
// only reads it. The map holds no lock of its own. Region pointers handed out stay valid until the
// pool next grows (NewRegion, NewUnorderedRegion, Reserve, AppendCopy, MergeFrom).
#pragma once

#include <windows.h>

#include <vector>

#include "engine/core/mix/FadeRegion.h"

class CSampleFadeMap {
public:
    // The pool grows by this many regions at a time.
    static constexpr int kGrowRegions = 100;
    // Upper bound of the pool (64 MB of regions); past it the pool cannot grow.
    static constexpr int kMaxRegions = 1 << 20;

    CSampleFadeMap() = default;
    ~CSampleFadeMap();
    CSampleFadeMap(const CSampleFadeMap&) = delete;
    CSampleFadeMap& operator=(const CSampleFadeMap&) = delete;

    // Takes a free slot, clears the region (zeros, track time and source position unset) and
    // inserts it at `position` of the order (-1 or out of range: appended). 0 when the pool
    // cannot grow.
    BOOL NewRegion(FADE_REGION** region, int position);
    // The same, without entering the region in the order.
    BOOL NewUnorderedRegion(FADE_REGION** region, int* slot);
    BOOL GetRegion(int index, FADE_REGION** region) const;
    BOOL GetRegionAndSlot(int index, FADE_REGION** region, int* slot) const;
    // Out-of-range indexes are ignored.
    void RemoveRegion(int index);
    void ClearRegions();
    // Grows the pool when fewer than `count` slots are free.
    BOOL Reserve(int count);
    BOOL AppendCopy(const FADE_REGION& region);
    // Replaces everything with a copy of `map`: the same regions in the same slots.
    BOOL AssignFrom(const CSampleFadeMap& map);
    // Adds the regions of `map`, ordered by source origin (on equal origins this map's region
    // first). When this map is empty it takes over map's pool and arrays, leaving `map` empty;
    // otherwise `map` is left as it was.
    BOOL MergeFrom(CSampleFadeMap& map);
    // Exchanges pools and orders with `map`: no region is copied and no page allocated.
    void Swap(CSampleFadeMap& map);

    // The first region in order whose end lies at or after `sample`.
    BOOL FindFirstEndingAtOrAfter(LONGLONG sample, int* index) const;
    // For each region overlapping output samples [outStart, outEnd], the file time (microseconds)
    // that the overlap reads; neighbouring ranges closer than minimumGap are merged. The ranges
    // come in region order. 1 when any range results.
    BOOL GetSourceRanges(LONGLONG outStart, LONGLONG outEnd, DWORD rate, std::vector<LONGLONG>& starts,
                         std::vector<LONGLONG>& ends, LONGLONG minimumGap) const;
    // Places the regions whose track time lies in [segmentStart, segmentEnd] on the file:
    // reversed, the file position runs backwards from filePosition; with wrap, positions are
    // taken modulo loopLength. Nothing happens for a loop length of 0.
    void SetSourcePositions(LONGLONG segmentStart, LONGLONG segmentEnd, LONGLONG filePosition, LONGLONG loopLength,
                            BOOL wrap, BOOL reversed);

    int GetRegionCount() const { return static_cast<int>(m_order.size()); }
    int GetCapacity() const { return m_capacity; }
    int GetFreeCount() const { return static_cast<int>(m_free.size()); }

private:
    BOOL Grow(int regions);
    BOOL TakeSlot(int* slot);
    void ReleasePool();
    FADE_REGION* Slot(int slot) const { return m_pool + slot; }

    FADE_REGION* m_pool = nullptr;  // committed for m_capacity regions
    SIZE_T m_reservedBytes = 0;     // address space held at m_pool
    int m_capacity = 0;
    std::vector<int> m_order;  // slots in region order
    std::vector<int> m_free;   // free slots; the last is taken first
};
