#include "engine/core/track/TrackDataSource.h"

#include <shlobj.h>

#include <cstring>

CTrackDataSource::~CTrackDataSource()
{
    for (const Entry& entry : m_entries)
        GlobalFree(entry.block);
}

void CTrackDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL block)
{
    for (Entry& entry : m_entries)
        if (entry.format == format) {
            GlobalFree(entry.block);
            entry.block = block;
            return;
        }
    m_entries.push_back({format, block});
}

HRESULT CTrackDataSource::SetClipboard()
{
    return OleSetClipboard(this);
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
        AddRef();
        *object = static_cast<IDataObject*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CTrackDataSource::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG STDMETHODCALLTYPE CTrackDataSource::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

const CTrackDataSource::Entry* CTrackDataSource::Find(const FORMATETC* format) const
{
    if (!format || format->dwAspect != DVASPECT_CONTENT || !(format->tymed & TYMED_HGLOBAL))
        return nullptr;
    for (const Entry& entry : m_entries)
        if (entry.format == format->cfFormat)
            return &entry;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    const Entry* entry = Find(format);
    if (!entry)
        return DV_E_FORMATETC;
    // The receiver owns what it gets: a copy of the cached block.
    const SIZE_T size = GlobalSize(entry->block);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy)
        return E_OUTOFMEMORY;
    void* target = GlobalLock(copy);
    const void* source = GlobalLock(entry->block);
    if (target && source && size > 0)
        std::memcpy(target, source, size);
    GlobalUnlock(entry->block);
    GlobalUnlock(copy);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::QueryGetData(FORMATETC* format)
{
    return Find(format) ? S_OK : DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out)
        out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator)
{
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const Entry& entry : m_entries)
        formats.push_back({entry.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), enumerator);
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::DUnadvise(DWORD)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE CTrackDataSource::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}
