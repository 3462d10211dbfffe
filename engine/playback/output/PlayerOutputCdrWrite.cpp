// The CD output's device thread: recorders, disc polling and the write, and the track layout that
// StartWrite prepares for it.
#include "engine/playback/output/PlayerOutputCdr.h"

#include <algorithm>
#include <cstring>

#include "engine/core/mix/MixManagerInternal.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"

namespace {

constexpr LONGLONG kMicrosecondsPerSecond = 1000000;
constexpr LONGLONG kFramesPerSecond = 44100;
constexpr LONGLONG kFrameBytes = 4;
constexpr int kNameBytes = 256;
// A library that never ends its list must not hold the thread.
constexpr int kMaxRecorders = 64;

// ANSI text of at most `chars` characters of `text`.
std::string Ansi(const wchar_t* text, int chars)
{
    const int length = static_cast<int>(wcsnlen(text, static_cast<size_t>(chars)));
    if (length == 0)
        return {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, result.data(), bytes, nullptr, nullptr);
    return result;
}

// Up to the next whole sector, and never shorter than a disc allows.
LONGLONG CdTrackBytes(LONGLONG bytes)
{
    const LONGLONG sector = CPlayerOutputCdr::kSectorBytes;
    const LONGLONG whole = (bytes + sector - 1) / sector * sector;
    return std::max(whole, CPlayerOutputCdr::kMinTrackBytes);
}

}  // namespace

std::vector<CPlayerOutputCdr::Track> CPlayerOutputCdr::BuildTrackLayout() const
{
    CPlayerOutputExportInfo info;
    const int mode = m_splitMode == kSplitAtLabelMarkers ? CPlayerOutputExportInfo::kLabelMarkers
                                                         : CPlayerOutputExportInfo::kTrackEnds;
    if (IUnknown* engine = GetDelegate()) {
        ComPtr<IMixManagerInternal> mixManager;
        if (SUCCEEDED(engine->QueryInterface(IID_IMixManagerInternal, mixManager.put_void())) && mixManager) {
            CLiveAndPendingMixSingleThreadAccess lock;
            if (FAILED(mixManager->BuildExportTrackList(mode, &info)))
                info.RemoveAll();
        }
    }
    std::vector<Track> tracks;
    LONGLONG laid = 0;
    for (int i = 0; i < info.GetCount(); ++i) {
        LONGLONG position = 0;
        CString title;
        info.GetItem(i, &position, &title, nullptr, nullptr);
        const LONGLONG end = position * kFramesPerSecond / kMicrosecondsPerSecond * kFrameBytes;
        const LONGLONG bytes = CdTrackBytes(std::max<LONGLONG>(end - laid, 0));
        tracks.push_back({Ansi(title, kTitleChars), true, bytes});
        laid += bytes;
    }
    if (tracks.empty())
        tracks.push_back({std::string(), false, CdTrackBytes(InputLength())});
    return tracks;
}

bool CPlayerOutputCdr::WaitForStop(DWORD ms)
{
    if (m_stop)
        return true;
    WaitForSingleObject(m_wake.get(), ms);
    return m_stop != 0;
}

void CPlayerOutputCdr::RunDeviceLoop()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    if (m_recorder->Initialize() != 0) {
        InterlockedExchange(&m_recorderFailed, 1);
        while (!WaitForStop(kPollMs)) {
        }
    } else {
        ListRecorders();
        while (!m_stop) {
            if (m_writeRequested) {
                // Writing is set before the request is taken, so that StartWrite, which tests
                // them in the other order, never sees neither while the layout is in use.
                InterlockedExchange(&m_writing, 1);
                InterlockedExchange(&m_writeRequested, 0);
                WriteDisc();
                continue;
            }
            SwitchRecorder();
            PollMedia();
            WaitForStop(kPollMs);
        }
    }
    m_recorder->Shutdown();
    InterlockedExchange(&m_active, 0);
}

void CPlayerOutputCdr::ListRecorders()
{
    std::vector<CString> names;
    char name[kNameBytes];
    for (int index = 0; index < kMaxRecorders; ++index) {
        std::memset(name, 0, sizeof(name));
        if (m_recorder->GetRecorderName(index, name, kNameBytes) != 0)
            break;
        // The library's text is trusted no further than the buffer it was given.
        name[kNameBytes - 1] = '\0';
        wchar_t wide[kNameBytes] = {};
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, kNameBytes);
        names.push_back(CString(wide));
    }
    BYTE info[kInfoBytes] = {};
    int selected = 0;
    {
        CSingleThreadLock lock(&m_lock);
        // The stored choice may name a recorder that is gone.
        if (m_properties.recorder >= 0 && static_cast<size_t>(m_properties.recorder) < names.size())
            selected = m_properties.recorder;
    }
    const bool known = !names.empty() && m_recorder->SelectRecorder(selected, info) == 0;
    {
        CSingleThreadLock lock(&m_lock);
        m_recorderNames = std::move(names);
        m_properties.recorder = selected;
        if (known)
            std::memcpy(m_info, info, sizeof(m_info));
    }
    InterlockedExchange(&m_listReady, 1);
}

