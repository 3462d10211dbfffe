// One effect plug-in made ready for the chain: its filter (a DirectShow filter, or the platform's
// DMO wrapper around a DMO), with its first input and first output pin.
#pragma once

#include "classlib/com/ComPtr.h"

#include <dshow.h>

struct EffectInstance {
    ComPtr<IBaseFilter> filter;
    ComPtr<IPin> input;
    ComPtr<IPin> output;
};

// Creates the effect of clsid and, when state is given and the effect persists itself, loads the
// state from the stream's start. E_FAIL when the effect lacks an input or output pin, or faults.
HRESULT InstantiateEffect(const CLSID& clsid, IStream* state, EffectInstance& effect);
// Whether the effect may join the chain: it accepts one of the feeder's types and shows at least
// one property page. E_FAIL otherwise, also when it faults.
HRESULT TestEffectAcceptance(const CLSID& clsid);
