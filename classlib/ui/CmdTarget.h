// CCmdTarget: an object with a message map. A message map is a table per class, chained to the
// base class's table, read from the most derived class upward; the first matching entry wins.
//
// Each entry holds a small thunk made by the ON_... macros: a captureless lambda that casts the
// target to the class that declared the map and calls the handler with its own signature, so no
// handler pointer is ever cast to another signature.
//
// Command routing (OnCmdMsg) is virtual: frames, views and documents pass a command on to the
// next target (view, document, document template, frame, application).
#pragma once

#include "classlib/core/Object.h"
#include "classlib/ui/AfxIds.h"

#include <windows.h>

class CCmdTarget;
class CCmdUI;

// One dispatch: the message and its arguments in, the result out.
struct AfxMsgCall {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT nID;      // command or control id for command, update and notify entries
    void* pExtra;  // CCmdUI* for update entries, AFX_NOTIFY* for notify entries
    LRESULT result;
};

using AfxThunk = BOOL (*)(CCmdTarget*, AfxMsgCall&);

enum class AfxEntryKind : UINT {
    End,
    Message,            // a window message, matched on nMessage
    RegisteredMessage,  // a registered message, matched on *pRegistered
    Command,            // CN_COMMAND for ids nID..nLastID; the thunk's result decides routing
    UpdateCommandUI,    // CN_UPDATE_COMMAND_UI for ids nID..nLastID
    Notify,             // WM_NOTIFY code nCode from controls nID..nLastID
};

struct AFX_MSGMAP_ENTRY {
    AfxEntryKind kind;
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    const UINT* pRegistered;
    AfxThunk pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// What a WM_NOTIFY carries through OnCmdMsg.
struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

// Passed to OnCmdMsg to ask whether a handler exists without calling it.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Routes command `id` with code CN_COMMAND, CN_UPDATE_COMMAND_UI or MAKELONG(notify code,
    // WM_NOTIFY); TRUE when a handler took it. With `info` set, only tells whether a command
    // handler exists.
    virtual BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info);

    // The most derived class's message map.
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // Shows the wait cursor (begin) or the arrow again (end).
    void BeginWaitCursor();
    void EndWaitCursor();

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    // Looks up a plain or registered window message through the class chain.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT message);

private:
    HCURSOR m_savedCursor = nullptr;
};

#define DECLARE_MESSAGE_MAP()                                                                                          \
protected:                                                                                                             \
    static const AFX_MSGMAP* GetThisMessageMap();                                                                      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                                                  \
    {                                                                                                                  \
        return GetThisMessageMap();                                                                                    \
    }                                                                                                                  \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                                    \
    {                                                                                                                  \
        using ThisClass [[maybe_unused]] = theClass;                                                                   \
        using TheBaseClass [[maybe_unused]] = baseClass;                                                               \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                              \
    {                                                                                                                  \
        AfxEntryKind::End, 0, 0, 0, 0, nullptr, nullptr                                                                \
    }                                                                                                                  \
    }                                                                                                                  \
    ;                                                                                                                  \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]};                       \
    return &messageMap;                                                                                                \
    }

#define AFX_THUNK_(body)                                                                                               \
    [](CCmdTarget* target_, AfxMsgCall& call_) -> BOOL {                                                               \
        [[maybe_unused]] ThisClass* self_ = static_cast<ThisClass*>(target_);                                          \
        [[maybe_unused]] AfxMsgCall& c_ = call_;                                                                       \
        body                                                                                                           \
    }

// Commands: void handler(); ranges: void handler(UINT id); _EX: BOOL handler(UINT id), FALSE
// passes the command on to the next target.
#define ON_COMMAND(id, fn)                                                                                             \
    {                                                                                                                  \
        AfxEntryKind::Command, WM_COMMAND, 0, (id), (id), nullptr, AFX_THUNK_((self_->*(fn))(); return TRUE;)          \
    }                                                                                                                  \
    ,
#define ON_COMMAND_RANGE(first, last, fn)                                                                              \
    {                                                                                                                  \
        AfxEntryKind::Command, WM_COMMAND, 0, (first), (last), nullptr,                                                \
            AFX_THUNK_((self_->*(fn))(c_.nID); return TRUE;)                                                           \
    }                                                                                                                  \
    ,
#define ON_COMMAND_EX(id, fn)                                                                                          \
    {                                                                                                                  \
        AfxEntryKind::Command, WM_COMMAND, 0, (id), (id), nullptr, AFX_THUNK_(return (self_->*(fn))(c_.nID);)          \
    }                                                                                                                  \
    ,
#define ON_COMMAND_EX_RANGE(first, last, fn)                                                                           \
    {                                                                                                                  \
        AfxEntryKind::Command, WM_COMMAND, 0, (first), (last), nullptr, AFX_THUNK_(return (self_->*(fn))(c_.nID);)     \
    }                                                                                                                  \
    ,
// Update handlers: void handler(CCmdUI*).
#define ON_UPDATE_COMMAND_UI(id, fn)                                                                                   \
    {                                                                                                                  \
        AfxEntryKind::UpdateCommandUI, WM_COMMAND, 0, (id), (id), nullptr,                                             \
            AFX_THUNK_((self_->*(fn))(static_cast<CCmdUI*>(c_.pExtra)); return TRUE;)                                  \
    }                                                                                                                  \
    ,
