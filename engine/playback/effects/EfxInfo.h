// CEfxInfo: one effect of a chain as the mix stores it: the plug-in's CLSID, its display name,
// its id in a running effects host (-2 when not inserted) and its saved settings. It is itself
// the IStream that the plug-in saves its settings into and loads them from.
//
// Stored forms: chunk "EFXI" (a 28-byte header {28, CLSID, settings length n, name length m in
// characters with the terminator}, the n settings bytes, the name in UTF-16) and the archive
// form (n, the settings, the name as an archive string, 16, the CLSID bytes).
//
// Threads: the count is interlocked; everything else runs under the global mix lock or on the
// thread that owns the chain being captured or applied.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <memory>

#include "classlib/core/String.h"
#include "engine/core/storage/PageBuffer.h"

class CArchive;
struct IArchive;
struct IRiffStream;

inline constexpr LONG kEfxNotInserted = -2;

class CEfxInfo : public IStream {
public:
    static constexpr FOURCC kChunkId = mmioFOURCC('E', 'F', 'X', 'I');

    // A new record with one reference for the caller; NULL when memory fails.
    static CEfxInfo* Create();

    // IUnknown, IStream. Only seeks from the start are served.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

    void Set(const CLSID& clsid, const wchar_t* name, LONG hostId);
    // Copies data, host id, name, position and CLSID; FALSE when memory fails.
    BOOL CopyFrom(const CEfxInfo& other);
    // Host ids count only when neither is kEfxNotInserted; then settings, name and CLSID.
    BOOL IsEqual(const CEfxInfo& other) const;

    BOOL WriteChunk(IRiffStream* stream) const;
    // Reads an "EFXI" chunk of size bytes; FALSE (and nothing usable) for a chunk too short for
    // its header or whose lengths reach past its end.
    BOOL ReadChunk(IArchive* archive, DWORD size);
    // Loading throws CArchiveException on short or malformed data.
    void Serialize(CArchive& archive);

    const CLSID& GetClsid() const { return m_clsid; }
    const CString& GetName() const { return m_name; }
    LONG GetHostId() const { return m_hostId; }
    void SetHostId(LONG id) { m_hostId = id; }
    DWORD GetDataLength() const { return m_length; }
    const BYTE* GetData() const { return m_pages->Get(); }

private:
    CEfxInfo() = default;
    virtual ~CEfxInfo() = default;
    // Makes the settings buffer `size` bytes, keeping what fits; FALSE when memory fails.
    bool Resize(DWORD size);
    // Settings of `length` bytes from `data`.
    bool AssignData(const BYTE* data, DWORD length);

    volatile LONG m_refCount = 1;
    CLSID m_clsid = GUID_NULL;
    DWORD m_length = 0;
    DWORD m_position = 0;
    std::unique_ptr<CPageBuffer> m_pages = std::make_unique<CPageBuffer>();
    CString m_name;
    LONG m_hostId = kEfxNotInserted;
};
