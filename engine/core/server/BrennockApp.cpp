#include "engine/core/server/BrennockApp.h"

#include "engine/core/server/EngineFolders.h"
#include "engine/core/server/EngineNames.h"

CBrennockApp::CBrennockApp()
{
    m_mutex.reset(CreateMutexW(nullptr, TRUE, kEngineAppMutexName));
    if (!m_mutex)
        return;
    // Initial ownership is granted only to the process that creates the mutex; one that finds it
    // existing gets its hold from the wait alone.
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        ++m_mutexHolds;
    const DWORD waited = WaitForSingleObject(m_mutex.get(), INFINITE);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        ++m_mutexHolds;
}

CBrennockApp::~CBrennockApp()
{
    // Every hold is given back: a creator that kept one would make the next process to load the
    // engine wait until this one ends, long after it unloaded the library.
    for (; m_mutexHolds > 0; --m_mutexHolds)
        ReleaseMutex(m_mutex.get());
}

BOOL CBrennockApp::InitInstance()
{
    CString name;
    name.LoadString(kEngineAppNameStringId);
    SetAppName(name);
    SetRegistryKey(kEngineRegistryKey);
    LoadStdProfileSettings(4);
    // The class library's own default initialisation has nothing to refuse.
    return TRUE;
}

CString CBrennockApp::GetAppModuleFolder() const
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(m_hInstance ? m_hInstance : AfxGetInstanceHandle(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return CString();
    const CString file(path);
    return file.Left(FindLastChar(file, L'\\') + 1);
}
