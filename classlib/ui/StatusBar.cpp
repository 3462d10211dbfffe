#include "classlib/ui/StatusBar.h"

#include "classlib/ui/AfxIds.h"
#include "classlib/ui/CmdUI.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/Gdi.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
ON_WM_CREATE()
ON_WM_SIZE()
ON_MESSAGE(WM_PAINT, &CStatusBar::OnPaintControl)
ON_MESSAGE(WM_SETFONT, &CStatusBar::OnSetFontMessage)
ON_MESSAGE(WM_SETTEXT, &CStatusBar::OnSetTextMessage)
ON_MESSAGE(WM_GETTEXT, &CStatusBar::OnGetTextMessage)
ON_MESSAGE(WM_GETTEXTLENGTH, &CStatusBar::OnGetTextLengthMessage)
ON_MESSAGE(WM_LBUTTONDOWN, &CStatusBar::OnLButtonMessage)
ON_MESSAGE(WM_LBUTTONDBLCLK, &CStatusBar::OnLButtonMessage)
END_MESSAGE_MAP()

namespace {

// Room on each side of a pane's text: its border line and a margin.
constexpr int kPaneMargin = 3;

// Updates one pane through the bar: the pane's command decides its text, whether it shows it
// (a disabled pane is blank) and whether it pops out.
class CStatusCmdUI : public CCmdUI {
public:
    explicit CStatusCmdUI(CStatusBar* bar) : m_bar(bar) {}
    void Enable(BOOL on) override
    {
        m_bEnableChanged = TRUE;
        const UINT style = m_bar->GetPaneStyle(static_cast<int>(m_nIndex));
        m_bar->SetPaneStyle(static_cast<int>(m_nIndex), on ? (style & ~SBPS_DISABLED) : (style | SBPS_DISABLED));
    }
    void SetCheck(int check) override
    {
        const UINT style = m_bar->GetPaneStyle(static_cast<int>(m_nIndex));
        m_bar->SetPaneStyle(static_cast<int>(m_nIndex), check ? (style | SBPS_POPOUT) : (style & ~SBPS_POPOUT));
    }
    void SetText(const wchar_t* text) override { m_bar->SetPaneText(static_cast<int>(m_nIndex), text); }

private:
    CStatusBar* m_bar;
};

}  // namespace

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id)
{
    // A bar inside a frame the user can resize gets the size grip.
    const bool sizable = parent && (parent->GetStyle() & WS_THICKFRAME) && !(parent->GetStyle() & WS_MAXIMIZE);
    return CreateEx(parent, sizable ? SBARS_SIZEGRIP : 0, style, id);
}

BOOL CStatusBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, UINT id)
{
    m_dwStyle = style & CBRS_ALL;
    SetBorders(0, 2, 0, 0);
    return CWnd::Create(STATUSCLASSNAMEW, nullptr, (style & ~CBRS_ALL) | controlStyle | WS_CHILD | WS_CLIPSIBLINGS,
                        RECT{0, 0, 0, 0}, parent, id);
}

BOOL CStatusBar::PreCreateWindow(CREATESTRUCTW& cs)
{
    // The frame's layout places and sizes the bar, not the control itself.
    cs.style |= CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NODIVIDER | CCS_NORESIZE;
    return CControlBar::PreCreateWindow(cs);
}

int CStatusBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CControlBar::OnCreate(cs) == -1)
        return -1;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)));
    return 0;
}

LRESULT CStatusBar::OnSetFontMessage(WPARAM font, LPARAM redraw)
{
    m_hFont = reinterpret_cast<HFONT>(font);
    const LRESULT result = Default();
    // The widths of the indicators follow the font they are drawn in.
    for (Pane& pane : m_panes) {
        if (pane.id != ID_SEPARATOR) {
            CString text;
            if (text.LoadString(pane.id))
                pane.cxText = TextWidth(text);
        }
    }
    if (m_hWnd && !m_panes.empty())
        UpdateAllPanes(TRUE, FALSE);
    (void)redraw;
    return result;
}

