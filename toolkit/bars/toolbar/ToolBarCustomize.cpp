// The toolbar's saved state (with the snapshot of its resource layout) and its part in
// customisation: taking part in customise mode and applying a state to its buttons.
#include "toolkit/bars/toolbar/ToolBar.h"

#include "classlib/core/WinApp.h"
#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/toolbar/SavedToolBarState.h"
#include "toolkit/bars/toolbar/ToolBarEditor.h"
#include "toolkit/controls/customize/CommandDescriptor.h"
#include "toolkit/controls/customize/CommandIconMap.h"
#include "toolkit/controls/customize/CustomizeSession.h"
#include "toolkit/controls/customize/ToolbarEntry.h"

#include <algorithm>

namespace {

void OnCustomizeModeChanged(void* bar, LPARAM on)
{
    static_cast<CUVToolBar*>(bar)->SetCustomizeMode(on != 0);
}

}  // namespace

void CUVToolBar::SetCustomizable(BOOL customizable)
{
    if (customizable == m_bCustomizable)
        return;
    m_bCustomizable = customizable;
    m_bStateToRestore = customizable;
    CUVObserverList& list = CUVCustomizeSession::GetInstance()->GetList(CUVCustomizeSession::customizeModeChanged);
    if (customizable)
        list.Add(&OnCustomizeModeChanged, this);
    else
        list.RemoveContext(this);
}

void CUVToolBar::RestoreStateOnce()
{
    if (!m_bStateToRestore)
        return;
    m_bStateToRestore = FALSE;
    LoadState(L"Settings", m_strBarEntry);
}

const std::vector<BYTE>& CUVToolBar::Snapshot()
{
    if (!m_bHaveSnapshot) {
        m_snapshot = SerializeToolBarState(CaptureState());
        m_bHaveSnapshot = TRUE;
    }
    return m_snapshot;
}

UVToolBarState CUVToolBar::CaptureState() const
{
    UVToolBarState state;
    if (GetStyle() & TBSTYLE_LIST)
        state.flags |= UVToolBarState::kListStyle;
    const int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        UVToolBarState::Button saved;
        saved.command = static_cast<uint32_t>(button.idCommand);
        saved.style = button.fsStyle;
        // A separator's image is its width (a control's over it is wider than the others).
        saved.image = button.iBitmap;
        for (const CUVToolBarButtonInfo& info : m_buttonInfos) {
            if (info.command == saved.command && saved.command != 0)
                saved.record = info;
        }
        state.buttons.push_back(saved);
    }
    for (const auto& [command, text] : m_texts)
        state.texts.push_back({command, text});
    return state;
}

BOOL CUVToolBar::SaveState(const wchar_t* section, const wchar_t* entry)
{
    const std::vector<BYTE>& snapshot = Snapshot();
    return SaveToolBarState(section, entry, snapshot, CaptureState());
}

BOOL CUVToolBar::LoadState(const wchar_t* section, const wchar_t* entry)
{
    const std::vector<BYTE>& snapshot = Snapshot();
    UVToolBarState state;
    return LoadToolBarState(section, entry, snapshot, state) && ApplyState(state);
}

BOOL CUVToolBar::ApplyState(const UVToolBarState& state)
{
    if (!m_hWnd)
        return FALSE;

    // The bar's own images, collected before its buttons are replaced.
    CUVCommandIconMap ownIcons;
    const int oldCount = GetButtonCount();
    std::vector<TBBUTTON> oldButtons(static_cast<size_t>(oldCount));
    for (int i = 0; i < oldCount; ++i) {
        TBBUTTON& button = oldButtons[static_cast<size_t>(i)];
        SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (!(button.fsStyle & BTNS_SEP) && button.iBitmap >= 0 && m_hImages)
            ownIcons.SetAt(static_cast<UINT>(button.idCommand),
                           ImageList_GetIcon(m_hImages, button.iBitmap, ILD_NORMAL), nullptr, nullptr);
    }
    CUVCommandIconMap providedIcons;
    CUVCustomizeSession::GetInstance()
        ->GetList(CUVCustomizeSession::fillCommandIcons)
        .CallAllWithArg(reinterpret_cast<LPARAM>(&providedIcons));

    // Images appended for the state go again if the control refuses it.
    const int oldImageCount = m_hImages ? ImageList_GetImageCount(m_hImages) : 0;
    std::vector<TBBUTTON> buttons;
    std::vector<CUVToolBarButtonInfo> records;
    BOOL dropDownArrows = FALSE;
    for (const UVToolBarState::Button& saved : state.buttons) {
        TBBUTTON button{};
        button.idCommand = static_cast<int>(saved.command);
        button.fsStyle = saved.style;
        button.fsState = TBSTATE_ENABLED;
        button.iString = -1;
        if (saved.style & BTNS_SEP) {
            button.iBitmap = saved.image >= 0 ? saved.image : 6;
            buttons.push_back(button);
            continue;
        }
        button.iBitmap = UVToolBarState::kNoImage;
        if (saved.record) {
            records.push_back(*saved.record);
            dropDownArrows |= (saved.record->flags & CUVToolBarButtonInfo::isDropDown) != 0;
        }
        HICON normal = nullptr, hot = nullptr, disabled = nullptr;
        if (saved.record && (saved.record->flags & CUVToolBarButtonInfo::keepsImage)) {
            button.iBitmap = saved.image;
        } else if (ownIcons.Lookup(saved.command, &normal, nullptr, nullptr) && normal && m_hImages) {
            button.iBitmap = ImageList_ReplaceIcon(m_hImages, -1, normal);
        } else if (providedIcons.Lookup(saved.command, &normal, &hot, &disabled) && normal && m_hImages) {
            button.iBitmap = ImageList_ReplaceIcon(m_hImages, -1, normal);
            if (HIMAGELIST hotList = reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETHOTIMAGELIST)); hotList && hot)
                ImageList_ReplaceIcon(hotList, -1, hot);
            if (HIMAGELIST off = reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETDISABLEDIMAGELIST)); off && disabled)
                ImageList_ReplaceIcon(off, -1, disabled);
        }
        buttons.push_back(button);
    }
    const std::map<UINT, CString> oldTexts = m_texts;
    while (SendMessage(TB_BUTTONCOUNT) > 0)
        SendMessage(TB_DELETEBUTTON, 0);
    m_hiddenButtons.clear();
    m_dropped.clear();
    m_texts.clear();
    for (const UVToolBarState::Text& text : state.texts)
        m_texts[text.command] = text.text;
    const BOOL added = buttons.empty() || SendMessage(TB_ADDBUTTONSW, static_cast<WPARAM>(buttons.size()),
                                                      reinterpret_cast<LPARAM>(buttons.data()));
    if (!added) {
        // The bar keeps what it had rather than lose its buttons.
        while (SendMessage(TB_BUTTONCOUNT) > 0)
            SendMessage(TB_DELETEBUTTON, 0);
        m_texts = oldTexts;
        if (!oldButtons.empty())
            SendMessage(TB_ADDBUTTONSW, oldButtons.size(), reinterpret_cast<LPARAM>(oldButtons.data()));
        for (int i = m_hImages ? ImageList_GetImageCount(m_hImages) : 0; i > oldImageCount; --i)
            ImageList_Remove(m_hImages, i - 1);
        PostLayoutRequest();
        return FALSE;
    }
    // Only a state the control took changes the bar's records and looks.
    for (const CUVToolBarButtonInfo& record : records)
        SetButtonInfo(record);
    if (dropDownArrows)
        SendMessage(TB_SETEXTENDEDSTYLE, 0, SendMessage(TB_GETEXTENDEDSTYLE) | TBSTYLE_EX_DRAWDDARROWS);
    if ((state.flags & UVToolBarState::kListStyle) && !(GetStyle() & TBSTYLE_LIST))
        SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle() | TBSTYLE_LIST);
    PostLayoutRequest();
    return TRUE;
}

