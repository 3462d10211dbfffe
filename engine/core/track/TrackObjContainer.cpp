#include "engine/core/track/TrackObjContainer.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "classlib/core/Archive.h"
#include "engine/catalog/ids/IdArray.h"
#include "engine/core/track/EfxClip.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "interfaces/IRiffStream.h"

namespace {

constexpr LONGLONG kTimeMin = std::numeric_limits<LONGLONG>::min();

CTrackObj* NewEffectClip()
{
    CEfxClip* clip = CEfxClip::Create();
    if (!clip)
        throw std::bad_alloc();
    return clip;
}

}  // namespace

CTrackObjContainer::~CTrackObjContainer()
{
    RemoveObjects(kAllMask, kAllMask);
}

void CTrackObjContainer::ApplyFilter(DWORD typeMask, DWORD classMask)
{
    if (!m_dirty && typeMask == m_filterTypeMask && classMask == m_filterClassMask)
        return;
    m_filterTypeMask = typeMask;
    m_filterClassMask = classMask;
    m_filtered.clear();
    for (size_t i = 0; i < m_objects.size(); ++i)
        if (m_objects[i]->Matches(classMask, typeMask))
            m_filtered.push_back(static_cast<int>(i));
    m_dirty = false;
}

BOOL CTrackObjContainer::GetFilteredAt(DWORD typeMask, DWORD classMask, int index, CTrackObj** object)
{
    ApplyFilter(typeMask, classMask);
    if (index < 0 || index >= static_cast<int>(m_filtered.size()) || !object)
        return FALSE;
    *object = m_objects[static_cast<size_t>(m_filtered[static_cast<size_t>(index)])];
    return TRUE;
}

BOOL CTrackObjContainer::GetMarker(int index, DWORD typeMask, ITrackMarker** marker, IUnknown* delegate)
{
    CTrackObj* object = nullptr;
    if (!marker || !GetFilteredAt(typeMask, kTrackObjMarker, index, &object) || !object->GetMarkerInterface(marker))
        return FALSE;
    object->SetDelegate(delegate);
    return TRUE;
}

BOOL CTrackObjContainer::GetRange(int index, DWORD typeMask, ITrackRange** range, IUnknown* delegate)
{
    CTrackObj* object = nullptr;
    if (!range || !GetFilteredAt(typeMask, kTrackObjSegment | kTrackObjEffectClip, index, &object) ||
        !object->GetRangeInterface(range))
        return FALSE;
    object->SetDelegate(delegate);
    return TRUE;
}

BOOL CTrackObjContainer::FindById(LONG id, CTrackObj** object) const
{
    for (CTrackObj* candidate : m_objects)
        if (candidate->GetId() == id) {
            if (object)
                *object = candidate;
            return TRUE;
        }
    return FALSE;
}

BOOL CTrackObjContainer::GetSpanById(LONG id, LONGLONG* start, LONGLONG* end) const
{
    CTrackObj* object = nullptr;
    if (!FindById(id, &object))
        return FALSE;
    if (start)
        *start = object->GetStart();
    if (end)
        *end = object->GetEnd();
    return TRUE;
}

int CTrackObjContainer::CountObjects(DWORD classMask, DWORD typeMask) const
{
    return static_cast<int>(std::count_if(m_objects.begin(), m_objects.end(),
                                          [&](const CTrackObj* o) { return o->Matches(classMask, typeMask); }));
}

int CTrackObjContainer::CountSegments() const
{
    return static_cast<int>(std::count_if(m_objects.begin(), m_objects.end(),
                                          [](const CTrackObj* o) { return o->GetClass() == kTrackObjSegment; }));
}

CTrackObj* CTrackObjContainer::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_objects[static_cast<size_t>(index)];
}

LONGLONG CTrackObjContainer::GetEarliestStart() const
{
    if (m_objects.empty())
        return 0;
    LONGLONG result = m_objects.front()->GetStart();
    for (const CTrackObj* o : m_objects)
        result = std::min(result, o->GetStart());
    return result;
}

LONGLONG CTrackObjContainer::GetLatestEnd() const
{
    if (m_objects.empty())
        return 0;
    LONGLONG result = m_objects.front()->GetEnd();
    for (const CTrackObj* o : m_objects)
        result = std::max(result, o->GetEnd());
    return result;
}

