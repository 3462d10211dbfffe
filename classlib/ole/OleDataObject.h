// COleDataObject: the receiving side of a transfer. It wraps the data object of the clipboard
// or of a drop and fetches one format at a time, as global memory or as a file over its bytes.
// Every fetch is a copy the caller owns; data from other programs is not trusted here, callers
// bound-check what they read (CArchive refuses reads past the end of the file).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>

#include "classlib/com/ComPtr.h"
#include "classlib/core/File.h"

class COleDataObject {
public:
    COleDataObject() = default;
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // Attaches to the clipboard's current content; FALSE when the clipboard cannot be opened.
    BOOL AttachClipboard();
    // Attaches to a data object (a drop's). autoRelease: the caller's reference passes to this
    // object; otherwise a reference of its own is taken.
    void Attach(IDataObject* dataObject, BOOL autoRelease = TRUE);
    void Release();
    IDataObject* GetIDataObject() const { return m_data.get(); }

    BOOL IsDataAvailable(CLIPFORMAT format, const FORMATETC* formatEtc = nullptr) const;

    // A global memory block with the format's bytes, owned by the caller (GlobalFree); NULL when
    // the format is not offered or not as global memory.
    HGLOBAL GetGlobalData(CLIPFORMAT format, const FORMATETC* formatEtc = nullptr) const;
    // A read-only memory file holding the format's bytes; empty when it is not offered.
    std::unique_ptr<CFile> GetFileData(CLIPFORMAT format, const FORMATETC* formatEtc = nullptr) const;

private:
    ComPtr<IDataObject> m_data;
};
