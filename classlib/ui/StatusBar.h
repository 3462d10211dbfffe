// CStatusBar: the status bar at the bottom of a frame, a control bar over the common status
// control. Its panes come from an array of indicator ids: pane text is the id's string (the
// string's width sets the pane's width), ID_SEPARATOR (0) makes a pane with no string of its own,
// and a first pane that is a separator stretches over what the others leave and carries no
// border. The bar's window text is the text of its first separator pane: the frame's prompts
// (WM_SETMESSAGESTRING) go there. At idle time each pane's command is updated through CCmdUI:
// Enable(FALSE) blanks the pane, SetText sets its text, SetCheck pops it out.
//
// The frame's layout decides the bar's place and height (the control's own sizing is switched
// off). Not handled here: owner-drawn panes, tooltips of panes.
#pragma once

#include "classlib/core/String.h"
#include "classlib/ui/ControlBar.h"

#include <vector>

inline constexpr UINT ID_SEPARATOR = 0;
inline constexpr UINT ID_INDICATOR_EXT = 0xE700;
inline constexpr UINT ID_INDICATOR_CAPS = 0xE701;
inline constexpr UINT ID_INDICATOR_NUM = 0xE702;
inline constexpr UINT ID_INDICATOR_SCRL = 0xE703;
inline constexpr UINT ID_INDICATOR_OVR = 0xE704;
inline constexpr UINT ID_INDICATOR_REC = 0xE705;
inline constexpr UINT ID_INDICATOR_KANA = 0xE706;

// Pane styles (the low word carries the control's text-drawing bits).
inline constexpr UINT SBPS_NORMAL = 0x0000;
inline constexpr UINT SBPS_NOBORDERS = SBT_NOBORDERS;  // 0x0100
inline constexpr UINT SBPS_POPOUT = SBT_POPOUT;        // 0x0200
inline constexpr UINT SBPS_OWNERDRAW = SBT_OWNERDRAW;  // 0x1000
inline constexpr UINT SBPS_DISABLED = 0x04000000;
inline constexpr UINT SBPS_STRETCH = 0x08000000;

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    CStatusBar() = default;

    // `style` carries window and bar bits (CBRS_BOTTOM); `controlStyle` the control's own
    // (SBARS_SIZEGRIP, added by default when the parent can be resized).
    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
    using CWnd::CreateEx;
    BOOL CreateEx(CWnd* parent, DWORD controlStyle, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                  UINT id = AFX_IDW_STATUS_BAR);

    // Replaces the panes by one per id (null ids: `count` separator panes).
    BOOL SetIndicators(const UINT* ids, int count);

    int GetCount() const { return static_cast<int>(m_panes.size()); }
    // The index of the first pane with command `id`, or -1.
    int CommandToIndex(UINT id) const;
    UINT GetItemID(int index) const;
    // The pane's rectangle in the bar's client coordinates (empty for an index out of range).
    void GetItemRect(int index, RECT* rect) const;
    void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    UINT GetPaneStyle(int index) const;
    void SetPaneStyle(int index, UINT style);
    CString GetPaneText(int index) const;
    BOOL SetPaneText(int index, const wchar_t* text, BOOL update = TRUE);

    SIZE CalcFixedLayout(BOOL stretch, BOOL horz) override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

protected:
    struct Pane {
        UINT id = ID_SEPARATOR;
        UINT style = SBPS_NORMAL;
        int cxText = 0;  // width of the text area (pixels)
        CString text;
    };

    // Gives the control its part edges (the stretching pane takes what is left) and, with
    // `updateText`, every pane's text and drawing style.
    void UpdateAllPanes(BOOL updateRects, BOOL updateText);
    int TextWidth(const CString& text) const;
    // The pane index of the bar's window text: the first separator, else the first pane.
    int TextPaneIndex() const;

    std::vector<Pane> m_panes;
    HFONT m_hFont = nullptr;  // the font the panes' widths are measured with

    int OnCreate(LPCREATESTRUCT cs);
    void OnSize(UINT type, int cx, int cy);
    LRESULT OnPaintControl(WPARAM, LPARAM);
    LRESULT OnSetFontMessage(WPARAM font, LPARAM redraw);
    LRESULT OnSetTextMessage(WPARAM, LPARAM text);
    LRESULT OnGetTextMessage(WPARAM size, LPARAM buffer);
    LRESULT OnGetTextLengthMessage(WPARAM, LPARAM);
    LRESULT OnLButtonMessage(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};