BOOL CTrackObjContainer::GetMarkerBound(BOOL earliest, DWORD markerType, LONGLONG* time) const
{
    bool found = false;
    LONGLONG result = 0;
    for (const CTrackObj* o : m_objects) {
        if (!o->Matches(kTrackObjMarker, markerType))
            continue;
        const LONGLONG t = o->GetStart();
        if (!found || (earliest ? t < result : t > result))
            result = t;
        found = true;
    }
    if (found && time)
        *time = result;
    return found ? TRUE : FALSE;
}

BOOL CTrackObjContainer::TrackTimeToFilePosition(LONGLONG trackTime, LONGLONG* position) const
{
    for (const CTrackObj* o : m_objects) {
        if (!o->Matches(kTrackObjSegment, kSegmentTypeMask))
            continue;
        const CSegment* segment = static_cast<const CSegment*>(o);
        if (segment->GetStart() <= trackTime && trackTime < segment->GetEnd()) {
            if (position)
                *position = SaturatingAdd(segment->GetSource(), trackTime - segment->GetStart());
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CTrackObjContainer::FilePositionToTrackTime(LONGLONG position, LONGLONG minimum, LONGLONG* trackTime) const
{
    for (const CTrackObj* o : m_objects) {
        if (!o->Matches(kTrackObjSegment, kSegmentTypeMask))
            continue;
        const CSegment* segment = static_cast<const CSegment*>(o);
        const LONGLONG source = segment->GetSource();
        if (position < source || position >= segment->GetFileEnd())
            continue;
        const LONGLONG t = SaturatingAdd(segment->GetStart(), position - source);
        if (t >= minimum) {
            if (trackTime)
                *trackTime = t;
            return TRUE;
        }
    }
    return FALSE;
}

void CTrackObjContainer::FilePositionToTrackTimes(LONGLONG position, std::vector<LONGLONG>& trackTimes) const
{
    for (const CTrackObj* o : m_objects) {
        if (!o->Matches(kTrackObjSegment, kSegmentTypeMask))
            continue;
        const CSegment* segment = static_cast<const CSegment*>(o);
        if (position >= segment->GetSource() && position < segment->GetFileEnd())
            trackTimes.push_back(SaturatingAdd(segment->GetStart(), position - segment->GetSource()));
    }
}

BOOL CTrackObjContainer::AddMarker(DWORD type, IUnknown* delegate, ITrackMarker** marker)
{
    CMarker* created = new (std::nothrow) CMarker(type, 0);
    if (!created)
        return FALSE;
    created->SetDelegate(delegate);
    Append(created);
    if (marker)
        *marker = created;
    return TRUE;
}

BOOL CTrackObjContainer::AddStartMarker(LONGLONG position)
{
    CMarker* created = new (std::nothrow) CMarker(kMarkerStart, position);
    if (!created)
        return FALSE;
    Append(created);
    return TRUE;
}

BOOL CTrackObjContainer::AddEndMarker(LONGLONG position)
{
    CMarker* created = new (std::nothrow) CMarker(kMarkerEnd, position);
    if (!created)
        return FALSE;
    Append(created);
    return TRUE;
}

BOOL CTrackObjContainer::AddFullSegment(LONGLONG end)
{
    CSegment* created = new (std::nothrow) CSegment(kSegmentPlain, 0, end, 0);
    if (!created)
        return FALSE;
    Append(created);
    return TRUE;
}

void CTrackObjContainer::RemoveObjects(DWORD classMask, DWORD typeMask)
{
    if (classMask == kAllMask) {
        std::vector<CTrackObj*> old;
        old.swap(m_objects);
        for (CTrackObj* o : old)
            o->ReleaseObj();
    } else {
        for (size_t i = m_objects.size(); i-- > 0;)
            if (m_objects[i]->Matches(classMask, typeMask)) {
                CTrackObj* o = m_objects[i];
                m_objects.erase(m_objects.begin() + static_cast<std::ptrdiff_t>(i));
                o->ReleaseObj();
            }
    }
    Invalidate();
}

void CTrackObjContainer::RemoveStartEndMarkers()
{
    RemoveObjects(kTrackObjMarker, kMarkerStart);
    RemoveObjects(kTrackObjMarker, kMarkerEnd);
}

BOOL CTrackObjContainer::RemoveById(LONG id)
{
    for (size_t i = 0; i < m_objects.size(); ++i)
        if (m_objects[i]->GetId() == id) {
            CTrackObj* o = m_objects[i];
            m_objects.erase(m_objects.begin() + static_cast<std::ptrdiff_t>(i));
            o->ReleaseObj();
            Invalidate();
            return TRUE;
        }
    return FALSE;
}

void CTrackObjContainer::Append(CTrackObj* object)
{
    if (!object)
        return;
    try {
        m_objects.push_back(object);
    } catch (const std::bad_alloc&) {
        object->ReleaseObj();
    }
    Invalidate();
}

void CTrackObjContainer::RemoveAt(int index)
{
    CTrackObj* object = DetachAt(index);
    if (object)
        object->ReleaseObj();
}

void CTrackObjContainer::Swap(CTrackObjContainer& other)
{
    std::swap(m_objects, other.m_objects);
    std::swap(m_filtered, other.m_filtered);
    std::swap(m_filterTypeMask, other.m_filterTypeMask);
    std::swap(m_filterClassMask, other.m_filterClassMask);
    std::swap(m_dirty, other.m_dirty);
}

CTrackObj* CTrackObjContainer::DetachAt(int index)
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    CTrackObj* object = m_objects[static_cast<size_t>(index)];
    m_objects.erase(m_objects.begin() + index);
    Invalidate();
    return object;
}

int CTrackObjContainer::IndexOf(const CTrackObj* object) const
{
    const auto at = std::find(m_objects.begin(), m_objects.end(), object);
    return at == m_objects.end() ? -1 : static_cast<int>(at - m_objects.begin());
}

void CTrackObjContainer::DeleteRange(LONGLONG from, LONGLONG to, DWORD classMask, DWORD typeMask)
{
    std::vector<CTrackObj*> result;
    result.reserve(m_objects.size() + 1);
    for (CTrackObj* o : m_objects) {
        const LONGLONG start = o->GetStart();
        const LONGLONG end = o->GetEnd();
        CTrackObj* piece = nullptr;
        if (!o->Matches(classMask, typeMask) || end < from || start > to) {
            if (o->Clone(&piece))
                result.push_back(piece);
            continue;
        }
        bool pieceKept = false;
        // from > start here, so from - 1 cannot wrap; likewise to < end below.
        if (start < from && from <= end && o->CloneRange(start, from - 1, &piece)) {
            result.push_back(piece);
            pieceKept = true;
        }
        if (start <= to && to < end && o->CloneRange(to + 1, end, &piece)) {
            if (pieceKept)
                piece->SetId(-1);
            result.push_back(piece);
        }
    }
    for (CTrackObj* o : m_objects)
        o->ReleaseObj();
    m_objects.swap(result);
    Invalidate();
}

void CTrackObjContainer::RemoveTimeRange(LONGLONG from, LONGLONG to)
{
    DeleteRange(from, to, kAllMask, kAllMask);
    if (to == kTimeMax)
        return;
    // The gap closes by from - to - 1, which for a range spanning most of the time axis does not
    // fit 64 bits; what follows the range then moves in two halves.
    const __int128 delta = static_cast<__int128>(from) - to - 1;
    if (delta >= kTimeMin) {
        MoveObjectsInWindow(to + 1, kTimeMax, static_cast<LONGLONG>(delta));
        return;
    }
    const LONGLONG half = static_cast<LONGLONG>(delta / 2);
    const LONGLONG rest = static_cast<LONGLONG>(delta - half);
    for (CTrackObj* o : m_objects)
        if (o->GetEnd() >= to + 1) {
            o->Move(half);
            o->Move(rest);
        }
    Invalidate();
}

void CTrackObjContainer::InsertTimeAt(LONGLONG position, LONGLONG length)
{
    if (position == kTimeMax)
        return;
    RemoveTimeRange(position + 1, position);
    for (CTrackObj* o : m_objects)
        if (o->GetEnd() >= position + 1)
            o->Move(length);
    Invalidate();
}

void CTrackObjContainer::MoveObjectsInWindow(LONGLONG from, LONGLONG to, LONGLONG delta)
{
    for (CTrackObj* o : m_objects)
        if (o->GetEnd() >= from && o->GetStart() <= to)
            o->Move(delta);
    Invalidate();
}

BOOL CTrackObjContainer::MoveObjects(LONGLONG delta)
{
    for (CTrackObj* o : m_objects)
        o->Move(delta);
    Invalidate();
    return TRUE;
}

void CTrackObjContainer::CopyMatchingTo(CTrackObjContainer& destination, DWORD classMask, DWORD typeMask) const
{
    for (const CTrackObj* o : m_objects) {
        CTrackObj* copy = nullptr;
        if (o->Matches(classMask, typeMask) && o->Clone(&copy))
            destination.Append(copy);
    }
}

BOOL CTrackObjContainer::CopyObjectsFrom(const CTrackObjContainer& source, LONGLONG delta, DWORD classMask,
                                         DWORD typeMask)
{
    for (const CTrackObj* o : source.m_objects) {
        CTrackObj* copy = nullptr;
        if (o->Matches(classMask, typeMask) && o->Clone(&copy)) {
            copy->Move(delta);
            Append(copy);
        }
    }
    return TRUE;
}

void CTrackObjContainer::CopyRange(const CTrackObjContainer& source, LONGLONG from, LONGLONG to, DWORD classMask,
                                   DWORD typeMask)
{
    CopyObjectsFrom(source, 0, classMask, typeMask);
    // The ends of the time axis bound the cut-offs, so that a range reaching to either end keeps
    // everything on that side instead of wrapping around.
    if (to != kTimeMax)
        DeleteRange(to + 1, kTimeMax, kAllMask, kAllMask);
    if (from != kTimeMin)
        DeleteRange(kTimeMin, from - 1, kAllMask, kAllMask);
}

BOOL CTrackObjContainer::CopyObjectById(CTrackObjContainer& destination, LONG id) const
{
    CTrackObj* found = nullptr;
    CTrackObj* copy = nullptr;
    if (!FindById(id, &found) || !found->Clone(&copy))
        return FALSE;
    destination.Append(copy);
    return TRUE;
}

void CTrackObjContainer::OrderMarkers()
{
    const auto rank = [](const CTrackObj* o) {
        return o->GetClass() == kTrackObjSegment ? 0 : o->GetClass() == kTrackObjMarker ? 1 : 2;
    };
    std::stable_sort(m_objects.begin(), m_objects.end(), [&](const CTrackObj* a, const CTrackObj* b) {
        const int ra = rank(a);
        const int rb = rank(b);
        if (ra != rb || ra != 1)
            return ra < rb;
        if (a->GetStart() != b->GetStart())
            return a->GetStart() < b->GetStart();
        return a->GetType() < b->GetType();
    });
    Invalidate();
}

void CTrackObjContainer::ResolveOverlaps(DWORD classMask, DWORD typeMask)
{
    CTrackObjContainer working;
    CopyMatchingTo(working, classMask, typeMask);
    RemoveObjects(classMask, typeMask);
    std::stable_sort(working.m_objects.begin(), working.m_objects.end(),
                     [](const CTrackObj* a, const CTrackObj* b) { return a->GetTag() < b->GetTag(); });
    // The object itself goes back, not the first one with its id: ids may all still be -1.
    for (size_t i = working.m_objects.size(); i-- > 0;) {
        const CTrackObj* o = working.m_objects[i];
        DeleteRange(o->GetStart(), o->GetEnd(), classMask, typeMask);
        CTrackObj* copy = nullptr;
        if (o->Clone(&copy))
            Append(copy);
    }
}

void CTrackObjContainer::CloneObjectsTo(CTrackObjContainer& destination) const
{
    CopyMatchingTo(destination, kAllMask, kAllMask);
}

void CTrackObjContainer::AssignFrom(const CTrackObjContainer& source)
{
    if (&source == this)
        return;
    RemoveObjects(kAllMask, kAllMask);
    source.CloneObjectsTo(*this);
}

void CTrackObjContainer::AssignIds(LONG* counter)
{
    if (!counter)
        return;
    for (CTrackObj* o : m_objects)
        if (o->GetId() == -1)
            o->SetId((*counter)++);
}

void CTrackObjContainer::ClearIds()
{
    for (CTrackObj* o : m_objects)
        o->SetId(-1);
}

void CTrackObjContainer::ClearDelegates()
{
    for (CTrackObj* o : m_objects)
        o->SetDelegate(nullptr);
}

BOOL CTrackObjContainer::IsEqualTo(const CTrackObjContainer& other) const
{
    if (m_objects.size() != other.m_objects.size())
        return FALSE;
    for (size_t i = 0; i < m_objects.size(); ++i)
        if (!m_objects[i]->IsEqual(*other.m_objects[i]))
            return FALSE;
    return TRUE;
}

BOOL CTrackObjContainer::EqualsOnMasks(const CTrackObjContainer& other, DWORD classMask, DWORD typeMask) const
{
    CIdArray<const CTrackObj*, LONG> mine;
    CIdArray<const CTrackObj*, LONG> theirs;
    for (const CTrackObj* o : m_objects)
        if (o->Matches(classMask, typeMask))
            mine.InsertSorted(o, o->GetId());
    for (const CTrackObj* o : other.m_objects)
        if (o->Matches(classMask, typeMask))
            theirs.InsertSorted(o, o->GetId());
    if (mine.GetCount() != theirs.GetCount())
        return FALSE;
    for (INT_PTR i = 0; i < mine.GetCount(); ++i) {
        const CTrackObj* a = nullptr;
        const CTrackObj* b = nullptr;
        mine.GetAt(i, &a, nullptr);
        theirs.GetAt(i, &b, nullptr);
        if (!a->IsEqual(*b))
            return FALSE;
    }
    return TRUE;
}

void CTrackObjContainer::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << static_cast<DWORD>(m_objects.size());
        for (CTrackObj* o : m_objects) {
            archive << o->GetClass();
            o->Serialize(archive);
        }
        return;
    }
    DWORD count = 0;
    archive >> count;
    Invalidate();
    // Every entry takes at least its class word: a count beyond the data fails before the loop.
    archive.RequireAvailable(static_cast<ULONGLONG>(count) * sizeof(DWORD));
    for (DWORD i = 0; i < count; ++i) {
        DWORD objectClass = 0;
        archive >> objectClass;
        CTrackObj* object = nullptr;
        if (objectClass == kTrackObjMarker)
            object = new CMarker();
        else if (objectClass == kTrackObjSegment)
            object = new CSegment();
        else if (objectClass == kTrackObjEffectClip)
            object = NewEffectClip();
        else
            CArchiveException::Throw(CArchiveException::badIndex);
        try {
            object->Serialize(archive);
        } catch (...) {
            object->ReleaseObj();
            throw;
        }
        Append(object);
    }
}

