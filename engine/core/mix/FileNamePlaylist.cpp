#include "engine/core/mix/FileNamePlaylist.h"

#include <cwctype>
#include <string>

#include "engine/core/mix/M3uFile.h"

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// A drive path ("C:\..."), a UNC or rooted path.
bool IsFullPath(const std::wstring& path)
{
    if (!path.empty() && IsSeparator(path[0]))
        return true;
    return path.size() >= 2 && path[1] == L':' && std::iswalpha(path[0]);
}

bool CanBeFilePath(const std::wstring& path)
{
    for (size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if (c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*')
            return false;
        // A colon only after a drive letter: "http://..." is no file.
        if (c == L':' && i != 1)
            return false;
    }
    return !path.empty();
}

bool Decode(const char* line, bool utf8, std::wstring& text)
{
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const DWORD flags = utf8 ? MB_ERR_INVALID_CHARS : 0;
    const int length = MultiByteToWideChar(codePage, flags, line, -1, nullptr, 0);
    if (length <= 1)
        return false;
    text.assign(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(codePage, flags, line, -1, text.data(), length) != length)
        return false;
    text.resize(static_cast<size_t>(length - 1));
    return true;
}

}  // namespace

HRESULT ReadFileNamePlaylist(const wchar_t* path, std::vector<CString>& paths)
{
    CM3uFile file;
    if (!file.Open(path)) {
        const DWORD error = GetLastError();
        return HRESULT_FROM_WIN32(error ? error : ERROR_OPEN_FAILED);
    }
    std::wstring folder(path);
    const size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? L"" : folder.substr(0, slash + 1);
    char line[CM3uFile::kMaxLine];
    while (file.ReadLine(line, sizeof(line))) {
        std::wstring entry;
        if (!Decode(line, file.IsUtf8(), entry))
            continue;
        const size_t last = entry.find_last_not_of(L" \t");
        entry.erase(last == std::wstring::npos ? 0 : last + 1);
        entry.erase(0, entry.find_first_not_of(L" \t"));
        if (!CanBeFilePath(entry))
            continue;
        for (wchar_t& c : entry)
            if (c == L'/')
                c = L'\\';
        if (!IsFullPath(entry))
            entry = folder + entry;
        paths.emplace_back(entry.c_str());
    }
    // A list cut short by a read error is not the list: none of it is taken.
    if (file.HasFailed()) {
        paths.clear();
        return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    }
    return S_OK;
}
