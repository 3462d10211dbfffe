// The audio effect plug-ins installed on the machine: DirectShow filters that take and give PCM
// audio and are listed in the DirectShow filter category (minus a skip list of system filters
// that are no effects), and DMOs of the audio-effect category. Sorted by name, ignoring case.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct AvailableEffect {
    std::wstring name;
    CLSID clsid;
    // Found in the DirectShow filter category (always set for DMOs, which need no such test).
    bool inFilterCategory;
};

// Longest name handed out, terminator included.
inline constexpr int kEffectNameChars = 128;

// Fills `effects` (emptied first). A failure of one of the platform's enumerators is returned
// after what the others found is listed.
HRESULT ListAvailableEffects(std::vector<AvailableEffect>& effects);
// Copies at most kEffectNameChars - 1 characters and the terminator.
void CopyEffectName(const std::wstring& name, WCHAR* out);
