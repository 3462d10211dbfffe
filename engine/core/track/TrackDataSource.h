// CTrackDataSource: the OLE data object that carries copied tracks to the clipboard. It caches
// one global memory block per registered format and renders copies of it on request, so that
// OleSetClipboard can hand it to other processes through the clipboard (Wine's and Windows' OLE
// clipboard render the formats from the owning thread's clipboard window). Lives on the thread
// that copied; reference counted.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <vector>

class CTrackDataSource final : public IDataObject {
public:
    CTrackDataSource() = default;
    CTrackDataSource(const CTrackDataSource&) = delete;
    CTrackDataSource& operator=(const CTrackDataSource&) = delete;

    // Takes ownership of the block (GMEM_MOVEABLE); a block already cached for the format is
    // freed.
    void CacheGlobalData(CLIPFORMAT format, HGLOBAL block);
    // Makes this object the clipboard's content; the clipboard keeps its own reference.
    HRESULT SetClipboard();

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
    struct Entry {
        CLIPFORMAT format;
        HGLOBAL block;
    };

    ~CTrackDataSource();
    const Entry* Find(const FORMATETC* format) const;

    volatile LONG m_refCount = 1;
    std::vector<Entry> m_entries;
};
