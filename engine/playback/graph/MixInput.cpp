#include "engine/playback/graph/MixInput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/mix/ApplyFadeMap.h"
#include "engine/core/server/ThreadCom.h"
#include "engine/core/server/Unknown.h"
#include "engine/core/track/Marker.h"
#include "engine/playback/dsp/SampleKernels.h"
#include "engine/playback/graph/PlayItem.h"

namespace {
constexpr SIZE_T kSourceBytes = 0x40000;
constexpr SIZE_T kStereo16Bytes = 0x40000;
constexpr SIZE_T kFloatBytes = 0x80000;
constexpr SIZE_T kRenderBytes = 0x80000;
constexpr unsigned kBlockFrames = 8192;
// Effect clips need the material after the block too.
constexpr unsigned kClipLookahead = 2048;
constexpr unsigned kMaxConvertFrames = 65536;
constexpr int kSilentLevel = -10000;
constexpr unsigned kVolumePieces = 16;
constexpr unsigned kTonePieceFrames = 512;
constexpr int kToneFineDifference = 600;

LONGLONG FramesToMicroseconds(LONGLONG frames, DWORD rate)
{
    return frames * 1000000 / rate;
}
}  // namespace

CMixInput::CMixInput(CMixOutput* output) : m_output(output)
{
    m_queue.reserve(kMaxQueued + 1);
    m_treble.Setup(CMixOutput::kRate);
    m_treble.SetBandCount(1);
    m_treble.SetBand(0, CFilterBank::kPeaking, 15000.0, 2.0, 0.0);
    m_treble.Design();
    m_bass.Setup(CMixOutput::kRate);
    m_bass.SetBandCount(1);
    m_bass.SetBand(0, CFilterBank::kPeaking, 60.0, 1.25, 0.0);
    m_bass.Design();
    m_workEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_quitEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_sourceBuffer.Allocate(kSourceBytes);
    m_stereo16.Allocate(kStereo16Bytes);
    m_floatBuffer.Allocate(kFloatBytes);
    m_renderBuffer.Allocate(kRenderBytes);
    HANDLE thread = nullptr;
    if (m_workEvent && m_quitEvent && m_sourceBuffer.Get() && m_stereo16.Get() && m_floatBuffer.Get() &&
        m_renderBuffer.Get())
        thread = CreateThread(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        // Without its thread the input stays silent and counts as ready.
        m_failed = 1;
        m_refCount = 1;
        return;
    }
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    ModuleCounts::AddActivity();
    ResumeThread(thread);
    CloseHandle(thread);
}

CMixInput::CMixInput(CPlayItem* item, CMixOutput* output) : CMixInput(output)
{
    Bind(item);
}

CMixInput::~CMixInput()
{
    {
        CSingleThreadLock lock(&m_queueLock);
        m_queue.clear();
    }
    if (m_item) {
        m_item->SetActive(FALSE);
        m_item->Release();
        m_output->Release();
    }
}

void CMixInput::Bind(CPlayItem* item)
{
    item->AddRef();
    m_output->AddRef();
    item->SetHasMixInput(TRUE);
    CSingleThreadLock lock(&m_queueLock);
    m_item = item;
    SignalWork();
}

