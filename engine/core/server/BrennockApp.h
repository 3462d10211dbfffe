// CBrennockApp: the engine library's application object, alive from library load to unload (the
// module defines the one instance). It holds the named mutex "Carrowfold 5 App Mutex" for as long
// as the library is loaded, so that a second process that loads the engine waits at load until
// the first one lets go; and it names the engine's profile:
// HKEY_CURRENT_USER\Software\Carrowfold Technology\Carrowfold Engine Express 5.
#pragma once

#include "classlib/core/WinApp.h"
#include "classlib/com/UniqueHandle.h"

class CBrennockApp : public CWinApp {
public:
    // Creates the mutex asking for ownership, then waits on it without time-out. Runs inside
    // the library's load, so a second process blocks in its loader here.
    CBrennockApp();
    // Lets go of every hold taken at construction and closes the mutex.
    ~CBrennockApp() override;

    // Application name from string 19, registry key, standard profile settings with a recent-file
    // list of 4.
    BOOL InitInstance() override;

    // The folder of the engine library's own file, ending in a backslash.
    CString GetAppModuleFolder() const;

private:
    UniqueKernelHandle m_mutex;
    // How often this object owns the mutex: the ownership granted at creation (only when this
    // process created it) plus the wait.
    int m_mutexHolds = 0;
};
