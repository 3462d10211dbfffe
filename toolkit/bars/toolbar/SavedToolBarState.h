// A toolbar's state in the profile: a checked blob whose payload is the CRC-32 of the toolbar's
// initial-state snapshot (the layout its resource gave it), an archive count n, then n bytes of
// the current state. A saved state is used only while the snapshot it was made against is still
// the toolbar's snapshot, so a toolbar whose resource changed keeps its new resource layout.
#pragma once

#include "toolkit/bars/toolbar/ToolBarState.h"

#include <windows.h>

#include <vector>

BOOL SaveToolBarState(const wchar_t* section, const wchar_t* entry, const std::vector<BYTE>& snapshot,
                      const UVToolBarState& current);
// FALSE, leaving `state` alone, for a missing or damaged value, another snapshot, or a state
// that does not parse within its n bytes.
BOOL LoadToolBarState(const wchar_t* section, const wchar_t* entry, const std::vector<BYTE>& snapshot,
                      UVToolBarState& state);
