// The frame of a gallery scene: a popup at a place on the screen, whose pane is a white static
// window, so that the bars and docked windows around it stand out.
#pragma once

#include "classlib/ui/FrameWnd.h"

// Creates `frame` (deleted with its window) at `rect` (screen) with its white pane; returns it.
CFrameWnd* CreateGalleryFrame(CFrameWnd* frame, const RECT& rect);
