#include "engine/playback/effects/EfxManager.h"

#include <algorithm>

#include "engine/core/mix/MixManagerInternal.h"
#include "engine/core/server/LiveAndPendingMixLock.h"

namespace {

constexpr int kNameChars = 128;

HRESULT NameToBstr(const WCHAR* name, BSTR* out)
{
    *out = SysAllocString(name);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

CEfxManager::CEfxManager(IUnknown* outer) : CUnknown(outer) {}

HRESULT CEfxManager::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IEfxManager))
        return GetInterface(static_cast<IEfxManager*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CEfxManager::FinalRelease()
{
    m_processors.clear();
    m_list.ReleaseAll();
    CUnknown::FinalRelease();
}

HRESULT CEfxManager::GetAvailablePlugIn(int index, DWORD* plugInIndex, BSTR* name)
{
    if (!plugInIndex || !name)
        return E_POINTER;
    *name = nullptr;
    CLiveAndPendingMixSingleThreadAccess lock;
    IOstrel* host = First();
    CLSID clsid{};
    WCHAR text[kNameChars] = {};
    if (!host || host->GetAvailableEffect(index, &clsid, text) != S_OK)
        return E_FAIL;
    *plugInIndex = static_cast<DWORD>(index);
    return NameToBstr(text, name);
}

HRESULT CEfxManager::QueryAvailablePlugIn(int index, DWORD* plugInIndex, BSTR* name)
{
    return GetAvailablePlugIn(index, plugInIndex, name);
}

HRESULT CEfxManager::GetChainPlugIn(int position, BSTR* name, LONG* id)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    CLiveAndPendingMixSingleThreadAccess lock;
    IOstrel* host = First();
    CLSID clsid{};
    WCHAR text[kNameChars] = {};
    LONG effectId = 0;
    if (!host || host->GetInsertedEffect(position, &clsid, text, &effectId) != S_OK)
        return E_FAIL;
    if (id)
        *id = effectId;
    return NameToBstr(text, name);
}

HRESULT CEfxManager::AddChainPlugIn(int availableIndex)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    IOstrel* host = First();
    CLSID clsid{};
    WCHAR text[kNameChars] = {};
    if (!host || host->GetAvailableEffect(availableIndex, &clsid, text) != S_OK)
        return E_FAIL;
    LONG id = 0;
    const HRESULT hr = host->InsertEffect(&clsid, -1, nullptr, &id);
    FollowChainEdit(hr);
    // The main program shows its error only on E_FAIL.
    return SUCCEEDED(hr) ? S_OK : E_FAIL;
}

HRESULT CEfxManager::RemoveChainPlugIn(LONG id)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    IOstrel* host = First();
    if (!host)
        return E_FAIL;
    const bool inserted = IsInChain(host, id);
    FollowChainEdit(host->RemoveEffect(id));
    // What the chain holds now answers: a failed removal puts the effect back, but may have left
    // out another one.
    return inserted && !IsInChain(host, id) ? S_OK : E_FAIL;
}

BOOL CEfxManager::MoveChainPlugIn(LONG id, LONG beforeId)
{
    CLiveAndPendingMixSingleThreadAccess lock;
    IOstrel* host = First();
    if (!host)
        return FALSE;
    const HRESULT hr = host->MoveEffect(id, beforeId);
    FollowChainEdit(hr);
    return SUCCEEDED(hr) ? TRUE : FALSE;
}

HRESULT CEfxManager::GetChainPlugInObject(LONG id, IUnknown** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLiveAndPendingMixSingleThreadAccess lock;
    IOstrel* host = First();
    if (!host)
        return E_FAIL;
    return SUCCEEDED(host->GetEffectById(id, object)) ? S_OK : E_FAIL;
}

HRESULT CEfxManager::RevertChainSettings()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    IOstrel* host = First();
    if (!host)
        return E_FAIL;
    Apply(m_list, host);
    Propagate();
    Notify(FALSE);
    return S_OK;
}

HRESULT CEfxManager::CommitChainSettings()
{
    CLiveAndPendingMixSingleThreadAccess lock;
    if (!First())
        return E_FAIL;
    Capture();
    Propagate();
    Notify(TRUE);
    return S_OK;
}

void CEfxManager::AddProcessor(IOstrel* processor)
{
    if (!processor)
        return;
    const bool known = std::any_of(m_processors.begin(), m_processors.end(),
                                   [processor](const ComPtr<IOstrel>& p) { return p.get() == processor; });
    if (known)
        return;
    m_processors.push_back(ComPtr<IOstrel>::copy(processor));
    m_modified = true;
}

void CEfxManager::RemoveProcessor(IOstrel* processor)
{
    std::erase_if(m_processors, [processor](const ComPtr<IOstrel>& p) { return p.get() == processor; });
}

