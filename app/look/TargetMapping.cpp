#include "app/look/TargetMapping.h"

void TakeTargetMapping(CDC& memory, CDC& target)
{
    const int mode = target.GetMapMode();
    memory.SetMapMode(mode);
    if (mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC)
        return;
    // The window extent first: an isotropic DC fits its viewport to it.
    SIZE window{};
    SIZE viewport{};
    GetWindowExtEx(target, &window);
    GetViewportExtEx(target, &viewport);
    SetWindowExtEx(memory, window.cx, window.cy, nullptr);
    SetViewportExtEx(memory, viewport.cx, viewport.cy, nullptr);
}

BOOL GetLogicalBitmapExtent(CDC& memory, HBITMAP bitmap, LogicalBitmapExtent* extent)
{
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info))
        return FALSE;
    extent->pixels = {info.bmWidth, info.bmHeight};
    extent->origin = {0, 0};
    extent->size = {info.bmWidth, info.bmHeight};
    DPtoLP(memory, &extent->origin, 1);
    DPtoLP(memory, &extent->size, 1);
    return TRUE;
}
