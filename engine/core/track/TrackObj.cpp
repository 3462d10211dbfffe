#include "engine/core/track/TrackObj.h"

#include <limits>

#include "classlib/core/Archive.h"

CTrackObj::CTrackObj(DWORD objectClass) : m_class(objectClass) {}

HRESULT CTrackObj::LookupInterface(REFIID, void**)
{
    return E_FAIL;
}

BOOL CTrackObj::GetMarkerInterface(ITrackMarker**)
{
    return FALSE;
}

BOOL CTrackObj::GetRangeInterface(ITrackRange**)
{
    return FALSE;
}

void CTrackObj::SetType(DWORD type)
{
    m_type = type;
}

void CTrackObj::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << m_class << m_type << m_id << m_tag;
        return;
    }
    DWORD storedClass = 0;
    archive >> storedClass;
    // The class word decides the object's C++ type: a record of another class is not this object.
    if (storedClass != m_class)
        CArchiveException::Throw(CArchiveException::badClass);
    archive >> m_type >> m_id >> m_tag;
}

BOOL CTrackObj::IsEqual(const CTrackObj& other) const
{
    return EqualBase(other);
}

void CTrackObj::CopyBaseFrom(const CTrackObj& other)
{
    m_class = other.m_class;
    m_type = other.m_type;
    m_id = other.m_id;
    m_tag = other.m_tag;
}

BOOL CTrackObj::EqualBase(const CTrackObj& other) const
{
    return m_class == other.m_class && m_type == other.m_type && m_id == other.m_id && m_tag == other.m_tag;
}

BOOL CTrackObj::DiffersFromBase(const CTrackObj& other) const
{
    return !EqualBase(other);
}

LONGLONG SaturatingAdd(LONGLONG a, LONGLONG b)
{
    LONGLONG sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<LONGLONG>::max() : std::numeric_limits<LONGLONG>::min();
}
