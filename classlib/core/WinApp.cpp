#include "classlib/core/WinApp.h"

#include "classlib/core/RegKey.h"

#include <algorithm>
#include <memory>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_resourceHandle = nullptr;

HINSTANCE ThisModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

}  // namespace

int CWinThread::Run()
{
    LONG idleCount = 0;
    for (;;) {
        MSG peek;
        while (!PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                break;
        }
        if (!PumpMessage())
            return ExitInstance();
        idleCount = 0;
    }
}

BOOL CWinThread::PumpMessage()
{
    const BOOL got = GetMessageW(&m_msgCur, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        m_exitCode = got == 0 ? static_cast<int>(m_msgCur.wParam) : -1;
        return FALSE;
    }
    if (!PreTranslateMessage(&m_msgCur)) {
        TranslateMessage(&m_msgCur);
        DispatchMessageW(&m_msgCur);
    }
    return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWinThread::OnIdle(LONG)
{
    return FALSE;
}

CWinApp::CWinApp(const wchar_t* appName)
{
    if (appName)
        SetAppName(appName);
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::SetAppName(const wchar_t* name)
{
    m_appName = name;
    m_pszAppName = m_appName.GetString();
}

void CWinApp::SetRegistryKey(const wchar_t* key)
{
    // An empty key (a string that failed to load) would make the path "Software\\<name>":
    // better no profile at all than one in the wrong place.
    if (!key || !*key || !m_pszAppName || !*m_pszAppName)
        return;
    m_registryKey = key;
    m_pszRegistryKey = m_registryKey.GetString();
    m_profileName = m_pszAppName;
    m_pszProfileName = m_profileName.GetString();
}

void CWinApp::SetRegistryKey(UINT stringId)
{
    CString key;
    key.LoadString(stringId);
    SetRegistryKey(key);
}

void CWinApp::LoadStdProfileSettings(UINT maxMru)
{
    m_nMaxMRU = maxMru;
}

HKEY CWinApp::GetAppRegistryKey()
{
    if (!m_pszRegistryKey || !m_pszProfileName)
        return nullptr;
    const CString path = CString(L"Software\\") + m_pszRegistryKey + L"\\" + m_pszProfileName;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY CWinApp::GetSectionKey(const wchar_t* section)
{
    if (!section)
        return nullptr;
    const RegKey app(GetAppRegistryKey());
    if (!app)
        return nullptr;
    HKEY key = nullptr;
    if (RegCreateKeyExW(app.get(), section, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

UINT CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
{
    const RegKey key(GetSectionKey(section));
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (!key ||
        RegQueryValueExW(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value)
{
    const RegKey key(GetSectionKey(section));
    const DWORD data = static_cast<DWORD>(value);
    return key && RegSetValueExW(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)) ==
                      ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue)
{
    const RegKey key(GetSectionKey(section));
    DWORD type = 0;
    DWORD size = 0;
    if (!key || RegQueryValueExW(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return CString(defaultValue);
    CString value;
    const int chars = static_cast<int>(size / sizeof(wchar_t));
    wchar_t* buffer = value.GetBuffer(chars + 1);
    DWORD read = static_cast<DWORD>((chars + 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &read) != ERROR_SUCCESS)
        return CString(defaultValue);
    buffer[std::min<DWORD>(read / sizeof(wchar_t), static_cast<DWORD>(chars))] = L'\0';
    value.ReleaseBuffer();
    return value;
}

BOOL CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value)
{
    if (!entry) {
        // The framework's convention: a NULL entry removes the whole section. A NULL section
        // as well would name the application key itself: refuse rather than wipe the profile.
        if (!section)
            return FALSE;
        const RegKey app(GetAppRegistryKey());
        return app && RegDeleteTreeW(app.get(), section) == ERROR_SUCCESS;
    }
    const RegKey key(GetSectionKey(section));
    if (!key)
        return FALSE;
    if (!value)
        return RegDeleteValueW(key.get(), entry) == ERROR_SUCCESS;
    const DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(const wchar_t* section, const wchar_t* entry, BYTE** data, UINT* bytes)
{
    if (!data || !bytes)
        return FALSE;
    *data = nullptr;
    *bytes = 0;
    const RegKey key(GetSectionKey(section));
    DWORD type = 0;
    DWORD size = 0;
    // An empty value succeeds with a zero-length array, which the caller deletes all the same.
    if (!key || RegQueryValueExW(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return FALSE;
    auto buffer = std::make_unique<BYTE[]>(size);
    if (RegQueryValueExW(key.get(), entry, nullptr, &type, buffer.get(), &size) != ERROR_SUCCESS)
        return FALSE;
    *data = buffer.release();
    *bytes = size;
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(const wchar_t* section, const wchar_t* entry, const BYTE* data, UINT bytes)
{
    if (!data && bytes > 0)
        return FALSE;
    const RegKey key(GetSectionKey(section));
    return key && RegSetValueExW(key.get(), entry, 0, REG_BINARY, data, bytes) == ERROR_SUCCESS;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

HINSTANCE AfxGetInstanceHandle()
{
    return g_app && g_app->m_hInstance ? g_app->m_hInstance : ThisModule();
}

HINSTANCE AfxGetResourceHandle()
{
    return g_resourceHandle ? g_resourceHandle : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE module)
{
    g_resourceHandle = module;
}

BOOL AfxDllProcessAttach(HINSTANCE module)
{
    if (!g_app)
        return TRUE;
    g_app->m_hInstance = module;
    return g_app->InitInstance();
}

void AfxDllProcessDetach()
{
    if (g_app)
        g_app->ExitInstance();
}

int AfxWinMain(HINSTANCE instance, LPWSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    app->m_nThreadID = GetCurrentThreadId();
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
