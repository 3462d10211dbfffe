#include "engine/playback/output/PlayerOutputCdr.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>

#include "classlib/core/WinApp.h"
#include "engine/core/server/EngineFolders.h"
#include "engine/core/server/LocalCoCreate.h"

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kWritePropertiesValue[] = L"CD Write Properties";
constexpr size_t kTempDirectoryChars = sizeof(CDR_WRITEPROPERTIES::tempDirectory) / sizeof(wchar_t);

// The directory as a zero-terminated field; false when it does not fit with its terminator.
bool CopyDirectory(wchar_t (&field)[kTempDirectoryChars], const wchar_t* directory)
{
    const size_t length = wcsnlen(directory, kTempDirectoryChars);
    if (length >= kTempDirectoryChars)
        return false;
    std::memset(field, 0, sizeof(field));
    std::wmemcpy(field, directory, length);
    return true;
}

// The system's temporary folder, where the recording library puts its image by default.
CString SystemTempFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(static_cast<DWORD>(std::size(path)), path);
    return length > 0 && length < std::size(path) ? CString(path) : CString();
}

}  // namespace

CPlayerOutputCdr::CPlayerOutputCdr() : m_wake(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    m_properties.burnProof = 1;
    CopyDirectory(m_properties.tempDirectory, SystemTempFolder());
    LoadProperties();
    try {
        m_transfer.resize(kTransferBytes);
    } catch (const std::bad_alloc&) {
        m_transfer.clear();
    }
}

CPlayerOutputCdr::~CPlayerOutputCdr()
{
    StoreProperties();
}

void CPlayerOutputCdr::LoadProperties()
{
    CWinApp* app = AfxGetApp();
    BYTE* data = nullptr;
    UINT bytes = 0;
    if (!app || !app->GetProfileBinary(kSettings, kWritePropertiesValue, &data, &bytes))
        return;
    const std::unique_ptr<BYTE[]> owned(data);
    if (bytes != sizeof(CDR_WRITEPROPERTIES))
        return;
    CDR_WRITEPROPERTIES stored;
    std::memcpy(&stored, data, sizeof(stored));
    // The profile is not ours alone: a directory without its terminator within the field is not a
    // path we can trust, so the default stays in its place.
    if (!CopyDirectory(m_properties.tempDirectory, stored.tempDirectory))
        std::memcpy(stored.tempDirectory, m_properties.tempDirectory, sizeof(stored.tempDirectory));
    m_properties = stored;
    m_properties.reserved = 0;
}

void CPlayerOutputCdr::StoreProperties() const
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileBinary(kSettings, kWritePropertiesValue, reinterpret_cast<const BYTE*>(&m_properties),
                                sizeof(m_properties));
}

CString CPlayerOutputCdr::TempDirectory() const
{
    CSingleThreadLock lock(&m_lock);
    if (m_properties.tempDirectory[0] == L'\0')
        return SystemTempFolder();
    return CString(m_properties.tempDirectory);
}

LONGLONG CPlayerOutputCdr::InputLength() const
{
    LONGLONG bytes = 0;
    if (!m_input || FAILED(m_input->GetLength(&bytes)) || bytes < 0)
        return 0;
    return bytes;
}

HRESULT CPlayerOutputCdr::Open()
{
    if (m_transfer.empty() || !m_input)
        return E_FAIL;
    if (m_open)
        return S_OK;
    InterlockedExchange(&m_active, 1);
    m_inputLength = InputLength();
    m_total = m_inputLength;
    ComPtr<ICdRecorder> recorder;
    if (FAILED(CLocalCoCreate::CreateInstance(PluginClsid::CdRecorder, &g_localCoCreate, IID_ICdRecorder,
                                              recorder.put_void())) ||
        !recorder) {
        InterlockedExchange(&m_active, 0);
        return E_FAIL;
    }
    m_recorder = std::move(recorder);
    InterlockedExchange(&m_stop, 0);
    InterlockedExchange(&m_open, 1);
    if (!StartDeviceThread()) {
        InterlockedExchange(&m_open, 0);
        InterlockedExchange(&m_active, 0);
        return E_FAIL;
    }
    SetThreadPriority(m_thread.get(), THREAD_PRIORITY_LOWEST);
    return S_OK;
}