ULONG CMixInput::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG CMixInput::Release()
{
    const LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

void CMixInput::QueueRequest(LONGLONG blockPosition, LONGLONG sequence, bool wake)
{
    CSingleThreadLock lock(&m_queueLock);
    if (static_cast<int>(m_queue.size()) >= kMaxQueued)
        m_queue.erase(m_queue.begin());
    m_queue.push_back({blockPosition, sequence});
    if (wake)
        UpdateWorkEvent();
    else
        m_idle = 0;
}

bool CMixInput::DropRequest(LONGLONG blockPosition, bool wake)
{
    CSingleThreadLock lock(&m_queueLock);
    const auto found = std::find_if(m_queue.begin(), m_queue.end(), [blockPosition](const MIXINPUTBUFFER& r) {
        return r.blockPosition == blockPosition;
    });
    if (found == m_queue.end())
        return false;
    m_queue.erase(found);
    if (wake)
        UpdateWorkEvent();
    else if (m_queue.empty())
        m_idle = 1;
    return true;
}

void CMixInput::Wake()
{
    CSingleThreadLock lock(&m_queueLock);
    UpdateWorkEvent();
}

void CMixInput::UpdateWorkEvent()
{
    if (m_queue.empty()) {
        m_idle = 1;
        if (m_workSignalled) {
            ResetEvent(m_workEvent.get());
            m_workSignalled = false;
        }
    } else {
        m_idle = 0;
        SignalWork();
    }
}

void CMixInput::SignalWork()
{
    if (m_workSignalled)
        return;
    SetEvent(m_workEvent.get());
    m_workSignalled = true;
}

void CMixInput::Quit()
{
    if (m_quitEvent)
        SetEvent(m_quitEvent.get());
    if (!m_item)
        return;
    m_item->SetActive(FALSE);
    m_item->SetHasMixInput(FALSE);
}

int CMixInput::IsIdle() const
{
    return (m_failed || m_idle) ? 1 : 0;
}

bool CMixInput::Owes(const MIXINPUTBUFFER& request) const
{
    if (m_failed || m_item->IsMuted())
        return false;
    const LONGLONG t0 = CMixOutput::BytesToMicroseconds(request.blockPosition);
    const LONGLONG t1 = CMixOutput::BytesToMicroseconds(request.blockPosition + CMixOutput::kBlockBytes);
    if (m_item->GetMixEnd() < t0 || m_item->GetMixStart() > t1)
        return false;
    CSingleThreadLock lock(&m_queueLock);
    // By sequence alone: a shift of the timeline moves the block, but a request queued before it
    // keeps the old position, is never rendered into the moved block, and is still owed.
    const auto same = [&request](const MIXINPUTBUFFER& r) { return r.sequence == request.sequence; };
    return same(m_rendering) || std::any_of(m_queue.begin(), m_queue.end(), same);
}

void CMixInput::SetAudiblePosition(LONGLONG time)
{
    const bool active = time >= m_item->GetMixStart() && time <= m_item->GetMixEnd() && !m_item->IsMuted();
    const bool now = m_item->IsActive() == S_OK;
    if (active != now)
        m_item->SetActive(active ? TRUE : FALSE);
}

DWORD WINAPI CMixInput::ThreadMain(void* self)
{
    static_cast<CMixInput*>(self)->Run();
    return 0;
}

void CMixInput::Run()
{
    // Quitting comes first: requests still queued then are not rendered, and a spare told to quit
    // before it was bound ends without an item.
    const HANDLE events[2] = {m_quitEvent.get(), m_workEvent.get()};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
        Release();
        ModuleCounts::RemoveActivity();
        return;
    }
    // Bound: the maker makes up for this spare while the source opens.
    m_output->ReplenishSpares();
    RenderBoundItem(events);
    Release();
    ModuleCounts::RemoveActivity();
}

void CMixInput::RenderBoundItem(const HANDLE (&events)[2])
{
    // Readers of some formats and the effect clips' hosts are COM objects.
    const CThreadCom com;
    if (FAILED(m_item->OpenSource())) {
        m_failed = 1;
    } else {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
        WAVEFORMATEX format{};
        if (FAILED(m_item->GetFormat(&format))) {
            m_failed = 1;
        } else {
            m_sourceBlockAlign = format.nBlockAlign;
            m_sourceBits = format.wBitsPerSample;
            if (format.nSamplesPerSec)
                m_sourceRate = format.nSamplesPerSec;
            m_resampLeft.Setup(CMixOutput::kRate, m_sourceRate, 0.8);
            m_resampRight.Setup(CMixOutput::kRate, m_sourceRate, 0.8);
            while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
                MIXINPUTBUFFER request{};
                if (!TakeRequest(&request))
                    continue;
                m_item->Lock();
                Render(request);
                m_item->Unlock();
                CSingleThreadLock lock(&m_queueLock);
                m_rendering.sequence = -1;
                UpdateWorkEvent();
            }
        }
        m_item->CloseSource();
    }
}

bool CMixInput::TakeRequest(MIXINPUTBUFFER* request)
{
    CSingleThreadLock lock(&m_queueLock);
    if (m_queue.empty()) {
        UpdateWorkEvent();
        return false;
    }
    *request = m_queue.front();
    m_rendering = *request;
    m_queue.erase(m_queue.begin());
    return true;
}

