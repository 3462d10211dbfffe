#include "engine/core/track/TrackLayerContainer.h"

#include <algorithm>
#include <new>

#include "classlib/core/Archive.h"
#include "engine/core/track/Segment.h"
#include "interfaces/IRiffStream.h"

CTrackLayerContainer::CTrackLayerContainer()
{
    m_layers.push_back(new CTrackLayer());
}

CTrackLayerContainer::~CTrackLayerContainer()
{
    for (CTrackLayer* layer : m_layers)
        layer->ReleaseFromOwner();
}

BOOL CTrackLayerContainer::GetLayer(int index, CTrackLayer** layer) const
{
    if (index < 0 || index >= GetCount() || !layer)
        return FALSE;
    *layer = m_layers[static_cast<size_t>(index)];
    return TRUE;
}

CTrackObjContainer* CTrackLayerContainer::GetFirstObjects() const
{
    return m_layers.empty() ? nullptr : &m_layers.front()->Objects();
}

HRESULT CTrackLayerContainer::GetFirstTimeMap(CTimeMap** timeMap) const
{
    if (m_layers.empty() || !timeMap)
        return E_FAIL;
    *timeMap = &m_layers.front()->TimeMap();
    return S_OK;
}

HRESULT CTrackLayerContainer::AddLayer(CTrackLayer** layer)
{
    CTrackLayer* created = new (std::nothrow) CTrackLayer();
    if (!created)
        return E_FAIL;
    try {
        m_layers.push_back(created);
    } catch (const std::bad_alloc&) {
        created->ReleaseFromOwner();
        return E_FAIL;
    }
    if (layer)
        *layer = created;
    return S_OK;
}

void CTrackLayerContainer::DeleteLayersAfterFirst()
{
    while (m_layers.size() > 1) {
        CTrackLayer* layer = m_layers.back();
        m_layers.pop_back();
        layer->ReleaseFromOwner();
    }
}

void CTrackLayerContainer::RemoveLayerAt(int index)
{
    if (index < 0 || index >= GetCount() || (index == 0 && m_layers.size() == 1))
        return;
    CTrackLayer* layer = m_layers[static_cast<size_t>(index)];
    m_layers.erase(m_layers.begin() + index);
    layer->ReleaseFromOwner();
}

void CTrackLayerContainer::Reorder(const std::vector<int>& order)
{
    if (order.size() != m_layers.size())
        return;
    std::vector<CTrackLayer*> reordered;
    for (int index : order)
        reordered.push_back(m_layers[static_cast<size_t>(index)]);
    m_layers.swap(reordered);
}

void CTrackLayerContainer::RemoveObjects(DWORD classMask, DWORD typeMask)
{
    if (classMask == kAllMask) {
        DeleteLayersAfterFirst();
        if (!m_layers.empty())
            m_layers.front()->Objects().RemoveObjects(kAllMask, kAllMask);
        return;
    }
    for (CTrackLayer* layer : m_layers)
        layer->Objects().RemoveObjects(classMask, typeMask);
}

void CTrackLayerContainer::ClearIds()
{
    for (CTrackLayer* layer : m_layers)
        layer->Objects().ClearIds();
}

void CTrackLayerContainer::RemoveById(LONG id)
{
    for (CTrackLayer* layer : m_layers)
        layer->Objects().RemoveById(id);
}

BOOL CTrackLayerContainer::ContainsId(LONG id) const
{
    for (const CTrackLayer* layer : m_layers)
        if (layer->Objects().FindById(id, nullptr))
            return TRUE;
    return FALSE;
}

HRESULT CTrackLayerContainer::GetEarliestMixTime(LONGLONG* time) const
{
    bool found = false;
    LONGLONG result = 0;
    for (const CTrackLayer* layer : m_layers) {
        LONGLONG t = 0;
        if (layer->TimeMap().GetFirstMixTime(&t) != S_OK)
            continue;
        if (!found || t < result)
            result = t;
        found = true;
    }
    if (!found)
        return E_FAIL;
    if (time)
        *time = result;
    return S_OK;
}

HRESULT CTrackLayerContainer::GetLatestMixTime(LONGLONG* time) const
{
    bool found = false;
    LONGLONG result = 0;
    for (const CTrackLayer* layer : m_layers) {
        LONGLONG t = 0;
        if (layer->TimeMap().GetLastMixTime(&t) != S_OK)
            continue;
        if (!found || t > result)
            result = t;
        found = true;
    }
    if (!found)
        return E_FAIL;
    if (time)
        *time = result;
    return S_OK;
}

void CTrackLayerContainer::AssignFrom(const CTrackLayerContainer& container)
{
    if (&container == this)
        return;
    for (size_t i = 0; i < container.m_layers.size(); ++i) {
        if (i >= m_layers.size() && FAILED(AddLayer(nullptr)))
            return;
        m_layers[i]->AssignFrom(*container.m_layers[i]);
    }
    while (m_layers.size() > container.m_layers.size() && m_layers.size() > 1)
        RemoveLayerAt(GetCount() - 1);
}

BOOL CTrackLayerContainer::IsEqual(const CTrackLayerContainer& container) const
{
    if (m_layers.size() != container.m_layers.size())
        return FALSE;
    for (size_t i = 0; i < m_layers.size(); ++i)
        if (!m_layers[i]->IsEqual(*container.m_layers[i]))
            return FALSE;
    return TRUE;
}

