#include "engine/core/track/TrackLayer.h"

#include "classlib/core/Archive.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"

HRESULT CTrackLayer::LookupInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_ITrackLayer) || IsEqualIID(iid, IID_IUnknown)) {
        StandAloneAddRef();
        *object = static_cast<ITrackLayer*>(this);
        return S_OK;
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CTrackLayer::GetMarker(int index, DWORD typeMask, ITrackMarker** marker)
{
    if (!marker)
        return E_POINTER;
    if (!m_objects.GetMarker(index, typeMask, marker, static_cast<ITrackLayer*>(this)))
        return E_FAIL;
    (*marker)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackLayer::GetRange(int index, DWORD typeMask, ITrackRange** range)
{
    if (!range)
        return E_POINTER;
    if (!m_objects.GetRange(index, typeMask, range, static_cast<ITrackLayer*>(this)))
        return E_FAIL;
    (*range)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackLayer::TrackToMixTime(LONGLONG trackTime, LONGLONG* mixTime)
{
    if (!mixTime)
        return E_POINTER;
    return SUCCEEDED(m_timeMap.TrackToMixTime(trackTime, mixTime)) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CTrackLayer::MixToTrackTime(LONGLONG mixTime, LONGLONG* trackTime)
{
    if (!trackTime)
        return E_POINTER;
    return SUCCEEDED(m_timeMap.MixToTrackTime(mixTime, trackTime)) ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CTrackLayer::MapToFilePosition(LONGLONG mixTime, LONGLONG* filePosition)
{
    if (!filePosition)
        return E_POINTER;
    LONGLONG trackTime = 0;
    if (m_timeMap.MixToTrackTimeInRange(mixTime, &trackTime, nullptr) != S_OK)
        return E_FAIL;
    return m_objects.TrackTimeToFilePosition(trackTime, filePosition) ? S_OK : E_FAIL;
}

void CTrackLayer::AssignFrom(const CTrackLayer& layer)
{
    if (&layer == this)
        return;
    m_objects.AssignFrom(layer.m_objects);
    layer.m_timeMap.CopyTo(m_timeMap);
}

BOOL CTrackLayer::IsEqual(const CTrackLayer& layer) const
{
    return m_objects.IsEqualTo(layer.m_objects) && m_timeMap == layer.m_timeMap;
}

HRESULT CTrackLayer::SetRatePoint(LONGLONG trackTime, LONGLONG mixTime, double rate)
{
    if (rate == 0.0)
        return m_timeMap.PrependPointAtTrackTime(trackTime);
    if (mixTime == kUnsetTime)
        return m_timeMap.AppendPointAtTrackTime(trackTime, rate);
    return m_timeMap.InsertPoint(mixTime, trackTime, rate);
}

HRESULT CTrackLayer::GetRateAt(LONGLONG mixTime, double* rate) const
{
    return m_timeMap.MixToTrackTimeInRange(mixTime, nullptr, rate);
}

void CTrackLayer::CopyObjectsTo(CTrackObjContainer& destination, DWORD classMask, DWORD typeMask) const
{
    m_objects.CopyMatchingTo(destination, classMask, typeMask);
}

BOOL CTrackLayer::MapMarkersToMixTime(CTrackObjContainer& container) const
{
    for (int i = 0; i < container.GetCount(); ++i) {
        CTrackObj* object = container.GetAt(i);
        if (object->GetClass() != kTrackObjMarker)
            continue;
        CMarker* marker = static_cast<CMarker*>(object);
        LONGLONG mixTime = 0;
        if (SUCCEEDED(m_timeMap.TrackToMixTime(marker->GetPositionValue(), &mixTime)))
            marker->SetPosition(mixTime);
    }
    return FALSE;
}

HRESULT CTrackLayer::SplitSegmentsAtMixTime(LONGLONG mixTime)
{
    LONGLONG t = 0;
    if (FAILED(m_timeMap.MixToTrackTime(mixTime, &t)))
        return E_FAIL;
    if (t == kTimeMax)
        return S_OK;
    m_objects.DeleteRange(t + 1, t, kTrackObjSegment, kAllMask);
    return S_OK;
}

HRESULT CTrackLayer::RemoveMixRange(LONGLONG mixFrom, LONGLONG mixTo)
{
    LONGLONG from = 0;
    LONGLONG to = 0;
    if (FAILED(m_timeMap.MixToTrackTime(mixFrom, &from)) || FAILED(m_timeMap.MixToTrackTime(mixTo, &to)))
        return E_FAIL;
    m_objects.RemoveTimeRange(from, to);
    return S_OK;
}

void CTrackLayer::Serialize(CArchive& archive)
{
    m_objects.Serialize(archive);
    m_timeMap.Serialize(archive);
}

void CTrackLayer::ReleaseFromOwner()
{
    m_objects.ClearDelegates();
    StandAloneRelease();
}
