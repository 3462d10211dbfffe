// CSingleThreadToken / CSingleThreadLock: the engine's standard per-object lock, a critical section
// and its scoped holder. Critical sections are re-entrant on the owning thread, so an operation
// may call another operation of the same object while it holds the object's lock.
#pragma once

#include <windows.h>

class CSingleThreadToken {
public:
    CSingleThreadToken();
    CSingleThreadToken(const CSingleThreadToken&) = delete;
    CSingleThreadToken& operator=(const CSingleThreadToken&) = delete;
    ~CSingleThreadToken();

    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CSingleThreadLock {
public:
    explicit CSingleThreadLock(CSingleThreadToken* token) : m_token(token) { m_token->Enter(); }
    CSingleThreadLock(const CSingleThreadLock&) = delete;
    CSingleThreadLock& operator=(const CSingleThreadLock&) = delete;
    ~CSingleThreadLock() { m_token->Leave(); }

private:
    CSingleThreadToken* m_token;
};
