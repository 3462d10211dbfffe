#include "toolkit/bars/menus/PopupJoint.h"

#include "classlib/ui/Gdi.h"

void FillPopupJoint(HDC dc, COLORREF colour, const RECT& button, const RECT& popup)
{
    RECT joint{};
    if (!IntersectRect(&joint, &button, &popup))
        return;
    const int w = joint.right - joint.left;
    const int h = joint.bottom - joint.top;
    if (h == 1 && w > 2) {
        joint.left += 1;
        joint.right -= 1;
    } else if (w == 1 && h > 2) {
        joint.top += 1;
        joint.bottom -= 1;
    } else {
        return;
    }
    OffsetRect(&joint, -popup.left, -popup.top);
    CDC target;
    target.Attach(dc);
    target.FillSolidRect(&joint, colour);
    target.Detach();
}
