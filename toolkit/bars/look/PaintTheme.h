// Paint themes: how toolbar buttons, flat control borders, combo-box buttons and menu-like lists
// look. The XP theme paints them itself with the derived XP colours; the classic theme has no
// painters (null), so each control draws its classic look itself. Both themes live for the
// process; GetCurrentPaintTheme picks one by the global XP-look flag.
// The toolbar painter lives with the toolbar (toolkit/bars/toolbar).
#pragma once

#include "classlib/core/String.h"
#include "toolkit/bars/toolbar/ToolBarPainter.h"

#include <windows.h>

#include <functional>

class CDC;

// What a theme's painters share; one flag, clear in both themes: when set, a button under the
// pressed left mouse button is not drawn pressed and a combo button is not drawn hot.
struct CUVPaintSettings {
    BOOL m_bNoPressedLook = FALSE;
};

// Border of flat edits and combo boxes: three nested one-pixel frames.
class CUVFlatBorderPainter {
public:
    explicit CUVFlatBorderPainter(const CUVPaintSettings* settings) : m_pSettings(settings) {}
    // `client`: the control's client rectangle in the DC's coordinates; the frames lie on it and
    // the two pixels outside it.
    void DrawBorder(CDC* dc, const RECT& client, BOOL hotOrFocused, BOOL enabled) const;

private:
    const CUVPaintSettings* m_pSettings;
};

class CUVComboButtonPainter {
public:
    enum State { plain, hot, dropped };
    explicit CUVComboButtonPainter(const CUVPaintSettings* settings) : m_pSettings(settings) {}
    // Frames the client in the face colour and draws the drop button at its right,
    // SM_CXHTHUMB + 2 pixels wide.
    void DrawButton(CDC* dc, const RECT& client, State state) const;
    static int ButtonWidth() { return GetSystemMetrics(SM_CXHTHUMB) + 2; }

private:
    const CUVPaintSettings* m_pSettings;
};

// Owner-drawn lists with an image margin, drawn like menu items.
class CUVListPainter {
public:
    explicit CUVListPainter(const CUVPaintSettings* settings) : m_pSettings(settings) {}
    // One row: `command` names its image in the command images (0: a right-pointing triangle).
    void DrawItem(CDC* dc, const RECT& item, const CString& text, UINT command, BOOL selected, int marginWidth,
                  HFONT font) const;
    // The whole client in XP colour 41 and the margin in XP colour 30, then `paint` draws the
    // window's own content on top; all through one off-screen DC.
    void PaintMarginWindow(CDC* dc, const RECT& client, int marginWidth, const std::function<void(CDC*)>& paint) const;

private:
    const CUVPaintSettings* m_pSettings;
};

class CUVPaintTheme {
public:
    explicit CUVPaintTheme(bool xp);
    CUVPaintTheme(const CUVPaintTheme&) = delete;
    CUVPaintTheme& operator=(const CUVPaintTheme&) = delete;

    const CUVFlatBorderPainter* GetFlatBorderPainter() const { return m_bXP ? &m_flatBorder : nullptr; }
    const CUVComboButtonPainter* GetComboButtonPainter() const { return m_bXP ? &m_comboButton : nullptr; }
    const CUVToolBarPainter* GetToolBarPainter() const { return m_bXP ? &m_toolBar : nullptr; }
    const CUVListPainter* GetListPainter() const { return m_bXP ? &m_list : nullptr; }

private:
    bool m_bXP;
    CUVPaintSettings m_settings;
    CUVFlatBorderPainter m_flatBorder{&m_settings};
    CUVComboButtonPainter m_comboButton{&m_settings};
    CUVToolBarPainter m_toolBar{&m_settings};
    CUVListPainter m_list{&m_settings};
};

// The XP theme when the global XP-look flag is set, else the classic theme.
const CUVPaintTheme* GetCurrentPaintTheme();
