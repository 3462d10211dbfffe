// Icon helpers of the toolkit: an owned icon handle, a view of an icon for its size and a scaled
// copy, and an image list that takes and gives icons.
#pragma once

#include "classlib/ui/ImageList.h"

#include <windows.h>

// Owns one icon; destroyed when replaced or when the owner goes.
class CUVIconHandle {
public:
    CUVIconHandle() = default;
    explicit CUVIconHandle(HICON icon) : m_hIcon(icon) {}
    CUVIconHandle(const CUVIconHandle&) = delete;
    CUVIconHandle& operator=(const CUVIconHandle&) = delete;
    ~CUVIconHandle() { Reset(); }

    void Reset(HICON icon = nullptr)
    {
        if (m_hIcon && m_hIcon != icon)
            DestroyIcon(m_hIcon);
        m_hIcon = icon;
    }
    HICON Get() const { return m_hIcon; }
    HICON Release()
    {
        HICON icon = m_hIcon;
        m_hIcon = nullptr;
        return icon;
    }

private:
    HICON m_hIcon = nullptr;
};

// A given icon (not owned), for size queries and scaling.
class CUVIcon {
public:
    explicit CUVIcon(HICON icon) : m_hIcon(icon) {}
    // Width and height from the icon's mask bitmap; a mask-only icon is half as high as its mask.
    SIZE GetExtent() const;
    // A new icon that fits cx x cy with the icon's aspect ratio kept (the caller destroys it);
    // NULL when both sizes are 0 or the icon is empty.
    HICON CreateScaledIcon(int cx, int cy) const;

private:
    HICON m_hIcon;
};

class CUVImageList : public CImageList {
public:
    // Appends the icon; its index, or -1.
    int AddIcon(HICON icon) { return Replace(-1, icon); }
};
