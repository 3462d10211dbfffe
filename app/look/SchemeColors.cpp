#include "app/look/SchemeColors.h"

#include <algorithm>
#include <iterator>

COLORREF SubtractPerChannel(COLORREF colour, COLORREF amount)
{
    auto channel = [](BYTE a, BYTE b) { return static_cast<BYTE>(std::max(a - b, 0)); };
    return RGB(channel(GetRValue(colour), GetRValue(amount)), channel(GetGValue(colour), GetGValue(amount)),
               channel(GetBValue(colour), GetBValue(amount)));
}

void ComputeSchemeColors(const COLORREF* sys, COLORREF* colors)
{
    const COLORREF face = sys[COLOR_BTNFACE];
    const COLORREF highlightText = sys[COLOR_HIGHLIGHTTEXT];
    const COLORREF buttonHighlight = sys[COLOR_BTNHIGHLIGHT];
    const COLORREF buttonShadow = sys[COLOR_BTNSHADOW];
    const COLORREF highlight = sys[COLOR_HIGHLIGHT];
    // Two darker faces for the track rows. The plain difference of the packed values would borrow
    // across channels (a face of 0x404010 gave 0x2625F6) and below black give a value GDI does
    // not read as a colour.
    const COLORREF darkFace = SubtractPerChannel(face, 0x1A1A1A);
    const COLORREF darkerFace = SubtractPerChannel(face, 0x313131);
    const COLORREF table[kSchemeColorCount] = {
        0x545454,
        0x545454,
        0x996600,
        0x444444,
        0xFFFFFF,  // 0-4
        0xFFCC99,
        0x2952CE,
        0xFFAA42,
        0x2952CE,
        0x000000,  // 5-9
        0x666666,
        0x000000,
        0x424542,
        0x000000,
        0x545454,  // 10-14
        face,
        0xFFFFFF,
        0x33CCCC,
        0x18FF52,
        0xFFAA42,  // 15-19
        highlightText,
        0x000000,
        face,
        face,
        0x993300,  // 20-24
        0x003366,
        0x00FF00,
        0x000000,
        0x000000,
        0x996600,  // 25-29
        0x666666,
        0x000000,
        darkFace,
        darkerFace,
        0x669999,  // 30-34
        0x000000,
        0x8C8A8C,
        0x000000,
        face,
        0x000000,  // 35-39
        0x888888,
        0x9C6500,
        0x545454,
        0x32B2FF,
        0x18FF52,  // 40-44
        0x18FF52,
        0x006600,
        0x000000,
        buttonHighlight,
        buttonShadow,  // 45-49
        0xFFFFFF,
        face,
        0x545454,
        0x545454,
        face,  // 50-54
        0x545454,
        0x9B9B9B,
        0xFFCC99,
        0xAD9279,
        0xCCB695,  // 55-59
        0xB38D55,
        0xC0A069,
        buttonHighlight,
        face,
        buttonShadow,  // 60-64
        0x666666,
        0x9C6500,
        0xFFFFFF,
        0x32B2FF,
        0xFFFFFF,  // 65-69
        0x000000,
        0xCCCCCC,
        0xCCB695,
        highlight,
        face,  // 70-74
        0x000000,
        0x000000,
        face,
        0x545454,
        0x545454,  // 75-79
        0x0303DE,
        0x00D8FF,  // 80-81
    };
    std::copy(std::begin(table), std::end(table), colors);
}
