#include "LiveStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/core/mix/MixExportList.h"
#include "engine/core/mix/MixTrackLookup.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/server/ThreadCom.h"
#include "engine/core/time/TimeMap.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "tests/support/Signals.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace playmgrtest {

namespace {
constexpr DWORD kTickMs = 50;
// The largest device buffer (one second): the sink drains four times faster than real time, and
// a device thread held up by the other processes of a loaded machine must not run dry.
constexpr DWORD kBufferBytes = CPlayer::kMaxBufferBytes;
}  // namespace

HRESULT UiLog::PopUpdate(int*, int*)
{
    return S_FALSE;
}

HRESULT UiLog::PostUpdate(int code, int value, BOOL)
{
    LONGLONG position = 0;
    if (manager)
        manager->GetPlayPosition(&position);
    CSingleThreadLock lock(&m_lock);
    m_posts.push_back({code, value, position});
    return S_OK;
}

std::vector<UiPost> UiLog::Take()
{
    CSingleThreadLock lock(&m_lock);
    return std::exchange(m_posts, {});
}

HRESULT HostMediaDouble::OnPlayStarting(LONGLONG start, IPlayManager*)
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back("starting " + std::to_string(start));
    return S_OK;
}

HRESULT HostMediaDouble::OnPlayStarted(LONGLONG start, IPlayManager*)
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back("started " + std::to_string(start));
    return S_OK;
}

HRESULT HostMediaDouble::OnPlayStopped()
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back("stopped");
    return S_OK;
}

HRESULT HostMediaDouble::OnReposition(LONGLONG offset, LONGLONG, LONGLONG*)
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back("reposition " + std::to_string(offset));
    // The play position stays the play manager's.
    return S_FALSE;
}

std::vector<std::string> HostMediaDouble::Take()
{
    CSingleThreadLock lock(&m_lock);
    return std::exchange(m_calls, {});
}

CTrackInfo* MixDouble::FindTrack(LONG trackId, int* index)
{
    for (int i = 0; i < m_tracks.GetCount(); ++i) {
        CTrackInfo* track = m_tracks.GetAt(i);
        if (track->GetTrackIdValue() == trackId) {
            if (index)
                *index = i;
            return track;
        }
    }
    return nullptr;
}

BOOL MixDouble::PreparePlayItem(CPlayItem* item)
{
    CTrackInfo* track = FindTrack(item->GetTrackId(), nullptr);
    if (!track)
        return FALSE;
    if (std::find(unpreparable.begin(), unpreparable.end(), item->GetTrackId()) != unpreparable.end()) {
        ++refused;
        return FALSE;
    }
    rendertest::LoadPlayItem(*item, *track);
    ++prepared;
    return TRUE;
}

BOOL MixDouble::CancelPlayItemAnalysis(CPlayItem*)
{
    ++cancelled;
    return TRUE;
}

BOOL MixDouble::FindTrackAtPosition(LONGLONG position, LONG* trackId, int* index)
{
    return MixTrackLookup::FindTrackAtPosition(m_tracks, position, trackId, index);
}

BOOL MixDouble::FindNextTrackStart(LONGLONG position, LONGLONG* start)
{
    const LONGLONG pause = pauseAt.load();
    if (pause >= 0 && pause > position) {
        *start = pause;
        return TRUE;
    }
    return MixTrackLookup::FindNextPauseStart(m_tracks, position, start);
}

HRESULT MixDouble::FindAdjacentTrackStart(LONGLONG position, BOOL next, LONGLONG* start)
{
    return MixTrackLookup::FindAdjacentTrackStart(m_tracks, position, next, start);
}

BOOL MixDouble::AppendPauseAtMixEnd(LONGLONG position)
{
    appendedPauses.push_back(position);
    return TRUE;
}

HRESULT MixDouble::GetTrackCatalogFlags(DWORD trackId, int* flags)
{
    if (!FindTrack(static_cast<LONG>(trackId), nullptr))
        return E_FAIL;
    *flags = 1;
    return S_OK;
}

