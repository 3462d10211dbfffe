#include "toolkit/bars/frames/FrameBarState.h"

#include "classlib/ui/FrameWnd.h"
#include "toolkit/bars/docking/DockWindow.h"
#include "toolkit/bars/state/DockState.h"
#include "toolkit/bars/state/ProfileStore.h"
#include "toolkit/controls/customize/CustomizeSession.h"

#include <algorithm>

namespace {

// The bar section of `profileName` whose "BarID" is `id`; empty when a section without one
// comes first (the layout was saved without that bar).
CString FindBarSection(const wchar_t* profileName, UINT id)
{
    const CUVProfileStore store(HKEY_CURRENT_USER);
    CString section;
    for (int n = 0; n < CDockState::kMaxSections; ++n) {
        section.Format(L"%s-Bar%d", profileName, n);
        const int saved = store.GetProfileInt(section, L"BarID", -1);
        if (saved == -1)
            break;
        if (static_cast<UINT>(saved) == id)
            return section;
    }
    return CString();
}

std::vector<CUVDockWindow*> DockingWindowsOf(CFrameWnd* frame)
{
    std::vector<CUVDockWindow*> windows;
    for (CControlBar* bar : frame->GetControlBars()) {
        if (bar->IsKindOf(RUNTIME_CLASS(CUVDockWindow)))
            windows.push_back(static_cast<CUVDockWindow*>(bar));
    }
    return windows;
}

void TellSession(const UVBarStateDelegate& delegate, CFrameWnd* frame, const wchar_t* profileName)
{
    if (delegate.function)
        delegate.function(delegate.object, frame, profileName);
}

}  // namespace

void UVCleanDockState(CFrameWnd* frame, CUVDockState& state)
{
    auto& entries = state.m_arrBarInfo;
    for (size_t i = entries.size(); i-- > 0;) {
        CControlBarInfo& info = entries[i];
        std::erase_if(info.m_arrBarID, [frame](UINT id) { return id != 0 && !frame->GetControlBar(LOWORD(id)); });
        if (!info.m_bFloating && !frame->GetControlBar(info.m_nBarID))
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void UVLoadBarState(CFrameWnd* frame, const wchar_t* profileName)
{
    TellSession(CUVCustomizeSession::GetInstance()->m_loadBarState, frame, profileName);
    CUVDockState state;
    state.LoadState(profileName);
    UVCleanDockState(frame, state);
    for (CUVDockWindow* window : DockingWindowsOf(frame)) {
        const CString section = FindBarSection(profileName, static_cast<UINT>(window->GetDlgCtrlID()));
        // Saved before this docking window existed: the layout would not fit it.
        if (section.IsEmpty())
            return;
        window->LoadBarPosition(section);
    }
    frame->SetDockState(state);
}

void UVSaveBarState(CFrameWnd* frame, const wchar_t* profileName)
{
    TellSession(CUVCustomizeSession::GetInstance()->m_saveBarState, frame, profileName);
    CUVDockState state;
    frame->GetDockState(state);
    state.SaveState(profileName);
    for (CUVDockWindow* window : DockingWindowsOf(frame)) {
        const CString section = FindBarSection(profileName, static_cast<UINT>(window->GetDlgCtrlID()));
        if (section.IsEmpty())
            return;
        window->SaveBarPosition(section);
    }
}
