// CPinEnum: the enumerator of a sample filter's one pin. It holds a reference to the filter.
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "classlib/com/ComPtr.h"

#include <dshow.h>

class CPinEnum : public CComObjectRoot, public IEnumPins {
public:
    CPinEnum(IBaseFilter* filter, IPin* pin);

    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

private:
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    ComPtr<IBaseFilter> m_filter;
    IPin* m_pin;
    ULONG m_position = 0;
};
