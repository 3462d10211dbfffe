// CEfxManager: an effects chain described by one effect list and applied to every registered
// effects host (processor), so that the live and the pending play stream run the same effects
// with the same settings. The first processor is the reference: the user interface edits its
// chain through IEfxManager, and each edit is captured into the list and propagated to the
// others. The mix manager owns the master chain's manager; every effect clip owns one too.
//
// Changes are reported to the owner's mix manager (IMixManagerInternal::UpdateMix); a manager
// without an owner (an effect clip's) reports to nobody.
//
// Threads: IEfxManager calls come from the user interface thread and take the global mix lock
// themselves; the engine-side operations come from the mix manager (a rebuild on the service
// tick copies a clip's list), which holds it already. Each host call takes the host's own lock,
// so a chain never changes in the middle of a processing pass.
//
// An edit of the first processor's chain that fails may still change it (an effect that no
// longer links is left out): the list, the other processors and the owner follow the chain
// whenever it changed.
#pragma once

#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/core/server/Unknown.h"
#include "engine/playback/effects/EfxInfoCntr.h"
#include "interfaces/IEfxManager.h"
#include "interfaces/IOstrel.h"

class CEfxManager : public IEfxManager, public CUnknown {
public:
    // outer: the owner (engine main object) that routes the mix manager's interface; NULL for a
    // manager without an owner.
    explicit CEfxManager(IUnknown* outer);

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    void FinalRelease() override;

    // IEfxManager
    HRESULT STDMETHODCALLTYPE GetAvailablePlugIn(int index, DWORD* plugInIndex, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE QueryAvailablePlugIn(int index, DWORD* plugInIndex, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE GetChainPlugIn(int position, BSTR* name, LONG* id) override;
    HRESULT STDMETHODCALLTYPE AddChainPlugIn(int availableIndex) override;
    HRESULT STDMETHODCALLTYPE RemoveChainPlugIn(LONG id) override;
    BOOL STDMETHODCALLTYPE MoveChainPlugIn(LONG id, LONG beforeId) override;
    HRESULT STDMETHODCALLTYPE GetChainPlugInObject(LONG id, IUnknown** object) override;
    HRESULT STDMETHODCALLTYPE RevertChainSettings() override;
    HRESULT STDMETHODCALLTYPE CommitChainSettings() override;

    // Engine side.
    // Registers a host once (with a reference); the list is applied to it at the next
    // ApplyPending.
    void AddProcessor(IOstrel* processor);
    void RemoveProcessor(IOstrel* processor);
    // Takes a new list (nothing happens when it equals the current one) and applies it.
    BOOL SetEffectList(const CEfxInfoCntr& list);
    BOOL GetEffectList(CEfxInfoCntr& list) const;
    // Processors and list of other; the list counts as changed when it differs.
    BOOL CopyFrom(const CEfxManager& other);
    BOOL IsEqual(const CEfxManager& other) const;
    // Applies the list to every processor when it changed since the last time.
    void ApplyPending();
    int GetProcessorCount() const { return static_cast<int>(m_processors.size()); }
    const CEfxInfoCntr& EffectList() const { return m_list; }

private:
    IOstrel* First() const { return m_processors.empty() ? nullptr : m_processors.front().get(); }
    // After an edit of the first processor's chain with this result: Capture, Propagate and
    // Notify when the chain changed.
    void FollowChainEdit(HRESULT result);
    static bool IsInChain(IOstrel* host, LONG id);
    // Whether the first processor's chain is other than the list's effects (by host id, in order).
    bool ChainDiffersFromList() const;
    // The first processor's chain, with each effect's settings, into the list.
    void Capture();
    // Empties processor's chain and inserts every effect of list with its settings; the host ids
    // go into the list's records (kEfxNotInserted for an effect the host refused).
    static void Apply(const CEfxInfoCntr& list, IOstrel* processor);
    // A copy of the list applied to every processor after the first.
    void Propagate();
    void Notify(BOOL modified);

    std::vector<ComPtr<IOstrel>> m_processors;
    CEfxInfoCntr m_list;
    bool m_modified = false;
};
