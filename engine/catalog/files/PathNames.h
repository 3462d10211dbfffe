// Path operations on Windows paths as the catalog and the file mapper use them: names, folders
// and extensions by the last backslash and dot, and existence by a find-first.
#pragma once

#include <windows.h>

#include "classlib/core/String.h"

// The text after the last backslash; the whole text when there is none.
CString GetFileName(const CString& path);
// The text before the last backslash; FALSE when the backslash is missing or first.
BOOL GetFolder(const CString& path, CString* folder);
// Lower-case text after the last dot of the name; empty when the name has no dot.
CString GetExtension(const CString& path);
// The path without the dot and extension of its name.
CString StripExtension(const CString& path);
// folder + "\" + name; no backslash is added when the folder is empty or ends with one.
CString AppendPathComponent(const CString& folder, const CString& name);
// The path with every letter folded to lower case by the system (CharLowerBuffW), not only the
// ASCII ones: "\u00C9.mp3" and "\u00E9.mp3" name one file. Every comparison of catalog paths
// goes through this folding, so that the path index, the load and the folder watching agree.
CString FoldPathCase(const CString& path);
// Ordinal order of paths already folded by FoldPathCase: below, at or above zero. The one
// comparison of catalog paths; a caller that keeps folded paths compares them with it directly.
int CompareFoldedPaths(const CString& a, const CString& b);
// Ordinal order of the folded paths: below, at or above zero.
int ComparePathNames(const CString& a, const CString& b);
// A find-first on the path succeeds.
BOOL FileExists(const CString& path);
// A find-first on "*.*" inside the folder finds nothing.
BOOL IsFolderEmpty(const CString& folder);
