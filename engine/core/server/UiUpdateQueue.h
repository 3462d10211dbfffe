// CUiUpdateQueue: a queue of UIUPDATE_MSG, oldest first, without an upper bound. Duplicates are
// collapsed at posting time (see PostUpdate), so between two drains of the main program repeated
// notifications with the same code and value become one entry.
//
// Threads: posters on any thread; the main program pops on its UI thread, the service thread pops
// the engine queue. The queue lock is innermost: nothing else is taken while it is held.
#pragma once

#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/UiUpdateMsg.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IUiUpdateQueue.h"

#include <deque>

class CUiUpdateQueue : public IUiUpdateQueue, public CUnknown {
public:
    explicit CUiUpdateQueue(IUnknown* outer);

    DECLARE_DELEGATING_UNKNOWN

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE PopUpdate(int* code, int* value) override;
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL coalesceByCode) override;

private:
    CSingleThreadToken m_lock;
    std::deque<UIUPDATE_MSG> m_messages;
};
