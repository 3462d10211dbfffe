#include "effects-host/EffectInstance.h"

#include "effects-host/SampleMediaTypes.h"
#include "effects-host/SehGuard.h"

#include <dmodshow.h>
#include <dmoreg.h>
#include <ocidl.h>

namespace {

HRESULT CreateEffectFilter(const CLSID& clsid, ComPtr<IBaseFilter>& filter)
{
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.put_void());
    if (hr != E_NOINTERFACE)
        return hr;
    // Not a filter: a DMO, which runs inside the platform's wrapper filter.
    hr = CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.put_void());
    if (FAILED(hr))
        return hr;
    ComPtr<IDMOWrapperFilter> wrapper;
    hr = filter.query(IID_IDMOWrapperFilter, wrapper);
    if (SUCCEEDED(hr))
        hr = wrapper->Init(clsid, DMOCATEGORY_AUDIO_EFFECT);
    if (FAILED(hr))
        filter.reset();
    return hr;
}

HRESULT FindPins(IBaseFilter* filter, EffectInstance& effect)
{
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.put());
    if (FAILED(hr))
        return hr;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        if (FAILED(pin->QueryDirection(&direction)))
            continue;
        ComPtr<IPin>& slot = direction == PINDIR_INPUT ? effect.input : effect.output;
        if (!slot)
            slot = pin;
    }
    return effect.input && effect.output ? S_OK : E_FAIL;
}

HRESULT Instantiate(const CLSID& clsid, IStream* state, EffectInstance& effect)
{
    EffectInstance made;
    HRESULT hr = CreateEffectFilter(clsid, made.filter);
    if (FAILED(hr))
        return hr;
    ComPtr<IPersistStream> persist;
    if (state && SUCCEEDED(made.filter.query(IID_IPersistStream, persist))) {
        LARGE_INTEGER start{};
        state->Seek(start, STREAM_SEEK_SET, nullptr);
        hr = persist->Load(state);
        if (FAILED(hr))
            return hr;
    }
    hr = FindPins(made.filter.get(), made);
    if (FAILED(hr))
        return E_FAIL;
    effect = std::move(made);
    return S_OK;
}

HRESULT TestAcceptance(const CLSID& clsid)
{
    EffectInstance effect;
    HRESULT hr = Instantiate(clsid, nullptr, effect);
    if (FAILED(hr))
        return hr;
    bool accepted = false;
    for (int index = 0; index < kSampleTypeCount && !accepted; ++index) {
        AM_MEDIA_TYPE type{};
        WAVEFORMATEX format{};
        GetSampleType(index, &type, &format);
        accepted = effect.input->QueryAccept(&type) == S_OK;
    }
    if (!accepted)
        return E_FAIL;
    ComPtr<ISpecifyPropertyPages> pages;
    if (FAILED(effect.filter.query(IID_ISpecifyPropertyPages, pages)))
        return E_FAIL;
    CAUUID list{};
    hr = pages->GetPages(&list);
    const bool hasPages = SUCCEEDED(hr) && list.cElems > 0;
    CoTaskMemFree(list.pElems);
    return hasPages ? S_OK : E_FAIL;
}

}  // namespace

// A plug-in that faults while it is made, loaded or asked must not take the program down: the
// call ends with E_FAIL. What it had made is released as the fault unwinds.
HRESULT InstantiateEffect(const CLSID& clsid, IStream* state, EffectInstance& effect)
{
    return CallGuarded([&] { return Instantiate(clsid, state, effect); });
}

HRESULT TestEffectAcceptance(const CLSID& clsid)
{
    return CallGuarded([&] { return TestAcceptance(clsid); });
}
