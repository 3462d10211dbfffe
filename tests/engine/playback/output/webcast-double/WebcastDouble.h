// What the webcast library double ("Kestrow.DLL", built for the output tests only) lets a test
// see of the last output it created: the export WebcastDoubleState fills this record.
#pragma once

#include <windows.h>

#include "interfaces/IPlayerInput.h"

struct WEBCASTDOUBLE_STATE {
    LONG created;         // outputs created so far
    LONG live;            // outputs not yet released
    int formatId;         // last SetFormat
    int port;             // last SetPort
    IPlayerInput* input;  // attached input (not referenced for the reader)
    LONG open;
};

using WebcastDoubleStateFn = void(__cdecl*)(WEBCASTDOUBLE_STATE* state);

// The double's formats: ids and names.
inline constexpr int kWebcastDoubleFormatIds[] = {11, 22};
inline constexpr const wchar_t* kWebcastDoubleFormatNames[] = {L"Voice 32 kbps", L"Music 64 kbps"};
inline constexpr int kWebcastDoubleDefaultPort = 8081;
