#include "engine/catalog/tags/ID3Frame.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr BYTE kEncodingLatin = 0;
constexpr BYTE kEncodingUtf16Bom = 1;
constexpr BYTE kEncodingUtf16Be = 2;
constexpr BYTE kEncodingUtf8 = 3;

// Length in characters up to the first zero character (or the end of the bytes).
size_t WideLength(const BYTE* bytes, size_t count)
{
    size_t chars = 0;
    while (chars * 2 + 1 < count && (bytes[chars * 2] != 0 || bytes[chars * 2 + 1] != 0))
        ++chars;
    return chars;
}

CString FromCodePage(UINT codePage, const BYTE* bytes, size_t count)
{
    size_t length = 0;
    while (length < count && bytes[length] != 0)
        ++length;
    CString text;
    if (length == 0)
        return text;
    const char* source = reinterpret_cast<const char*>(bytes);
    const int chars = MultiByteToWideChar(codePage, 0, source, static_cast<int>(length), nullptr, 0);
    if (chars <= 0)
        return text;
    wchar_t* buffer = text.GetBufferSetLength(chars);
    MultiByteToWideChar(codePage, 0, source, static_cast<int>(length), buffer, chars);
    return text;
}

CString FromUtf16(const BYTE* bytes, size_t count, bool bigEndian)
{
    const size_t chars = WideLength(bytes, count);
    CString text;
    if (chars == 0)
        return text;
    wchar_t* buffer = text.GetBufferSetLength(static_cast<int>(chars));
    for (size_t i = 0; i < chars; ++i) {
        const BYTE first = bytes[i * 2];
        const BYTE second = bytes[i * 2 + 1];
        buffer[i] =
            bigEndian ? static_cast<wchar_t>((first << 8) | second) : static_cast<wchar_t>((second << 8) | first);
    }
    return text;
}

}  // namespace

size_t RemoveUnsynchronisation(BYTE* bytes, size_t length)
{
    size_t out = 0;
    for (size_t in = 0; in < length; ++in) {
        bytes[out++] = bytes[in];
        if (bytes[in] == 0xFF && in + 1 < length && bytes[in + 1] == 0x00)
            ++in;
    }
    return out;
}

CID3Frame::CID3Frame(const char id[4], const BYTE* data, size_t length) : m_length(length), m_data(length + 2, 0)
{
    std::memcpy(m_id, id, 4);
    if (length)
        std::memcpy(m_data.data(), data, length);
}

bool CID3Frame::HasId(const char id[4]) const
{
    return std::memcmp(m_id, id, 4) == 0;
}

void CID3Frame::RemoveUnsynchronisation()
{
    m_length = ::RemoveUnsynchronisation(m_data.data(), m_length);
    std::fill(m_data.begin() + static_cast<std::ptrdiff_t>(m_length), m_data.end(), 0);
}

BOOL CID3Frame::GetText(CString* text) const
{
    if (m_length < 1)
        return FALSE;
    // The two zero bytes after the data end every text; the readers may look at them.
    const BYTE* body = m_data.data() + 1;
    const size_t count = m_length + 1;
    switch (m_data[0]) {
    case kEncodingLatin:
        *text = FromCodePage(CP_ACP, body, count);
        return TRUE;
    case kEncodingUtf16Bom: {
        if (m_length < 3)
            return FALSE;
        const bool bigEndian = m_data[1] == 0xFE && m_data[2] == 0xFF && m_length > 4;
        *text = FromUtf16(m_data.data() + 3, m_length - 1, bigEndian);
        return TRUE;
    }
    case kEncodingUtf16Be:
        *text = FromUtf16(body, count, true);
        return TRUE;
    case kEncodingUtf8:
        *text = FromCodePage(CP_UTF8, body, count);
        return TRUE;
    default:
        return FALSE;
    }
}
