#include "toolkit/bars/frames/OleIPFrameWnd.h"

IMPLEMENT_DYNCREATE(CUVOleIPFrameWnd, CFrameWnd)