BOOL CTrackObjContainer::WriteChunks(IRiffStream* stream) const
{
    for (const CTrackObj* o : m_objects)
        o->WriteChunk(stream);
    return TRUE;
}

BOOL CTrackObjContainer::ReadChunks(IRiffStream* stream)
{
    RemoveObjects(kAllMask, kAllMask);
    if (!stream)
        return TRUE;
    FOURCC id = 0;
    for (int n = 0; stream->GetChildId(n, &id); ++n) {
        if (id == CEfxClip::kListId) {
            ReadEffectClip(stream, n);
            continue;
        }
        if (id != CMarker::kChunkId && id != CSegment::kChunkId)
            continue;
        IArchive* archive = nullptr;
        DWORD size = 0;
        if (!stream->OpenChunk(n, &archive, &size) || !archive)
            continue;
        CTrackObj* object = nullptr;
        BOOL read = FALSE;
        if (id == CMarker::kChunkId) {
            CMarker* marker = new (std::nothrow) CMarker();
            read = marker && marker->ReadChunk(archive, size);
            object = marker;
        } else {
            CSegment* segment = new (std::nothrow) CSegment();
            read = segment && segment->ReadChunk(archive, size);
            object = segment;
        }
        stream->CloseChunk();
        if (read)
            Append(object);
        else if (object)
            object->ReleaseObj();
    }
    return TRUE;
}

void CTrackObjContainer::ReadEffectClip(IRiffStream* stream, int n)
{
    if (!stream->Descend(n))
        return;
    CEfxClip* clip = CEfxClip::Create();
    const BOOL read = clip && clip->ReadChunks(stream);
    stream->Ascend();
    if (read)
        Append(clip);
    else if (clip)
        clip->ReleaseObj();
}