CUVToolbarEntry& CUVToolBar::GetResetHandler(CUVToolbarEntry& entry)
{
    entry.hideable = 1;
    entry.userToolbar = 0;
    entry.window = m_hWnd;
    entry.reset.function = [](void* bar) { static_cast<CUVToolBar*>(bar)->AskAndReset(); };
    entry.reset.object = this;
    return entry;
}

BOOL CUVToolBar::AskAndReset()
{
    CWinApp* app = AfxGetApp();
    CString question;
    question.LoadString(uvAfxData.m_hResources, IDS_UV_RESET_TOOLBAR);
    if (MessageBoxW(GetFocus(), question, app ? app->m_pszAppName : nullptr, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return FALSE;
    UVToolBarState initial;
    const std::vector<BYTE>& snapshot = Snapshot();
    if (!ParseToolBarState(snapshot.data(), snapshot.size(), initial) || !ApplyState(initial))
        return FALSE;
    if (m_pEditor)
        m_pEditor->ClearSelection();
    RepositionControls();
    PostLayoutRequest();
    return TRUE;
}

BOOL CUVToolBar::InsertCustomButton(const CUVCommandDescriptor& descriptor, int index)
{
    TBBUTTON button{};
    button.idCommand = static_cast<int>(descriptor.command);
    button.fsState = TBSTATE_ENABLED;
    button.iString = -1;
    button.iBitmap = UVToolBarState::kNoImage;
    if (descriptor.normalIcon && m_hImages) {
        button.iBitmap = ImageList_ReplaceIcon(m_hImages, -1, descriptor.normalIcon);
        if (HIMAGELIST hot = reinterpret_cast<HIMAGELIST>(SendMessage(TB_GETHOTIMAGELIST)); hot && descriptor.hotIcon)
            ImageList_ReplaceIcon(hot, -1, descriptor.hotIcon);
    }
    std::optional<CUVToolBarButtonInfo> record = descriptor.record;
    if (record) {
        button.fsStyle |= BTNS_DROPDOWN;
        if (record->handler) {
            // A command of the bar's own: past every other such command, and at least 100.
            UINT next = 100;
            for (const CUVToolBarButtonInfo& info : m_buttonInfos) {
                if (info.handler)
                    next = std::max(next, info.command + 1);
            }
            button.idCommand = static_cast<int>(next);
            button.fsStyle |= BTNS_WHOLEDROPDOWN;
        }
        record->command = static_cast<uint32_t>(button.idCommand);
    }
    if (!SendMessage(TB_INSERTBUTTONW, index, reinterpret_cast<LPARAM>(&button)))
        return FALSE;
    if (record)
        SetButtonInfo(*record);
    const CString text = descriptor.ShownText();
    if (!text.IsEmpty())
        SetButtonText(static_cast<UINT>(button.idCommand), text);
    if (CFrameWnd* frame = GetParentFrame()) {
        PostLayoutRequest();
        frame->DelayRecalcLayout();
    }
    return TRUE;
}

void CUVToolBar::SetCustomizeMode(BOOL on)
{
    if (on && !m_pEditor) {
        m_pEditor = std::make_unique<CUVToolBarEditor>(this);
    } else if (!on && m_pEditor) {
        m_pEditor.reset();
        PostLayoutRequest();
    }
}
