// CUVDockWindow: a resizable control bar that hosts one child window (usually a view) and docks
// on any side of the frame or floats. It keeps a size for each place (docked left or right,
// docked top or bottom, floating), shares its row's length with the other docking windows of
// its dock bar (IUVDockingWindow), can take the whole row (expand) and give it back (contract),
// and keeps its sizes in the profile as the binary value "Bar Position" of its bar section.
// Command 5511 hides it, 5512 expands or contracts it.
//
// Not handled here: the caption strip's drawing, its two caption buttons and their tooltips,
// the focus-driven caption activity.
#pragma once

#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/docking/DockingWindowOps.h"

#include <cstdint>
#include <vector>

// Extended style bits of a docking window (UVBS_DEFAULT has caption, title, close and expand).
inline constexpr DWORD UVBS_CAPTION = 0x0001;
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

class CUVDockBar;
struct CCreateContext;

class CUVDockWindow : public CUVControlBar, public IUVDockingWindow {
    DECLARE_DYNAMIC(CUVDockWindow)
public:
    static constexpr UINT kCloseCommand = 5511;
    static constexpr UINT kExpandCommand = 5512;
    static constexpr SIZE kFloatingSize{300, 150};
    static constexpr int kMinFloatingLength = 50;

    CUVDockWindow() = default;

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

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}
    void DelayShow(BOOL show) override;

protected:
    // The stored size for where the bar is now: docked top or bottom, left or right, or floating.
    SIZE& StoredSize();
    const SIZE& StoredSize() const { return const_cast<CUVDockWindow*>(this)->StoredSize(); }
    // Shows the bar at `size` until its stored size is restored.
    void ShowAt(SIZE size);
    CUVDockBar* ToolkitDockBar() const;

    LRESULT OnNcCalcSize(WPARAM, LPARAM);
    LRESULT OnWindowPosChanged(WPARAM, LPARAM);
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

    DECLARE_MESSAGE_MAP()
};
