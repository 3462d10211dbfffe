#include "engine/core/server/SingleThreadLock.h"

#include <cstring>

CSingleThreadToken::CSingleThreadToken()
{
    std::memset(&m_section, 0, sizeof(m_section));
    InitializeCriticalSection(&m_section);
}

CSingleThreadToken::~CSingleThreadToken()
{
    DeleteCriticalSection(&m_section);
}
