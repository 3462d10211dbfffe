// The output device the player binds a stream to, by the configuration's device kind and
// channel-pair type. NULL for a kind or pair it does not know.
#pragma once

#include <windows.h>

#include <cstdint>

#include "classlib/com/ComPtr.h"
#include "interfaces/IPlayerOutput.h"

// kind 1 (DirectSound): pair 0 stereo, 1 the 3D front pair, 2 the 3D rear pair, on the device
// `guid` (zero: the primary device) with `window` for the cooperative level; kind 2 (wave-out):
// the device with id `index`.
ComPtr<IPlayerOutput> CreateDeviceOutput(uint32_t kind, uint16_t pairType, uint16_t index, const GUID& guid,
                                         HWND window);
