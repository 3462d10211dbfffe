// IMixManagerInternal: the mix manager's operations that other engine objects call, reached by
// asking the engine main object (an object's outer) for EngineIid::MixManagerInternal. The mix
// manager implements it; objects that change the mix behind its back (the effects manager, the
// play manager, the player) report here. Tests give the caller an owner double that answers it.
// Called under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "interfaces/EngineIids.h"

struct IMixManagerInternal : public IUnknown {
    // Something of the mix changed outside the track list (the effects chain, ...): the mix is
    // rebuilt; modified tells whether the mix now counts as modified.
    virtual HRESULT STDMETHODCALLTYPE UpdateMix(BOOL modified) = 0;
    // The output configuration changed: add nonzero adds the pending play manager, zero removes
    // it; then the user interface is told (code 15). The player calls it with 0 after applying a
    // new configuration, once it has let go of its own lock.
    virtual HRESULT STDMETHODCALLTYPE OnOutputConfigurationChanged(BOOL add) = 0;
};

inline constexpr IID IID_IMixManagerInternal = EngineIid::MixManagerInternal;
