// Soft shadows to the right of and below popups, drawn by the toolkit itself: a bottom and a
// right shadow window per popup. Layered windows carry per-pixel alpha; where layered windows
// are missing the shadow copies the screen behind it and darkens the copy (screen-copy mode), or
// is a plain two-pixel band in the shadow colour. A shadow follows its popup's moves and goes to
// the manager's pool when the popup is destroyed. A shadow that would start over another
// popup's shadow of the other side (a submenu beside its parent) gives up that end. UI thread only.
#pragma once

#include "classlib/com/UniqueHandle.h"
#include "classlib/ui/Wnd.h"
#include "toolkit/bars/hooks/WndHook.h"
#include "toolkit/bars/look/MemDC.h"

#include <memory>
#include <vector>

using UVUpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

// Sent by the owner hook to its shadow after the owner moved or was resized: follow it.
inline constexpr UINT WM_UV_FOLLOW_OWNER = WM_USER + 500;

class CUVMenuShadowManager;

class CUVMenuShadowWnd : public CWnd {
public:
    enum Side { right = 0, bottom = 1 };

    CUVMenuShadowWnd(CUVMenuShadowManager* manager, UVUpdateLayeredWindowFn updateLayered, BOOL screenCopy);
    ~CUVMenuShadowWnd() override;

    // Shows the shadow on `side` of `owner`, cut where it would cover `exclude` (screen; empty
    // for none) while `excludeOwner` (the window holding that rectangle; null: none) exists.
    BOOL ShowFor(HWND owner, Side side, const RECT& exclude, HWND excludeOwner, BOOL popup);
    // Hides the shadow and frees what belongs to its owner.
    void Release();
    // The shadow's rectangle (screen) for an owner's window rectangle.
    RECT PlaceFor(const RECT& owner) const;

    int m_nDepth;
    BOOL m_bPopup = FALSE;
    Side m_side = bottom;
    BOOL m_bLayered;
    BOOL m_bScreenCopy;
    HWND m_hOwner = nullptr;
    RECT m_exclude{};
    HWND m_hExcludeOwner = nullptr;

protected:
    void OnPaint();
    void OnTimer(UINT_PTR id);
    LRESULT OnFollowOwner(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    class OwnerHook : public CUVWndHook {
    public:
        explicit OwnerHook(CUVMenuShadowWnd* shadow) : m_pShadow(shadow) {}
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    private:
        CUVMenuShadowWnd* m_pShadow;
    };

    BOOL EnsureWindow();
    RECT AvoidOtherShadows(RECT rect) const;
    void MoveTo(const RECT& wanted);
    void ApplyExclusion();
    void UpdateLayeredImage();
    void ShowAfterRepaint();
    void TakeScreenCopy();
    // Alpha of the shadow pixel at (x, y) of a shadow w x h.
    BYTE AlphaAt(int x, int y, int w, int h) const;

    CUVMenuShadowManager* m_pManager;
    UVUpdateLayeredWindowFn m_pfnUpdateLayered;
    RECT m_rect{};
    std::unique_ptr<CDC> m_copyDC;
    CBitmap m_copyBitmap;
    HGDIOBJ m_copyOld = nullptr;
    OwnerHook m_ownerHook{this};
};

class CUVMenuShadowManager {
public:
    // `useLayeredWindows` false behaves as a system without "UpdateLayeredWindow".
    explicit CUVMenuShadowManager(bool useLayeredWindows = true);
    CUVMenuShadowManager(const CUVMenuShadowManager&) = delete;
    CUVMenuShadowManager& operator=(const CUVMenuShadowManager&) = delete;
    ~CUVMenuShadowManager();

    // The bottom, then the right shadow of `owner`, cut where they would cover `exclude` (the
    // screen rectangle of the button the popup drops from; empty for none).
    void ShowShadows(HWND owner, const RECT& exclude);
    // The same with the exclusion given by its edges and the window it belongs to: once that
    // window is gone the shadows no longer leave the rectangle out when they follow the popup.
    void ShowShadowsExcluding(HWND owner, int left, int top, int right, int bottom, HWND excludeOwner);
    // A shadow whose owner went returns to the pool.
    void ReturnToPool(CUVMenuShadowWnd* shadow);

    const std::vector<CUVMenuShadowWnd*>& VisibleShadows() const { return m_visible; }
    BOOL HasLayeredWindows() const { return m_pfnUpdateLayered != nullptr; }

private:
    CUVMenuShadowWnd* Take();

    UniqueModule m_user32;
    UVUpdateLayeredWindowFn m_pfnUpdateLayered = nullptr;
    std::vector<std::unique_ptr<CUVMenuShadowWnd>> m_all;
    std::vector<CUVMenuShadowWnd*> m_visible;
    std::vector<CUVMenuShadowWnd*> m_pool;
};

CUVMenuShadowManager& GetUVMenuShadowManager();
