// CUVButton: the toolkit's owner-drawn push button. It draws a flat, thin-3D, Office-XP or
// classic 3-D border around an icon or bitmap and its caption, lights up while the pointer is
// over it (a 10 ms timer watches the pointer leave, since a button gets no leave message), and
// paints through an off-screen DC. Made as a child or attached to a dialog's button, it turns
// itself into an owner-drawn button once, on the last UVM_INITCONTROL it posted to itself.
// Not handled here: keyboard hot tracking, check state of its own (derived buttons set
// m_bChecked), tooltips.
#pragma once

#include "classlib/core/String.h"
#include "classlib/ui/Button.h"
#include "classlib/ui/Gdi.h"

// The toolkit's deferred-initialisation message, posted by a control to itself after creation or
// subclassing; lParam is the initialisation counter at posting time.
inline constexpr UINT UVM_INITCONTROL = 0x89DE;

// Style word bits of CUVButton (a test of several bits means any of them).
inline constexpr DWORD UVBTN_FLAT = 0x01;
inline constexpr DWORD UVBTN_THIN3D = 0x02;
inline constexpr DWORD UVBTN_IMAGE_ABOVE = 0x04;
inline constexpr DWORD UVBTN_FOCUS_RECT = 0x10;
inline constexpr DWORD UVBTN_DITHERED = 0x20;
inline constexpr DWORD UVBTN_XP = 0x40;
inline constexpr DWORD UVBTN_HOT_TRACKING = UVBTN_FLAT | UVBTN_THIN3D | UVBTN_XP;

class CUVButton : public CButton {
    DECLARE_DYNAMIC(CUVButton)
public:
    CUVButton();
    ~CUVButton() override;

    void DrawItem(DRAWITEMSTRUCT* draw) override;

    virtual void SetColors(COLORREF face, COLORREF highlight, COLORREF shadow, COLORREF text);
    virtual void SetFaceColor(COLORREF colour);
    virtual COLORREF GetFaceColor() const;
    virtual void SetHighlightColor(COLORREF colour);
    virtual void SetShadowColor(COLORREF colour);
    virtual void SetTextColor(COLORREF colour);
    virtual void SetOfficeColors(COLORREF border, COLORREF hotFill, COLORREF pressedFill);
    // Icons from the resource module at the given size; FALSE when one cannot be loaded.
    virtual BOOL SetIcon(int cx, int cy, UINT normalId, UINT pushedId, BOOL redraw);
    virtual BOOL SetIcon(int cx, int cy, WORD normalId, WORD pushedId);
    // Takes ownership of both handles.
    virtual BOOL SetIcon(int cx, int cy, HICON icon, HICON pushedIcon, BOOL redraw);
    // A normal and a disabled bitmap from bitmap resource `bitmapId`, in the current button
    // colours; FALSE when the resource is missing or cannot be read.
    virtual BOOL SetBitmap(int cx, int cy, UINT bitmapId, BOOL redraw);
    // Fixes where the image and the caption go (client coordinates).
    virtual BOOL SetContentPositions(POINT image, POINT text, BOOL redraw);
    virtual DWORD GetFlatStyle() const;
    virtual void ClearImage();
    // The font the window had; `font` is kept (and set on the window) when it has a handle.
    virtual HFONT ReplaceFont(CFont* font);
    virtual void ReleaseImages();
    virtual void DrawIcon(CDC* dc, UINT state, const RECT& rect);
    virtual void DrawCaption(CDC* dc, UINT state, const RECT& rect);
    virtual void DrawBitmap(CDC* dc, UINT state, const RECT& rect);
    // The window text; with `strip`, single "&" markers removed ("&&" stays one "&").
    virtual CString GetCaption(BOOL strip) const;
    virtual POINT ImageOrigin(UINT state, const RECT& rect, BOOL hasPushedImage);

    // The previous style word.
    DWORD SetFlatStyle(DWORD style, BOOL redraw);

    BOOL IsHot() const { return m_bHot; }
    BOOL IsPressed() const { return m_bPressed; }

    int m_nImageGap = 4;
    int m_nTextGap = 8;
    BOOL m_bHot = FALSE;
    BOOL m_bDrawnHot = FALSE;
    BOOL m_bCustomPositions = FALSE;
    BOOL m_bPressed = FALSE;
    BOOL m_bCustomColors = FALSE;
    BOOL m_bChecked = FALSE;
    int m_cxImage = 0;
    int m_cyImage = 0;
    DWORD m_dwStyle = UVBTN_FLAT;
    HICON m_hIcon = nullptr;
    HICON m_hPushedIcon = nullptr;
    POINT m_ptImage{};
    POINT m_ptText{};
    CFont* m_pFont = nullptr;
    CBitmap m_bitmap;
    CBitmap m_disabledBitmap;
    COLORREF m_clrText;
    COLORREF m_clrFace;
    COLORREF m_clrHighlight;
    COLORREF m_clrShadow;
    BOOL m_bCustomXPColors = FALSE;
    COLORREF m_clrXPHotFill = 0;
    COLORREF m_clrXPPressedFill = 0;
    COLORREF m_clrXPBorder = 0;
    int m_nInitCount = 1;

protected:
    void PreSubclassWindow() override;
    void OnTimerStep();
    void RequestInit();
    void LoadSystemColors();
    void DrawBorder(CDC* dc, const RECT& rect, BOOL pressed);
    COLORREF XPBorder() const;
    COLORREF XPFill(BOOL pressed) const;
    SIZE CaptionExtent(CDC* dc, const CString& caption) const;

    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnInitControl(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroyMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimerMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDblClk(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaintMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(WPARAM wParam, LPARAM lParam);
    LRESULT OnSysColorChangeMessage(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
