// TextListReader: a tab-separated catalog text file in the system's 8-bit code page, one music
// file per line: path, title, artist, album, BPM, year, genre, length, key, categories ("|"
// between names). Lines end with CR LF and are at most 1024 bytes long with it; a longer line
// ends the file there, and a last line without CR LF is not read.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/com/UniqueHandle.h"
#include "classlib/core/String.h"

class CCatItem;
class CCategoryManager;

class TextListReader {
public:
    static constexpr DWORD kMaxLineBytes = 1024;
    static constexpr int kColumnCount = 10;

    // Opens the file and finds where each line starts. FALSE when it cannot be opened.
    BOOL Open(const wchar_t* path);
    int GetLineCount() const { return static_cast<int>(m_lineStarts.size()); }
    // Makes line index the current line; FALSE past the last line or on a file error.
    BOOL ReadLine(int index);
    // The text of field index of the current line; FALSE when it is empty or past the last.
    BOOL GetField(int index, CString* text) const;
    // Sets the item's attributes from columns 1 to 9 of the current line; column 9 goes to the
    // category manager (when there is one).
    void ApplyLine(CCatItem* item, CCategoryManager* categories) const;

    // The path of column 0 without the double quotes around it.
    static CString StripQuotes(const CString& path);

private:
    UniqueFile m_file;
    std::vector<ULONGLONG> m_lineStarts;
    // The current line up to (not including) its CR LF.
    std::vector<char> m_line;
};