HRESULT MixDouble::BuildExportTrackList(int mode, CPlayerOutputExportInfo* info)
{
    info->RemoveAll();
    // The mix end as the mix manager reads it: the end of the live play list.
    LONGLONG end = 0;
    if (manager)
        end = manager->GetPlayList().GetLatestEndTime();
    const auto names = [this](CTrackInfo& track, CString* title, CString* artist, CString* album) {
        int index = 0;
        FindTrack(track.GetTrackIdValue(), &index);
        title->Format(L"Track %d", index + 1);
        *artist = this->artist;
        *album = L"Generated";
    };
    return MixExportList::Build(m_tracks, mode, end, names, *info) ? S_OK : E_INVALIDARG;
}

HRESULT EngineDouble::QueryInterface(REFIID iid, void** object)
{
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    if (IsEqualIID(iid, IID_IMixManagerInternal) && mix)
        return mix->QueryInterface(iid, object);
    if (IsEqualIID(iid, IID_IUiUpdateQueue) && ui)
        return ui->QueryInterface(iid, object);
    if (IsEqualIID(iid, IID_IHostMedia) && host)
        return host->QueryInterface(iid, object);
    if ((IsEqualIID(iid, EngineIid::Player) || IsEqualIID(iid, EngineIid::PlayerInternal)) && player)
        return player->NonDelegatingQueryInterface(iid, object);
    return E_NOINTERFACE;
}

LiveStream::LiveStream(const std::wstring& folder, const std::vector<rendertest::TrackFile>& files, int measures,
                       Device device)
    : m_mix(folder, files, measures), m_mixDouble(m_mix.Mix().tracks)
{
    if (!m_mix.Ready()) {
        m_failure = m_mix.Failure();
        return;
    }
    m_engine.mix = &m_mixDouble;
    m_engine.ui = &m_ui;
    m_engine.host = &m_host;
    if (device != Device::None) {
        // The DirectSound cooperative level wants a window, as the main window is in the program.
        m_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        auto* player = new CPlayer(&m_engine);
        m_player.reset(player);
        m_engine.player = player;
        player->Setup(m_window);
        PLAYER_OUTPUTCONFIG config{sizeof(PLAYER_OUTPUTCONFIG),
                                   CPlayer::kModeSharedDevice,
                                   device == Device::DirectSound ? CPlayer::kDirectSound : CPlayer::kWaveOut,
                                   0,
                                   kBufferBytes,
                                   0,
                                   0};
        player->SetOutputConfig(&config);
    }
    CLiveAndPendingMixSingleThreadAccess lock;
    m_manager = new CPlayManager(&m_engine, 0);
    m_managerInner.reset(m_manager);
    m_ui.manager = m_manager;
    m_mixDouble.manager = m_manager;
    // As the mix manager's play-list update does: one item per track in list order, loaded from
    // its track's place in the mix.
    CPlayList& list = m_manager->GetPlayList();
    for (int i = 0; i < m_mix.Mix().tracks.GetCount(); ++i) {
        CTrackInfo& track = m_mix.Track(i);
        auto* item = new CPlayItem(m_mix.Source(i), m_manager->GetStreamId(), track.GetTrackIdValue());
        item->UpdateFromTrack(track);
        list.InsertAt(list.GetCount(), item);
    }
    m_end = list.GetLatestEndTime();
    m_manager->UpdateEndPosition();
    m_ticker.reset(CreateThread(nullptr, 0, TickerMain, this, 0, nullptr));
    m_ready = m_ticker.get() != nullptr;
}

LiveStream::~LiveStream()
{
    m_tickerRun = 0;
    if (m_ticker)
        WaitForSingleObject(m_ticker.get(), INFINITE);
    m_ui.manager = nullptr;
    m_mixDouble.manager = nullptr;
    m_managerInner.reset();
    m_player.reset();
    if (m_window)
        DestroyWindow(m_window);
}

DWORD WINAPI LiveStream::TickerMain(void* self)
{
    auto* stream = static_cast<LiveStream*>(self);
    // COM as the service thread has it.
    const CThreadCom com;
    while (stream->m_tickerRun.load()) {
        Sleep(kTickMs);
        // As the service thread does: the mix manager's tick holds the global mix lock around
        // every play manager's.
        CLiveAndPendingMixSingleThreadAccess lock;
        stream->m_manager->OnTick();
    }
    return 0;
}

bool LiveStream::PlayCleanly(const std::function<void()>& play, const std::function<bool()>& gapped)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const LONGLONG missed = m_manager->GetMixOutput()->GetMissedBytes();
        m_ui.Clear();
        m_host.Take();
        play();
        if (m_manager->GetMixOutput()->GetMissedBytes() == missed && !(gapped && gapped()))
            return true;
        m_manager->Stop();
    }
    return false;
}

