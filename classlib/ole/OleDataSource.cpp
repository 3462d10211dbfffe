#include "classlib/ole/OleDataSource.h"

#include <shlobj.h>

#include <cstring>

#include "classlib/ole/GlobalLock.h"
#include "classlib/ole/OleDropSource.h"

void COleDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL block)
{
    for (CachedBlock& cached : m_cache)
        if (cached.format == format) {
            cached.block.reset(block);
            return;
        }
    m_cache.push_back({format, UniqueGlobal(block)});
}

void COleDataSource::Empty()
{
    m_cache.clear();
}

HRESULT COleDataSource::SetClipboard()
{
    const HRESULT hr = OleSetClipboard(this);
    Release();
    return hr;
}

DWORD COleDataSource::DoDragDrop(DWORD allowedEffects, LPCRECT, COleDropSource* dropSource)
{
    COleDropSource defaultSource;
    IDropSource* source = dropSource ? dropSource : &defaultSource;
    DWORD effect = DROPEFFECT_NONE;
    if (::DoDragDrop(this, source, allowedEffects, &effect) != DRAGDROP_S_DROP)
        return DROPEFFECT_NONE;
    return effect;
}

HRESULT STDMETHODCALLTYPE COleDataSource::QueryInterface(REFIID iid, void** object)
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

ULONG STDMETHODCALLTYPE COleDataSource::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG STDMETHODCALLTYPE COleDataSource::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

const COleDataSource::CachedBlock* COleDataSource::Find(const FORMATETC* format) const
{
    if (!format || format->dwAspect != DVASPECT_CONTENT || !(format->tymed & TYMED_HGLOBAL))
        return nullptr;
    for (const CachedBlock& cached : m_cache)
        if (cached.format == format->cfFormat)
            return &cached;
    return nullptr;
}

HRESULT STDMETHODCALLTYPE COleDataSource::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!format || !medium)
        return E_INVALIDARG;
    const CachedBlock* cached = Find(format);
    if (!cached)
        return DV_E_FORMATETC;
    // The receiver owns what it gets, so each gets a copy of the cached block.
    CGlobalLock source(cached->block.get());
    const SIZE_T size = GlobalSize(cached->block.get());
    UniqueGlobal copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy)
        return E_OUTOFMEMORY;
    {
        CGlobalLock target(copy.get());
        if (size > 0) {
            if (!source.Data() || !target.Data())
                return E_OUTOFMEMORY;
            std::memcpy(target.Data(), source.Data(), size);
        }
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy.release();
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE COleDataSource::GetDataHere(FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE COleDataSource::QueryGetData(FORMATETC* format)
{
    return Find(format) ? S_OK : DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE COleDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out)
        out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE COleDataSource::SetData(FORMATETC*, STGMEDIUM*, BOOL)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE COleDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator)
{
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    if (direction != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const CachedBlock& cached : m_cache)
        formats.push_back({cached.format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), enumerator);
}

HRESULT STDMETHODCALLTYPE COleDataSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE COleDataSource::DUnadvise(DWORD)
{
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT STDMETHODCALLTYPE COleDataSource::EnumDAdvise(IEnumSTATDATA**)
{
    return OLE_E_ADVISENOTSUPPORTED;
}