void CMixInput::Render(const MIXINPUTBUFFER& request)
{
    if (m_item->IsMuted())
        return;
    const LONGLONG t0 = CMixOutput::BytesToMicroseconds(request.blockPosition);
    const LONGLONG t1 = CMixOutput::BytesToMicroseconds(request.blockPosition + CMixOutput::kBlockBytes);
    const auto finish = [&] {
        LONGLONG trackTime = 0;
        m_item->MixToTrackTime(&trackTime, t1);
        m_item->SetCurrentTrackTime(trackTime, request.sequence);
    };
    if (m_item->GetMixEnd() < t0 || m_item->GetMixStart() > t1) {
        finish();
        return;
    }
    int volumeFrom = 0;
    int volumeTo = 0;
    m_item->GetEnvelopeValue(t0, kMarkerVolumeMask, &volumeFrom);
    m_item->GetEnvelopeValue(t1, kMarkerVolumeMask, &volumeTo);
    const bool volumeMarker = m_item->HasMarkerIn(t0, t1, kMarkerVolumeMask);
    if (volumeFrom == kSilentLevel && volumeTo == kSilentLevel && !volumeMarker) {
        finish();
        return;
    }

    const LONGLONG f0 = request.blockPosition / CMixOutput::kFrameBytes;
    const bool clips = m_item->GetEffectClipChainCount() > 0;
    const int span = static_cast<int>(kBlockFrames + (clips ? kClipLookahead : 0));
    const LONGLONG f1 = f0 + span;
    const LONGLONG gap = std::min(FramesToMicroseconds(kSourceBytes / m_sourceBlockAlign, m_sourceRate),
                                  FramesToMicroseconds(kMaxConvertFrames, CMixOutput::kRate));
    std::vector<LONGLONG> starts;
    std::vector<LONGLONG> ends;
    if (!m_item->GetFadeMap().GetSourceRanges(f0, f1, CMixOutput::kRate, starts, ends, gap)) {
        finish();
        return;
    }
    for (size_t r = 0; r < starts.size(); ++r) {
        if (!RenderRange(starts[r], ends[r], f0, span, r == 0)) {
            finish();
            return;
        }
    }
    float* render = reinterpret_cast<float*>(m_renderBuffer.Get());
    for (int c = 0; c < m_item->GetEffectClipChainCount(); ++c) {
        CEfxClipChain* chain = nullptr;
        if (m_item->GetEffectClipChain(c, &chain))
            chain->Process(render, kBlockFrames, static_cast<unsigned>(span) - kBlockFrames, f0);
    }
    ApplyTone(m_treble, kMarkerTrebleMask, t0, t1);
    ApplyTone(m_bass, kMarkerBassMask, t0, t1);
    ApplyVolume(t0, t1, volumeFrom, volumeTo, volumeMarker);

    float* block = nullptr;
    int filled = 0;
    if (m_output->LockBlock(request, &block, &filled)) {
        constexpr unsigned floats = CMixOutput::kBlockBytes / sizeof(float);
        if (filled)
            AccumulateFloatScaled(block, render, 1.0f, floats);
        else
            std::memcpy(block, render, CMixOutput::kBlockBytes);
        m_output->CommitBlock(request);
    }
    finish();
}

bool CMixInput::RenderRange(LONGLONG start, LONGLONG end, LONGLONG blockFrame, int span, bool first)
{
    const LONGLONG margin = m_sourceRate == CMixOutput::kRate ? 16 : 128;
    const LONGLONG s0 = start * m_sourceRate / 1000000 - margin;
    const LONGLONG s1 = end * m_sourceRate / 1000000;
    const LONGLONG wanted = (s1 - s0 + margin + 1) * m_sourceBlockAlign;
    const unsigned bytes = static_cast<unsigned>(std::clamp<LONGLONG>(wanted, 0, kSourceBytes));
    // A failed read leaves silence where the file gave nothing.
    if (!m_item->ReadAt(s0 * m_sourceBlockAlign, m_sourceBuffer.Get(), bytes))
        std::memset(m_sourceBuffer.Get(), m_sourceBits == 8 ? 128 : 0, bytes);

    const unsigned frames = WidenToStereo16(bytes);
    float* converted = reinterpret_cast<float*>(m_floatBuffer.Get());
    const int16_t* samples = reinterpret_cast<const int16_t*>(
        (m_sourceBits == 16 && m_sourceBlockAlign == 4) ? m_sourceBuffer.Get() : m_stereo16.Get());
    unsigned outFrames = 0;
    LONGLONG destination = s0;
    if (m_sourceRate == CMixOutput::kRate) {
        outFrames = std::min(frames, kMaxConvertFrames);
        ConvertInt16ToFloat(converted, samples, outFrames * 2);
    } else {
        destination = (s0 * CMixOutput::kRate + m_sourceRate / 2) / m_sourceRate;
        // At most 65536 source samples are converted into the upper half of the float buffer and
        // resampled, channel by channel, into its lower half.
        constexpr unsigned kHalf = kMaxConvertFrames;
        float* staging = converted + kHalf;
        const unsigned inFrames = std::min(frames, kHalf / 2);
        ConvertInt16ToFloat(staging, samples, inFrames * 2);
        m_resampLeft.Restart(destination, s0);
        m_resampRight.Restart(destination, s0);
        const unsigned left = m_resampLeft.Process(converted, staging, kHalf / 2, inFrames, 2);
        const unsigned right = m_resampRight.Process(converted + 1, staging + 1, kHalf / 2, inFrames, 2);
        outFrames = std::min(left, right);
        // The interpolation filter's centre lies half its length behind its newest input: the
        // output lags the source by that many output frames, which the placement takes back.
        const unsigned half = m_resampLeft.UpFactor() * m_resampLeft.TapsPerPhase() / 2;
        destination -= (half + m_resampLeft.DownFactor() / 2) / m_resampLeft.DownFactor();
    }
    ScaleFloatToFloat(converted, converted, 1.0f / 32768.0f, outFrames * 2);
    return ApplyFadeMap(reinterpret_cast<float*>(m_renderBuffer.Get()), span, blockFrame, converted, destination,
                        static_cast<int>(outFrames), CMixOutput::kRate, m_item->GetFadeMap(),
                        first ? TRUE : FALSE) != 0;
}