bool LiveStream::WaitUntilStopped(DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
        if (m_manager->GetPlayState() == CPlayManager::kStopped && m_manager->IsPlaying() == S_FALSE)
            return true;
        Sleep(10);
    }
    return false;
}

bool LiveStream::WaitForPosition(LONGLONG position, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
        LONGLONG now = 0;
        m_manager->GetPlayPosition(&now);
        if (now >= position)
            return true;
        Sleep(10);
    }
    return false;
}

bool HasSinkGap(const std::vector<int16_t>& capture, LONGLONG from, const std::vector<int16_t>& reference,
                LONGLONG referenceFrom, LONGLONG frames)
{
    const auto captureFrames = static_cast<LONGLONG>(capture.size() / 2);
    const LONGLONG referenceEnd = std::min(referenceFrom + frames, static_cast<LONGLONG>(reference.size() / 2));
    const auto sample = [](const std::vector<int16_t>& audio, LONGLONG frame, int channel) {
        return static_cast<int>(audio[static_cast<size_t>(frame * 2 + channel)]);
    };
    const auto silent = [&](LONGLONG frame) {
        return sample(capture, frame, 0) == 0 && sample(capture, frame, 1) == 0;
    };
    bool gap = false;
    for (LONGLONG at = from, ref = referenceFrom; at < captureFrames && ref < referenceEnd;) {
        if (std::abs(sample(capture, at, 0) - sample(reference, ref, 0)) <= 1 &&
            std::abs(sample(capture, at, 1) - sample(reference, ref, 1)) <= 1) {
            ++at;
            ++ref;
            continue;
        }
        if (!silent(at))
            return false;
        // The reference sounds where the capture is silent: the capture must take it up again,
        // from the same frame of the reference, after its silence.
        while (at < captureFrames && silent(at))
            ++at;
        if (at == captureFrames)
            return false;
        gap = true;
    }
    return gap;
}

std::vector<int16_t> WaveOutSamples(const std::vector<float>& sink)
{
    std::vector<int16_t> samples(sink.size());
    for (size_t i = 0; i < sink.size(); ++i)
        samples[i] = static_cast<int16_t>(std::lround(sink[i] * 32768.0f));
    return samples;
}

