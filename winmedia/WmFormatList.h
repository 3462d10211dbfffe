// The export formats the Windows Media writer offers: the runtime's audio-only system profiles
// (version 8.0) with exactly one stream, an audio stream numbered 1, highest bit rate first.
#pragma once

#include "winmedia/WmRuntime.h"

#include <cstdint>
#include <string>
#include <vector>

struct WmFormatRecord {
    std::wstring name;
    uint16_t profileIndex;
    uint32_t bitRate;  // bits per second
};

// The runtime's profile manager, set to the version-8.0 system profiles.
HRESULT CreateSystemProfileManager(const WmRuntime& runtime, IWMProfileManager** manager);

// The list; fails only when the profile manager cannot be had. Profiles whose name or bit rate
// cannot be read are left out.
HRESULT BuildFormatList(const WmRuntime& runtime, std::vector<WmFormatRecord>& list);

// The name shown for a profile: the text between the first "(" and the first ")" after it, its
// two halves swapped when it holds a comma ("A, B" becomes "B, A"); the whole name otherwise.
std::wstring FormatDisplayName(const std::wstring& profileName);
