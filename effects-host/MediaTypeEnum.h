// CMediaTypeEnum: the enumerator of a sample pin's two media types, from the pin's first offered
// index on. It holds a reference to the pin (and so to its filter).
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "classlib/com/ComPtr.h"

#include <dshow.h>

class CSamplePinBase;

class CMediaTypeEnum : public CComObjectRoot, public IEnumMediaTypes {
public:
    explicit CMediaTypeEnum(CSamplePinBase& pin);

    COM_OBJECT_UNKNOWN
    // One type per call: any other count hands out nothing (S_FALSE); every call moves on.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

private:
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    CSamplePinBase& m_pin;
    ComPtr<IPin> m_pinReference;
    ULONG m_position;
};
