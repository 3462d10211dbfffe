// CUVExpMenuWnd: the chevron popup of a toolbar. It holds a toolbar of the source bar's hidden
// buttons (usable like the buttons they stand for: their commands go to the source bar's owner)
// and, for a customisable bar, a second toolbar with "Customize..." (53782). A hook on the
// source bar's owner keeps the owner's caption active while the popup is open and closes the
// popup when a command reaches the owner. It closes when it loses activation, a command is
// chosen or its expand button is cancelled, and tells the expand button (0x89DF) as it goes.
// Child controls over hidden buttons are lent to the popup while it is open.
#pragma once

#include "classlib/ui/Wnd.h"
#include "toolkit/bars/hooks/WndHook.h"
#include "toolkit/bars/toolbar/ExpButton.h"
#include "toolkit/bars/toolbar/ToolBar.h"

#include <memory>
#include <vector>

class CUVExpMenuWnd;

// The toolbars inside the popup: no expand button of their own.
class CUVHiddenButtonsToolbar : public CUVToolBar {
    DECLARE_DYNAMIC(CUVHiddenButtonsToolbar)
public:
    BOOL HasExpandButton() const override { return FALSE; }
    // The extent of all its buttons as the control lays them out.
    SIZE GetContentSize() const;
};

class CUVHiddenButtonsWndHook : public CUVWndHook {
public:
    explicit CUVHiddenButtonsWndHook(CUVExpMenuWnd* popup) : m_pPopup(popup) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CUVExpMenuWnd* m_pPopup;
};

class CUVExpMenuWnd : public CWnd {
    DECLARE_DYNAMIC(CUVExpMenuWnd)
public:
    // Posted to itself to close: commands and deactivation arrive inside the handlers of the
    // toolbars it holds, which must not be destroyed under them.
    static constexpr UINT kCloseRequest = WM_APP + 0x89D;
    // Hidden buttons wrap at six buttons' width, or at 250 pixels when one is wider than 41.
    static constexpr int kWrapButtons = 6;
    static constexpr int kWideButton = 41;
    static constexpr int kWideWrap = 250;

    // Creates the popup for `bar`'s hidden buttons next to `exclude` (the screen rectangle of the
    // button it opens from, clipped by its parents) and sends `notify` (the expand button, or a
    // floating frame for its toolbar-options button) the message `closedMessage` when it closes.
    // Null on failure.
    static CUVExpMenuWnd* Open(CUVToolBar* bar, HWND notify, UINT closedMessage, const RECT& exclude);

    // Hides the popup and destroys it at the next message.
    void Close();
    BOOL IsClosing() const { return m_bClosing; }
    CUVHiddenButtonsToolbar* GetHiddenToolBar() const { return m_pHidden.get(); }
    CUVHiddenButtonsToolbar* GetCustomizeToolBar() const { return m_pCustomize.get(); }
    CUVToolBar* GetSourceToolBar() const { return m_pSource; }

protected:
    CUVExpMenuWnd() = default;
    void PostNcDestroy() override { delete this; }
    BOOL CreateToolBars();
    void CopyHiddenButtons();
    void WrapHiddenButtons();
    // Moves the source bar's controls over hidden buttons into the popup, and back.
    void LendControls();
    void ReturnControls();
    SIZE ContentSize() const;
    void PlaceNextTo(const RECT& exclude);

    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    LRESULT OnNcPaint(WPARAM, LPARAM);
    LRESULT OnEraseBkgnd(WPARAM dc, LPARAM);
    LRESULT OnWindowPosChanged(WPARAM, LPARAM);
    LRESULT OnActivate(WPARAM state, LPARAM);
    LRESULT OnActivateApp(WPARAM active, LPARAM);
    LRESULT OnCloseRequest(WPARAM, LPARAM);
    void OnCustomize();

    BOOL m_bClosing = FALSE;
    CUVToolBar* m_pSource = nullptr;
    HWND m_hWndOwner = nullptr;
    UINT m_nClosedMessage = 0;
    std::unique_ptr<CUVHiddenButtonsToolbar> m_pHidden;
    std::unique_ptr<CUVHiddenButtonsToolbar> m_pCustomize;
    HWND m_hWndNotify = nullptr;
    std::unique_ptr<CUVHiddenButtonsWndHook> m_pHook;
    RECT m_rectExclude{};
    std::vector<HWND> m_lentControls;

    DECLARE_MESSAGE_MAP()
};
