// CUVOleIPFrameWnd: the toolkit frame for a window that lives inside a container's window (a child
// frame window, as an in-place frame is): it hosts toolkit bars, cool menus and a menu bar like
// the main frame; it is created with WS_CHILD and the container as parent. Only the frame is here; nothing serves
// embedded objects.
#pragma once

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/frames/FrameImpl.h"

class CUVOleIPFrameWnd : public CUVFrameImpl<CFrameWnd> {
    DECLARE_DYNCREATE(CUVOleIPFrameWnd)
public:
    CUVOleIPFrameWnd() = default;
};
