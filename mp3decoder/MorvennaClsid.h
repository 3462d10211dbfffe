// The class of the MP3 library's PCM reader, as the engine's plug-in table names it.
#pragma once

#include <guiddef.h>

inline constexpr CLSID CLSID_Mp3PcmReader = {
    0x34649628, 0x9E4F, 0x4F98, {0x8B, 0xDF, 0x3C, 0x9B, 0xEA, 0xF9, 0x79, 0x10}};
