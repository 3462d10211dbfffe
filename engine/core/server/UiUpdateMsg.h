// UIUPDATE_MSG: one message from the engine to the main program, {code, value}. The value's
// meaning depends on the code (0 where the code carries none); the codes are listed in
// UiUpdateCodes below.
#pragma once

#include <cstdint>

struct UIUPDATE_MSG {
    int32_t code;
    int32_t value;
};
static_assert(sizeof(UIUPDATE_MSG) == 8);

// The codes this frame itself posts or turns into others.
namespace UiUpdateCode {
// Engine queue only: the analysis of a catalog item finished (value: the item id). The service
// thread turns it into ItemChanged and TakeOverAnalysis in the group.
inline constexpr int AnalysisFinished = 1;
// A catalog item changed (value: the item id).
inline constexpr int ItemChanged = 4;
// Tracks made from a catalog item should take over its new analysis (value: the item id).
inline constexpr int TakeOverAnalysis = 21;
}  // namespace UiUpdateCode
