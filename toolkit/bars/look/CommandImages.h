// CUVCommandImages: one image set per command id, shared by toolbars, menus, the chevron popup and
// menu-like lists, so that a command looks the same wherever it appears. Each set holds the
// normal icon and the variants made from it (faded, shadow) and, when a disabled image list was
// given, a disabled icon. Two maps: one filled from live toolbars, one from toolbar resources,
// bitmaps and single icons (the menus' own images). UI thread only; lives for the process.
#pragma once

#include "classlib/ui/Gdi.h"
#include "toolkit/bars/look/Icon.h"

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

class CDC;

// An icon's colour and mask bitmaps kept apart, so that drawing it at its own size is two
// blits: drawing icons costs far more (a tenth of a millisecond each under Wine), and a
// 30-item menu draws one per item.
struct CUVIconBits {
    // From the icon's own bitmaps; empty when they cannot be read.
    void Take(HICON icon);
    // FALSE, drawing nothing, when empty or not of this size.
    BOOL Draw(HDC dc, int x, int y, int cx, int cy) const;

    CBitmap colour;  // black where transparent
    CBitmap mask;    // 1 where transparent
    SIZE size{};
};

struct CUVCommandImage {
    CUVIconHandle normal;
    CUVIconHandle faded;     // opaque pixels 30 % toward white
    CUVIconHandle shadow;    // opaque pixels in XP colour 34
    CUVIconHandle disabled;  // from a disabled image list; none: drawn monochrome
    CUVIconBits normalBits;
    CUVIconBits fadedBits;
    CUVIconBits shadowBits;
};

class CUVCommandImages {
public:
    enum Map { toolbarMap, menuMap };

    CUVCommandImages() = default;
    CUVCommandImages(const CUVCommandImages&) = delete;
    CUVCommandImages& operator=(const CUVCommandImages&) = delete;

    // The set of `id`, from the preferred map first, then the other; NULL when neither has one.
    const CUVCommandImage* Lookup(UINT id, BOOL preferToolbar) const;
    // With `full`, replaces the set of `id` in `map` by one made from image `index` of the list;
    // without, only gives an existing set that has no disabled icon this image as its disabled icon.
    BOOL AddFromImageList(UINT id, HIMAGELIST list, int index, BOOL full, Map map);
    // A toolbar resource (type 241) and the bitmap of the same id from `module`: each non-zero
    // command id in order takes the next image. FALSE when either resource or the list is missing.
    BOOL LoadToolbarResource(HINSTANCE module, UINT resourceId, BOOL full, Map map);
    // Every button of a live toolbar control that is not a separator and has a command id above
    // 0 gives its image from `list` to the toolbar map.
    BOOL AddFromToolbar(HWND toolbar, HIMAGELIST list, BOOL full);
    // The icon (not taken over) put through a one-image list of cx x cy.
    BOOL AddIcon(UINT id, HICON icon, int cx, int cy, BOOL full, Map map);
    // The icon (not taken over) at its own size as the whole set of `id` (a user tool's icon).
    BOOL SetImage(UINT id, HICON icon);

private:
    std::map<UINT, std::unique_ptr<CUVCommandImage>> m_maps[2];
};

CUVCommandImages& GetUVCommandImages();

// How an image is drawn in a button, menu item or list row.
enum class UVImageState {
    normal,    // pressed or check-marked: the normal icon
    hot,       // the shadow one pixel right and down, the icon one pixel up and left
    rest,      // the faded icon, or the normal one when the global data asks for plain images
    disabled,  // the disabled icon, or the icon monochrome in `monoColour`
};

// Draws the image with its top-left corner at (x, y) (the rest position).
void DrawCommandImage(CDC* dc, const CUVCommandImage& image, int x, int y, int cx, int cy, UVImageState state,
                      COLORREF monoColour);
// The icon in one colour wherever it is opaque.
void DrawIconMono(CDC* dc, HICON icon, int x, int y, int cx, int cy, COLORREF colour);

// The toolbar resource as windres and the resource compiler store it (type 241).
inline constexpr WORD kToolbarResourceType = 241;
struct UVToolbarResource {
    int width = 0;
    int height = 0;
    std::vector<UINT> ids;  // 0 for a separator
};
// Either layout, told apart by the data's size; false for anything else or an empty image size.
bool ReadToolbarResource(const BYTE* data, DWORD bytes, UVToolbarResource& layout);
// The colour of bitmap pixels that are transparent in toolbar and menu images.
inline constexpr COLORREF kImageMaskColor = RGB(192, 192, 192);
