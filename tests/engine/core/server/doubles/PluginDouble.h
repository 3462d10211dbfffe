// The interface that the plug-in double's objects answer besides IUnknown.
#pragma once

#include <windows.h>

inline constexpr IID IID_IPluginDoubleObject = {
    0x5E1F0C2A, 0x7B3D, 0x4C61, {0x9A, 0x20, 0x31, 0x6B, 0x44, 0xD2, 0x0E, 0x7F}};
