// CWnd: a window handle with a message map.
//
// Handle maps: every window made or subclassed through a CWnd is in the thread's permanent map
// (handle -> object); FromHandle gives a temporary wrapper for any other window, freed at idle
// time. Windows this library creates are subclassed at creation: a CBT hook attaches the object
// and installs AfxWndProc with SetWindowLongPtr(GWLP_WNDPROC) before the window's first message,
// and the procedure it replaced is called for everything the message map leaves alone.
//
// Dispatch: AfxWndProc -> WindowProc -> OnWndMsg, which turns WM_COMMAND into OnCommand and
// WM_NOTIFY into OnNotify (both routed through OnCmdMsg) and finds other messages in the message
// map chain; Default() passes the message being handled on to the replaced procedure.
// WM_DRAWITEM of a control is reflected to the control's own object (OnChildNotify) when the
// parent's map has no handler for it.
// Not handled here: tooltips, reflection of other notifications, OLE containers.
#pragma once

#include "classlib/core/String.h"
#include "classlib/ui/CmdTarget.h"

#include <windows.h>

#include <functional>

class CFrameWnd;
class CMenu;

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd() = default;
    ~CWnd() override;

    // Creates the window and subclasses it (see above). FALSE when PreCreateWindow refused or
    // creation failed; a refused or failed creation runs PostNcDestroy.
    virtual BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menuOrId, void* param = nullptr);
    virtual BOOL Create(const wchar_t* className, const wchar_t* windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, void* param = nullptr);
    virtual BOOL DestroyWindow();

    BOOL Attach(HWND hwnd);
    HWND Detach();
    // Puts AfxWndProc in front of an existing window's procedure, attaches the object and calls
    // PreSubclassWindow.
    BOOL SubclassWindow(HWND hwnd);
    // A window attached by SubclassWindow (not one created here) learns of it here.
    virtual void PreSubclassWindow() {}
    // A notification that the parent hands back to the control it came from (WM_DRAWITEM, when the
    // parent's map has no handler for it): TRUE when the control handled it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    HWND UnsubclassWindow();

    static CWnd* FromHandle(HWND hwnd);
    static CWnd* FromHandlePermanent(HWND hwnd);
    // Offers `msg` to PreTranslateMessage of each window from msg->hwnd up to `stop`.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the last message (WM_NCDESTROY); frames and views delete themselves here.
    virtual void PostNcDestroy() {}
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);

    // The current message of this thread, handled by the default procedure.
    LRESULT Default();

    // Sends the message to every child (and, with deep, every descendant); with onlyPermanent,
    // only to windows that have a CWnd.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL deep = TRUE,
                                  BOOL onlyPermanent = FALSE);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    void GetWindowText(CString& text) const;
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void MoveWindow(const RECT* rect, BOOL repaint = TRUE)
    {
        MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    // The first window below this one (children first, then their descendants) with control id
    // `id` whose object is of class `cls` (any window when cls is null).
    CWnd* GetDescendantWindow(int id, const CRuntimeClass* cls = nullptr) const;
    CMenu* GetMenu() const;
    BOOL SetMenu(CMenu* menu);
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    // The nearest frame window above this one (not this one itself).
    CFrameWnd* GetParentFrame() const;
    CWnd* GetTopLevelParent() const;
    // Centres a top-level window over its owner (or `alternateOwner`), or over the work area of
    // its monitor when there is none or it is hidden or minimized; the window is kept inside that
    // work area. Child windows are not centred here.
    void CenterWindow(CWnd* alternateOwner = nullptr);

    // Lays out the children with ids first..last (the bars) by WM_SIZEPARENT in z-order, each
    // taking its side of the client rectangle, and gives what is left to child `leftOverId`.
    // With reposQuery nothing moves and `rectParam` receives the rectangle that is left; with
    // reposExtra the left-over child keeps `rectParam`'s four values free around it.
    enum RepositionFlags : UINT { reposDefault = 0, reposQuery = 1, reposExtra = 2 };
    void RepositionBars(UINT first, UINT last, UINT leftOverId, UINT flags = reposDefault, RECT* rectParam = nullptr,
                        const RECT* rectClient = nullptr, BOOL stretch = TRUE);

    // The window a message box or dialog of `parent` (or of the application's main window) is
    // owned by: its top-level window's last active popup; `top` receives the top-level window.
    static HWND GetSafeOwner_(HWND parent, HWND* top);

    HWND m_hWnd = nullptr;

protected:
    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    void OnClose();
    void OnTimer(UINT_PTR id);
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnSetFocus(HWND oldFocus);
    void OnWindowPosChanged(WINDOWPOS* pos);
    void OnSysColorChange();
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    int OnMouseActivate(HWND topParent, UINT hitTest, UINT message);

    // Runs `create`, which makes one window (CreateWindowEx, or a message that makes one), and
    // attaches this object to the first window it creates, as CreateEx does.
    HWND CreateAttached(const std::function<HWND()>& create);

    WNDPROC m_pfnSuper = nullptr;

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtHook(int, WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};

// The window procedure of every subclassed window.
LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The thread's record of the message being handled (what Default() passes on). A window
// procedure that reaches framework code by another road than AfxWndProc (a hook on a window the
// framework also subclasses) saves it, sets it to its own message and restores it afterwards.
MSG& AfxGetCurrentMessage();

// Registers (once) and returns a window class name for the given class style, cursor, brush and
// icon; the class's procedure is DefWindowProc and windows of it are subclassed at creation.
const wchar_t* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                   HICON icon = nullptr);

// Frees the temporary CWnd objects made by FromHandle (run at idle time).
void AfxDeleteTempWnds();
