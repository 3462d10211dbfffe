#include "effects-host/PinEnum.h"

CPinEnum::CPinEnum(IBaseFilter* filter, IPin* pin) : m_filter(ComPtr<IBaseFilter>::copy(filter)), m_pin(pin) {}

HRESULT CPinEnum::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumPins))
        return Give(static_cast<IEnumPins*>(this), object);
    return E_NOINTERFACE;
}

HRESULT CPinEnum::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    if (!pins)
        return E_POINTER;
    if (fetched)
        *fetched = 0;
    if (count == 0 || m_position > 0)
        return S_FALSE;
    ++m_position;
    pins[0] = m_pin;
    m_pin->AddRef();
    if (fetched)
        *fetched = 1;
    return count == 1 ? S_OK : S_FALSE;
}

HRESULT CPinEnum::Skip(ULONG count)
{
    m_position += count;
    return m_position <= 1 ? S_OK : S_FALSE;
}

HRESULT CPinEnum::Reset()
{
    m_position = 0;
    return S_OK;
}

HRESULT CPinEnum::Clone(IEnumPins** clone)
{
    if (clone)
        *clone = nullptr;
    return E_NOTIMPL;
}
