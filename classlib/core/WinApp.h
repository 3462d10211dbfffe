// CWinThread / CWinApp: the application object of a module (program or library), its names,
// its module and resource handles and its per-user profile in the registry.
// Profile values live under HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>;
// without a registry key there is no profile (reads give the default, writes fail).
// The window-aware parts of the message loop (translation through windows, idle command update)
// are supplied by classlib/ui through the virtual operations of CWinThread.
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

class CWinThread {
public:
    CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    virtual ~CWinThread() = default;

    virtual BOOL InitInstance() { return FALSE; }
    // The exit code: the WM_QUIT code once the message loop has ended, else 0.
    virtual int ExitInstance() { return m_exitCode; }
    // The message loop: idle processing while the queue is empty, then one message at a time
    // through PumpMessage, until WM_QUIT; returns ExitInstance's result.
    virtual int Run();
    virtual BOOL PumpMessage();
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnIdle(LONG count);

    DWORD m_nThreadID = 0;
    HANDLE m_hThread = nullptr;
    MSG m_msgCur{};
    int m_exitCode = 0;
};

class CWinApp : public CWinThread {
public:
    explicit CWinApp(const wchar_t* appName = nullptr);
    ~CWinApp() override;

    // Sets the registry key that roots the profile ("Software\<key>\<profile name>"); the
    // profile name becomes the application name as it is now. Needs a non-empty key and
    // application name, else nothing changes.
    void SetRegistryKey(const wchar_t* key);
    void SetRegistryKey(UINT stringId);
    // Reads the standard settings; keeps the size of the recent-file list (the list itself
    // belongs to the windowed part of the library).
    virtual void LoadStdProfileSettings(UINT maxMru = 4);

    // Values of another type than the one asked for read as missing (the default, or FALSE).
    UINT GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue);
    BOOL WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value);
    CString GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue = nullptr);
    BOOL WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value);
    // On success *data is a new[] array (zero-length for an empty value) that the caller deletes
    // with delete[]; on failure *data is NULL and *bytes 0.
    BOOL GetProfileBinary(const wchar_t* section, const wchar_t* entry, BYTE** data, UINT* bytes);
    BOOL WriteProfileBinary(const wchar_t* section, const wchar_t* entry, const BYTE* data, UINT bytes);

    // Opened (created when missing) with full access; the caller closes them. NULL without a key.
    HKEY GetAppRegistryKey();
    HKEY GetSectionKey(const wchar_t* section);

    void SetAppName(const wchar_t* name);

    const wchar_t* m_pszAppName = nullptr;
    const wchar_t* m_pszRegistryKey = nullptr;
    const wchar_t* m_pszProfileName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    UINT m_nMaxMRU = 0;

private:
    CString m_appName;
    CString m_registryKey;
    CString m_profileName;
};

// The module's one application object (NULL when the module has none).
CWinApp* AfxGetApp();
// The module these functions are linked into (each program and library links its own copy).
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

// Library start and end for a DLL's application object: DllMain calls these on process attach
// and detach. Attach records the module handle and runs InitInstance; its result is returned.
BOOL AfxDllProcessAttach(HINSTANCE module);
void AfxDllProcessDetach();

// A program's entry: records the module handle, runs InitInstance, then Run (or ExitInstance
// when InitInstance fails); returns the exit code.
int AfxWinMain(HINSTANCE instance, LPWSTR commandLine, int showCommand);
