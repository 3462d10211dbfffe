#include "engine/catalog/files/PathNames.h"

#include "classlib/com/UniqueHandle.h"

namespace {

// Index of the dot that starts the name's extension, or -1.
int ExtensionDot(const CString& path)
{
    const int dot = path.ReverseFind(L'.');
    return dot > path.ReverseFind(L'\\') ? dot : -1;
}

}  // namespace

CString GetFileName(const CString& path)
{
    return path.Mid(path.ReverseFind(L'\\') + 1);
}

BOOL GetFolder(const CString& path, CString* folder)
{
    const int slash = path.ReverseFind(L'\\');
    if (slash <= 0)
        return FALSE;
    *folder = path.Left(slash);
    return TRUE;
}

CString GetExtension(const CString& path)
{
    const int dot = ExtensionDot(path);
    CString extension = dot < 0 ? CString() : path.Mid(dot + 1);
    extension.MakeLower();
    return extension;
}

CString FoldPathCase(const CString& path)
{
    CString folded = path;
    folded.MakeLower();
    return folded;
}

int CompareFoldedPaths(const CString& a, const CString& b)
{
    return a.Compare(b);
}

int ComparePathNames(const CString& a, const CString& b)
{
    return CompareFoldedPaths(FoldPathCase(a), FoldPathCase(b));
}

CString StripExtension(const CString& path)
{
    const int dot = ExtensionDot(path);
    return dot < 0 ? path : path.Left(dot);
}

CString AppendPathComponent(const CString& folder, const CString& name)
{
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

BOOL FileExists(const CString& path)
{
    WIN32_FIND_DATAW found;
    return UniqueFind(FindFirstFileW(path, &found)) ? TRUE : FALSE;
}

BOOL IsFolderEmpty(const CString& folder)
{
    return !FileExists(AppendPathComponent(folder, L"*.*"));
}
