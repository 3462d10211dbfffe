// CString: the class library's UTF-16 string, a value type over std::wstring.
// Only the operations the program and its libraries use; behaviour as the framework documents it:
// - Mid/Left/Right/Insert/Delete clamp their arguments to the string instead of failing;
// - Find with a start outside the string (negative counts as past the end) finds nothing;
// - GetAt past the end (or negative) gives L'\0', SetAt there does nothing;
// - Compare is ordinal; CompareNoCase is the C runtime's _wcsicmp (it folds ASCII letters only);
// - MakeLower/MakeUpper use the system's case mapping (CharLowerBuff), which covers all of
//   Unicode, so that lower-cased search texts and extensions match whatever the script.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <cstdarg>
#include <string>

class CString {
public:
    CString() = default;
    CString(const wchar_t* text) : m_text(text ? text : L"") {}
    CString(const wchar_t* text, int length) : m_text(text ? text : L"", text && length > 0 ? length : 0) {}
    CString(wchar_t ch, int repeat = 1) : m_text(repeat > 0 ? repeat : 0, ch) {}
    explicit CString(const char* ansi);
    CString(const std::wstring& text) : m_text(text) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const wchar_t* GetString() const { return m_text.c_str(); }
    operator const wchar_t*() const { return m_text.c_str(); }
    const std::wstring& str() const { return m_text; }

    wchar_t GetAt(int index) const;
    void SetAt(int index, wchar_t ch);
    wchar_t operator[](int index) const { return GetAt(index); }

    // Direct buffer access: GetBuffer gives room for at least minLength characters plus a
    // terminator; ReleaseBuffer(-1) takes the length up to the first terminator.
    wchar_t* GetBuffer(int minLength = 0);
    wchar_t* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    CString& operator=(const wchar_t* text)
    {
        m_text = text ? text : L"";
        return *this;
    }
    CString& operator=(wchar_t ch)
    {
        m_text.assign(1, ch);
        return *this;
    }
    CString& operator+=(const CString& other)
    {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const wchar_t* text)
    {
        if (text)
            m_text += text;
        return *this;
    }
    CString& operator+=(wchar_t ch)
    {
        m_text += ch;
        return *this;
    }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_text + b.m_text); }
    friend CString operator+(const CString& a, const wchar_t* b)
    {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(const wchar_t* a, const CString& b)
    {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(const CString& a, wchar_t b)
    {
        CString r(a);
        r += b;
        return r;
    }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_text == (b ? b : L""); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

    int Compare(const wchar_t* other) const;
    int CompareNoCase(const wchar_t* other) const;

    // printf-style formatting with the platform's wide conventions (%s takes a wide string,
    // %I64d a 64-bit integer). A CString argument is passed as its characters, so the
    // framework's habit of handing a CString straight to %s works; through a plain va_list
    // (FormatV) it would be an object, not a pointer.
    template <class... Args>
    void Format(const wchar_t* format, const Args&... args)
    {
        FormatRaw(format, FormatArg(args)...);
    }
    template <class... Args>
    void AppendFormat(const wchar_t* format, const Args&... args)
    {
        AppendFormatRaw(format, FormatArg(args)...);
    }
    void FormatV(const wchar_t* format, va_list args);

    // Loads string `id` from the module's resource handle; FALSE (string unchanged) when missing.
    BOOL LoadString(UINT id);
    BOOL LoadString(HINSTANCE module, UINT id);

    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    int FindOneOf(const wchar_t* chars) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    CString& MakeLower();
    CString& MakeUpper();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim()
    {
        TrimRight();
        return TrimLeft();
    }
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    int Replace(wchar_t oldCh, wchar_t newCh);
    int Delete(int index, int count = 1);
    int Insert(int index, const wchar_t* text);

    // A new BSTR with the string's characters; the receiver frees it.
    BSTR AllocSysString() const;

private:
    static const wchar_t* FormatArg(const CString& text) { return text.GetString(); }
    template <class T>
    static const T& FormatArg(const T& value)
    {
        return value;
    }
    void FormatRaw(const wchar_t* format, ...);
    void AppendFormatRaw(const wchar_t* format, ...);

    std::wstring m_text;
};
