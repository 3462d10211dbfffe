#pragma once

#include <windows.h>

#include <string>

// A file path in the system's temporary folder, unique per test, deleted at scope exit.
class TempPath {
public:
    explicit TempPath(const wchar_t* stem)
    {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        m_path = std::wstring(folder) + stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
        DeleteFileW(m_path.c_str());
    }
    ~TempPath() { DeleteFileW(m_path.c_str()); }
    TempPath(const TempPath&) = delete;
    TempPath& operator=(const TempPath&) = delete;

    const wchar_t* c_str() const { return m_path.c_str(); }

private:
    std::wstring m_path;
};
