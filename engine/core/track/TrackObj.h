// CTrackObj: the common base of everything that lies on a track's timeline (markers, segments,
// effect clips). Reference counted through CUnknownStandAlone; the container that holds an object
// owns one reference. The delegate is the owning track or layer, which answers every IID the
// object does not. Everything but the count runs under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "engine/core/server/Unknown.h"

class CArchive;
struct IRiffStream;
struct ITrackMarker;
struct ITrackRange;

// Object classes (one bit each; filters test class & mask).
enum : DWORD {
    kTrackObjMarker = 1,
    kTrackObjSegment = 2,
    kTrackObjEffectClip = 4,
};

inline constexpr DWORD kTrackObjDefaultTag = 0x40000000;

class CTrackObj : public CUnknownStandAlone {
public:
    explicit CTrackObj(DWORD objectClass);

    // The object's own IIDs; the public QueryInterface then asks the delegate.
    HRESULT LookupInterface(REFIID iid, void** object) override;

    virtual LONGLONG GetStart() const = 0;
    virtual LONGLONG GetEnd() const = 0;
    virtual BOOL Move(LONGLONG delta) = 0;
    // A new object covering only [from, to] of this one; markers make nothing and return 0.
    virtual BOOL CloneRange(LONGLONG from, LONGLONG to, CTrackObj** clone) const = 0;
    // No reference is added to what these hand out.
    virtual BOOL GetMarkerInterface(ITrackMarker** marker);
    virtual BOOL GetRangeInterface(ITrackRange** range);
    virtual void SetType(DWORD type);
    // The archive form: class, type, id and tag, then the class's own fields. Loading throws
    // CArchiveException on short or malformed data.
    virtual void Serialize(CArchive& archive);
    virtual BOOL WriteChunk(IRiffStream* stream) const = 0;
    virtual BOOL Clone(CTrackObj** clone) const = 0;
    virtual BOOL IsEqual(const CTrackObj& other) const;
    virtual void CopyBaseFrom(const CTrackObj& other);
    virtual BOOL EqualBase(const CTrackObj& other) const;
    virtual BOOL DiffersFromBase(const CTrackObj& other) const;
    virtual void Validate() {}

    void AddRefObj() { StandAloneAddRef(); }
    void ReleaseObj() { StandAloneRelease(); }

    DWORD GetClass() const { return m_class; }
    DWORD GetType() const { return m_type; }
    LONG GetId() const { return m_id; }
    void SetId(LONG id) { m_id = id; }
    DWORD GetTag() const { return m_tag; }
    void SetTag(DWORD tag) { m_tag = tag; }
    bool Matches(DWORD classMask, DWORD typeMask) const
    {
        return (m_class & classMask) != 0 && (m_type & typeMask) != 0;
    }

protected:
    DWORD m_class;
    DWORD m_type = 0;
    LONG m_id = -1;
    DWORD m_tag = kTrackObjDefaultTag;
};

// Time arithmetic that stays inside the signed 64-bit range: edits near the ends of the time
// axis saturate instead of wrapping around to the other end.
LONGLONG SaturatingAdd(LONGLONG a, LONGLONG b);
