// CUVToolBar: the toolkit's toolbar, a control bar that is itself a common-controls toolbar
// window. Beside plain buttons it has drop-down buttons that open a menu (a CUVPopupMenu below
// the button) or a colour popup, buttons hidden from the end when a docked bar is too short
// (shown again as it grows), per-button texts and colour swatches, the classic or XP look
// (through the current paint theme's toolbar painter), its layout saved in the profile under a
// CRC-32, and in-place customisation (buttons dragged within and off the bar while the customise
// core is in customise mode).
//
// The control's notifications come to the bar itself (it is its own notify parent), so that it
// draws and drops down its buttons without reflection; what it leaves goes on to its owner.
//
// At its end an expand button (CUVExpButton) opens the chevron popup with the hidden buttons.
// Child controls (a combo box, an edit) lie over the button that bears their id, which becomes
// a separator of the control's width; a control whose button is hidden for lack of room moves
// into the chevron popup while it is open. A floating bar wraps its buttons into rows: its frame
// asks for a width or a height and gets the layout that fits it.
//
// Not handled here: icons of user tools when a state is applied.
#pragma once

#include "classlib/ui/ImageList.h"
#include "toolkit/bars/docking/ControlBar.h"
#include "toolkit/bars/toolbar/ToolBarButtonInfo.h"
#include "toolkit/bars/toolbar/ToolBarState.h"
#include "toolkit/controls/customize/ObserverList.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

class CCmdUI;
class CUVExpButton;
class CUVToolBarEditor;
struct CUVCommandDescriptor;
struct CUVToolbarEntry;

// Private messages of the toolbar.
inline constexpr UINT WM_UV_TOOLBAR_LAYOUT = 0x81CE;      // lParam: the request's sequence number
inline constexpr UINT WM_UV_TOOLBAR_SELECTION = 0x81CF;   // wParam: the edit controller's serial
inline constexpr UINT WM_UV_COLOR_POPUP_CLOSED = 0x89C6;  // lParam: the command id
inline constexpr UINT WM_UV_COLOR_CHOSEN = 0x89C7;        // wParam: the colour, lParam: the command id
// The colour popup's messages, 0x89C4 to 0x89C9 (lParam: the command id), go on to the owner.
inline constexpr UINT WM_UV_COLOR_POPUP_FIRST = 0x89C4;
inline constexpr UINT WM_UV_COLOR_POPUP_LAST = 0x89C9;
// Sent to the parent when the bar's size changed: wParam the bar window, lParam its size.
inline constexpr UINT WM_UV_TOOLBAR_RESIZED = 0x89E6;
inline constexpr UINT kUVDefaultToolBarId = 0xE800;  // the framework's first toolbar id
inline constexpr UINT IDS_UV_RESET_TOOLBAR = 4652;   // the reset's question

class CUVToolBar;

// Opens the colour popup of a drop-down button without a menu, below `button` (screen); the
// popup reports back with WM_UV_COLOR_CHOSEN and WM_UV_COLOR_POPUP_CLOSED. The colour popup
// comes with the dialog controls; until then nothing is set and such a button opens nothing.
using UVColorPopupFactory = CWnd* (*)(CUVToolBar* owner, COLORREF current, UINT command, const RECT& button);
UVColorPopupFactory& GetUVColorPopupFactory();

class CUVToolBar : public CUVControlBar {
    DECLARE_DYNAMIC(CUVToolBar)
public:
    static constexpr int kChevronWidth = 13;
    // What a row that a separator ends adds below the buttons, as the control lays it out.
    static constexpr int kWrappedSeparatorGap = 5;

    CUVToolBar();
    ~CUVToolBar() override;

