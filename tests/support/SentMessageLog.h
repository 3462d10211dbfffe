// SentMessageLog: the messages sent to this thread's windows while it lives, as each window
// procedure gets them (a WH_CALLWNDPROC hook, removed when the log goes, also when a test stops
// early). One log at a time on a thread. The hook costs time of its own: a benchmark keeps it out
// of what it times.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

struct SentMessage {
    HWND window;
    UINT message;
};

class SentMessageLog {
public:
    SentMessageLog()
    {
        s_current = this;
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, &SentMessageLog::Hook, nullptr, ::GetCurrentThreadId());
    }
    ~SentMessageLog()
    {
        if (m_hook)
            ::UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    SentMessageLog(const SentMessageLog&) = delete;
    SentMessageLog& operator=(const SentMessageLog&) = delete;

    bool IsHooked() const { return m_hook != nullptr; }
    const std::vector<SentMessage>& Messages() const { return m_sent; }
    // How often `message` was sent to `window`; to any window when `window` is null.
    int Count(HWND window, UINT message) const
    {
        return static_cast<int>(std::count_if(m_sent.begin(), m_sent.end(), [&](const SentMessage& sent) {
            return sent.message == message && (!window || sent.window == window);
        }));
    }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code >= 0 && s_current) {
            const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
            s_current->m_sent.push_back({sent->hwnd, sent->message});
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline SentMessageLog* s_current = nullptr;
    HHOOK m_hook = nullptr;
    std::vector<SentMessage> m_sent;
};
