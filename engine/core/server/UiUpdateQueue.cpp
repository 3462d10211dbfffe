#include "engine/core/server/UiUpdateQueue.h"

#include <algorithm>
#include <new>

CUiUpdateQueue::CUiUpdateQueue(IUnknown* outer) : CUnknown(outer) {}

HRESULT CUiUpdateQueue::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUiUpdateQueue))
        return GetInterface(static_cast<IUiUpdateQueue*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CUiUpdateQueue::PopUpdate(int* code, int* value)
{
    if (!code || !value)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    if (m_messages.empty())
        return S_FALSE;
    *code = m_messages.front().code;
    *value = m_messages.front().value;
    m_messages.pop_front();
    return S_OK;
}

HRESULT CUiUpdateQueue::PostUpdate(int code, int value, BOOL coalesceByCode)
{
    CSingleThreadLock lock(&m_lock);
    const bool queued = std::any_of(m_messages.begin(), m_messages.end(), [&](const UIUPDATE_MSG& message) {
        return message.code == code && (coalesceByCode || message.value == value);
    });
    if (queued)
        return S_OK;
    try {
        m_messages.push_back({code, value});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
