#include "toolkit/controls/customize/CustomizeSession.h"

#include "toolkit/bars/look/GlobalData.h"

#include <windowsx.h>

#include <algorithm>

namespace {

// Indexes of the drag cursors in the global data.
constexpr int kCopyCursor = 0;
constexpr int kMoveCursor = 1;
constexpr int kNoDropCursor = 3;

constexpr UINT kNotCustomizable[][2] = {
    {57616, 57631},  // the recent-file entries
    {65280, 65288},  // the window-list entries
    {53783, 53783},  // "Display full menus"
};

BOOL DefaultCustomizable(UINT command)
{
    for (const auto& range : kNotCustomizable) {
        if (command >= range[0] && command <= range[1])
            return FALSE;
    }
    return TRUE;
}

}  // namespace

CUVCustomizeSession* CUVCustomizeSession::GetInstance()
{
    static CUVCustomizeSession session;
    return &session;
}

void CUVCustomizeSession::OnModeChanged(void* self, LPARAM on)
{
    auto* session = static_cast<CUVCustomizeSession*>(self);
    session->m_bCustomizeMode = on != 0;
    if (!on)
        session->DeleteQueuedObjects();
}

void CUVCustomizeSession::SetCustomizeMode(BOOL on)
{
    CUVObserverList& list = m_lists[customizeModeChanged];
    if (list.GetSize() == 0 || list.GetAt(0).context != this) {
        // The session's own entry goes first, so that listeners see the new mode.
        const int size = list.GetSize();
        std::vector<UVObserver> others;
        for (int i = 0; i < size; ++i)
            others.push_back(list.GetAt(i));
        list.SetSize(0);
        list.Add(&OnModeChanged, this);
        for (const UVObserver& other : others)
            list.Add(other.callback, other.context);
    }
    list.CallAllWithArg(on ? 1 : 0);
}

BOOL CUVCustomizeSession::IsCommandCustomizable(UINT command) const
{
    if (m_customizableRule.function)
        return m_customizableRule.function(m_customizableRule.object, command);
    return DefaultCustomizable(command);
}

void CUVCustomizeSession::DeleteQueuedObjects()
{
    while (!m_deletionQueue.empty()) {
        std::vector<CObject*> objects;
        objects.swap(m_deletionQueue);
        for (CObject* object : objects)
            delete object;
    }
}

void CUVCustomizeSession::RemoveObserver(const void* object)
{
    for (CUVObserverList& list : m_lists)
        list.RemoveContext(object);
    CUVObserverList& mode = m_lists[customizeModeChanged];
    if (mode.GetSize() == 1 && mode.GetAt(0).context == this)
        mode.RemoveContext(this);
}

void CUVCustomizeSession::UpdateCursor(const CUVDragContext& drag)
{
    int cursor = kNoDropCursor;
    if (drag.current)
        cursor = (drag.move || !drag.copyAllowed) ? kMoveCursor : kCopyCursor;
    SetCursor(uvAfxData.m_cursors[cursor]);
}

void CUVCustomizeSession::HitTest(CUVDragContext& drag, POINT point)
{
    if (drag.current) {
        if (drag.current->HitTest(point)) {
            drag.lastPoint = point;
            drag.current->DragOver(point);
        } else {
            drag.current->Leave();
            drag.current = nullptr;
        }
    }
    if (!drag.current) {
        for (CUVDropTarget* target : drag.targets) {
            if (!target->HitTest(point))
                continue;
            drag.copyAllowed = TRUE;
            if (target->Enter(drag.data, point, &drag.copyAllowed)) {
                drag.current = target;
                drag.lastPoint = point;
            }
            break;
        }
    }
    UpdateCursor(drag);
}

BOOL CUVCustomizeSession::RunButtonDrag(HWND source, BOOL allowCopy, void* data)
{
    if (GetCapture())
        return FALSE;
    CUVDragContext drag;
    drag.savedCursor = GetCursor();
    drag.source = source;
    drag.data = data;
    SetCapture(source);
    m_bDragging = TRUE;
    m_lists[dragStarted].CallAllWithArg(reinterpret_cast<LPARAM>(&drag));
    drag.move = allowCopy ? (GetKeyState(VK_CONTROL) >= 0) : FALSE;
    const auto updateMove = [&](WPARAM keys) {
        if (allowCopy)
            drag.move = (keys & MK_CONTROL) == 0;
    };
    POINT cursor{};
    GetCursorPos(&cursor);
    HitTest(drag, cursor);
    POINT lastMove = cursor;

    BOOL dropped = FALSE;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageW(&msg);
        if (GetCapture() != source)
            break;
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (GetCapture() != source)
            break;
        if (msg.message == WM_RBUTTONDOWN || (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE))
            break;
        if (msg.message == WM_CANCELMODE) {
            DispatchMessageW(&msg);
            if (msg.hwnd == source)
                break;
            continue;
        }
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
            POINT point{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            ClientToScreen(msg.hwnd, &point);
            const bool released = msg.message == WM_LBUTTONUP || (msg.wParam & MK_LBUTTON) == 0;
            if (!released && point.x == lastMove.x && point.y == lastMove.y)
                continue;
            lastMove = point;
            updateMove(msg.wParam);
            HitTest(drag, point);
            if (released) {
                dropped = TRUE;
                break;
            }
            continue;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) {
            if (msg.wParam == VK_CONTROL && allowCopy) {
                drag.move = msg.message == WM_KEYUP;
                UpdateCursor(drag);
            }
            continue;  // keys never reach windows during the drag
        }
        if (msg.message == WM_TIMER)
            continue;
        DispatchMessageW(&msg);
    }

    BOOL result = FALSE;
    if (dropped) {
        if (drag.current) {
            drag.current->Drop(data, drag.lastPoint);
            drag.current = nullptr;
        }
        result = drag.move;
    }
    if (drag.current)
        drag.current->Leave();
    if (GetCursor() != drag.savedCursor)
        SetCursor(drag.savedCursor);
    if (GetCapture() == source)
        ReleaseCapture();
    m_bDragging = FALSE;
    return result;
}
