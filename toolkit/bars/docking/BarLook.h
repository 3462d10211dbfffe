// The settings, colours and cursors that the toolkit's control bars and dock bars use by role.
// Each role reads one field of uvAfxData (one table in BarLook.cpp), so that the program and the
// customization change a bar's look and behaviour in one place. UI thread only.
#pragma once

#include <windows.h>

enum class UVBarSetting {
    barMenu,      // a right click on a bar opens the bar menu (on by default)
    dockBarMenu,  // a right click on a dock bar opens the bar menu (on by default)
    rebarDrag,    // a bar hosted in a rebar lets the rebar run its drag (off by default)
};

enum class UVBarColor {
    face,        // the bar's background
    highlight,   // the light edge of raised borders, grippers and strips
    shadow,      // the dark edge of borders, grippers and strips
    darkShadow,  // the outer line of classic splitter strips
    gripper,     // the XP look's gripper lines
    border,      // the XP look's border lines of bars and dock bars
};

enum class UVBarCursor {
    moveBar,       // over a gripper and while a bar is dragged
    splitRows,     // over a strip between rows of a top or bottom dock bar
    splitColumns,  // over a strip between rows of a left or right dock bar
};

// Whether the setting is on (its field equals 1).
BOOL GetUVBarSetting(UVBarSetting setting);
COLORREF GetUVBarColor(UVBarColor color);
HCURSOR GetUVBarCursor(UVBarCursor cursor);
