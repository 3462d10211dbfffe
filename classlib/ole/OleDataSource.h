// COleDataSource: the data object a program offers to the clipboard or to a drag. It caches one
// global memory block per clipboard format and hands each receiver a copy of it.
//
// Ownership follows the framework: the object starts with one reference, its owner's. An object
// on the stack (a drag) keeps that reference until it goes out of scope; an object on the heap
// handed to SetClipboard gives its reference to the clipboard, which deletes it when it lets it
// go. Lives on the thread that made it (the program's UI thread, an OLE apartment).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <vector>

#include "classlib/com/UniqueHandle.h"

class COleDropSource;

class COleDataSource : public IDataObject {
public:
    COleDataSource() = default;
    virtual ~COleDataSource() = default;
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // Takes ownership of the block (GMEM_MOVEABLE); a block already cached for the format is
    // freed. Offered with TYMED_HGLOBAL and DVASPECT_CONTENT.
    void CacheGlobalData(CLIPFORMAT format, HGLOBAL block);
    // Drops every cached block.
    void Empty();

    // Makes this heap object the clipboard's content and hands the owner's reference to the
    // clipboard. On failure the object is deleted as well (the owner's reference was the last).
    HRESULT SetClipboard();

    // Runs the drag loop until the drop or the cancel; answers the effect the target chose
    // (DROPEFFECT_NONE when cancelled or refused). startRect is not used: the drag starts at
    // once. dropSource NULL: the default drop source.
    DWORD DoDragDrop(DWORD allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                     LPCRECT startRect = nullptr, COleDropSource* dropSource = nullptr);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumerator) override;

private:
    struct CachedBlock {
        CLIPFORMAT format;
        UniqueGlobal block;
    };

    const CachedBlock* Find(const FORMATETC* format) const;

    LONG m_refCount = 1;
    std::vector<CachedBlock> m_cache;
};
