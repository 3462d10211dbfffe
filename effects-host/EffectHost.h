// CEffectHost: one chain of effects in a DirectShow filter graph between the host's own feeder
// and receiver filters, and the list of installed effects to choose from. The graph is relinked
// and running after every change of the chain.
//
// Threads: every call comes under the owning COstrelObject's lock.
#pragma once

#include "classlib/com/ComPtr.h"
#include "effects-host/AvailableEffects.h"
#include "effects-host/EffectInstance.h"

#include <dshow.h>

#include <vector>

class CSampleFilter;

class CEffectHost {
public:
    // Both own filters built; NULL when memory fails.
    static CEffectHost* Create();
    ~CEffectHost();
    CEffectHost(const CEffectHost&) = delete;
    CEffectHost& operator=(const CEffectHost&) = delete;

    HRESULT Initialize();
    HRESULT GetAvailableEffect(int index, CLSID* clsid, WCHAR* name) const;
    HRESULT InsertEffect(const CLSID& clsid, LONG beforeId, IStream* state, LONG* id);
    HRESULT RemoveEffect(LONG id);
    HRESULT MoveEffect(LONG id, LONG beforeId);
    HRESULT GetEffectById(LONG id, IUnknown** filter) const;
    HRESULT GetInsertedEffect(int index, CLSID* clsid, WCHAR* name, LONG* id) const;
    HRESULT GetInputBuffer(BOOL discontinuity, BYTE** data, DWORD* bytes);
    HRESULT DeliverInputBuffer();
    HRESULT GetOutputBuffer(BYTE** data, DWORD* bytes, LONGLONG* handle);
    HRESULT ReleaseOutputBuffer(LONGLONG handle);
    bool HasEffects() const { return !m_inserted.empty(); }
    bool IsInitialized() const { return m_initialized; }

private:
    struct InsertedEffect {
        CLSID clsid;
        LONG id;
        EffectInstance instance;
    };

    CEffectHost() = default;
    HRESULT BuildGraph();
    // Stops the graph and disconnects every pin of the chain.
    void Unlink();
    // Unlink, then connect feeder, effects and receiver in order and run. E_FAIL when a plug-in
    // faults on the way.
    HRESULT Relink();
    HRESULT LinkChain();
    // Relink; when that fails, undo() puts the previous chain back, which is relinked again, and
    // the failure is returned. When the previous chain does not link either (an effect changed
    // since it was linked), the effects it cannot link are left out.
    template <typename Undo>
    HRESULT RelinkOrUndo(Undo undo);
    // Links the chain effect by effect, leaving out each one with which it does not link, so that
    // the graph runs what it can rather than stand stopped with effects in it (its stage would
    // then hand out silence).
    void LeaveOutUnlinkable();
    std::vector<InsertedEffect>::iterator FindInserted(LONG id);
    size_t InsertionIndex(LONG beforeId) const;

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
    ComPtr<CSampleFilter> m_feeder;
    ComPtr<CSampleFilter> m_receiver;
    bool m_initialized = false;
    bool m_listed = false;
    std::vector<AvailableEffect> m_available;
    std::vector<InsertedEffect> m_inserted;
};
