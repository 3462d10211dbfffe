// CUVDockWindow: a resizable control bar that hosts one child window (usually a view) and docks
// on any side of the frame or floats. It keeps a size for each place (docked left or right,
// docked top or bottom, floating), shares its row's length with the other docking windows of
// its dock bar (IUVDockingWindow), can take the whole row (expand) and give it back (contract),
// and keeps its sizes in the profile as the binary value "Bar Position" of its bar section.
// Command 5511 hides it, 5512 expands or contracts it.
//
// Docked, it shows a caption strip (the drag handle) with its title and two caption buttons
// (CUVBarButton: hide, and expand or contract) with their tooltips; the caption shows active
// while the focus is inside the bar (checked at idle time), and a click on the bar gives the
// focus to its largest child. Floating, the floating frame's caption takes their place.
// A window created floating sends WM_INITIALUPDATE to its children once its creation is over.
#pragma once

#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/docking/DockingWindowOps.h"

#include <cstdint>
#include <memory>
#include <vector>

// Extended style bits of a docking window (UVBS_DEFAULT has caption, title, close and expand).
inline constexpr DWORD UVBS_CAPTION = 0x0001;
inline constexpr DWORD UVBS_TITLE = 0x0002;
inline constexpr DWORD UVBS_RAISED_GRIP = 0x0004;  // two raised grip lines instead of one
inline constexpr DWORD UVBS_TITLE_BAND = 0x0008;   // a filled title band instead of grip lines
inline constexpr DWORD UVBS_GRADIENT = 0x0010;     // the band is a gradient where captions are
inline constexpr DWORD UVBS_CLOSE_BUTTON = 0x1000;
inline constexpr DWORD UVBS_EXPAND_BUTTON = 0x2000;
inline constexpr DWORD UVBS_NO_DRAG = 0x4000;

// The saved sizes, as stored in "Bar Position" (44 bytes, little-endian).
struct UVDockWindowRecord {
    struct Size32 {
        int32_t cx;
        int32_t cy;
    };
    int32_t flag;  // the toolkit flag of the bar (FALSE unless set)
    int32_t expanded;
    Size32 vert;  // docked left or right
    Size32 horz;  // docked top or bottom
    Size32 floating;
    Size32 current;
    uint32_t styleEx;  // written, not applied when read
};
static_assert(sizeof(UVDockWindowRecord) == 44);

class CUVBarButton;
class CUVDockBar;
class UVChildMoves;
struct CCreateContext;

class CUVDockWindow : public CUVControlBar, public IUVDockingWindow {
    DECLARE_DYNAMIC(CUVDockWindow)
public:
    static constexpr UINT kCloseCommand = 5511;
    static constexpr UINT kExpandCommand = 5512;
    static constexpr SIZE kFloatingSize{300, 150};
    static constexpr int kMinFloatingLength = 50;

    static constexpr int kCaptionButtonSize = 12;
    static constexpr int kCaptionButtonStep = 14;

    CUVDockWindow();
    ~CUVDockWindow() override;

    // `size` is the size docked left or right when `style` aligns or borders the bar on a
    // vertical side, else the size docked top or bottom; the other docked size is it turned.
    virtual BOOL Create(CWnd* parent, UINT id, const wchar_t* title, SIZE size, DWORD style,
                        DWORD styleEx = UVBS_DEFAULT);
    // The client area less the borders and the caption: where the hosted child goes (deflated by 1).
    virtual void GetInsideRect(RECT& rect) const;
    // The bar's toolkit flag (the record's first word).
    BOOL GetBarFlag() const override { return m_bFlag; }
    // The floating size becomes the current size again.
    virtual void RestoreSize();
    virtual int GetDockedWidth() const { return GetDockedSize().cx; }
    virtual int GetDockedHeight() const { return GetDockedSize().cy; }
    // Creates a view of `viewClass` as the hosted child (pane id AFX_IDW_PANE_FIRST, with a
    // border); null when the view cannot be made.
    virtual CWnd* CreateView(const CRuntimeClass* viewClass, CCreateContext* context = nullptr);
    // The bar's title; a floating bar's frame takes it too.
    virtual void SetTitle(const wchar_t* title);
    // Remembers `child` as the hosted window; TRUE when it is a view.
    virtual BOOL SetChild(CWnd* child);
    CWnd* GetChild() const { return m_pChild; }
    // Takes the sizes and the expanded flag of `record` (not its extended style).
    virtual void SetBarInfo(const UVDockWindowRecord& record);
    UVDockWindowRecord GetBarRecord() const;
    using CControlBar::SetBarInfo;

