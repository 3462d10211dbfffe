#include "effects-host/OstrelObject.h"

#include "effects-host/EffectHost.h"

#include <new>

COstrelObject::COstrelObject(CEffectHost* host) : m_host(host) {}

COstrelObject::~COstrelObject() = default;

HRESULT COstrelObject::Create(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CEffectHost* host = CEffectHost::Create();
    if (!host)
        return E_OUTOFMEMORY;
    auto* created = new (std::nothrow) COstrelObject(host);
    if (!created) {
        delete host;
        return E_OUTOFMEMORY;
    }
    created->AddRef();
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

HRESULT COstrelObject::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOstrel))
        return Give(static_cast<IOstrel*>(this), object);
    return E_NOINTERFACE;
}

HRESULT COstrelObject::Initialize()
{
    CComCritSecLock lock(m_section);
    return m_host->Initialize();
}

HRESULT COstrelObject::GetAvailableEffect(int index, CLSID* clsid, WCHAR* name)
{
    if (!clsid || !name)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    return m_host->GetAvailableEffect(index, clsid, name);
}

HRESULT COstrelObject::InsertEffect(const CLSID* clsid, LONG beforeId, IStream* state, LONG* id)
{
    if (!clsid || !id)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    return m_host->InsertEffect(*clsid, beforeId, state, id);
}

HRESULT COstrelObject::RemoveEffect(LONG id)
{
    CComCritSecLock lock(m_section);
    return m_host->RemoveEffect(id);
}

HRESULT COstrelObject::MoveEffect(LONG id, LONG beforeId)
{
    CComCritSecLock lock(m_section);
    return m_host->MoveEffect(id, beforeId);
}

HRESULT COstrelObject::GetEffectById(LONG id, IUnknown** filter)
{
    if (!filter)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    return m_host->GetEffectById(id, filter);
}

HRESULT COstrelObject::GetInsertedEffect(int index, CLSID* clsid, WCHAR* name, LONG* id)
{
    if (!clsid || !name || !id)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    return m_host->GetInsertedEffect(index, clsid, name, id);
}

HRESULT COstrelObject::GetInputBuffer(BOOL discontinuity, BYTE** data, DWORD* bytes)
{
    if (!data || !bytes)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    return m_host->GetInputBuffer(discontinuity, data, bytes);
}

HRESULT COstrelObject::DeliverInputBuffer()
{
    CComCritSecLock lock(m_section);
    return m_host->DeliverInputBuffer();
}

HRESULT COstrelObject::GetOutputBuffer(BYTE** data, DWORD* bytes, LONGLONG* handle)
{
    if (!data || !bytes || !handle)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    return m_host->GetOutputBuffer(data, bytes, handle);
}

HRESULT COstrelObject::ReleaseOutputBuffer(LONGLONG handle)
{
    CComCritSecLock lock(m_section);
    return m_host->ReleaseOutputBuffer(handle);
}

HRESULT COstrelObject::HasEffects()
{
    CComCritSecLock lock(m_section);
    return m_host->HasEffects() ? 1 : 0;
}

HRESULT COstrelObject::Lock()
{
    m_section.Lock();
    return S_OK;
}

HRESULT COstrelObject::Unlock()
{
    m_section.Unlock();
    return S_OK;
}
