// A switch of the module state's instance and resource handles, as the Customize dialog's pages
// hold it while they load resources of another module. Releasing an active switch puts the saved
// handles back; the holder's pointer is NULL before the switch is made and after it is released.
#pragma once

#include <windows.h>

struct CUVResourceSwitch {
    BOOL active = FALSE;
    HINSTANCE savedInstance = nullptr;
    HINSTANCE savedResources = nullptr;
};

// Saves the current handles and makes `module` the resource module; the holder owns the record.
CUVResourceSwitch* UVSwitchResources(HINSTANCE module);
// Restores (when active) and frees the record, and sets the pointer to NULL; NULL does nothing.
void UVReleaseResourceSwitch(CUVResourceSwitch*& state);