int CStatusBar::TextWidth(const CString& text) const
{
    CClientDC dc(const_cast<CStatusBar*>(this));
    CSelectedObject font(dc, m_hFont ? static_cast<HGDIOBJ>(m_hFont) : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text, text.GetLength(), &size);
    return size.cx;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count)
{
    if (count < 0 || count > 255)
        return FALSE;
    m_panes.assign(static_cast<size_t>(count), Pane{});
    BOOL loaded = TRUE;
    for (int i = 0; i < count; ++i) {
        Pane& pane = m_panes[static_cast<size_t>(i)];
        pane.id = ids ? ids[i] : ID_SEPARATOR;
        if (pane.id == ID_SEPARATOR)
            continue;
        if (!pane.text.LoadString(pane.id)) {
            loaded = FALSE;
            continue;
        }
        pane.cxText = TextWidth(pane.text);
    }
    if (!m_panes.empty() && m_panes.front().id == ID_SEPARATOR)
        m_panes.front().style |= SBPS_STRETCH | SBPS_NOBORDERS;
    UpdateAllPanes(TRUE, TRUE);
    return loaded;
}

int CStatusBar::CommandToIndex(UINT id) const
{
    for (size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

UINT CStatusBar::GetItemID(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[static_cast<size_t>(index)].id : 0;
}

void CStatusBar::GetItemRect(int index, RECT* rect) const
{
    *rect = RECT{};
    if (index >= 0 && index < GetCount())
        ::SendMessageW(m_hWnd, SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect));
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const
{
    if (index < 0 || index >= GetCount()) {
        id = 0;
        style = 0;
        width = 0;
        return;
    }
    const Pane& pane = m_panes[static_cast<size_t>(index)];
    id = pane.id;
    style = pane.style;
    width = pane.cxText;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width)
{
    if (index < 0 || index >= GetCount())
        return;
    Pane& pane = m_panes[static_cast<size_t>(index)];
    pane.id = id;
    const bool resized = pane.cxText != width || ((pane.style ^ style) & SBPS_STRETCH);
    pane.cxText = std::max(width, 0);
    SetPaneStyle(index, style);
    if (resized)
        UpdateAllPanes(TRUE, FALSE);
}

UINT CStatusBar::GetPaneStyle(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[static_cast<size_t>(index)].style : 0;
}

void CStatusBar::SetPaneStyle(int index, UINT style)
{
    if (index < 0 || index >= GetCount())
        return;
    Pane& pane = m_panes[static_cast<size_t>(index)];
    if (pane.style == style)
        return;
    const bool stretchChanged = ((pane.style ^ style) & SBPS_STRETCH) != 0;
    pane.style = style;
    if (stretchChanged)
        UpdateAllPanes(TRUE, FALSE);
    // A disabled pane shows no text; the drawing bits go with the text.
    const wchar_t* text = (style & SBPS_DISABLED) ? L"" : pane.text.GetString();
    ::SendMessageW(m_hWnd, SB_SETTEXTW, static_cast<WPARAM>(index) | (style & 0xFF00), reinterpret_cast<LPARAM>(text));
}

CString CStatusBar::GetPaneText(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[static_cast<size_t>(index)].text : CString();
}

BOOL CStatusBar::SetPaneText(int index, const wchar_t* text, BOOL update)
{
    if (index < 0 || index >= GetCount())
        return FALSE;
    Pane& pane = m_panes[static_cast<size_t>(index)];
    const CString newText(text ? text : L"");
    if (pane.text == newText)
        return TRUE;
    pane.text = newText;
    if (update && !(pane.style & SBPS_DISABLED))
        ::SendMessageW(m_hWnd, SB_SETTEXTW, static_cast<WPARAM>(index) | (pane.style & 0xFF00),
                       reinterpret_cast<LPARAM>(pane.text.GetString()));
    return TRUE;
}

void CStatusBar::UpdateAllPanes(BOOL updateRects, BOOL updateText)
{
    if (!m_hWnd)
        return;
    if (updateRects) {
        int borders[3] = {};
        ::SendMessageW(m_hWnd, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
        RECT client;
        GetClientRect(&client);
        int room = client.right - client.left - borders[0];
        if (GetStyle() & SBARS_SIZEGRIP)
            room -= ::GetSystemMetrics(SM_CXVSCROLL);
        for (const Pane& pane : m_panes)
            room -= pane.cxText + 2 * kPaneMargin + borders[2];
        std::vector<int> edges;
        int right = borders[0];
        bool stretched = false;
        for (const Pane& pane : m_panes) {
            int width = pane.cxText + 2 * kPaneMargin;
            // Only the first stretching pane takes the room the others leave.
            if ((pane.style & SBPS_STRETCH) && !stretched && room > 0) {
                width += room;
                stretched = true;
            }
            right += width;
            edges.push_back(right);
            right += borders[2];
        }
        ::SendMessageW(m_hWnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    }
    if (updateText) {
        for (size_t i = 0; i < m_panes.size(); ++i) {
            const Pane& pane = m_panes[i];
            const wchar_t* text = (pane.style & SBPS_DISABLED) ? L"" : pane.text.GetString();
            ::SendMessageW(m_hWnd, SB_SETTEXTW, i | (pane.style & 0xFF00), reinterpret_cast<LPARAM>(text));
        }
    }
}

SIZE CStatusBar::CalcFixedLayout(BOOL stretch, BOOL horz)
{
    SIZE size = CControlBar::CalcFixedLayout(stretch, horz);
    CClientDC dc(this);
    CSelectedObject font(dc, m_hFont ? static_cast<HGDIOBJ>(m_hFont) : ::GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    int borders[3] = {};
    ::SendMessageW(m_hWnd, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    // The text, the panes' edges and the bar's own border lines.
    size.cy = metrics.tmHeight + 2 * ::GetSystemMetrics(SM_CYEDGE) + 2 * borders[1] + m_cyTopBorder + m_cyBottomBorder;
    return size;
}

void CStatusBar::OnSize(UINT, int, int)
{
    Default();
    // The stretching pane follows the bar's width.
    UpdateAllPanes(TRUE, FALSE);
}

LRESULT CStatusBar::OnPaintControl(WPARAM, LPARAM)
{
    // The common control draws its panes itself.
    return Default();
}

int CStatusBar::TextPaneIndex() const
{
    const int separator = CommandToIndex(ID_SEPARATOR);
    return separator >= 0 ? separator : (m_panes.empty() ? -1 : 0);
}

LRESULT CStatusBar::OnSetTextMessage(WPARAM, LPARAM text)
{
    const int index = TextPaneIndex();
    if (index < 0)
        return FALSE;
    return SetPaneText(index, reinterpret_cast<const wchar_t*>(text));
}

LRESULT CStatusBar::OnGetTextMessage(WPARAM size, LPARAM buffer)
{
    const int index = TextPaneIndex();
    auto* out = reinterpret_cast<wchar_t*>(buffer);
    if (!out || size == 0)
        return 0;
    const CString text = GetPaneText(index);
    const int length = std::min(text.GetLength(), static_cast<int>(size) - 1);
    std::copy_n(text.GetString(), length, out);
    out[length] = L'\0';
    return length;
}

LRESULT CStatusBar::OnGetTextLengthMessage(WPARAM, LPARAM)
{
    return GetPaneText(TextPaneIndex()).GetLength();
}

LRESULT CStatusBar::OnLButtonMessage(WPARAM, LPARAM)
{
    // A status bar is never dragged: the button goes to the control (its size grip).
    return Default();
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, BOOL)
{
    CStatusCmdUI state(this);
    state.m_pOther = this;
    state.m_nIndexMax = static_cast<UINT>(m_panes.size());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; state.m_nIndex++) {
        state.m_nID = m_panes[state.m_nIndex].id;
        if (state.m_nID == ID_SEPARATOR)
            continue;
        // The bar's own update handlers come first, then the target's routing. A pane without a
        // handler keeps its state: indicators have no commands to disable them for.
        if (CWnd::OnCmdMsg(state.m_nID, CN_UPDATE_COMMAND_UI, &state, nullptr))
            continue;
        state.DoUpdate(target, FALSE);
    }
}
