#pragma once

#include <windows.h>

#include <string>

#include "RiffBytes.h"

// A path in the system's temporary folder, unique per process and name, deleted at scope exit.
class TempFile {
public:
    explicit TempFile(const wchar_t* stem)
    {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        m_path = std::wstring(folder) + L"cf-" + stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L".dat";
        DeleteFileW(m_path.c_str());
    }
    ~TempFile() { DeleteFileW(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const wchar_t* c_str() const { return m_path.c_str(); }
    const std::wstring& path() const { return m_path; }

    bool Exists() const { return GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    Bytes Read() const
    {
        Bytes data;
        HANDLE h = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return data;
        data.resize(GetFileSize(h, nullptr));
        DWORD read = 0;
        if (!data.empty())
            ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
        CloseHandle(h);
        data.resize(read);
        return data;
    }

    void Write(const Bytes& data) const
    {
        HANDLE h = CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (!data.empty())
            WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
        CloseHandle(h);
    }

private:
    std::wstring m_path;
};
