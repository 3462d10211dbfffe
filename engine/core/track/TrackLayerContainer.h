// CTrackLayerContainer: a track's layers in order. It always holds its first layer (created at
// construction); it owns one reference to each layer and lets go of it through
// CTrackLayer::ReleaseFromOwner, so that ITrackLayer references handed out stay valid while held.
// Runs under the global mix lock.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/core/track/TrackLayer.h"

class CArchive;
struct IRiffStream;

// Versions of the track chunk forms.
inline constexpr DWORD kTrackVersionFlat = 0x40005;
inline constexpr DWORD kTrackVersionLayers = 0x50000;

class CTrackLayerContainer {
public:
    static constexpr FOURCC kLayerListId = mmioFOURCC('T', 'K', 'L', 'Y');

    CTrackLayerContainer();
    CTrackLayerContainer(const CTrackLayerContainer&) = delete;
    CTrackLayerContainer& operator=(const CTrackLayerContainer&) = delete;
    ~CTrackLayerContainer();

    int GetCount() const { return static_cast<int>(m_layers.size()); }
    // No reference is added.
    BOOL GetLayer(int index, CTrackLayer** layer) const;
    CTrackObjContainer* GetFirstObjects() const;
    HRESULT GetFirstTimeMap(CTimeMap** timeMap) const;
    HRESULT AddLayer(CTrackLayer** layer);
    void RemoveObjects(DWORD classMask, DWORD typeMask);
    void ClearIds();
    void RemoveById(LONG id);
    BOOL ContainsId(LONG id) const;
    HRESULT GetEarliestMixTime(LONGLONG* time) const;
    HRESULT GetLatestMixTime(LONGLONG* time) const;
    void AssignFrom(const CTrackLayerContainer& container);
    BOOL IsEqual(const CTrackLayerContainer& container) const;
    void CopyObjectByIdFrom(const CTrackLayerContainer& source, LONG id);
    void CopyAllTo(CTrackLayerContainer& destination, LONGLONG delta) const;
    void CopyNonEmptyTo(CTrackLayerContainer& destination, LONGLONG delta) const;
    void CopyMixRange(CTrackLayerContainer& destination, LONGLONG mixFrom, LONGLONG mixTo) const;
    void Compact();
    // Deletes the layer at index (not the first while it is the only one).
    void RemoveLayerAt(int index);
    // Reorders the layers: order[i] is the old index of the new i-th layer.
    void Reorder(const std::vector<int>& order);

    // Loading throws CArchiveException on malformed data.
    void Serialize(CArchive& archive);
    BOOL ReadChunks(IRiffStream* stream, DWORD version);
    BOOL WriteChunks(IRiffStream* stream, BOOL flat, BOOL firstOnly) const;

private:
    void DeleteLayersAfterFirst();

    std::vector<CTrackLayer*> m_layers;
};

// Calls visit with every object of every layer that matches the class and type masks, layer by
// layer in object order.
template <typename Visit>
void ForEachObject(const CTrackLayerContainer& layers, DWORD classMask, DWORD typeMask, Visit visit)
{
    for (int l = 0; l < layers.GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        if (!layers.GetLayer(l, &layer))
            continue;
        CTrackObjContainer& objects = layer->Objects();
        for (int i = 0; i < objects.GetCount(); ++i)
            if (objects.GetAt(i)->Matches(classMask, typeMask))
                visit(objects.GetAt(i));
    }
}
