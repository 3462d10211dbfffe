#include "toolkit/bars/look/ResourceSwitch.h"

#include "classlib/core/WinApp.h"

CUVResourceSwitch* UVSwitchResources(HINSTANCE module)
{
    auto* state = new CUVResourceSwitch;
    CWinApp* app = AfxGetApp();
    state->savedInstance = app ? app->m_hInstance : nullptr;
    state->savedResources = AfxGetResourceHandle();
    state->active = TRUE;
    if (app)
        app->m_hInstance = module;
    AfxSetResourceHandle(module);
    return state;
}

void UVReleaseResourceSwitch(CUVResourceSwitch*& state)
{
    if (!state)
        return;
    if (state->active) {
        if (CWinApp* app = AfxGetApp())
            app->m_hInstance = state->savedInstance;
        AfxSetResourceHandle(state->savedResources);
        state->active = FALSE;
    }
    delete state;
    state = nullptr;
}
