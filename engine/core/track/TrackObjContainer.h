// CTrackObjContainer: the track objects of one layer (or of a working set), in insertion order,
// one reference held to each. Filtered access by class and type masks, and the time edits of the
// mix model: cutting ranges out, splitting, inserting time, moving, copying, resolving overlaps,
// numbering, and the archive and chunk forms. No lock of its own: callers hold the global mix
// lock. Times are inclusive track times in microseconds.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/core/track/TrackObj.h"

class CArchive;
class CMarker;
class CSegment;
struct IRiffStream;
struct ITrackMarker;
struct ITrackRange;

inline constexpr DWORD kAllMask = 0xFFFFFFFF;
inline constexpr LONGLONG kTimeMax = 0x7FFFFFFFFFFFFFFFLL;

class CTrackObjContainer {
public:
    CTrackObjContainer() = default;
    CTrackObjContainer(const CTrackObjContainer&) = delete;
    CTrackObjContainer& operator=(const CTrackObjContainer&) = delete;
    ~CTrackObjContainer();

    // Access. An object matches when class & classMask and type & typeMask are both non-zero.
    void ApplyFilter(DWORD typeMask, DWORD classMask);
    BOOL GetFilteredAt(DWORD typeMask, DWORD classMask, int index, CTrackObj** object);
    // The index-th matching marker (range) with its delegate set to `delegate` (NULL clears it);
    // no reference is added to the result.
    BOOL GetMarker(int index, DWORD typeMask, ITrackMarker** marker, IUnknown* delegate);
    BOOL GetRange(int index, DWORD typeMask, ITrackRange** range, IUnknown* delegate);
    BOOL FindById(LONG id, CTrackObj** object) const;
    BOOL GetSpanById(LONG id, LONGLONG* start, LONGLONG* end) const;
    int CountObjects(DWORD classMask, DWORD typeMask) const;
    int CountSegments() const;
    int GetCount() const { return static_cast<int>(m_objects.size()); }
    CTrackObj* GetAt(int index) const;
    LONGLONG GetEarliestStart() const;
    LONGLONG GetLatestEnd() const;
    BOOL GetMarkerBound(BOOL earliest, DWORD markerType, LONGLONG* time) const;
    BOOL GetEarliestStartMarker(LONGLONG* time) const { return GetMarkerBound(TRUE, 1, time); }
    BOOL GetLatestStartMarker(LONGLONG* time) const { return GetMarkerBound(FALSE, 1, time); }
    BOOL GetEarliestEndMarker(LONGLONG* time) const { return GetMarkerBound(TRUE, 2, time); }
    BOOL GetLatestEndMarker(LONGLONG* time) const { return GetMarkerBound(FALSE, 2, time); }
    BOOL TrackTimeToFilePosition(LONGLONG trackTime, LONGLONG* position) const;
    BOOL FilePositionToTrackTime(LONGLONG position, LONGLONG minimum, LONGLONG* trackTime) const;
    // Every track time at which a segment plays the file position, in segment order.
    void FilePositionToTrackTimes(LONGLONG position, std::vector<LONGLONG>& trackTimes) const;

    // Adding and removing.
    BOOL AddMarker(DWORD type, IUnknown* delegate, ITrackMarker** marker);
    BOOL AddStartMarker(LONGLONG position);
    BOOL AddEndMarker(LONGLONG position);
    BOOL AddFullSegment(LONGLONG end);
    void RemoveObjects(DWORD classMask, DWORD typeMask);
    // Puts the markers in one order, by position, then type, after the segments and before the
    // other objects (whose own order stays): an order that depends only on what the container
    // holds, not on which marker families were laid again last.
    void OrderMarkers();
    void RemoveStartEndMarkers();
    BOOL RemoveById(LONG id);
    // Takes over the caller's reference.
    void Append(CTrackObj* object);
    // Exchanges the objects (and the filter) with `other`, moving no object.
    void Swap(CTrackObjContainer& other);
    void RemoveAt(int index);
    // Takes the object out and hands its reference to the caller; NULL for a bad index.
    CTrackObj* DetachAt(int index);
    // -1 when the object is not held.
    int IndexOf(const CTrackObj* object) const;

    // Editing in time.
    void DeleteRange(LONGLONG from, LONGLONG to, DWORD classMask, DWORD typeMask);
    void RemoveTimeRange(LONGLONG from, LONGLONG to);
    void InsertTimeAt(LONGLONG position, LONGLONG length);
    void MoveObjectsInWindow(LONGLONG from, LONGLONG to, LONGLONG delta);
    BOOL MoveObjects(LONGLONG delta);
    void CopyMatchingTo(CTrackObjContainer& destination, DWORD classMask, DWORD typeMask) const;
    BOOL CopyObjectsFrom(const CTrackObjContainer& source, LONGLONG delta, DWORD classMask, DWORD typeMask);
    void CopyRange(const CTrackObjContainer& source, LONGLONG from, LONGLONG to, DWORD classMask, DWORD typeMask);
    BOOL CopyObjectById(CTrackObjContainer& destination, LONG id) const;
    void ResolveOverlaps(DWORD classMask, DWORD typeMask);
    void CloneObjectsTo(CTrackObjContainer& destination) const;
    void AssignFrom(const CTrackObjContainer& source);

    // Numbering and comparison.
    void AssignIds(LONG* counter);
    void ClearIds();
    // Drops every object's delegate reference.
    void ClearDelegates();
    BOOL IsEqualTo(const CTrackObjContainer& other) const;
    BOOL EqualsOnMasks(const CTrackObjContainer& other, DWORD classMask, DWORD typeMask) const;

    // Persistence. Loading throws CArchiveException on malformed data; objects read before the
    // fault stay in the container.
    void Serialize(CArchive& archive);
    BOOL WriteChunks(IRiffStream* stream) const;
    BOOL ReadChunks(IRiffStream* stream);

private:
    void Invalidate() { m_dirty = true; }
    // Reads the n-th child, a "TREL" list, into a new effect clip; a clip whose list cannot be
    // read is dropped.
    void ReadEffectClip(IRiffStream* stream, int n);

    std::vector<CTrackObj*> m_objects;
    std::vector<int> m_filtered;
    DWORD m_filterTypeMask = kAllMask;
    DWORD m_filterClassMask = kAllMask;
    bool m_dirty = true;
};
