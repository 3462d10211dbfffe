// Shared helpers of the profiler and plot cache tests: identities, raw file bytes, RIFF forms
// built by hand (independent of the code under test) and a test application whose profile lives
// under a registry key of its own, deleted at the end.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "classlib/core/WinApp.h"
#include "engine/core/storage/MusicFileId.h"

namespace profiler_test {

using Bytes = std::vector<BYTE>;

inline CMusicFileId MakeId(unsigned seed)
{
    BYTE bytes[16];
    for (int i = 0; i < 16; ++i)
        bytes[i] = static_cast<BYTE>(i < 4 ? seed >> (8 * i) : seed * 31 + i * 7 + 1);
    bytes[4] |= 0x80;  // never all zero
    CMusicFileId id;
    id.SetBytes(bytes);
    return id;
}

inline void PutDword(Bytes& out, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

inline Bytes Chunk(const char* id, const Bytes& data)
{
    Bytes out(id, id + 4);
    PutDword(out, static_cast<DWORD>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
    return out;
}

inline Bytes Form(const char* type, const std::vector<Bytes>& chunks)
{
    Bytes body(type, type + 4);
    for (const Bytes& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    Bytes out = {'R', 'I', 'F', 'F'};
    PutDword(out, static_cast<DWORD>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A "plot" chunk body: the bytes, then the trailer (identity, block size 256, 6 zero bytes).
inline Bytes PlotBody(const Bytes& levels, const CMusicFileId& id)
{
    Bytes body = levels;
    body.insert(body.end(), id.GetBytes(), id.GetBytes() + 16);
    body.push_back(0);
    body.push_back(1);
    body.insert(body.end(), 6, 0);
    return body;
}

inline bool WriteBytes(const std::wstring& path, const Bytes& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

inline Bytes ReadBytes(const std::wstring& path)
{
    Bytes bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        bytes.clear();
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

inline bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The module's application object for one test, with a profile of its own.
class TestApp {
public:
    TestApp() : m_app(L"Profiler Tests")
    {
        m_key = L"Carrowfold Profiler Tests " + std::to_wstring(GetCurrentProcessId());
        m_app.SetRegistryKey(m_key.c_str());
    }
    ~TestApp() { RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_key).c_str()); }
    TestApp(const TestApp&) = delete;
    TestApp& operator=(const TestApp&) = delete;

    CWinApp& App() { return m_app; }

private:
    CWinApp m_app;
    std::wstring m_key;
};

}  // namespace profiler_test
