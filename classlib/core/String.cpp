#include "classlib/core/String.h"
#include "classlib/core/WinApp.h"

#include <algorithm>
#include <cwctype>
#include <vector>

CString::CString(const char* ansi)
{
    if (!ansi || !*ansi)
        return;
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (needed <= 1)
        return;
    m_text.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, m_text.data(), needed);
    m_text.resize(static_cast<size_t>(needed - 1));
}

wchar_t CString::GetAt(int index) const
{
    return index >= 0 && index < GetLength() ? m_text[static_cast<size_t>(index)] : L'\0';
}

void CString::SetAt(int index, wchar_t ch)
{
    if (index >= 0 && index < GetLength())
        m_text[static_cast<size_t>(index)] = ch;
}

wchar_t* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_text.resize(static_cast<size_t>(minLength));
    return m_text.data();
}

wchar_t* CString::GetBufferSetLength(int length)
{
    m_text.resize(static_cast<size_t>(std::max(length, 0)));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(wcsnlen(m_text.c_str(), m_text.size()));
    m_text.resize(static_cast<size_t>(std::min(newLength, GetLength())));
}

int CString::Compare(const wchar_t* other) const
{
    return wcscmp(m_text.c_str(), other ? other : L"");
}

int CString::CompareNoCase(const wchar_t* other) const
{
    return _wcsicmp(m_text.c_str(), other ? other : L"");
}

void CString::FormatV(const wchar_t* format, va_list args)
{
    if (!format) {
        m_text.clear();
        return;
    }
    va_list count_args;
    va_copy(count_args, args);
    const int length = _vscwprintf(format, count_args);
    va_end(count_args);
    if (length <= 0) {
        m_text.clear();
        return;
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    _vsnwprintf(buffer.data(), buffer.size(), format, args);
    m_text.assign(buffer.data(), static_cast<size_t>(length));
}

void CString::FormatRaw(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormatRaw(const wchar_t* format, ...)
{
    CString tail;
    va_list args;
    va_start(args, format);
    tail.FormatV(format, args);
    va_end(args);
    m_text += tail.m_text;
}

BOOL CString::LoadString(UINT id)
{
    return LoadString(AfxGetResourceHandle(), id);
}

BOOL CString::LoadString(HINSTANCE module, UINT id)
{
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource,
    // so strings of any length load without a guessed buffer.
    const wchar_t* resource = nullptr;
    const int length = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource)
        return FALSE;
    m_text.assign(resource, static_cast<size_t>(length));
    return TRUE;
}

int CString::Find(wchar_t ch, int start) const
{
    if (start < 0 || start >= GetLength())
        return -1;
    const size_t at = m_text.find(ch, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const wchar_t* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength())
        return -1;
    const size_t at = m_text.find(sub, static_cast<size_t>(start));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t ch) const
{
    const size_t at = m_text.rfind(ch);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(const wchar_t* chars) const
{
    if (!chars)
        return -1;
    const size_t at = m_text.find_first_of(chars);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength() - std::max(first, 0));
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CString& CString::MakeLower()
{
    if (!m_text.empty())
        CharLowerBuffW(m_text.data(), static_cast<DWORD>(m_text.size()));
    return *this;
}

CString& CString::MakeUpper()
{
    if (!m_text.empty())
        CharUpperBuffW(m_text.data(), static_cast<DWORD>(m_text.size()));
    return *this;
}

CString& CString::TrimLeft()
{
    size_t first = 0;
    while (first < m_text.size() && iswspace(m_text[first]))
        ++first;
    m_text.erase(0, first);
    return *this;
}

CString& CString::TrimRight()
{
    size_t end = m_text.size();
    while (end > 0 && iswspace(m_text[end - 1]))
        --end;
    m_text.resize(end);
    return *this;
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText)
{
    if (!oldText || !*oldText)
        return 0;
    const std::wstring from(oldText);
    const std::wstring to(newText ? newText : L"");
    int count = 0;
    for (size_t at = m_text.find(from); at != std::wstring::npos; at = m_text.find(from, at + to.size())) {
        m_text.replace(at, from.size(), to);
        ++count;
    }
    return count;
}

int CString::Replace(wchar_t oldCh, wchar_t newCh)
{
    int count = 0;
    for (wchar_t& ch : m_text) {
        if (ch == oldCh) {
            ch = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Delete(int index, int count)
{
    index = std::max(index, 0);
    if (index < GetLength() && count > 0)
        m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

int CString::Insert(int index, const wchar_t* text)
{
    index = std::clamp(index, 0, GetLength());
    if (text)
        m_text.insert(static_cast<size_t>(index), text);
    return GetLength();
}

BSTR CString::AllocSysString() const
{
    return SysAllocStringLen(m_text.c_str(), static_cast<UINT>(m_text.size()));
}