void CPlayerOutputCdr::SwitchRecorder()
{
    const LONG wanted = m_requestedRecorder;
    if (wanted < 0)
        return;
    BYTE info[kInfoBytes] = {};
    if (m_recorder->SelectRecorder(wanted, info) == 0) {
        CSingleThreadLock lock(&m_lock);
        m_properties.recorder = wanted;
        std::memcpy(m_info, info, sizeof(m_info));
    }
    InterlockedCompareExchange(&m_requestedRecorder, -1, wanted);
}

void CPlayerOutputCdr::PollMedia()
{
    int flags = 0;
    LONGLONG freeBytes = 0;
    if (m_recorder->GetMedia(&flags, &freeBytes) != 0)
        return;
    freeBytes = std::max<LONGLONG>(freeBytes, 0);
    if (freeBytes < m_total)
        flags |= kStatusDiscTooSmall;
    else
        flags &= ~kStatusDiscTooSmall;
    InterlockedExchange(&m_mediaFlags, flags);
    InterlockedExchange(&m_freeMinutes, static_cast<LONG>((freeBytes + kBytesPerMinute / 2) / kBytesPerMinute));
}

void CPlayerOutputCdr::WriteDisc()
{
    m_delivered = 0;
    m_total = InputLength();
    m_recorder->SetTempDirectory(
        Ansi(TempDirectory(), static_cast<int>(std::size(m_properties.tempDirectory))).c_str());
    if (m_recorder->NeedsTrackLayout() != 0) {
        LONGLONG total = 0;
        for (size_t i = 0; i < m_layout.size(); ++i) {
            const Track& track = m_layout[i];
            m_recorder->AddTrack(static_cast<int>(i), track.titled ? track.title.c_str() : nullptr, track.bytes);
            total += track.bytes;
        }
        m_total = total;
    }
    m_loopInput->SetActive(TRUE);
    if (DeliverInput() && !m_stop) {
        int speed = 0;
        BOOL burnProof = FALSE;
        {
            CSingleThreadLock lock(&m_lock);
            speed = m_properties.writeSpeed;
            burnProof = m_properties.burnProof ? TRUE : FALSE;
        }
        if (m_recorder->WriteDisc(speed, burnProof) != 0) {
            m_recorder->Abort(FALSE);
            InterlockedExchange(&m_writeFailed, 1);
        } else {
            InterlockedExchange(&m_finished, 1);
        }
    } else {
        // An aborted write is over, not in progress: GetResult must not keep answering S_FALSE.
        m_recorder->Abort(FALSE);
        InterlockedExchange(&m_writeFailed, 1);
    }
    m_loopInput->SetActive(FALSE);
    InterlockedExchange(&m_writing, 0);
}

bool CPlayerOutputCdr::WaitForInput()
{
    // The render threads usually finish the blocks a piece asked for within a millisecond or two:
    // sleeping a whole step after every piece would hold the feed near ten times real time, so the
    // step is spent in short sleeps that end as soon as the input is ready.
    for (DWORD waited = 0; waited < kNotReadyWaitMs; ++waited) {
        if (m_loopInput->IsDataReady() == S_OK)
            return true;
        Sleep(1);
    }
    return m_loopInput->IsDataReady() == S_OK;
}

bool CPlayerOutputCdr::DeliverInput()
{
    BYTE* buffer = m_transfer.data();
    const LONGLONG mixBytes = InputLength();
    while (!m_stop && m_delivered < m_total) {
        const auto bytes = static_cast<unsigned>(std::min<LONGLONG>(m_total - m_delivered, kTransferBytes));
        // The layout rounds tracks up to whole sectors and four seconds: past the mix's end the
        // disc gets silence of its own, not reads from a stream that has ended.
        const auto fromInput = static_cast<unsigned>(std::clamp<LONGLONG>(mixBytes - m_delivered, 0, bytes));
        if (fromInput > 0 && !WaitForInput())
            continue;
        // Anything but a whole read (a stopped stream answers S_FALSE with silence) would put
        // something other than the mix on the disc.
        const bool whole = fromInput == 0 || m_loopInput->Read(buffer, fromInput) == S_OK;
        std::memset(buffer + fromInput, 0, bytes - fromInput);
        if (!whole || m_recorder->WriteData(buffer, bytes) != 0) {
            InterlockedExchange(&m_sourceFailed, 1);
            return false;
        }
        m_delivered = m_delivered + bytes;
        m_loopInput->SetBufferedBytes(0);
    }
    return m_delivered == m_total;
}
