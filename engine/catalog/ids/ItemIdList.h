// CItemIdList: the engine's own list of 32-bit catalog item ids, handed to the engine's
// interfaces that take an IItemIdList (the importer to the category manager, the clean-up to
// DeleteItems). Created with one reference owned by its creator.
#pragma once

#include "classlib/core/Array.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IItemIdList.h"

class CItemIdList : public IItemIdList, public CUnknownStandAlone {
public:
    DECLARE_STANDALONE_UNKNOWN

    // The id at index; S_FALSE (id untouched) at or past the end.
    HRESULT STDMETHODCALLTYPE GetAt(int index, DWORD* id) override;

    void Add(DWORD id) { m_ids.Add(id); }
    INT_PTR GetCount() const { return m_ids.GetSize(); }

private:
    CArray<DWORD> m_ids;
};
