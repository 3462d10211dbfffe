// The toolbar state format: a toolbar's buttons, their custom records and texts as saved in the
// profile and as kept in the initial-state snapshot. Written in the class library's archive
// format (little-endian numbers, escaped counts, UTF-16 strings with the length marker).
//
// Reading trusts nothing: every count and string length must fit in what is left, the version
// must be 1 and the record size 40, and the whole state must lie within the bytes given; any
// fault fails the read and hands back nothing.
#pragma once

#include "classlib/core/String.h"
#include "toolkit/bars/toolbar/ToolBarButtonInfo.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

struct UVToolBarState {
    static constexpr uint16_t kVersion = 1;
    static constexpr uint16_t kListStyle = 0x1;  // texts beside the images (TBSTYLE_LIST)
    static constexpr int32_t kNoImage = -2;

    struct Button {
        uint32_t command = 0;  // 0: a separator
        uint8_t style = 0;
        int32_t image = kNoImage;
        std::optional<CUVToolBarButtonInfo> record;
    };
    struct Text {
        uint32_t command = 0;
        CString text;
    };

    uint16_t flags = 0;
    std::vector<Button> buttons;
    std::vector<Text> texts;
};

std::vector<BYTE> SerializeToolBarState(const UVToolBarState& state);
// FALSE for any malformed, short or overlong data.
BOOL ParseToolBarState(const BYTE* data, size_t size, UVToolBarState& state);
