// The body of a test double's operation that the program under test never calls.
#pragma once

#define DOUBLE_NOT_CALLED(name, params)                                                                                \
    HRESULT STDMETHODCALLTYPE name params override                                                                     \
    {                                                                                                                  \
        return E_NOTIMPL;                                                                                              \
    }
