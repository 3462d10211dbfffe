#include "app/PathList.h"

HRESULT STDMETHODCALLTYPE CPathList::GetAt(int index, BSTR* text)
{
    if (index < 0 || index >= m_paths.GetCount())
        return S_FALSE;
    if (!text)
        return E_POINTER;
    BSTR copy = m_paths.GetAt(index).AllocSysString();
    if (!copy)
        return E_OUTOFMEMORY;
    *text = copy;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPathList::Add(BSTR text)
{
    m_paths.Add(CString(text, static_cast<int>(SysStringLen(text))));
    return S_OK;
}

BOOL CPathList::GetString(INT_PTR index, CString& text) const
{
    if (index < 0 || index >= m_paths.GetCount())
        return FALSE;
    text = m_paths.GetAt(index);
    return TRUE;
}
