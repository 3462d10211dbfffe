// Whole files as byte strings, for tests that compare what the code wrote byte for byte and lay
// out files for it to read.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace fixtures {

// The file's bytes; empty when it cannot be read.
inline std::string ReadFileText(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Creates or truncates the file with exactly these bytes.
inline void WriteFileText(const std::wstring& path, const std::string& bytes)
{
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << bytes;
}

inline bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace fixtures