void CTrackLayerContainer::CopyObjectByIdFrom(const CTrackLayerContainer& source, LONG id)
{
    while (m_layers.size() < source.m_layers.size())
        if (FAILED(AddLayer(nullptr)))
            return;
    for (size_t i = 0; i < source.m_layers.size(); ++i)
        source.m_layers[i]->Objects().CopyObjectById(m_layers[i]->Objects(), id);
}

void CTrackLayerContainer::CopyAllTo(CTrackLayerContainer& destination, LONGLONG delta) const
{
    for (const CTrackLayer* layer : m_layers) {
        CTrackLayer* added = nullptr;
        if (SUCCEEDED(destination.AddLayer(&added)))
            added->Objects().CopyObjectsFrom(layer->Objects(), delta, kAllMask, kAllMask);
    }
}

void CTrackLayerContainer::CopyNonEmptyTo(CTrackLayerContainer& destination, LONGLONG delta) const
{
    for (const CTrackLayer* layer : m_layers) {
        if (layer->Objects().GetCount() == 0)
            continue;
        CTrackLayer* added = nullptr;
        if (SUCCEEDED(destination.AddLayer(&added)))
            added->Objects().CopyObjectsFrom(layer->Objects(), delta, kAllMask, kAllMask);
    }
}

void CTrackLayerContainer::CopyMixRange(CTrackLayerContainer& destination, LONGLONG mixFrom, LONGLONG mixTo) const
{
    for (size_t i = 0; i < m_layers.size(); ++i) {
        const CTrackLayer* layer = m_layers[i];
        LONGLONG first = 0;
        LONGLONG last = 0;
        if (layer->TimeMap().GetFirstMixTime(&first) != S_OK || layer->TimeMap().GetLastMixTime(&last) != S_OK ||
            last < mixFrom || first > mixTo)
            continue;
        LONGLONG from = 0;
        LONGLONG to = 0;
        if (FAILED(layer->TimeMap().MixToTrackTime(mixFrom, &from)) ||
            FAILED(layer->TimeMap().MixToTrackTime(mixTo, &to)))
            continue;
        while (destination.m_layers.size() <= i)
            if (FAILED(destination.AddLayer(nullptr)))
                return;
        CTrackLayer* target = destination.m_layers[i];
        target->Objects().CopyRange(layer->Objects(), from, to, kAllMask, kAllMask);
        layer->TimeMap().CopyTo(target->TimeMap());
    }
}

void CTrackLayerContainer::Compact()
{
    if (m_layers.empty())
        return;
    if (m_layers.front()->Objects().CountSegments() == 0)
        for (size_t i = 1; i < m_layers.size(); ++i)
            if (m_layers[i]->Objects().CountSegments() > 0) {
                m_layers.front()->AssignFrom(*m_layers[i]);
                m_layers[i]->Objects().RemoveObjects(kAllMask, kAllMask);
                break;
            }
    for (int i = GetCount() - 1; i >= 1; --i)
        if (m_layers[static_cast<size_t>(i)]->Objects().CountSegments() == 0)
            RemoveLayerAt(i);
}

void CTrackLayerContainer::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << static_cast<DWORD>(m_layers.size());
        for (CTrackLayer* layer : m_layers)
            layer->Serialize(archive);
        return;
    }
    RemoveObjects(kAllMask, kAllMask);
    DeleteLayersAfterFirst();
    if (!m_layers.empty())
        m_layers.front()->TimeMap().Clear();
    DWORD count = 0;
    archive >> count;
    // Each layer takes at least its object count, point count and two cached times.
    archive.RequireAvailable(static_cast<ULONGLONG>(count) * 24);
    for (DWORD i = 0; i < count; ++i) {
        CTrackLayer* layer = nullptr;
        if (i == 0)
            layer = m_layers.front();
        else if (FAILED(AddLayer(&layer)))
            throw std::bad_alloc();
        layer->Serialize(archive);
    }
}

BOOL CTrackLayerContainer::ReadChunks(IRiffStream* stream, DWORD version)
{
    RemoveObjects(kAllMask, kAllMask);
    if (!stream)
        return TRUE;
    if (version == kTrackVersionFlat)
        return m_layers.front()->Objects().ReadChunks(stream);
    FOURCC id = 0;
    int layersRead = 0;
    for (int n = 0; stream->GetChildId(n, &id); ++n) {
        if (id != kLayerListId)
            continue;
        CTrackLayer* layer = nullptr;
        if (layersRead == 0)
            layer = m_layers.front();
        else if (FAILED(AddLayer(&layer)))
            continue;
        if (!stream->Descend(n)) {
            if (layersRead > 0)
                RemoveLayerAt(GetCount() - 1);
            continue;
        }
        layer->Objects().ReadChunks(stream);
        stream->Ascend();
        ++layersRead;
    }
    return TRUE;
}

BOOL CTrackLayerContainer::WriteChunks(IRiffStream* stream, BOOL flat, BOOL firstOnly) const
{
    if (!stream)
        return FALSE;
    for (const CTrackLayer* layer : m_layers) {
        if (!stream->CreateList(kLayerListId))
            return FALSE;
        layer->Objects().WriteChunks(stream);
        stream->Ascend();
    }
    if (flat)
        for (const CTrackLayer* layer : m_layers) {
            layer->Objects().WriteChunks(stream);
            if (firstOnly)
                break;
        }
    return TRUE;
}
