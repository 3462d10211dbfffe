// CUiUpdateQueueGroup: fans every posted message out to its member queues (one per catalog
// display-item manager). Engine objects post to the group by asking the engine main object for
// IUiUpdateQueue; the group itself has nothing to pop.
//
// Lock order: the group lock is held while the members' locks are taken (group, then member),
// never the other way round.
#pragma once

#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/UiUpdateQueue.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IUiUpdateQueue.h"

#include <vector>

class CUiUpdateQueueGroup : public IUiUpdateQueue, public CUnknown {
public:
    explicit CUiUpdateQueueGroup(IUnknown* outer);
    // Releases every member.
    ~CUiUpdateQueueGroup() override;

    DECLARE_DELEGATING_UNKNOWN

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // E_FAIL: a group has nothing to pop.
    HRESULT STDMETHODCALLTYPE PopUpdate(int* code, int* value) override;
    // Posts to every member in order; S_OK.
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL coalesceByCode) override;

    // Appends queue with one reference (through its non-delegating AddRef); FALSE when the member
    // cannot be stored.
    BOOL AddQueue(CUiUpdateQueue* queue);

private:
    CSingleThreadToken m_lock;
    std::vector<CUiUpdateQueue*> m_members;
};
