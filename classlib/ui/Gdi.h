// GDI wrappers: CRect, the owning GDI objects (CBitmap, CBrush, CFont, CPen, CRgn) and device contexts
// (CDC over any DC; CPaintDC between BeginPaint and EndPaint; CClientDC over GetDC/ReleaseDC; CWindowDC
// over GetWindowDC/ReleaseDC).
// A CDC made by CreateCompatibleDC owns its DC and deletes it; Attach does not take ownership.
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

class CWnd;

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    operator RECT*() { return this; }
    operator const RECT*() const { return this; }
};

class CGdiObject {
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    BOOL Attach(HGDIOBJ object)
    {
        DeleteObject();
        m_hObject = object;
        return object != nullptr;
    }
    HGDIOBJ Detach()
    {
        HGDIOBJ object = m_hObject;
        m_hObject = nullptr;
        return object;
    }
    BOOL DeleteObject() { return m_hObject ? ::DeleteObject(Detach()) : FALSE; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    HGDIOBJ m_hObject = nullptr;
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    BOOL CreateCompatibleBitmap(HDC dc, int width, int height)
    {
        return Attach(::CreateCompatibleBitmap(dc, width, height));
    }
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
    {
        return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
    }
    BOOL LoadBitmap(UINT resourceId);
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    BOOL CreateSolidBrush(COLORREF colour) { return Attach(::CreateSolidBrush(colour)); }
    BOOL CreatePatternBrush(CBitmap* bitmap) { return Attach(::CreatePatternBrush(*bitmap)); }
};

class CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    BOOL CreateFontIndirect(const LOGFONTW* font) { return Attach(::CreateFontIndirectW(font)); }
};

class CPen : public CGdiObject {
public:
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    BOOL CreatePen(int style, int width, COLORREF colour) { return Attach(::CreatePen(style, width, colour)); }
};

class CRgn : public CGdiObject {
public:
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    BOOL CreateRectRgnIndirect(const RECT* rect) { return Attach(::CreateRectRgnIndirect(rect)); }
    int CombineRgn(const CRgn* a, const CRgn* b, int mode) { return ::CombineRgn(*this, *a, *b, mode); }
};

class CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC();

    BOOL Attach(HDC dc);  // not owned
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* dc);  // owned; dc may be null (the screen)
    BOOL DeleteDC();
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    HGDIOBJ SelectObject(CGdiObject* object) { return ::SelectObject(m_hDC, object->m_hObject); }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int GetMapMode() const { return ::GetMapMode(m_hDC); }
    int SetMapMode(int mode) { return ::SetMapMode(m_hDC, mode); }
    int GetClipBox(RECT* rect) const { return ::GetClipBox(m_hDC, rect); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    void FillSolidRect(const RECT* rect, COLORREF colour);
    void FillRect(const RECT* rect, CBrush* brush) { ::FillRect(m_hDC, rect, *brush); }
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sx, sy, rop);
    }
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop) { return ::PatBlt(m_hDC, x, y, width, height, rop); }
    int DrawText(const CString& text, RECT* rect, UINT format)
    {
        return ::DrawTextW(m_hDC, text, text.GetLength(), rect, format);
    }

    HDC m_hDC = nullptr;

private:
    bool m_owned = false;
};

// Selects an object into a DC for one scope and puts the previous object back at its end.
class CSelectedObject {
public:
    CSelectedObject(CDC& dc, HGDIOBJ object) : m_dc(dc), m_old(dc.SelectObject(object)) {}
    CSelectedObject(CDC& dc, CGdiObject& object) : CSelectedObject(dc, object.m_hObject) {}
    CSelectedObject(const CSelectedObject&) = delete;
    CSelectedObject& operator=(const CSelectedObject&) = delete;
    ~CSelectedObject() { m_dc.SelectObject(m_old); }

private:
    CDC& m_dc;
    HGDIOBJ m_old;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};

// The whole window's DC (non-client area included), between GetWindowDC and ReleaseDC.
class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* wnd);
    ~CWindowDC() override;

private:
    HWND m_hWnd;
};
