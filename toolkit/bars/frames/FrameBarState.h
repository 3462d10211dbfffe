// Saving and loading a toolkit frame's bar layout: the dock state (CUVDockState) plus the sizes
// of its docking windows, each kept as "Bar Position" in the bar section that names its id.
// The customise session is told first, so that custom toolbars exist before the layout names
// them. Shared by the toolkit's frame kinds.
#pragma once

#include <windows.h>

class CFrameWnd;
class CUVDockState;

// Loads the layout saved under `profileName` and applies it: ids of bars that no longer exist
// are dropped from it; a docking window without a saved section leaves every bar where it is.
void UVLoadBarState(CFrameWnd* frame, const wchar_t* profileName);
void UVSaveBarState(CFrameWnd* frame, const wchar_t* profileName);
// Drops from `state`, last entry first, row-list ids that name no bar of `frame` and docked
// entries whose bar does not exist.
void UVCleanDockState(CFrameWnd* frame, CUVDockState& state);
