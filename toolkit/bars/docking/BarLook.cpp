#include "toolkit/bars/docking/BarLook.h"

#include "toolkit/bars/look/GlobalData.h"

namespace {

struct SettingField {
    UVBarSetting setting;
    BOOL CUVGlobalData::*field;
};

// Colours by their place in uvAfxData.m_colors: 0-19 the system colours in LoadColors' order,
// 20-39 the derived XP colours 30-49.
struct ColorField {
    UVBarColor color;
    int index;
};

struct CursorField {
    UVBarCursor cursor;
    int index;  // in uvAfxData.m_cursors
};

// The bar and dock-bar menu settings are the two option flags that start on; the rebar drag is
// the control bar's flag that starts off, so that bars run their own drag until a rebar exists.
constexpr SettingField kSettings[] = {
    {UVBarSetting::barMenu, &CUVGlobalData::m_bBarDrawOption},
    {UVBarSetting::dockBarMenu, &CUVGlobalData::m_bDockBarOption},
    {UVBarSetting::rebarDrag, &CUVGlobalData::m_bFlag},
};

constexpr ColorField kColors[] = {
    {UVBarColor::face, 0},        // COLOR_BTNFACE
    {UVBarColor::highlight, 3},   // COLOR_BTNHIGHLIGHT
    {UVBarColor::shadow, 1},      // COLOR_BTNSHADOW
    {UVBarColor::darkShadow, 2},  // COLOR_3DDKSHADOW
    {UVBarColor::gripper, 29},    // XP colour 39, the separators' colour
    {UVBarColor::border, 32},     // XP colour 42, the face a little darker
};

constexpr CursorField kCursors[] = {
    {UVBarCursor::moveBar, 6},       // resource 4514
    {UVBarCursor::splitRows, 2},     // resource 4513, the vertical-split cursor
    {UVBarCursor::splitColumns, 5},  // resource 4512, the horizontal-split cursor
};

}  // namespace

BOOL GetUVBarSetting(UVBarSetting setting)
{
    for (const auto& entry : kSettings) {
        if (entry.setting == setting)
            return uvAfxData.*entry.field == 1;
    }
    return FALSE;
}

COLORREF GetUVBarColor(UVBarColor color)
{
    for (const auto& entry : kColors) {
        if (entry.color == color)
            return uvAfxData.m_colors[entry.index];
    }
    return 0;
}

HCURSOR GetUVBarCursor(UVBarCursor cursor)
{
    for (const auto& entry : kCursors) {
        if (entry.cursor == cursor)
            if (uvAfxData.m_cursors[entry.index])
                return uvAfxData.m_cursors[entry.index];
    }
    return LoadCursorW(nullptr, IDC_ARROW);
}
