#include "engine/core/mix/M3uFile.h"

#include <shlwapi.h>

#include <cstring>

namespace {

// Reading in large pieces: under Wine every system call costs microseconds, and a playlist of
// ten thousand paths would otherwise pay two of them per line.
constexpr size_t kReadSize = 0x10000;
constexpr unsigned char kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

bool IsLineEnd(int c)
{
    return c == '\r' || c == '\n';
}

}  // namespace

CM3uFile::CM3uFile() : m_buffer(kReadSize) {}

BOOL CM3uFile::Open(LPCWSTR path)
{
    m_file.Abort();
    m_current = m_filled = 0;
    m_end = true;
    m_utf8 = false;
    m_failed = false;
    if (!path || !m_file.Open(path, CFile::modeRead | CFile::shareDenyNone))
        return FALSE;
    m_end = false;
    m_utf8 = lstrcmpiW(PathFindExtensionW(path), L".m3u8") == 0;
    unsigned char start[3] = {};
    try {
        if (m_file.Read(start, 3) == 3 && std::memcmp(start, kByteOrderMark, 3) == 0)
            m_utf8 = true;
        else
            m_file.SeekToBegin();
    } catch (const CFileException&) {
        m_file.Abort();
        m_end = true;
        return FALSE;
    }
    return TRUE;
}

int CM3uFile::NextByte()
{
    if (m_current == m_filled) {
        if (m_end)
            return -1;
        m_current = m_filled = 0;
        try {
            m_filled = m_file.Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
        } catch (const CFileException&) {
            m_filled = 0;
            m_failed = true;
        }
        if (m_filled == 0) {
            m_end = true;
            return -1;
        }
    }
    return static_cast<unsigned char>(m_buffer[m_current++]);
}

BOOL CM3uFile::ReadLine(char* line, unsigned size)
{
    if (!line || size == 0)
        return FALSE;
    for (;;) {
        int c = NextByte();
        while (IsLineEnd(c))
            c = NextByte();
        if (c < 0) {
            line[0] = '\0';
            return FALSE;
        }
        const unsigned limit = size < kMaxLine ? size : kMaxLine;
        unsigned length = 0;
        bool fits = true;
        for (; c >= 0 && !IsLineEnd(c); c = NextByte()) {
            if (length + 1 < limit)
                line[length++] = static_cast<char>(c);
            else
                fits = false;
        }
        line[length] = '\0';
        if (fits && line[0] != '#')
            return TRUE;
    }
}
