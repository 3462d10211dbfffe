#include "engine/core/server/UiUpdateQueueGroup.h"

#include <new>

CUiUpdateQueueGroup::CUiUpdateQueueGroup(IUnknown* outer) : CUnknown(outer) {}

CUiUpdateQueueGroup::~CUiUpdateQueueGroup()
{
    CSingleThreadLock lock(&m_lock);
    for (CUiUpdateQueue* member : m_members)
        member->NonDelegatingRelease();
    m_members.clear();
}

HRESULT CUiUpdateQueueGroup::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUiUpdateQueue))
        return GetInterface(static_cast<IUiUpdateQueue*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CUiUpdateQueueGroup::PopUpdate(int*, int*)
{
    return E_FAIL;
}

HRESULT CUiUpdateQueueGroup::PostUpdate(int code, int value, BOOL coalesceByCode)
{
    CSingleThreadLock lock(&m_lock);
    for (CUiUpdateQueue* member : m_members)
        member->PostUpdate(code, value, coalesceByCode);
    return S_OK;
}

BOOL CUiUpdateQueueGroup::AddQueue(CUiUpdateQueue* queue)
{
    if (!queue)
        return FALSE;
    CSingleThreadLock lock(&m_lock);
    try {
        m_members.reserve(m_members.size() + 1);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    queue->NonDelegatingAddRef();
    m_members.push_back(queue);
    return TRUE;
}
