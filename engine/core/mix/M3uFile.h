// CM3uFile: reads a playlist that is not a mix document as a list of music-file paths, one per
// line, in the M3U manner. Lines beginning with "#" (the extended-M3U header and information
// lines) are comments and never reach the caller; blank lines and any run of CR and LF between
// lines are skipped. The last line counts even without a line end, and the end of the file ends
// the list.
//
// Lines are bytes: UTF-8 when the file starts with the UTF-8 byte-order mark (which is skipped)
// or is named ".m3u8", else the system's ANSI code page. The caller asks IsUtf8 and converts each
// line to a wide string accordingly.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/core/File.h"

class CM3uFile {
public:
    // A line of this many bytes or more is no path: it is skipped whole.
    static constexpr unsigned kMaxLine = 260;

    CM3uFile();
    CM3uFile(const CM3uFile&) = delete;
    CM3uFile& operator=(const CM3uFile&) = delete;

    // Opens the file for reading; FALSE when it cannot be opened.
    BOOL Open(LPCWSTR path);
    // The next line that is neither blank nor a comment, without its line end, as a
    // NUL-terminated byte string in line (size bytes, normally kMaxLine). A line that does not
    // fit (with its NUL) is skipped. FALSE when no line is left or the file cannot be read.
    BOOL ReadLine(char* line, unsigned size);
    bool IsUtf8() const { return m_utf8; }
    // Whether the reading ended at a read error rather than at the end of the file: the lines
    // read so far are then not the whole list.
    bool HasFailed() const { return m_failed; }

private:
    // The next byte of the file, or -1 at its end (a read error ends it too, and is noted).
    int NextByte();

    CFile m_file;
    std::vector<char> m_buffer;
    size_t m_current = 0;
    size_t m_filled = 0;
    bool m_end = true;
    bool m_utf8 = false;
    bool m_failed = false;
};
