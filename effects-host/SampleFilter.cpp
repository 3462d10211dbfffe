#include "effects-host/SampleFilter.h"

#include "effects-host/FeederPin.h"
#include "effects-host/PinEnum.h"
#include "effects-host/ReceiverPin.h"

#include <cwchar>
#include <new>

CSampleFilter::CSampleFilter(const CLSID& clsid) : m_clsid(clsid) {}

CSampleFilter::~CSampleFilter() = default;

CSampleFilter* CSampleFilter::CreateFeeder()
{
    auto* filter = new (std::nothrow) CSampleFilter(CLSID_SampleFeeder);
    if (!filter)
        return nullptr;
    filter->AddRef();
    filter->m_pin.reset(CFeederPin::Create(*filter));
    if (!filter->m_pin) {
        filter->Release();
        return nullptr;
    }
    return filter;
}

CSampleFilter* CSampleFilter::CreateReceiver()
{
    auto* filter = new (std::nothrow) CSampleFilter(CLSID_SampleReceiver);
    if (!filter)
        return nullptr;
    filter->AddRef();
    filter->m_pin.reset(new (std::nothrow) CReceiverPin(*filter));
    if (!filter->m_pin) {
        filter->Release();
        return nullptr;
    }
    return filter;
}

CFeederPin& CSampleFilter::Feeder()
{
    return static_cast<CFeederPin&>(*m_pin);
}

CReceiverPin& CSampleFilter::Receiver()
{
    return static_cast<CReceiverPin&>(*m_pin);
}

HRESULT CSampleFilter::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBaseFilter) || IsEqualIID(iid, IID_IMediaFilter) ||
        IsEqualIID(iid, IID_IPersist))
        return Give(static_cast<IBaseFilter*>(this), object);
    return E_NOINTERFACE;
}

HRESULT CSampleFilter::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT CSampleFilter::Stop()
{
    CComCritSecLock lock(m_section);
    m_state = State_Stopped;
    return S_OK;
}

HRESULT CSampleFilter::Pause()
{
    CComCritSecLock lock(m_section);
    m_state = State_Paused;
    return S_OK;
}

HRESULT CSampleFilter::Run(REFERENCE_TIME)
{
    CComCritSecLock lock(m_section);
    m_state = State_Running;
    return S_OK;
}

HRESULT CSampleFilter::GetState(DWORD, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    *state = m_state;
    return S_OK;
}

bool CSampleFilter::IsRunning()
{
    CComCritSecLock lock(m_section);
    return m_state == State_Running;
}

HRESULT CSampleFilter::SetSyncSource(IReferenceClock*)
{
    return S_OK;
}

HRESULT CSampleFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock)
        return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

HRESULT CSampleFilter::EnumPins(IEnumPins** pins)
{
    if (!pins)
        return E_POINTER;
    auto* enumerator = new (std::nothrow) CPinEnum(this, m_pin.get());
    if (!enumerator) {
        *pins = nullptr;
        return E_OUTOFMEMORY;
    }
    *pins = enumerator;
    enumerator->AddRef();
    return S_OK;
}

HRESULT CSampleFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin)
        return E_POINTER;
    *pin = nullptr;
    if (wcscmp(id, m_pin->Name()) != 0)
        return VFW_E_NOT_FOUND;
    *pin = m_pin.get();
    m_pin->AddRef();
    return S_OK;
}

HRESULT CSampleFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info)
        return E_POINTER;
    CComCritSecLock lock(m_section);
    wcsncpy(info->achName, m_name.c_str(), MAX_FILTER_NAME - 1);
    info->achName[MAX_FILTER_NAME - 1] = L'\0';
    info->pGraph = m_graph;
    if (m_graph)
        m_graph->AddRef();
    return S_OK;
}

HRESULT CSampleFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    CComCritSecLock lock(m_section);
    m_graph = graph;
    m_name = name ? name : L"";
    return S_OK;
}

HRESULT CSampleFilter::QueryVendorInfo(LPWSTR* info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}