BOOL CEfxManager::SetEffectList(const CEfxInfoCntr& list)
{
    // An equal list changes nothing, but a processor added since the last change still waits
    // for it.
    if (!list.IsEqual(m_list)) {
        if (!list.CopyTo(m_list))
            return FALSE;
        m_modified = true;
    }
    ApplyPending();
    return TRUE;
}

BOOL CEfxManager::GetEffectList(CEfxInfoCntr& list) const
{
    return m_list.CopyTo(list);
}

BOOL CEfxManager::CopyFrom(const CEfxManager& other)
{
    if (&other == this)
        return TRUE;
    m_processors = other.m_processors;
    if (!other.m_list.IsEqual(m_list)) {
        if (!other.m_list.CopyTo(m_list))
            return FALSE;
        m_modified = true;
    }
    return TRUE;
}

BOOL CEfxManager::IsEqual(const CEfxManager& other) const
{
    if (m_modified != other.m_modified || !m_list.IsEqual(other.m_list) ||
        m_processors.size() != other.m_processors.size())
        return FALSE;
    for (size_t i = 0; i < m_processors.size(); ++i)
        if (m_processors[i].get() != other.m_processors[i].get())
            return FALSE;
    return TRUE;
}

void CEfxManager::ApplyPending()
{
    IOstrel* host = First();
    if (!m_modified || !host)
        return;
    Apply(m_list, host);
    Propagate();
    m_modified = false;
}

void CEfxManager::FollowChainEdit(HRESULT result)
{
    if (FAILED(result) && !ChainDiffersFromList())
        return;
    Capture();
    Propagate();
    Notify(TRUE);
}

bool CEfxManager::IsInChain(IOstrel* host, LONG id)
{
    CLSID clsid{};
    WCHAR name[kNameChars] = {};
    LONG inserted = 0;
    for (int i = 0; host->GetInsertedEffect(i, &clsid, name, &inserted) == S_OK; ++i)
        if (inserted == id)
            return true;
    return false;
}

bool CEfxManager::ChainDiffersFromList() const
{
    IOstrel* host = First();
    CLSID clsid{};
    WCHAR name[kNameChars] = {};
    LONG id = 0;
    int i = 0;
    for (; host->GetInsertedEffect(i, &clsid, name, &id) == S_OK; ++i)
        if (i >= m_list.GetCount() || m_list.GetAt(i)->GetHostId() != id)
            return true;
    return i != m_list.GetCount();
}

void CEfxManager::Capture()
{
    IOstrel* host = First();
    m_list.ReleaseAll();
    if (!host)
        return;
    CLSID clsid{};
    WCHAR name[kNameChars] = {};
    LONG id = 0;
    for (int i = 0; host->GetInsertedEffect(i, &clsid, name, &id) == S_OK; ++i) {
        CEfxInfo* info = CEfxInfo::Create();
        if (!info)
            return;
        info->Set(clsid, name, id);
        ComPtr<IUnknown> filter;
        ComPtr<IPersistStream> persist;
        ULARGE_INTEGER size{};
        if (SUCCEEDED(host->GetEffectById(id, filter.put())) &&
            SUCCEEDED(filter->QueryInterface(IID_IPersistStream, persist.put_void())) &&
            SUCCEEDED(persist->GetSizeMax(&size)) && SUCCEEDED(info->SetSize(size))) {
            LARGE_INTEGER start{};
            info->Seek(start, STREAM_SEEK_SET, nullptr);
            persist->Save(info, TRUE);
        }
        m_list.Append(info);
    }
}

void CEfxManager::Apply(const CEfxInfoCntr& list, IOstrel* processor)
{
    std::vector<LONG> ids;
    CLSID clsid{};
    WCHAR name[kNameChars] = {};
    LONG id = 0;
    for (int i = 0; processor->GetInsertedEffect(i, &clsid, name, &id) == S_OK; ++i)
        ids.push_back(id);
    for (LONG inserted : ids)
        processor->RemoveEffect(inserted);
    for (int i = 0; i < list.GetCount(); ++i) {
        CEfxInfo* info = list.GetAt(i);
        LONG newId = kEfxNotInserted;
        if (FAILED(processor->InsertEffect(&info->GetClsid(), -1, info, &newId)))
            newId = kEfxNotInserted;
        info->SetHostId(newId);
    }
}

void CEfxManager::Propagate()
{
    for (size_t i = 1; i < m_processors.size(); ++i) {
        CEfxInfoCntr copy;
        if (m_list.CopyTo(copy))
            Apply(copy, m_processors[i].get());
    }
}

void CEfxManager::Notify(BOOL modified)
{
    ComPtr<IMixManagerInternal> mixManager;
    if (SUCCEEDED(GetOuter()->QueryInterface(IID_IMixManagerInternal, mixManager.put_void())))
        mixManager->UpdateMix(modified);
}