unsigned CMixInput::WidenToStereo16(unsigned bytes)
{
    const BYTE* source = m_sourceBuffer.Get();
    int16_t* stereo = reinterpret_cast<int16_t*>(m_stereo16.Get());
    const unsigned capacity = static_cast<unsigned>(kStereo16Bytes / 4);
    if (m_sourceBits == 16 && m_sourceBlockAlign == 4)
        return bytes / 4;
    if (m_sourceBits == 16 && m_sourceBlockAlign == 2) {
        const unsigned frames = std::min(bytes / 2, capacity);
        const int16_t* mono = reinterpret_cast<const int16_t*>(source);
        CopyInt16Strided(stereo, 2, mono, 1, frames);
        CopyInt16Strided(stereo + 1, 2, mono, 1, frames);
        return frames;
    }
    if (m_sourceBits == 8 && m_sourceBlockAlign == 2) {
        const unsigned frames = std::min(bytes / 2, capacity);
        ConvertUInt8ToInt16(stereo, source, frames * 2);
        return frames;
    }
    if (m_sourceBits == 8 && m_sourceBlockAlign == 1) {
        const unsigned frames = std::min(bytes, capacity);
        ConvertUInt8ToInt16Strided(stereo, 2, source, 1, frames);
        ConvertUInt8ToInt16Strided(stereo + 1, 2, source, 1, frames);
        return frames;
    }
    return 0;
}

void CMixInput::ApplyTone(CFilterBank& filter, DWORD typeMask, LONGLONG t0, LONGLONG t1)
{
    int from = 0;
    int to = 0;
    m_item->GetEnvelopeValue(t0, typeMask, &from);
    m_item->GetEnvelopeValue(t1, typeMask, &to);
    const bool marker = m_item->HasMarkerIn(t0, t1, typeMask);
    if (from == 0 && to == 0 && !marker)
        return;
    unsigned step = kBlockFrames;
    if (marker || from != to)
        step = std::abs(to - from) > kToneFineDifference ? 2 : kTonePieceFrames;
    float* render = reinterpret_cast<float*>(m_renderBuffer.Get());
    int previous = from;
    for (unsigned at = 0; at < kBlockFrames; at += step) {
        const LONGLONG end = t0 + FramesToMicroseconds(at + step, CMixOutput::kRate);
        int value = 0;
        m_item->GetEnvelopeValue(end, typeMask, &value);
        filter.SetBandGain(0, (value + previous) / 2 * 0.01);
        filter.Design();
        filter.Process(render + at * 2, 0, step, 2);
        filter.Process(render + at * 2 + 1, 1, step, 2);
        previous = value;
    }
}

void CMixInput::ApplyVolume(LONGLONG t0, LONGLONG t1, int from, int to, bool markerInside)
{
    if (from == 0 && to == 0 && !markerInside)
        return;
    Sleep(0);
    float* render = reinterpret_cast<float*>(m_renderBuffer.Get());
    const auto gain = [](int level) { return level <= kSilentLevel ? 0.0 : std::pow(10.0, level / 2000.0); };
    const auto ramp = [&](float* frames, unsigned count, int a, int b) {
        if (a == b) {
            ApplyGainFloat(frames, frames, static_cast<float>(gain(a)), count * 2);
            return;
        }
        const double start = gain(a);
        const double delta = (gain(b) - start) / count;
        for (unsigned i = 0; i < count; ++i) {
            const float g = static_cast<float>(start + delta * i);
            frames[i * 2] *= g;
            frames[i * 2 + 1] *= g;
        }
    };
    if (!markerInside) {
        ramp(render, kBlockFrames, from, to);
        return;
    }
    const unsigned piece = kBlockFrames / kVolumePieces;
    int previous = from;
    for (unsigned p = 0; p < kVolumePieces; ++p) {
        int value = 0;
        const LONGLONG end =
            p + 1 == kVolumePieces ? t1 : t0 + FramesToMicroseconds((p + 1) * piece, CMixOutput::kRate);
        m_item->GetEnvelopeValue(end, kMarkerVolumeMask, &value);
        ramp(render + p * piece * 2, piece, previous, value);
        previous = value;
    }
}
