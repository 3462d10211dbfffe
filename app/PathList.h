// CPathList: a list of file or folder paths handed to the engine as IPathList for the length of
// one call (files dropped or pasted to import or insert, watched folders, files that could not be
// updated). Held by value by its user; only a list made with new is deleted by its last Release.
// UI thread only.
#pragma once

#include <windows.h>

#include "classlib/core/Array.h"
#include "app/SingleInterfaceObject.h"
#include "interfaces/IPathList.h"

class CPathList : public CSingleInterfaceObject<IPathList> {
public:
    // S_FALSE outside 0 .. count - 1 (output left alone); E_OUTOFMEMORY when no copy can be made.
    HRESULT STDMETHODCALLTYPE GetAt(int index, BSTR* text) override;
    // A NULL BSTR is the empty path.
    HRESULT STDMETHODCALLTYPE Add(BSTR text) override;

    // TRUE with the path for an index in range.
    BOOL GetString(INT_PTR index, CString& text) const;

    // The paths in order; the file-list readers append to it.
    CStringArray m_paths;
};
