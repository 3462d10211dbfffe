#include "mp3decoder/Mp3File.h"

HRESULT CMp3File::Open(const wchar_t* path)
{
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr));
    if (!file)
        return HRESULT_FROM_WIN32(GetLastError());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size))
        return HRESULT_FROM_WIN32(GetLastError());
    m_size = static_cast<uint64_t>(size.QuadPart);
    m_file = std::move(file);
    return S_OK;
}

bool CMp3File::ReadAt(uint64_t offset, void* buffer, uint32_t bytes) const
{
    if (!m_file || offset > m_size || bytes > m_size - offset)
        return false;
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return ReadFile(m_file.get(), buffer, bytes, &read, &at) && read == bytes;
}
