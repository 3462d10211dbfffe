// A stand-in for the CD recording library outside the system: see CdRecorderDouble.h.
#include "tests/engine/playback/output/cdr-double/CdRecorderDouble.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "classlib/com/UniqueHandle.h"
#include "tests/support/ClassFactoryDouble.h"
#include "tests/support/ComObjectDouble.h"
#include "interfaces/ICdRecorder.h"

namespace {

CRITICAL_SECTION g_lock;
CDDOUBLE_SCRIPT g_script{};
CDDOUBLE_LOG g_log{};
std::string g_lastCall;
// Set by Abort; a stalled WriteData waits for it. Made at load, kept for the process.
HANDLE g_aborted = nullptr;

struct Lock {
    Lock() { EnterCriticalSection(&g_lock); }
    ~Lock() { LeaveCriticalSection(&g_lock); }
};

void LogCall(const std::string& call)
{
    if (call == g_lastCall)
        return;
    g_lastCall = call;
    const size_t used = strlen(g_log.calls);
    if (used + call.size() + 2 < sizeof(g_log.calls)) {
        memcpy(g_log.calls + used, call.c_str(), call.size());
        g_log.calls[used + call.size()] = '\n';
        g_log.calls[used + call.size() + 1] = '\0';
    }
}

class CdRecorder : public ComObjectDouble<ICdRecorder, IID_ICdRecorder> {
public:
    CdRecorder()
    {
        Lock lock;
        ++g_log.created;
        ++g_log.live;
        m_script = g_script;
    }
    virtual ~CdRecorder()
    {
        CloseData();
        Lock lock;
        --g_log.live;
    }

    int STDMETHODCALLTYPE Initialize() override
    {
        Lock lock;
        LogCall("Initialize");
        return m_script.initializeResult;
    }
    int STDMETHODCALLTYPE GetRecorderName(int index, char* name, int size) override
    {
        Lock lock;
        LogCall("GetRecorderName " + std::to_string(index));
        if (index < 0 || index >= std::min(m_script.recorderCount, kCdDoubleRecorders))
            return 1;
        lstrcpynA(name, m_script.recorderNames[index], size);
        return 0;
    }
    int STDMETHODCALLTYPE SelectRecorder(int index, BYTE* info) override
    {
        Lock lock;
        LogCall("SelectRecorder " + std::to_string(index));
        if (index < 0 || index >= std::min(m_script.recorderCount, kCdDoubleRecorders) ||
            index == m_script.refusedRecorder)
            return 1;
        memcpy(info, m_script.info[index], kCdDoubleInfoBytes);
        return 0;
    }
    int STDMETHODCALLTYPE ClearTracks() override
    {
        Lock lock;
        LogCall("ClearTracks");
        g_log.trackCount = 0;
        return 0;
    }
    int STDMETHODCALLTYPE AddTrack(int index, const char* title, LONGLONG bytes) override
    {
        Lock lock;
        LogCall("AddTrack " + std::to_string(index));
        if (g_log.trackCount < kCdDoubleTracks) {
            CDDOUBLE_TRACK& track = g_log.tracks[g_log.trackCount++];
            track.index = index;
            track.titled = title != nullptr;
            lstrcpynA(track.title, title ? title : "", sizeof(track.title));
            track.bytes = bytes;
        }
        return 0;
    }
    int STDMETHODCALLTYPE WriteData(const BYTE* data, unsigned bytes) override
    {
        LONGLONG before = 0;
        {
            Lock lock;
            before = g_log.bytesReceived;
            LogCall("WriteData");
            if (m_script.refuseDataAfter >= 0 && before >= m_script.refuseDataAfter)
                return 1;
        }
        if (m_script.stallDataAfter >= 0 && before >= m_script.stallDataAfter)
            WaitForSingleObject(g_aborted, 10000);
        if (m_script.dataPath[0] && !m_data && !m_dataOpened) {
            m_dataOpened = true;
            m_data.reset(
                CreateFileW(m_script.dataPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
        DWORD written = 0;
        if (m_data && (!WriteFile(m_data.get(), data, bytes, &written, nullptr) || written != bytes))
            return 1;
        Lock lock;
        g_log.bytesReceived += bytes;
        g_log.largestPiece = std::max(g_log.largestPiece, static_cast<LONG>(bytes));
        return 0;
    }
    int STDMETHODCALLTYPE WriteDisc(int speed, BOOL burnProof) override
    {
        CloseData();
        Lock lock;
        LogCall("WriteDisc");
        g_log.writeSpeed = speed;
        g_log.burnProof = burnProof;
        return m_script.writeDiscResult;
    }
    int STDMETHODCALLTYPE GetMedia(int* flags, LONGLONG* freeBytes) override
    {
        Lock lock;
        LogCall("GetMedia");
        *flags = m_script.mediaFlags;
        *freeBytes = m_script.freeBytes;
        return 0;
    }
    int STDMETHODCALLTYPE GetProgress() override
    {
        Lock lock;
        return m_script.progress;
    }
    int STDMETHODCALLTYPE Abort(BOOL byUser) override
    {
        Lock lock;
        LogCall("Abort " + std::to_string(byUser ? 1 : 0));
        SetEvent(g_aborted);
        return 0;
    }
    int STDMETHODCALLTYPE Shutdown() override
    {
        CloseData();
        Lock lock;
        LogCall("Shutdown");
        return 0;
    }
    HRESULT STDMETHODCALLTYPE QueryRecorder() override
    {
        Lock lock;
        return m_script.queryResult;
    }
    int STDMETHODCALLTYPE NeedsTrackLayout() override
    {
        Lock lock;
        LogCall("NeedsTrackLayout");
        return m_script.needsTrackLayout;
    }
    int STDMETHODCALLTYPE SetTempDirectory(const char* directory) override
    {
        Lock lock;
        LogCall("SetTempDirectory");
        lstrcpynA(g_log.tempDirectory, directory, sizeof(g_log.tempDirectory));
        return 0;
    }
    int STDMETHODCALLTYPE GetActionStatus() override
    {
        Lock lock;
        return m_script.actionStatus;
    }

private:
    void CloseData() { m_data.reset(); }

    CDDOUBLE_SCRIPT m_script;
    UniqueFile m_data;
    bool m_dataOpened = false;
};

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_lock);
        g_aborted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        g_script = CdDoubleDefaultScript();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID iid, void** object)
{
    return ClassFactoryDouble<CdRecorder>::GetClassObject(iid, object);
}

extern "C" void __cdecl CdDoubleSetScript(const CDDOUBLE_SCRIPT* script)
{
    Lock lock;
    g_script = *script;
    const LONG created = g_log.created;
    const LONG live = g_log.live;
    g_log = {};
    g_log.created = created;
    g_log.live = live;
    g_lastCall.clear();
    ResetEvent(g_aborted);
}

extern "C" void __cdecl CdDoubleGetLog(CDDOUBLE_LOG* log)
{
    Lock lock;
    *log = g_log;
}
