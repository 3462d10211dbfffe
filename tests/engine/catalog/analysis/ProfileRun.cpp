#include "ProfileRun.h"

#include "classlib/com/ComPtr.h"
#include "engine/catalog/analysis/ProfileBuilder.h"
#include "engine/catalog/analysis/ProfileSource.h"

namespace analysis_fixtures {

namespace {

// A catalog item as the analysis sees it, handing out the one reader it was given. It lives on
// the caller's stack: its count is kept but never deletes it.
class CReaderSource : public IProfileSource {
public:
    explicit CReaderSource(IPcmReader* reader) : m_reader(ComPtr<IPcmReader>::copy(reader)) {}
    virtual ~CReaderSource() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown))
            return E_NOINTERFACE;
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&m_refs)); }

    DWORD STDMETHODCALLTYPE GetItemId() override { return 1; }
    HRESULT STDMETHODCALLTYPE OpenPcmReader(BOOL, IPcmReader** reader) override
    {
        if (!reader)
            return E_POINTER;
        *reader = nullptr;
        return m_reader ? m_reader.copy_to(reader) : E_FAIL;
    }
    BOOL STDMETHODCALLTYPE ComputeMusicFileId(CMusicFileId*) override { return FALSE; }

private:
    volatile LONG m_refs = 1;
    ComPtr<IPcmReader> m_reader;
};

}  // namespace

ProfileRun Profile(IPcmReader* reader, bool cancelled)
{
    CReaderSource source(reader);
    CProfileBuilder builder;
    if (cancelled)
        builder.Cancel();
    ProfileRun run;
    run.completed = builder.ProfileMusicFile(&source, nullptr, FALSE, run.results, nullptr);
    return run;
}

}  // namespace analysis_fixtures
