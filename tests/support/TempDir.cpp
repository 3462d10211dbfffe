#include "tests/support/TempDir.h"

#include <windows.h>

#include <filesystem>

namespace fixtures {

TempDir::TempDir(const std::wstring& tag)
{
    wchar_t base[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    m_path = std::wstring(base) + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(InterlockedIncrement(&counter));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

}  // namespace fixtures
