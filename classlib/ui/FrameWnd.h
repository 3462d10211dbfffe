// CFrameWnd: a top-level frame with a menu, accelerators, an icon and a title from one resource
// id, a client pane (the view) and the middle of command routing: active view (and through it
// the document and its template), then the frame itself, then the application.
//
// Layout: RecalcLayout lets every control bar take its side of the client area (WM_SIZEPARENT,
// in z-order: the dock bars made by EnableDocking come in the order top, bottom, left, right)
// and gives the rest to the pane whose id is AFX_IDW_PANE_FIRST. DelayRecalcLayout asks for the
// layout at idle time instead, so that many changes make one layout. The frame keeps the list of
// its bars; commands with a bar's id (the control-bar range 0xE800-0xE8FF: ID_VIEW_TOOLBAR,
// ID_VIEW_STATUS_BAR, ID_VIEW_REBAR and the ids of other bars) show or hide that bar and are
// checked while it is visible. A floating bar sits in a floating frame
// (CMiniDockFrameWnd) that this frame owns. m_rectBorder keeps room around the pane inside the
// bars (the border space).
//
// Status texts: WM_SETMESSAGESTRING shows a command's prompt (its string's text before "\n") in
// the status bar (the child with id AFX_IDW_STATUS_BAR), WM_POPMESSAGESTRING the idle text. A
// tooltip asks the frame for a command's tip (the text after "\n"). While a menu is open the
// status bar shows the prompt of the item under selection (none for popups, separators and the
// system menu's commands), and the idle text again once the menu closes. The status bar's key
// indicators (caps, num, scroll lock, kana) are enabled while their key is toggled on. A
// top-level frame passes WM_SETTINGCHANGE on to its descendants.
//
// Bar layouts: GetDockState records every bar (and every floating frame's dock bar) in the
// frame's bar order; SetDockState puts them back, making the floating frames anew;
// SaveBarState and LoadBarState keep a layout in the application's profile.
#pragma once

#include "classlib/ui/ControlBar.h"
#include "classlib/ui/Wnd.h"

#include <vector>

class CDockBar;
class CDockState;
class CMiniDockFrameWnd;
class CDocument;
class CDocTemplate;
class CCmdUI;
class CView;

// What a frame needs to create its view and join it to a document.
struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
    CView* m_pLastView = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() = default;

    // Loads string `resourceId` (its first line is the title), creates the window with menu and
    // icon `resourceId`, then loads accelerator table `resourceId`.
    virtual BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd* parent = nullptr,
                           CCreateContext* context = nullptr);
    BOOL Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, CWnd* parent,
                const wchar_t* menuName, DWORD exStyle, CCreateContext* context);

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
    void PostNcDestroy() override;

    virtual BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context);
    CWnd* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);
    virtual void RecalcLayout(BOOL notify = TRUE);
    void DelayRecalcLayout(BOOL notify = TRUE) { m_nIdleFlags |= idleLayout | (notify ? idleNotify : 0); }

    // Creates the dock bars for the sides in `dockStyle` (CBRS_ALIGN_ bits) that have none yet.
    void EnableDocking(DWORD dockStyle);
    // Docks `bar` on dock bar `dockBarId` (0: the side the bar is aligned to), at `rect` (screen
    // coordinates) or as a new last row. Without such a dock bar nothing is docked.
    void DockControlBar(CControlBar* bar, UINT dockBarId = 0, const RECT* rect = nullptr);
    void DockControlBar(CControlBar* bar, CDockBar* dockBar, const RECT* rect = nullptr);
    // Floats `bar` in a floating frame whose window's top-left corner goes to `point` (screen):
    // a bar alone in its floating frame moves that frame, others get a new one laid out with
    // `style` (CBRS_ALIGN_TOP, with CBRS_FLOAT_MULTI when other bars may join it).
    void FloatControlBar(CControlBar* bar, POINT point, DWORD style = CBRS_ALIGN_TOP);
    // Makes the floating frame for FloatControlBar; a toolkit frame makes its own kind.
    virtual CMiniDockFrameWnd* CreateFloatingFrame(DWORD style);
    // Shows or hides `bar`: at once with a new layout, or (`delay`) at the next idle time.
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
    CControlBar* GetControlBar(UINT id) const;
    void AddControlBar(CControlBar* bar) { m_listControlBars.push_back(bar); }
    const std::vector<CControlBar*>& GetControlBars() const { return m_listControlBars; }
    void RemoveControlBar(CControlBar* bar);
    virtual void GetDockState(CDockState& state) const;
    // Bars the state names that the frame no longer has are left where they are.
    virtual void SetDockState(CDockState& state);
    void SaveBarState(const wchar_t* profileName) const;
    void LoadBarState(const wchar_t* profileName);
    // Sends WM_INITIALUPDATE to the views, makes a view active and shows the frame.
    void InitialUpdateFrame(CDocument* doc, BOOL makeVisible);
    virtual void ActivateFrame(int showCommand = -1);
    virtual void OnUpdateFrameTitle(BOOL addToTitle);
    void UpdateFrameTitleForDocument(const wchar_t* docName);

    // The prompt of command `id` for the status bar (its string's text before "\n").
    virtual void GetMessageString(UINT id, CString& text) const;

    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* view, BOOL notify = TRUE);
    virtual CDocument* GetActiveDocument();

    const CString& GetTitle() const { return m_strTitle; }
    void SetTitle(const wchar_t* title) { m_strTitle = title; }

    BOOL m_bAutoMenuEnable = TRUE;  // menu items without handlers are grayed
    HACCEL m_hAccelTable = nullptr;
    DWORD m_dwPromptContext = 0;  // help context while a message box is up
    UINT m_nIDHelp = 0;
    RECT m_rectBorder{};  // room kept around the pane inside the bars

protected:
    // Help id and title (the first line of string `resourceId`), and the window class with icon
    // `resourceId` that LoadFrame creates the frame with.
    const wchar_t* LoadFrameResources(UINT resourceId);

    int OnCreate(LPCREATESTRUCT cs);
    void OnClose();
    void OnSize(UINT type, int cx, int cy);
    void OnSetFocus(HWND oldFocus);
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    LRESULT OnIdleUpdateCmdUI(WPARAM, LPARAM);
    BOOL OnBarCheck(UINT id);
    void OnUpdateControlBarMenu(CCmdUI* state);
    LRESULT OnSetMessageString(WPARAM id, LPARAM text);
    LRESULT OnPopMessageString(WPARAM id, LPARAM text);
    void OnToolTipText(UINT id, NMHDR* header, LRESULT* result);
    LRESULT OnMenuSelect(WPARAM item, LPARAM menu);
    LRESULT OnSettingChangeMessage(WPARAM action, LPARAM section);
    void OnUpdateKeyIndicator(CCmdUI* state);

    static constexpr UINT idleNotify = 4;
    static constexpr UINT idleLayout = 8;
    UINT m_nIdleFlags = 0;
    BOOL m_bInRecalcLayout = FALSE;
    UINT m_nIDLastMessage = 0;  // the status text shown now
    std::vector<CControlBar*> m_listControlBars;
    CString m_strTitle;
    CView* m_pViewActive = nullptr;

    DECLARE_MESSAGE_MAP()
};
