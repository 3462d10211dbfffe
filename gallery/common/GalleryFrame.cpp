#include "gallery/common/GalleryFrame.h"

CFrameWnd* CreateGalleryFrame(CFrameWnd* frame, const RECT& rect)
{
    frame->Create(nullptr, L"gallery", WS_POPUP | WS_CLIPCHILDREN, rect, nullptr, nullptr, 0, nullptr);
    ::CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_WHITERECT, 0, 0, 0, 0, frame->m_hWnd,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)), nullptr, nullptr);
    return frame;
}
