// Launching the user tools (commands ID_UV_USER_TOOL_FIRST-LAST) from a toolkit frame. The user
// tools list comes with the customisation dialogs; it answers the frame through the lookup set
// here (unset: no command has a tool, and the commands do nothing).
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

inline constexpr UINT ID_UV_USER_TOOL_FIRST = 53000;
inline constexpr UINT ID_UV_USER_TOOL_LAST = 53250;

// What the frame needs of a tool's record.
struct UVUserToolRecord {
    CString arguments;
    CString command;
    CString directory;
};

// Fills `record` with the tool of command `id`: false when there is none.
using UVUserToolLookup = bool (*)(UINT id, UVUserToolRecord& record);
UVUserToolLookup& GetUVUserToolLookup();

// Starts the tool of command `id` with the shell's "open" verb, shown; a command without a tool
// does nothing.
void UVLaunchUserTool(HWND owner, UINT id);
