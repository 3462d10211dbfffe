#include "classlib/core/Archive.h"

#include <algorithm>
#include <cstring>

CArchive::CArchive(CFile* file, UINT mode, int bufferSize)
    : m_file(file), m_loading((mode & load) != 0), m_flushOnDelete((mode & bNoFlushOnDelete) == 0),
      m_buffer(static_cast<size_t>(bufferSize > 0 ? bufferSize : kDefaultBufferSize))
{}

CArchive::~CArchive()
{
    if (m_file != nullptr && !m_loading && m_flushOnDelete) {
        try {
            Flush();
        } catch (const CException&) {
        }
    }
}

void CArchive::RequireLoading() const
{
    if (!m_loading)
        CArchiveException::Throw(CArchiveException::writeOnly);
    if (m_file == nullptr)
        CArchiveException::Throw(CArchiveException::genericException);
}

void CArchive::RequireStoring() const
{
    if (m_loading)
        CArchiveException::Throw(CArchiveException::readOnly);
    if (m_file == nullptr)
        CArchiveException::Throw(CArchiveException::genericException);
}

UINT CArchive::Read(void* buffer, UINT count)
{
    RequireLoading();
    BYTE* out = static_cast<BYTE*>(buffer);
    UINT done = 0;
    while (done < count) {
        if (m_current == m_filled) {
            // Large reads bypass the buffer; small ones refill it.
            if (count - done >= m_buffer.size()) {
                const UINT n = m_file->Read(out + done, count - done);
                done += n;
                break;
            }
            m_current = 0;
            m_filled = m_file->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
            if (m_filled == 0)
                break;
        }
        const size_t n = std::min<size_t>(m_filled - m_current, count - done);
        std::memcpy(out + done, m_buffer.data() + m_current, n);
        m_current += n;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CArchive::ReadExactly(void* buffer, UINT count)
{
    if (Read(buffer, count) != count)
        CArchiveException::Throw(CArchiveException::endOfFile);
}

void CArchive::Write(const void* buffer, UINT count)
{
    RequireStoring();
    const BYTE* in = static_cast<const BYTE*>(buffer);
    while (count > 0) {
        if (m_current == m_buffer.size()) {
            m_file->Write(m_buffer.data(), static_cast<UINT>(m_current));
            m_current = 0;
        }
        const size_t n = std::min<size_t>(m_buffer.size() - m_current, count);
        std::memcpy(m_buffer.data() + m_current, in, n);
        m_current += n;
        in += n;
        count -= static_cast<UINT>(n);
    }
}

void CArchive::Flush()
{
    if (m_file == nullptr)
        return;
    if (m_loading) {
        if (m_filled != m_current)
            m_file->Seek(-static_cast<LONGLONG>(m_filled - m_current), CFile::current);
        m_current = m_filled = 0;
        return;
    }
    if (m_current > 0) {
        const size_t pending = m_current;
        m_current = 0;
        m_file->Write(m_buffer.data(), static_cast<UINT>(pending));
    }
}

void CArchive::Close()
{
    Flush();
    m_file = nullptr;
}

void CArchive::Abort() noexcept
{
    m_current = m_filled = 0;
    m_file = nullptr;
}

ULONGLONG CArchive::GetAvailable() const
{
    RequireLoading();
    const ULONGLONG length = m_file->GetLength();
    const ULONGLONG position = m_file->GetPosition();
    return (m_filled - m_current) + (length > position ? length - position : 0);
}

void CArchive::RequireAvailable(ULONGLONG bytes) const
{
    if (bytes > GetAvailable())
        CArchiveException::Throw(CArchiveException::endOfFile);
}

void CArchive::WriteCount(ULONGLONG count)
{
    if (count < 0xFFFF) {
        *this << static_cast<WORD>(count);
        return;
    }
    *this << static_cast<WORD>(0xFFFF);
    if (count < 0xFFFFFFFF) {
        *this << static_cast<DWORD>(count);
        return;
    }
    *this << static_cast<DWORD>(0xFFFFFFFF) << count;
}

ULONGLONG CArchive::ReadCount()
{
    WORD word = 0;
    *this >> word;
    if (word != 0xFFFF)
        return word;
    DWORD dword = 0;
    *this >> dword;
    if (dword != 0xFFFFFFFF)
        return dword;
    ULONGLONG qword = 0;
    *this >> qword;
    return qword;
}

ULONGLONG CArchive::ReadCount(ULONGLONG elementSize)
{
    const ULONGLONG count = ReadCount();
    if (elementSize != 0 && count > GetAvailable() / elementSize)
        CArchiveException::Throw(CArchiveException::endOfFile);
    return count;
}

void CArchive::WriteStringLength(ULONGLONG length)
{
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFE);
    if (length < 0xFF) {
        *this << static_cast<BYTE>(length);
        return;
    }
    *this << static_cast<BYTE>(0xFF);
    if (length < 0xFFFE) {
        *this << static_cast<WORD>(length);
        return;
    }
    *this << static_cast<WORD>(0xFFFF);
    if (length < 0xFFFFFFFF) {
        *this << static_cast<DWORD>(length);
        return;
    }
    *this << static_cast<DWORD>(0xFFFFFFFF) << length;
}

ULONGLONG CArchive::ReadStringLength(bool* unicode)
{
    // As the framework reads it: after the UTF-16 marker the length starts over with one byte;
    // a word that follows is a length even when it equals the marker (the writer never puts
    // 0xFFFE there, it escapes to 32 bits instead).
    *unicode = false;
    BYTE byteLength = 0;
    *this >> byteLength;
    if (byteLength < 0xFF)
        return byteLength;
    WORD wordLength = 0;
    *this >> wordLength;
    if (wordLength == 0xFFFE) {
        *unicode = true;
        *this >> byteLength;
        if (byteLength < 0xFF)
            return byteLength;
        *this >> wordLength;
    }
    if (wordLength < 0xFFFF)
        return wordLength;
    DWORD dwordLength = 0;
    *this >> dwordLength;
    if (dwordLength < 0xFFFFFFFF)
        return dwordLength;
    ULONGLONG qwordLength = 0;
    *this >> qwordLength;
    return qwordLength;
}

CArchive& CArchive::operator<<(const CString& text)
{
    const ULONGLONG length = static_cast<ULONGLONG>(text.GetLength());
    WriteStringLength(length);
    Write(text.GetString(), static_cast<UINT>(length * sizeof(wchar_t)));
    return *this;
}

CArchive& CArchive::operator<<(const wchar_t* text)
{
    return *this << CString(text);
}

CArchive& CArchive::operator>>(CString& text)
{
    bool unicode = false;
    const ULONGLONG length = ReadStringLength(&unicode);
    const ULONGLONG bytes = unicode ? length * sizeof(wchar_t) : length;
    if (length > 0x3FFFFFFF || bytes > GetAvailable())
        CArchiveException::Throw(CArchiveException::endOfFile);
    if (unicode) {
        CString result;
        wchar_t* characters = result.GetBufferSetLength(static_cast<int>(length));
        ReadExactly(characters, static_cast<UINT>(bytes));
        result.ReleaseBuffer(static_cast<int>(length));
        text = result;
        return *this;
    }
    std::vector<char> ansi(static_cast<size_t>(length));
    ReadExactly(ansi.data(), static_cast<UINT>(length));
    CString result;
    if (length > 0) {
        const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(length), nullptr, 0);
        wchar_t* characters = result.GetBufferSetLength(wide);
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(length), characters, wide);
        result.ReleaseBuffer(wide);
    }
    text = result;
    return *this;
}