#define ON_UPDATE_COMMAND_UI_RANGE(first, last, fn)                                                                    \
    {                                                                                                                  \
        AfxEntryKind::UpdateCommandUI, WM_COMMAND, 0, (first), (last), nullptr,                                        \
            AFX_THUNK_((self_->*(fn))(static_cast<CCmdUI*>(c_.pExtra)); return TRUE;)                                  \
    }                                                                                                                  \
    ,
// Notifications: void handler(NMHDR*, LRESULT*); ranges: void handler(UINT id, NMHDR*, LRESULT*).
#define ON_NOTIFY(code, id, fn)                                                                                        \
    {                                                                                                                  \
        AfxEntryKind::Notify, WM_NOTIFY, static_cast<UINT>(code), (id), (id), nullptr,                                 \
            AFX_THUNK_(auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra); (self_->*(fn))(n_->pNMHDR, n_->pResult);        \
                       return TRUE;)                                                                                   \
    }                                                                                                                  \
    ,
#define ON_NOTIFY_RANGE(code, first, last, fn)                                                                         \
    {                                                                                                                  \
        AfxEntryKind::Notify, WM_NOTIFY, static_cast<UINT>(code), (first), (last), nullptr,                            \
            AFX_THUNK_(auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra);                                                 \
                       (self_->*(fn))(c_.nID, n_->pNMHDR, n_->pResult); return TRUE;)                                  \
    }                                                                                                                  \
    ,
// Window messages: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, fn)                                                                                        \
    {                                                                                                                  \
        AfxEntryKind::Message, (message), 0, 0, 0, nullptr,                                                            \
            AFX_THUNK_(c_.result = (self_->*(fn))(c_.wParam, c_.lParam); return TRUE;)                                 \
    }                                                                                                                  \
    ,
// A message id held in a variable filled by RegisterWindowMessage.
#define ON_REGISTERED_MESSAGE(idVariable, fn)                                                                          \
    {                                                                                                                  \
        AfxEntryKind::RegisteredMessage, 0, 0, 0, 0, &(idVariable),                                                    \
            AFX_THUNK_(c_.result = (self_->*(fn))(c_.wParam, c_.lParam); return TRUE;)                                 \
    }                                                                                                                  \
    ,

// The usual window messages, each with the framework's handler name and signature.
#define AFX_ON_WM_(message, body)                                                                                      \
    {                                                                                                                  \
        AfxEntryKind::Message, (message), 0, 0, 0, nullptr, AFX_THUNK_(body return TRUE;)                              \
    }                                                                                                                  \
    ,
#define ON_WM_CREATE() AFX_ON_WM_(WM_CREATE, c_.result = self_->OnCreate(reinterpret_cast<LPCREATESTRUCT>(c_.lParam));)
#define ON_WM_DESTROY() AFX_ON_WM_(WM_DESTROY, self_->OnDestroy();)
#define ON_WM_CLOSE() AFX_ON_WM_(WM_CLOSE, self_->OnClose();)
#define ON_WM_TIMER() AFX_ON_WM_(WM_TIMER, self_->OnTimer(static_cast<UINT_PTR>(c_.wParam));)
#define ON_WM_SIZE()                                                                                                   \
    AFX_ON_WM_(WM_SIZE, self_->OnSize(static_cast<UINT>(c_.wParam), LOWORD(c_.lParam), HIWORD(c_.lParam));)
#define ON_WM_PAINT() AFX_ON_WM_(WM_PAINT, self_->OnPaint();)
#define ON_WM_ERASEBKGND() AFX_ON_WM_(WM_ERASEBKGND, c_.result = self_->OnEraseBkgnd(reinterpret_cast<HDC>(c_.wParam));)
#define ON_WM_SETFOCUS() AFX_ON_WM_(WM_SETFOCUS, self_->OnSetFocus(reinterpret_cast<HWND>(c_.wParam));)
#define ON_WM_INITMENUPOPUP()                                                                                          \
    AFX_ON_WM_(WM_INITMENUPOPUP,                                                                                       \
               self_->OnInitMenuPopup(reinterpret_cast<HMENU>(c_.wParam), LOWORD(c_.lParam), HIWORD(c_.lParam));)
#define ON_WM_WINDOWPOSCHANGED()                                                                                       \
    AFX_ON_WM_(WM_WINDOWPOSCHANGED, self_->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(c_.lParam));)
// void OnDrawItem(int id, LPDRAWITEMSTRUCT): the message is answered TRUE.
#define ON_WM_DRAWITEM()                                                                                               \
    AFX_ON_WM_(WM_DRAWITEM,                                                                                            \
               self_->OnDrawItem(static_cast<int>(c_.wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(c_.lParam));          \
               c_.result = TRUE;)
#define ON_WM_SYSCOLORCHANGE() AFX_ON_WM_(WM_SYSCOLORCHANGE, self_->OnSysColorChange();)
#define ON_WM_MOUSEACTIVATE()                                                                                          \
    AFX_ON_WM_(WM_MOUSEACTIVATE, c_.result = self_->OnMouseActivate(reinterpret_cast<HWND>(c_.wParam),                 \
                                                                    LOWORD(c_.lParam), HIWORD(c_.lParam));)
