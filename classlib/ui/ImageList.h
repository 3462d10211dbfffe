// CImageList: an owned image list of the common controls (destroyed with its owner unless
// detached).
#pragma once

#include <windows.h>
#include <commctrl.h>

class CDC;

class CImageList {
public:
    CImageList() = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    ~CImageList() { DeleteImageList(); }

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    BOOL DeleteImageList();
    BOOL Attach(HIMAGELIST list)
    {
        DeleteImageList();
        m_hImageList = list;
        return list != nullptr;
    }
    HIMAGELIST Detach()
    {
        HIMAGELIST list = m_hImageList;
        m_hImageList = nullptr;
        return list;
    }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    BOOL GetIconSize(int* cx, int* cy) const { return ImageList_GetIconSize(m_hImageList, cx, cy); }
    BOOL Draw(CDC* dc, int image, POINT point, UINT style);
    // Appends the bitmap's images, with every pixel of colour `mask` transparent; the index of
    // the first, or -1.
    int Add(HBITMAP bitmap, COLORREF mask) { return ImageList_AddMasked(m_hImageList, bitmap, mask); }
    // Replaces image `index` by the icon (-1 appends it); the index, or -1.
    int Replace(int index, HICON icon) { return ImageList_ReplaceIcon(m_hImageList, index, icon); }
    // A new icon of image `index` (the caller destroys it), or NULL.
    HICON ExtractIcon(int index) const { return ImageList_GetIcon(m_hImageList, index, ILD_NORMAL); }

    HIMAGELIST m_hImageList = nullptr;
};
