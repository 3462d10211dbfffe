// CUVToolBarButtonInfo: a toolbar's extra data of one command (a drop-down's menu, a colour
// swatch). It is also the 40-byte custom record of a saved toolbar state, so its layout is fixed
// with fixed-width fields.
#pragma once

#include <cstdint>

struct CUVToolBarButtonInfo {
    enum Flags : uint32_t {
        hasColorSwatch = 0x1,
        // Marks a drop-down: a toolbar given such a record draws drop-down arrows.
        isDropDown = 0x2,
        // The saved button keeps its stored image index when a state is applied, instead of an
        // image looked up by command.
        keepsImage = 0x4,
    };
    static constexpr uint32_t kNoColor = 0xFF000000;

    uint32_t command = 0;
    uint32_t menuId = 0;  // 0: the drop-down opens a colour popup
    uint32_t flags = 0;
    uint32_t handler = 0;  // nonzero: the customise core says whether the command is available
    uint32_t selectedColor = kNoColor;
    uint32_t defaultColor = kNoColor;
    uint32_t popupSettings = 0;
    uint32_t reserved[3] = {};
};
static_assert(sizeof(CUVToolBarButtonInfo) == 40, "the saved custom record is 40 bytes");