std::vector<int16_t> SinkFloat48ToPcm44(const std::wstring& folder, const std::vector<float>& sink)
{
    const std::wstring raw = folder + L"\\capture.f32";
    const std::wstring wav = folder + L"\\capture44.wav";
    {
        UniqueFile file(CreateFileW(raw.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (!file ||
            !WriteFile(file.get(), sink.data(), static_cast<DWORD>(sink.size() * sizeof(float)), &written, nullptr))
            return {};
    }
    if (!fixtures::HaveUnixTools() ||
        fixtures::RunUnixTool("sox", {"-t", "raw", "-r", "48000", "-c", "2", "-e", "floating-point", "-b", "32",
                                      fixtures::UnixPath(raw), "-r", "44100", "-b", "16", "-e", "signed-integer",
                                      fixtures::UnixPath(wav)}) != 0)
        return {};
    std::vector<int16_t> samples;
    uint32_t rate = 0;
    uint16_t channels = 0;
    if (!fixtures::ReadWav16(wav, samples, rate, channels) || rate != 44100 || channels != 2)
        return {};
    return samples;
}

LONGLONG FindOrigin(const std::vector<int16_t>& audio, const std::vector<int16_t>& reference)
{
    // The first loud frame of each, then the exact lag around it by correlation over 2 s.
    const auto firstLoud = [](const std::vector<int16_t>& s) -> LONGLONG {
        for (size_t i = 0; i < s.size(); ++i)
            if (std::abs(s[i]) > 1000)
                return static_cast<LONGLONG>(i / 2);
        return -1;
    };
    const LONGLONG a = firstLoud(audio);
    const LONGLONG r = firstLoud(reference);
    if (a < 0 || r < 0)
        return -1;
    constexpr LONGLONG kSpan = 88200;
    constexpr int kSearch = 441;
    LONGLONG best = a - r;
    double bestSum = -1e300;
    for (int lag = -kSearch; lag <= kSearch; ++lag) {
        const LONGLONG origin = a - r + lag;
        double sum = 0.0;
        for (LONGLONG k = 0; k < kSpan; ++k) {
            const LONGLONG at = origin + r + k;
            if (at < 0 || static_cast<size_t>(at * 2) >= audio.size() ||
                static_cast<size_t>((r + k) * 2) >= reference.size())
                break;
            sum +=
                static_cast<double>(audio[static_cast<size_t>(at * 2)]) * reference[static_cast<size_t>((r + k) * 2)];
        }
        if (sum > bestSum) {
            bestSum = sum;
            best = origin;
        }
    }
    return best;
}

std::vector<float> ResampleTo48k(const std::wstring& folder, const std::vector<int16_t>& render)
{
    const std::wstring wav = folder + L"\\render44.wav";
    const std::wstring raw = folder + L"\\render48.f32";
    if (!fixtures::WriteWav16(wav, render, 44100, 2) ||
        fixtures::RunUnixTool("sox", {fixtures::UnixPath(wav), "-t", "raw", "-r", "48000", "-e", "floating-point", "-b",
                                      "32", fixtures::UnixPath(raw)}) != 0)
        return {};
    const std::vector<uint8_t> bytes = fixtures::ReadFileBytes(raw);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

std::vector<double> LeftChannel(const std::vector<float>& audio, LONGLONG from, double delay, LONGLONG frames)
{
    constexpr int kTaps = 16;
    const LONGLONG total = static_cast<LONGLONG>(audio.size() / 2);
    std::vector<double> out(static_cast<size_t>(frames), 0.0);
    double weights[2 * kTaps + 1];
    for (int k = -kTaps; k <= kTaps; ++k) {
        const double x = k - delay;
        const double sinc = x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        weights[k + kTaps] = sinc * (0.5 + 0.5 * std::cos(std::numbers::pi * x / (kTaps + 1)));
    }
    for (LONGLONG n = 0; n < frames; ++n) {
        double sum = 0.0;
        for (int k = -kTaps; k <= kTaps; ++k) {
            const LONGLONG at = from + n + k;
            if (at >= 0 && at < total)
                sum += audio[static_cast<size_t>(at) * 2] * weights[k + kTaps];
        }
        out[static_cast<size_t>(n)] = sum;
    }
    return out;
}

// Signal-to-noise ratio of the capture against the resampled render (left channel), aligned to a
// fraction of a frame: Wine's mixer and sox resample with a different delay, which alone would
// cost tens of dB on the higher clicks. The lag is searched around `approximate` (48 kHz frames)
// on the first seconds, then the whole render is compared.
double SnrAgainstRender(const std::vector<float>& capture, const std::vector<float>& render, LONGLONG approximate)
{
    const LONGLONG frames = static_cast<LONGLONG>(render.size() / 2);
    const LONGLONG probe = std::min<LONGLONG>(frames, 5 * 48000);
    const std::vector<double> probeReference = LeftChannel(render, 0, 0.0, probe);
    double best = -1e300;
    double bestLag = 0.0;
    for (LONGLONG lag = approximate - 48; lag <= approximate + 48; ++lag) {
        const double snr = fixtures::SnrDb(probeReference, LeftChannel(capture, lag, 0.0, probe));
        if (snr > best) {
            best = snr;
            bestLag = static_cast<double>(lag);
        }
    }
    // Coarse, then fine steps of a fraction of a frame around the best so far.
    for (const double step : {0.05, 0.005}) {
        const double around = bestLag;
        for (int k = -20; k <= 20; ++k) {
            const double at = around + k * step;
            const LONGLONG whole = static_cast<LONGLONG>(std::floor(at));
            const double snr =
                fixtures::SnrDb(probeReference, LeftChannel(capture, whole, at - static_cast<double>(whole), probe));
            if (snr > best) {
                best = snr;
                bestLag = at;
            }
        }
    }
    const LONGLONG lag = static_cast<LONGLONG>(std::floor(bestLag));
    // Wine's mixer starts a buffer's resampler without history: the first frames it plays (here
    // the mix's first click) come out bent, so the comparison starts 20 ms in.
    constexpr LONGLONG kSkip = 960;
    return fixtures::SnrDb(LeftChannel(render, kSkip, 0.0, frames - kSkip),
                           LeftChannel(capture, lag + kSkip, bestLag - static_cast<double>(lag), frames - kSkip));
}

}  // namespace playmgrtest
