// CUiUpdateHint: one engine update message {code, value}, handed to every view as hint 0 of the
// document's UpdateAllViews. It lives on the pump's stack for one update; views do not keep it.
#pragma once

#include "classlib/core/Object.h"

#include <windows.h>

#include <cstdint>

class CUiUpdateHint : public CObject {
    DECLARE_DYNAMIC(CUiUpdateHint)
public:
    CUiUpdateHint(uint32_t c, uint32_t v) : code(c), value(v) {}
    uint32_t code;
    uint32_t value;
};

// Hints of the document's UpdateAllViews.
inline constexpr LPARAM HINT_UI_UPDATE = 0;  // with a CUiUpdateHint
inline constexpr LPARAM HINT_ENGINE_READY = 1;
inline constexpr LPARAM HINT_PLAY_CURSOR_MOVED = 2;
inline constexpr LPARAM HINT_ALT_DISPLAY = 3;