    virtual BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = kUVDefaultToolBarId);
    // The bar's profile value is "<application name>-Bar<control id>" in the section "Settings":
    // the control id stays the same from run to run.
    virtual BOOL CreateEx(CWnd* parent, DWORD controlStyle = TBSTYLE_FLAT,
                          DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, RECT borders = {0, 0, 0, 0},
                          UINT id = kUVDefaultToolBarId);
    virtual CRect GetItemRect(int index);
    virtual SIZE GetItemSize() const;
    virtual void SetOwner(CWnd* owner);
    virtual BOOL HasExpandButton() const { return TRUE; }
    virtual BOOL HasHiddenButtons() const { return !m_hiddenButtons.empty(); }
    // The buttons hidden for lack of room: index -> the width they had.
    const std::map<int, int>& GetHiddenButtons() const { return m_hiddenButtons; }
    CUVExpButton* GetExpandButton() const { return m_pExpButton.get(); }
    virtual CWnd* CreateDropDownPopup(UINT command, const RECT& button);
    // Fills the bar's entry for the Customize dialog: hideable, not a user toolbar, the bar's
    // window and its reset (ask, then put the buttons back as the bar was built).
    virtual CUVToolbarEntry& GetResetHandler(CUVToolbarEntry& entry);
    // Lays `control` over the button that bears its id (the button becomes a separator of the
    // control's width) and keeps it there after every layout; a hidden button hides it. FALSE
    // when no button bears the id.
    virtual BOOL PositionControl(CWnd* control);
    // Puts every control back over its button, then the frame lays its bars out again.
    virtual void RepositionControls();
    // The control placed over the button of `command`, or NULL.
    HWND GetControl(UINT command) const;
    virtual BOOL UsesXPLook() const;
    virtual BOOL DrawButtonItem(CDC* dc, int index, UINT itemState);
    virtual void OnButtonDropDown(int index, const RECT& screenRect);
    // Inserts the Customize dialog's command at `index`: its icon, text and custom record.
    virtual BOOL InsertCustomButton(const CUVCommandDescriptor& descriptor, int index);

    void SetSizes(SIZE button, SIZE image);
    // Buttons for the ids; id 0 is a separator; each other id takes the next image.
    BOOL SetButtons(const UINT* ids, int count);
    // The buttons and images of a toolbar resource (type 241 and the bitmap of the same id).
    BOOL LoadToolBar(UINT resourceId);
    void SetImageList(HIMAGELIST list, BOOL normal = TRUE);

    int GetButtonCount() const;
    int CommandToIndex(UINT command) const;
    UINT GetItemID(int index) const;
    // The control's record of a button, its enabled bit handed out inverted (a disabled bit).
    BOOL GetButton(int index, TBBUTTON* button) const;
    // Command id, style and image; (state << 16) | style with the enabled bit handed out inverted.
    void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
    UINT GetButtonStyle(int index) const;
    void SetButtonStyle(int index, UINT style);
    BYTE GetButtonState(int index) const;
    void SetButtonState(int index, BYTE state);
    void SetButtonText(UINT command, const wchar_t* text);
    CString GetButtonText(UINT command) const;

    // Extra data of a command (drop-down menu, colour swatch); created on first use.
    CUVToolBarButtonInfo* FindButtonInfo(UINT command);
    CUVToolBarButtonInfo& SetButtonInfo(const CUVToolBarButtonInfo& info);
    void SetButtonDropped(int index, BOOL dropped);
    BOOL IsButtonDropped(int index) const;

    void EnableDocking(DWORD dockStyle) override;
    // Docking with `barStyle` added to the bar's style.
    void EnableDockingWithStyle(DWORD dockStyle, DWORD barStyle);
    void SetClassicLook(BOOL classic) { m_bClassicForced = classic; }

    // Saved state (the bar's profile value), the snapshot of its resource layout, customisation.
    void SetCustomizable(BOOL customizable);
    BOOL IsCustomizable() const { return m_bCustomizable; }
    BOOL SaveState(const wchar_t* section, const wchar_t* entry);
    BOOL LoadState(const wchar_t* section, const wchar_t* entry);
    // Replaces the buttons by the state's; on any failure the old buttons stay.
    BOOL ApplyState(const UVToolBarState& state);
    UVToolBarState CaptureState() const;
    // Asks the user, then puts the buttons back as the bar was built; TRUE when reset.
    BOOL AskAndReset();
    // "<application name>-Bar<control id>": the bar's value in the profile.
    const CString& GetProfileEntry() const { return m_strBarEntry; }
    // Customise mode on or off (called for every customisable toolbar by the customise core).
    virtual void SetCustomizeMode(BOOL on);
    CUVToolBarEditor* GetEditor() const { return m_pEditor.get(); }

    // Layout.
    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    SIZE CalcDynamicLayout(int length, DWORD mode) override;
    // Asks for a layout at the next message (requests in a row make one layout).
    void PostLayoutRequest();
    // The pending layout now: the frames lay their bars out again, the controls and the expand
    // button follow, the bar redraws.
    void PerformLayout();
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    INT_PTR OnToolHitTest(POINT point, TOOLINFOW* info) const override;
    void DoPaint(CDC*) override {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // While customising, the edit controller's filter sees the messages of the bar's children.
    BOOL PreTranslateMessage(MSG* msg) override;

    SIZE m_sizeImage{16, 15};
    SIZE m_sizeButton{23, 22};

protected:
    friend class CUVToolBarEditor;

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    LRESULT OnCustomDraw(NMTBCUSTOMDRAW* draw);
    // The index of the button a custom-draw item stands for: the control names it by command, which
    // several buttons may share, so the item's place tells them apart.
    int DrawnButtonIndex(const NMCUSTOMDRAW& item);
    // TBN_GETBUTTONINFOW of the control's adjust mode: the n-th button the bar was built with.
    BOOL GetAdjustButtonInfo(NMTOOLBARW* info);
    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    LRESULT OnNcCreate(WPARAM, LPARAM);
    LRESULT OnNcCalcSize(WPARAM, LPARAM);
    LRESULT OnToolbarPaint(WPARAM, LPARAM);
    LRESULT OnLayoutRequest(WPARAM, LPARAM sequence);
    LRESULT OnColorPopupClosed(WPARAM, LPARAM command);
    LRESULT OnColorChosen(WPARAM colour, LPARAM command);
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    LRESULT OnNcHitTest(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    LRESULT OnLButtonUp(WPARAM, LPARAM);
    LRESULT OnSysColorChange(WPARAM, LPARAM);
    LRESULT OnFontOrSettingChange(WPARAM, LPARAM);
    LRESULT OnColorPopupMessage(UINT message, WPARAM, LPARAM);

    // A query or change of the control's own that no message map needs to see: straight to the
    // control's procedure (layout asks hundreds of them per pass).
    LRESULT Control(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return const_cast<CUVToolBar*>(this)->CWnd::DefWindowProc(message, wParam, lParam);
    }
    // Writes a button with the control hidden from redraw, and hides or shows the control over
    // a button whose hidden state changed.
    void ReplaceButton(int index, const TBBUTTON& button);
    // Shows or hides the control that lies over button `index`, if any.
    void ShowControlOf(int index, BOOL shown);
    // The extent of the visible buttons as the control lays them out (a row, or a column when
    // every button ends a row).
    SIZE CalcRowSize() const;
    // A floating bar's rows: wrapped at the stored floating width, or fitted to the width or
    // (LM_LENGTHY) the height `length` asked by its frame; LM_COMMIT stores the width.
    SIZE CalcFloatingLayout(int length, DWORD mode);
    // A docked bar: one row (one column when vertical), shortened to its dock bar's room.
    SIZE CalcDockedLayout(DWORD mode);
    void ApplyWraps(const std::vector<bool>& wraps);
    // Moves every control over its button (hidden with it); no frame layout.
    void PlaceControls();
    // Hides buttons from the end until the bar fits in `length` along its side, or shows hidden
    // ones again as far as they fit; keeps at least one button visible.
    void FitLength(int length, BOOL horz);
    int AvailableLength(BOOL horz) const;
    BOOL WantsChevron() const;
    // Shows the expand button over the chevron's place at the bar's end, or hides it.
    void PlaceExpandButton();
    void RestoreStateOnce();
    const std::vector<BYTE>& Snapshot();
    void DrawClassicButton(CDC* dc, int index, const RECT& rect);
    // The XP look's separators, over the control's own.
    void DrawSeparators(HDC dc);
    // CCS_VERT on the control while the bar is a column: its separators lie across it.
    void UseVerticalSeparators(BOOL vertical);

    std::unique_ptr<CImageList> m_pImages;
    HIMAGELIST m_hImages = nullptr;
    CFont m_font;
    HINSTANCE m_hResourceModule = nullptr;
    UINT m_nResourceId = 0;   // the toolbar resource the buttons came from
    CString m_strProfileKey;  // "Software\<registry key>\<application name>\Settings"
    CString m_strBarEntry;    // "<application name>-Bar<control id>"
    std::vector<CUVToolBarButtonInfo> m_buttonInfos;
    std::map<UINT, CString> m_texts;
    std::vector<int> m_dropped;          // sorted
    std::map<int, int> m_hiddenButtons;  // index -> its width
    BOOL m_bLayoutPending = FALSE;
    BOOL m_bCustomizable = FALSE;
    BOOL m_bStateToRestore = FALSE;
    BOOL m_bClassicForced = FALSE;
    BOOL m_bAdjustMode = FALSE;
    int m_nLayoutSequence = 0;
    int m_nDroppedCommand = -1;
    CWnd* m_pPopup = nullptr;
    std::vector<BYTE> m_snapshot;
    BOOL m_bHaveSnapshot = FALSE;
    std::unique_ptr<CUVToolBarEditor> m_pEditor;
    std::unique_ptr<CUVExpButton> m_pExpButton;
    std::vector<HWND> m_controls;  // child controls over buttons, by window
    SIZE m_sizeReported{};         // the size the parent is told of with 0x89E6
    BOOL m_bSizeNotifyPending = FALSE;

    DECLARE_MESSAGE_MAP()
};
