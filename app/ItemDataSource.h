// CItemDataSource: an ordered list of 32-bit item ids, which is at once the IItemIdList handed to
// the engine and what a selection carries through the clipboard and drag and drop under its
// registered format (app/ItemIdFormats.h).
//
// In global memory a list is its count (a 16-bit word; at 65535 and above 0xFFFF and a 32-bit
// count) followed by the ids, little-endian: exactly 2 + 4n or 6 + 4n bytes.
//
// Views hold one by value for their selection, or build one on the stack for a command, a drop
// or a paste; the reference count lets the engine hold the list during a call, and only a list
// made with new is deleted by its last Release. UI thread only.
#pragma once

#include <windows.h>

#include "classlib/core/Array.h"
#include "classlib/ole/OleDataObject.h"
#include "classlib/ole/OleDataSource.h"
#include "app/SingleInterfaceObject.h"
#include "interfaces/IItemIdList.h"

class CItemDataSource : public CSingleInterfaceObject<IItemIdList> {
public:
    explicit CItemDataSource(const wchar_t* formatName);

    // E_FAIL outside 0 .. count - 1, the output then left alone.
    HRESULT STDMETHODCALLTYPE GetAt(int index, DWORD* id) override;

    INT_PTR Add(DWORD id) { return m_ids.Add(id); }
    void RemoveAll() { m_ids.RemoveAll(); }
    INT_PTR GetCount() const { return m_ids.GetCount(); }
    DWORD ElementAt(INT_PTR index) const { return m_ids.GetAt(index); }
    BOOL Contains(DWORD id) const;

    CLIPFORMAT GetFormat() const { return m_format; }

    // Stores the list as a new global block in the data source under the list's format; FALSE
    // (nothing cached) when the block cannot be allocated.
    BOOL CacheInDataSource(COleDataSource& dataSource) const;
    // Runs a drag of the list (copy, move or link allowed); nothing starts when the list cannot be
    // stored. What the drop does is the target's business.
    void DoDragDrop() const;
    // Puts the list on the clipboard; FALSE when the list could not be stored (the clipboard is
    // left as it was) or the clipboard refused it.
    BOOL CopyToClipboard() const;
    BOOL IsOnClipboard() const;

    // Replaces the list with the one the data object offers under the list's format. FALSE, the
    // list unchanged, when it offers none, or a block that is not a whole list (shorter than its
    // count says, or cut inside the count).
    BOOL ReadFromDataObject(const COleDataObject& dataObject);
    BOOL PasteFromClipboard();

private:
    CDWordArray m_ids;
    CLIPFORMAT m_format;
};
