// CComCriticalSection and CComCritSecLock: a critical section of a plug-in library's object and
// its scoped holder, so that no code leaves a section by hand. Re-entrant on the owning thread.
#pragma once

#include <windows.h>

class CComCriticalSection {
public:
    CComCriticalSection() { InitializeCriticalSection(&m_section); }
    CComCriticalSection(const CComCriticalSection&) = delete;
    CComCriticalSection& operator=(const CComCriticalSection&) = delete;
    ~CComCriticalSection() { DeleteCriticalSection(&m_section); }

    void Lock() { EnterCriticalSection(&m_section); }
    void Unlock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CComCritSecLock {
public:
    explicit CComCritSecLock(CComCriticalSection& section) : m_section(section) { m_section.Lock(); }
    CComCritSecLock(const CComCritSecLock&) = delete;
    CComCritSecLock& operator=(const CComCritSecLock&) = delete;
    ~CComCritSecLock() { m_section.Unlock(); }

private:
    CComCriticalSection& m_section;
};
