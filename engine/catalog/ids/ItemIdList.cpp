#include "engine/catalog/ids/ItemIdList.h"

HRESULT STDMETHODCALLTYPE CItemIdList::GetAt(int index, DWORD* id)
{
    if (index < 0 || index >= m_ids.GetSize())
        return S_FALSE;
    if (id == nullptr)
        return E_POINTER;
    *id = m_ids[index];
    return S_OK;
}
