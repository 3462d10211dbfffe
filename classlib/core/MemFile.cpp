#include "classlib/core/MemFile.h"

#include <cstring>
#include <new>

namespace {
// A memory file larger than this is refused rather than attempted: images and blobs held in
// memory are at most a few megabytes, and the limit keeps size arithmetic far from overflow.
constexpr ULONGLONG kMaxMemFileSize = 0x40000000;
}  // namespace

CMemFile::CMemFile(UINT growBytes) : m_growBytes(growBytes == 0 ? 1024 : growBytes) {}

BOOL CMemFile::Open(LPCWSTR, UINT, CFileException* error)
{
    // A memory file has no name to open.
    if (error)
        *error = CFileException(CFileException::genericException, ERROR_NOT_SUPPORTED);
    return FALSE;
}

void CMemFile::GrowTo(ULONGLONG size)
{
    if (size <= m_buffer.size())
        return;
    if (size > kMaxMemFileSize)
        throw CFileException(CFileException::diskFull, ERROR_NOT_ENOUGH_MEMORY);
    const ULONGLONG steps = (size + m_growBytes - 1) / m_growBytes;
    try {
        m_buffer.resize(static_cast<size_t>(steps * m_growBytes));
    } catch (const std::bad_alloc&) {
        throw CFileException(CFileException::diskFull, ERROR_NOT_ENOUGH_MEMORY);
    }
}

UINT CMemFile::Read(void* buffer, UINT count)
{
    if (m_position >= m_fileSize || count == 0)
        return 0;
    const ULONGLONG left = m_fileSize - m_position;
    const UINT n = left < count ? static_cast<UINT>(left) : count;
    std::memcpy(buffer, m_buffer.data() + m_position, n);
    m_position += n;
    return n;
}

void CMemFile::Write(const void* buffer, UINT count)
{
    if (count == 0)
        return;
    const ULONGLONG endPosition = m_position + count;
    GrowTo(endPosition);
    if (m_position > m_fileSize)
        std::memset(m_buffer.data() + m_fileSize, 0, static_cast<size_t>(m_position - m_fileSize));
    std::memcpy(m_buffer.data() + m_position, buffer, count);
    m_position = endPosition;
    if (m_position > m_fileSize)
        m_fileSize = m_position;
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from)
{
    LONGLONG base = 0;
    if (from == current)
        base = static_cast<LONGLONG>(m_position);
    else if (from == end)
        base = static_cast<LONGLONG>(m_fileSize);
    const LONGLONG target = base + offset;
    if (target < 0 || static_cast<ULONGLONG>(target) > kMaxMemFileSize)
        throw CFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK);
    m_position = static_cast<ULONGLONG>(target);
    return m_position;
}

ULONGLONG CMemFile::GetLength() const
{
    return m_fileSize;
}

void CMemFile::SetLength(ULONGLONG newLength)
{
    GrowTo(newLength);
    if (newLength > m_fileSize)
        std::memset(m_buffer.data() + m_fileSize, 0, static_cast<size_t>(newLength - m_fileSize));
    m_fileSize = newLength;
    if (m_position > m_fileSize)
        m_position = m_fileSize;
}

ULONGLONG CMemFile::GetPosition() const
{
    return m_position;
}

void CMemFile::Flush() {}

void CMemFile::Close()
{
    Abort();
}

void CMemFile::Abort() noexcept
{
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_fileSize = 0;
    m_position = 0;
}
