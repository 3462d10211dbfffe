#include "effects-host/SamplePinBase.h"

#include "classlib/com/CriticalSection.h"
#include "effects-host/MediaTypeEnum.h"
#include "effects-host/SampleFilter.h"
#include "effects-host/SampleMediaTypes.h"

#include <cwchar>
#include <new>

CSamplePinBase::CSamplePinBase(CSampleFilter& filter, PIN_DIRECTION direction, const wchar_t* name)
    : m_filter(filter), m_direction(direction), m_name(name)
{}

CSamplePinBase::~CSamplePinBase() = default;

HRESULT CSamplePinBase::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin)) {
        *object = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    return QueryPinInterface(iid, object);
}

ULONG CSamplePinBase::AddRef()
{
    return m_filter.AddRef();
}

ULONG CSamplePinBase::Release()
{
    return m_filter.Release();
}

HRESULT CSamplePinBase::QueryPinInterface(REFIID, void**)
{
    return E_NOINTERFACE;
}

HRESULT CSamplePinBase::CompleteConnect(IPin*)
{
    return S_OK;
}

HRESULT CSamplePinBase::Connect(IPin* receivePin, const AM_MEDIA_TYPE*)
{
    if (!receivePin)
        return E_POINTER;
    CComCritSecLock lock(m_filter.Section());
    if (m_peer)
        return VFW_E_ALREADY_CONNECTED;
    for (int index = m_firstType; index < kSampleTypeCount; ++index) {
        AM_MEDIA_TYPE type{};
        WAVEFORMATEX format{};
        GetSampleType(index, &type, &format);
        if (receivePin->ReceiveConnection(this, &type) != S_OK)
            continue;
        m_peer = ComPtr<IPin>::copy(receivePin);
        m_connectedType = index;
        const HRESULT hr = CompleteConnect(receivePin);
        if (FAILED(hr)) {
            receivePin->Disconnect();
            Disconnect();
        }
        return hr;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CSamplePinBase::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    if (!connector || !type)
        return E_POINTER;
    CComCritSecLock lock(m_filter.Section());
    if (m_peer)
        return VFW_E_ALREADY_CONNECTED;
    const int index = MatchSampleType(type, m_firstType);
    if (index < 0)
        return VFW_E_TYPE_NOT_ACCEPTED;
    m_peer = ComPtr<IPin>::copy(connector);
    m_connectedType = index;
    return S_OK;
}

HRESULT CSamplePinBase::Disconnect()
{
    CComCritSecLock lock(m_filter.Section());
    if (!m_peer)
        return S_FALSE;
    m_peer.reset();
    m_connectedType = -1;
    OnDisconnect();
    return S_OK;
}

HRESULT CSamplePinBase::ConnectedTo(IPin** pin)
{
    if (!pin)
        return E_POINTER;
    CComCritSecLock lock(m_filter.Section());
    *pin = nullptr;
    if (!m_peer)
        return VFW_E_NOT_CONNECTED;
    return m_peer.copy_to(pin);
}

HRESULT CSamplePinBase::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    CComCritSecLock lock(m_filter.Section());
    *type = AM_MEDIA_TYPE{};
    if (!m_peer)
        return VFW_E_NOT_CONNECTED;
    return CopySampleType(m_connectedType, type);
}

HRESULT CSamplePinBase::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = &m_filter;
    m_filter.AddRef();
    info->dir = m_direction;
    wcsncpy(info->achName, m_name, MAX_PIN_NAME - 1);
    info->achName[MAX_PIN_NAME - 1] = L'\0';
    return S_OK;
}

HRESULT CSamplePinBase::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction)
        return E_POINTER;
    *direction = m_direction;
    return S_OK;
}

HRESULT CSamplePinBase::QueryId(LPWSTR* id)
{
    if (!id)
        return E_POINTER;
    const size_t bytes = (wcslen(m_name) + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id)
        return E_OUTOFMEMORY;
    memcpy(*id, m_name, bytes);
    return S_OK;
}

HRESULT CSamplePinBase::QueryAccept(const AM_MEDIA_TYPE* type)
{
    return MatchSampleType(type, m_firstType) >= 0 ? S_OK : S_FALSE;
}

HRESULT CSamplePinBase::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types)
        return E_POINTER;
    auto* enumerator = new (std::nothrow) CMediaTypeEnum(*this);
    if (!enumerator) {
        *types = nullptr;
        return E_OUTOFMEMORY;
    }
    *types = enumerator;
    enumerator->AddRef();
    return S_OK;
}

HRESULT CSamplePinBase::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

HRESULT CSamplePinBase::EndOfStream()
{
    return S_OK;
}

HRESULT CSamplePinBase::BeginFlush()
{
    return S_OK;
}

HRESULT CSamplePinBase::EndFlush()
{
    return S_OK;
}

HRESULT CSamplePinBase::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}
