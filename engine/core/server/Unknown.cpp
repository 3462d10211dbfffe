#include "engine/core/server/Unknown.h"

namespace {
volatile LONG g_activity = 0;
volatile LONG g_serverLocks = 0;
}  // namespace

CUnknown::CUnknown(IUnknown* outer) : m_outer(outer ? outer : GetInner()) {}

HRESULT CUnknown::GetInterface(void* iface, void** object)
{
    *object = iface;
    static_cast<IUnknown*>(iface)->AddRef();
    return S_OK;
}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = GetInner();
        NonDelegatingAddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG CUnknown::NonDelegatingRelease()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) {
        FinalRelease();
        Destroy(1);
        return 0;
    }
    return static_cast<ULONG>(count);
}

void CUnknown::Destroy(int flags)
{
    if (flags & 1)
        delete this;
    else
        this->~CUnknown();
}

void CUnknown::FinalRelease()
{
    InterlockedExchange(&m_refCount, 1);
}

CUnknownStandAlone::~CUnknownStandAlone()
{
    SetDelegate(nullptr);
}

HRESULT CUnknownStandAlone::LookupInterface(REFIID, void**)
{
    return E_FAIL;
}

void CUnknownStandAlone::SetDelegate(IUnknown* delegate)
{
    if (delegate)
        delegate->AddRef();
    IUnknown* old =
        static_cast<IUnknown*>(InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&m_delegate), delegate));
    if (old)
        old->Release();
}

HRESULT CUnknownStandAlone::StandAloneQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (SUCCEEDED(LookupInterface(iid, object)))
        return S_OK;
    if (m_delegate)
        return m_delegate->QueryInterface(iid, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknownStandAlone::StandAloneAddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG CUnknownStandAlone::StandAloneRelease()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

namespace ModuleCounts {
void AddActivity()
{
    InterlockedIncrement(&g_activity);
}
void RemoveActivity()
{
    InterlockedDecrement(&g_activity);
}
LONG Activity()
{
    return g_activity;
}
void LockServer(bool lock)
{
    lock ? InterlockedIncrement(&g_serverLocks) : InterlockedDecrement(&g_serverLocks);
}
LONG ServerLocks()
{
    return g_serverLocks;
}
}  // namespace ModuleCounts
