#include "classlib/ui/CmdTarget.h"

#include "classlib/ui/CmdUI.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{AfxEntryKind::End, 0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* map, UINT message)
{
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->kind != AfxEntryKind::End; ++e) {
            if (e->kind == AfxEntryKind::Message && e->nMessage == message)
                return e;
            if (e->kind == AfxEntryKind::RegisteredMessage && *e->pRegistered != 0 && *e->pRegistered == message)
                return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info)
{
    const bool isUpdate = code == CN_UPDATE_COMMAND_UI;
    const bool isNotify = HIWORD(static_cast<DWORD>(code)) == WM_NOTIFY && !isUpdate;
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->kind != AfxEntryKind::End; ++e) {
            if (id < e->nID || id > e->nLastID)
                continue;
            AfxMsgCall call{0, 0, 0, id, extra, 0};
            if (isUpdate && e->kind == AfxEntryKind::UpdateCommandUI) {
                if (info) {
                    info->pTarget = this;
                    return TRUE;
                }
                auto* cmdUI = static_cast<CCmdUI*>(extra);
                cmdUI->m_bContinueRouting = FALSE;
                e->pfn(this, call);
                return !cmdUI->m_bContinueRouting;
            }
            if (isNotify && e->kind == AfxEntryKind::Notify && LOWORD(e->nCode) == LOWORD(static_cast<DWORD>(code))) {
                if (info) {
                    info->pTarget = this;
                    return TRUE;
                }
                call.message = WM_NOTIFY;
                return e->pfn(this, call);
            }
            if (code == CN_COMMAND && e->kind == AfxEntryKind::Command) {
                if (info) {
                    info->pTarget = this;
                    return TRUE;
                }
                call.message = WM_COMMAND;
                return e->pfn(this, call);
            }
        }
    }
    return FALSE;
}

void CCmdTarget::BeginWaitCursor()
{
    m_savedCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void CCmdTarget::EndWaitCursor()
{
    SetCursor(m_savedCursor ? m_savedCursor : LoadCursorW(nullptr, IDC_ARROW));
    m_savedCursor = nullptr;
}
