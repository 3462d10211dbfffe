#include "toolkit/bars/frames/MDIFrameWnd.h"

IMPLEMENT_DYNCREATE(CUVMDIFrameWnd, CMDIFrameWnd)
