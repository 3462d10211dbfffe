// The IUnknown of a test double's COM object that answers one interface: QueryInterface gives
// IUnknown and `iid` as that interface, counted as CountedDouble counts. Header only, so that
// double libraries need nothing else of the test support.
#pragma once

#include "tests/support/CountedDouble.h"

#include <unknwn.h>

template <typename Interface, const IID& iid>
class ComObjectDouble : public Interface, private CountedDouble {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(asked, IID_IUnknown) && !IsEqualIID(asked, iid)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }
};
