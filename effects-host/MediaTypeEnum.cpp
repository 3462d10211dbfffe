#include "effects-host/MediaTypeEnum.h"

#include "effects-host/SampleMediaTypes.h"
#include "effects-host/SamplePinBase.h"

CMediaTypeEnum::CMediaTypeEnum(CSamplePinBase& pin)
    : m_pin(pin), m_pinReference(ComPtr<IPin>::copy(&pin)), m_position(static_cast<ULONG>(pin.FirstType()))
{}

HRESULT CMediaTypeEnum::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumMediaTypes))
        return Give(static_cast<IEnumMediaTypes*>(this), object);
    return E_NOINTERFACE;
}

HRESULT CMediaTypeEnum::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched)
{
    if (!types)
        return E_POINTER;
    if (fetched)
        *fetched = 0;
    const ULONG position = m_position++;
    if (count != 1 || position >= static_cast<ULONG>(kSampleTypeCount))
        return S_FALSE;
    types[0] = AllocSampleType(static_cast<int>(position));
    if (!types[0])
        return E_OUTOFMEMORY;
    if (fetched)
        *fetched = 1;
    return S_OK;
}

HRESULT CMediaTypeEnum::Skip(ULONG count)
{
    m_position += count;
    return m_position <= static_cast<ULONG>(kSampleTypeCount) ? S_OK : S_FALSE;
}

HRESULT CMediaTypeEnum::Reset()
{
    m_position = static_cast<ULONG>(m_pin.FirstType());
    return S_OK;
}

HRESULT CMediaTypeEnum::Clone(IEnumMediaTypes** clone)
{
    if (clone)
        *clone = nullptr;
    return E_NOTIMPL;
}