    // The sizes stored in `section` of the toolkit's profile; a value shorter than 40 bytes, or
    // with a size below 0 or beyond 32767, is ignored whole.
    void LoadBarPosition(const wchar_t* section);
    void SaveBarPosition(const wchar_t* section) const;
    static bool IsUsableRecord(const std::vector<BYTE>& data);

    // IUVDockingWindow
    SIZE GetDockedSize() const override;
    void SetDockedSize(SIZE size) override;
    int GetGripperSize() const override;
    void SetOnlyInRow(BOOL only) override { m_bOnlyInRow = only; }
    BOOL IsExpanded() const override { return m_bExpanded; }
    void ShowExpanded(int length) override;
    int CollapseToGripper() override;
    void RestoreDockedSize() override;

    // The caption strip (client coordinates) of a docked bar: the drag handle with the title.
    virtual void GetCaptionRect(RECT& rect) const;
    // Where the first caption button goes (client coordinates).
    virtual void GetCaptionButtonRect(RECT& rect) const;
    // The caption's background; FALSE when only the grip is drawn (then the text is in the
    // button-text colour).
    virtual BOOL DrawCaptionBackground(CDC* dc, const RECT& caption);
    virtual void DrawCaption(CDC* dc);
    virtual void SetCaptionActive(BOOL active);
    BOOL IsCaptionActive() const { return m_bCaptionActive; }
    // The expand button's image and tooltip by the side and the expanded state.
    virtual void UpdateCaptionButtons();
    // SW_SHOW shows the caption buttons the extended style asks for; SW_HIDE hides both.
    virtual void ShowCaptionButtons(int show);
    void SetBarStyle(DWORD style) override;
    BOOL ModifyBarStyleEx(DWORD remove, DWORD add, BOOL redraw = TRUE) override;
    CUVBarButton* GetCloseButton() const { return m_pCloseButton.get(); }
    CUVBarButton* GetExpandButton() const { return m_pExpandButton.get(); }
    HWND GetCaptionToolTip() const { return m_hWndTips; }

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    // At idle time: the caption is active while the focus is inside the bar.
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    void DoPaint(CDC* dc) override;
    void DelayShow(BOOL show) override;

protected:
    // The stored size for where the bar is now: docked top or bottom, left or right, or floating.
    SIZE& StoredSize();
    const SIZE& StoredSize() const { return const_cast<CUVDockWindow*>(this)->StoredSize(); }
    // Shows the bar at `size` until its stored size is restored.
    void ShowAt(SIZE size);
    CUVDockBar* ToolkitDockBar() const;

    // The side the bar is docked on (0 top, 1 bottom, 2 left, 3 right).
    int DockedSide() const;
    // The number of caption buttons the extended style asks for.
    int CaptionButtonCount() const;
    void PlaceCaptionButtons(UVChildMoves& moves);
    // The visible, enabled child of greatest area, then its own, down to a window without one.
    HWND FindLargestChild() const;
    void SetTip(CUVBarButton* button, const wchar_t* text);

    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    LRESULT OnNcCalcSize(WPARAM, LPARAM);
    LRESULT OnWindowPosChanged(WPARAM, LPARAM);
    LRESULT OnInitialUpdateRequest(WPARAM, LPARAM counter);
    LRESULT OnLButtonDownBar(WPARAM, LPARAM point);
    void OnClose();
    void OnExpand();

    SIZE m_sizeVert{};
    SIZE m_sizeHorz{};
    SIZE m_sizeFloat = kFloatingSize;
    SIZE m_sizeCurrent{};
    BOOL m_bShownApart = FALSE;  // expanded or collapsed: shown at m_sizeCurrent, not its stored size
    BOOL m_bExpanded = FALSE;
    BOOL m_bFlag = FALSE;
    BOOL m_bOnlyInRow = FALSE;
    CWnd* m_pChild = nullptr;
    std::unique_ptr<CUVBarButton> m_pCloseButton;
    std::unique_ptr<CUVBarButton> m_pExpandButton;
    HWND m_hWndTips = nullptr;
    BOOL m_bCaptionActive = FALSE;
    int m_nExpandImage = 0;
    // The creation counter: only the last posted initial-update request acts.
    LPARAM m_nCreateCount = 0;

    DECLARE_MESSAGE_MAP()
};
