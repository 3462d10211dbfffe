// CUVBarButton: a caption button of a docking window (hide, expand or contract). It is a flat
// owner-drawn CUVButton that shows one 10 x 10 glyph of bitmap 4500 in the button-text colour,
// raised under the pointer and sunken while pressed (XP look: framed and filled instead).
#pragma once

#include "classlib/ui/ImageList.h"
#include "toolkit/controls/buttons/Button.h"

// The glyphs of bitmap 4500: the close cross, then for each side a docking window can be docked
// on (top, bottom, left, right) its expand and its contract arrow.
inline constexpr UINT IDB_UV_DOCK_BUTTONS = 4500;

class CUVBarButton : public CUVButton {
    DECLARE_DYNAMIC(CUVBarButton)
public:
    static constexpr int kGlyphSize = 10;
    static constexpr int kCloseImage = 0;
    // The arrow of a window docked on `side` (0 top, 1 bottom, 2 left, 3 right).
    static int ArrowImage(int side, BOOL expanded) { return 1 + 2 * side + (expanded ? 1 : 0); }

    // A hidden child of `parent` with command id `id`.
    BOOL Create(CWnd* parent, UINT id, int image);
    void SetImage(int image);
    int GetImage() const { return m_nImage; }
    void DrawItem(DRAWITEMSTRUCT* draw) override;

    // The glyphs, loaded once from the toolkit's resources.
    static HIMAGELIST GetImages();

protected:
    int m_nImage = 0;
};
