// The bar menu's one question about toolbars that the toolbar code answers: whether a toolbar
// can be customised (then the menu offers "Customize..."). Until a query is set no bar is.
#pragma once

#include <windows.h>

class CControlBar;
class CFrameWnd;

using UVBarCustomizableQuery = BOOL (*)(CControlBar* bar);

void SetUVBarCustomizableQuery(UVBarCustomizableQuery query);
BOOL IsUVBarCustomizable(CControlBar* bar);

// Shows the menu of `frame`'s bars at `point` (screen) with `frame` as owner: docking windows,
// toolbars, other toolkit bars (those shown in the bar menu, while the bar-menu setting is on),
// status bars, and "Customize..." when `clicked` (a toolbar, or a dock bar for any toolbar) is
// customisable. Choosing a bar sends its id to the frame, which shows or hides it. TRUE.
BOOL BuildUVBarMenu(POINT point, CFrameWnd* frame, CControlBar* clicked);

// The command of the menu's "Customize..." item, sent to the bar that was clicked.
inline constexpr UINT ID_UV_CUSTOMIZE_BAR = 53782;