HRESULT CPlayerOutputCdr::Close()
{
    InterlockedExchange(&m_stop, 1);
    SetEvent(m_wake.get());
    WaitForDeviceThread();
    InterlockedExchange(&m_open, 0);
    return S_OK;
}

HRESULT CPlayerOutputCdr::GetStatus(int* flags, int* freeMinutes)
{
    if (!flags || !freeMinutes)
        return E_POINTER;
    int status = m_mediaFlags;
    if (m_writing)
        status |= kStatusWriting;
    if (m_recorderFailed)
        status |= kStatusRecorderFailed;
    *flags = status;
    *freeMinutes = m_freeMinutes;
    return S_OK;
}

HRESULT CPlayerOutputCdr::GetRecorderName(int index, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (!m_listReady)
        return E_FAIL;
    CSingleThreadLock lock(&m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_recorderNames.size())
        return E_FAIL;
    *name = SysAllocString(m_recorderNames[static_cast<size_t>(index)].GetString());
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPlayerOutputCdr::GetRecorder(int* index)
{
    if (!index)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *index = m_properties.recorder;
    return S_OK;
}

HRESULT CPlayerOutputCdr::SelectRecorder(int index)
{
    {
        CSingleThreadLock lock(&m_lock);
        if (!m_listReady || index < 0 || static_cast<size_t>(index) >= m_recorderNames.size())
            return E_INVALIDARG;
    }
    if (!m_active || m_recorderFailed)
        return E_FAIL;
    InterlockedExchange(&m_requestedRecorder, index);
    SetEvent(m_wake.get());
    // The device thread switches between writes only, and may end or fail meanwhile: the wait
    // is bounded, and a request it did not take is withdrawn.
    for (DWORD waited = 0; waited < kSelectWaitMs && m_active && !m_recorderFailed; waited += kPollMs) {
        if (m_requestedRecorder == -1) {
            CSingleThreadLock lock(&m_lock);
            return m_properties.recorder == index ? S_OK : E_FAIL;
        }
        Sleep(kPollMs);
    }
    InterlockedCompareExchange(&m_requestedRecorder, -1, index);
    CSingleThreadLock lock(&m_lock);
    return m_properties.recorder == index ? S_OK : E_FAIL;
}

HRESULT CPlayerOutputCdr::GetBurnProof()
{
    CSingleThreadLock lock(&m_lock);
    return m_properties.burnProof ? S_OK : S_FALSE;
}

HRESULT CPlayerOutputCdr::SetBurnProof(BOOL on)
{
    CSingleThreadLock lock(&m_lock);
    m_properties.burnProof = on ? 1 : 0;
    return S_OK;
}

HRESULT CPlayerOutputCdr::GetWriteSpeed(int* speed)
{
    if (!speed)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *speed = m_properties.writeSpeed;
    return S_OK;
}

HRESULT CPlayerOutputCdr::SetWriteSpeed(int speed)
{
    CSingleThreadLock lock(&m_lock);
    m_properties.writeSpeed = static_cast<uint16_t>(speed);
    return S_OK;
}

HRESULT CPlayerOutputCdr::GetSupportedSpeed(int index, int* speed)
{
    if (!speed)
        return E_POINTER;
    *speed = 0;
    if (index < 0 || index >= kSpeedEntries)
        return E_FAIL;
    CSingleThreadLock lock(&m_lock);
    // The table ends at its first zero entry.
    for (int i = 0; i <= index; ++i) {
        uint16_t entry = 0;
        std::memcpy(&entry, m_info + i * sizeof(entry), sizeof(entry));
        if (entry == 0)
            return E_FAIL;
        *speed = entry;
    }
    return S_OK;
}

HRESULT CPlayerOutputCdr::GetTempDirectory(BSTR* directory)
{
    if (!directory)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *directory = SysAllocString(m_properties.tempDirectory);
    return *directory ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPlayerOutputCdr::SetTempDirectory(LPCWSTR directory)
{
    if (!directory)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    return CopyDirectory(m_properties.tempDirectory, directory) ? S_OK : E_INVALIDARG;
}

HRESULT CPlayerOutputCdr::IsActive()
{
    return m_active ? S_OK : S_FALSE;
}

HRESULT CPlayerOutputCdr::IsRecorderListReady()
{
    return m_listReady ? S_OK : S_FALSE;
}

HRESULT CPlayerOutputCdr::StartWrite()
{
    InterlockedExchange(&m_finished, 0);
    // A request the device thread can no longer serve would leave the caller waiting for a
    // result that never comes. The request is tested before the writing flag: the device thread
    // sets them in the other order.
    if (!m_active || m_stop || m_recorderFailed || m_writeRequested || m_writing)
        return E_FAIL;
    CString folder = TempDirectory();
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != L'\\')
        folder += L"\\";
    if (!HasEnoughDiskSpace(folder, InputLength() + kTempReserveBytes))
        return E_FAIL;
    m_layout = BuildTrackLayout();
    // Each write reports its own outcome.
    InterlockedExchange(&m_sourceFailed, 0);
    InterlockedExchange(&m_writeFailed, 0);
    InterlockedExchange(&m_writeRequested, 1);
    SetEvent(m_wake.get());
    return S_OK;
}

HRESULT CPlayerOutputCdr::Abort()
{
    if (m_recorder)
        m_recorder->Abort(TRUE);
    InterlockedExchange(&m_stop, 1);
    SetEvent(m_wake.get());
    return S_OK;
}

HRESULT CPlayerOutputCdr::IsAborted()
{
    return m_stop ? S_OK : S_FALSE;
}

HRESULT CPlayerOutputCdr::GetResult()
{
    if (m_sourceFailed || m_recorderFailed || m_writeFailed)
        return E_FAIL;
    return m_finished ? S_OK : S_FALSE;
}

HRESULT CPlayerOutputCdr::GetProgress(float* progress)
{
    if (!progress)
        return E_POINTER;
    *progress = 0.0f;
    if (!m_recorder)
        return E_FAIL;
    *progress = static_cast<float>(m_recorder->GetProgress()) * 0.0001f;
    return S_OK;
}

HRESULT CPlayerOutputCdr::GetActionStatus(int* status)
{
    if (!status)
        return E_POINTER;
    if (m_sourceFailed) {
        *status = 1;
        return S_OK;
    }
    *status = 0;
    if (!m_recorder)
        return E_FAIL;
    *status = m_recorder->GetActionStatus();
    return S_OK;
}

HRESULT CPlayerOutputCdr::SetSplitAutomatic()
{
    InterlockedExchange(&m_splitMode, kSplitAutomatic);
    if (m_recorder)
        m_recorder->ClearTracks();
    return S_OK;
}

HRESULT CPlayerOutputCdr::SetSplitAtLabelMarkers()
{
    InterlockedExchange(&m_splitMode, kSplitAtLabelMarkers);
    if (m_recorder)
        m_recorder->ClearTracks();
    return S_OK;
}

HRESULT CPlayerOutputCdr::IsSplitAutomatic()
{
    return m_splitMode == kSplitAutomatic ? S_OK : S_FALSE;
}

HRESULT CPlayerOutputCdr::IsSplitAtLabelMarkers()
{
    return m_splitMode == kSplitAtLabelMarkers ? S_OK : S_FALSE;
}

HRESULT CPlayerOutputCdr::QueryRecorder()
{
    return m_recorder ? m_recorder->QueryRecorder() : E_FAIL;
}
