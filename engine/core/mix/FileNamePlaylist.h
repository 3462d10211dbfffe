// Reading a playlist of file names (M3U, M3U8) into full paths. Lines are decoded as the M3U
// reader reports them (UTF-8 or ANSI); an entry that is not a full path is taken relative to the
// playlist's folder, with "\" or "/" between names, which is what it means in such a file.
// Lines that cannot be a file path (control characters, characters no path holds, a URL, bytes
// that are not valid UTF-8 in a UTF-8 list) are left out, so that a binary file gives no paths
// rather than questions about missing files.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/core/String.h"

// S_OK with the paths in file order (possibly none); a failure HRESULT, and no paths, when the
// file cannot be opened or a read fails part way.
HRESULT ReadFileNamePlaylist(const wchar_t* path, std::vector<CString>& paths);
