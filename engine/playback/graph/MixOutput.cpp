#include "engine/playback/graph/MixOutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/playback/graph/MixInput.h"
#include "engine/playback/graph/PlayItem.h"

namespace {
// The first block after a shift starts this far into the block being heard, so the two overlap
// by 4096 bytes (512 frames), which are blended.
constexpr LONGLONG kSeamOffset = 61440;
constexpr int kBlendFloats = 1024;
constexpr LONG kMaxShortReads = 50;
}  // namespace

CMixOutput::CMixOutput()
{
    m_format.wFormatTag = 3;
    m_format.nChannels = 2;
    m_format.nSamplesPerSec = kRate;
    m_format.nAvgBytesPerSec = kRate * kFrameBytes;
    m_format.nBlockAlign = kFrameBytes;
    m_format.wBitsPerSample = 32;
    m_format.cbSize = 0;
    for (Block& block : m_blocks)
        block.data = static_cast<float*>(VirtualAlloc(nullptr, kBlockBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    for (int k = 0; k < kBlendFloats; ++k) {
        const double c = std::cos(std::numbers::pi * k / 2048.0);
        m_blendWeights[static_cast<size_t>(k)] = static_cast<float>(c * c);
    }
}

CMixOutput::~CMixOutput()
{
    {
        CSingleThreadLock state(&m_stateLock);
        CSingleThreadLock blocks(&m_blockLock);
        ReleaseAll();
        for (CMixInput* input : m_inputs) {
            input->Quit();
            input->Release();
        }
        m_inputs.clear();
    }
    for (Block& block : m_blocks)
        if (block.data)
            VirtualFree(block.data, 0, MEM_RELEASE);
}

HRESULT STDMETHODCALLTYPE CMixOutput::GetFormat(WAVEFORMATEX* format)
{
    if (!format)
        return E_POINTER;
    *format = m_format;
    return S_OK;
}

void CMixOutput::RequestBlock(Block& block, bool wake)
{
    if (m_loop && m_nextBlockPosition > m_loopFrom)
        m_nextBlockPosition = m_loopTo;
    block.position = m_nextBlockPosition;
    block.requested = 1;
    block.filled = 0;
    block.partner = -1;
    block.sequence = m_nextSequence++;
    m_nextBlockPosition += kBlockBytes;
    for (CMixInput* input : m_inputs)
        input->QueueRequest(block.position, block.sequence, wake);
}

void CMixOutput::ReleaseBlock(Block& block, bool wake)
{
    block.requested = 0;
    for (CMixInput* input : m_inputs)
        input->DropRequest(block.position, wake);
}

void CMixOutput::RequestAll(bool wake)
{
    for (Block& block : m_blocks)
        if (!block.requested)
            RequestBlock(block, wake);
}

void CMixOutput::ReleaseAll(bool wake)
{
    for (Block& block : m_blocks)
        if (block.requested)
            ReleaseBlock(block, wake);
}

CMixInput* CMixOutput::ListInputsToWake()
{
    // Counted, so an input the owner removes meanwhile stays alive until it is woken.
    CMixInput* first = nullptr;
    for (CMixInput* input : m_inputs) {
        input->AddRef();
        input->SetNextToWake(first);
        first = input;
    }
    return first;
}

void CMixOutput::WakeInputs(CMixInput* first)
{
    while (first) {
        CMixInput* const input = first;
        first = input->GetNextToWake();
        input->SetNextToWake(nullptr);
        input->Wake();
        input->Release();
    }
}

bool CMixOutput::AddInput(CPlayItem* item)
{
    if (!item)
        return false;
    // Bound or made before the locks are taken: the device thread's Read waits for them.
    CMixInput* input = m_spares.Take();
    if (input)
        input->Bind(item);
    else
        input = new CMixInput(item, this);
    CSingleThreadLock state(&m_stateLock);
    CSingleThreadLock blocks(&m_blockLock);
    std::array<const Block*, kBlockCount> order{};
    for (int i = 0; i < kBlockCount; ++i)
        order[static_cast<size_t>(i)] = &m_blocks[static_cast<size_t>(i)];
    std::sort(order.begin(), order.end(), [](const Block* a, const Block* b) { return a->sequence < b->sequence; });
    for (const Block* block : order)
        if (block->requested)
            input->QueueRequest(block->position, block->sequence);
    m_inputs.push_back(input);
    return true;
}

bool CMixOutput::RemoveInput(CPlayItem* item)
{
    CSingleThreadLock state(&m_stateLock);
    const auto found =
        std::find_if(m_inputs.begin(), m_inputs.end(), [item](CMixInput* input) { return input->GetItem() == item; });
    if (found == m_inputs.end())
        return false;
    CMixInput* input = *found;
    m_inputs.erase(found);
    input->Quit();
    input->Release();
    return true;
}

bool CMixOutput::HasInput(const CPlayItem* item)
{
    CSingleThreadLock state(&m_stateLock);
    return std::any_of(m_inputs.begin(), m_inputs.end(), [item](CMixInput* input) { return input->GetItem() == item; });
}

void CMixOutput::SeekTo(LONGLONG time)
{
    CSingleThreadLock state(&m_stateLock);
    CSingleThreadLock blocks(&m_blockLock);
    m_loop = 0;
    m_repeat = 0;
    MoveReadPosition(MicrosecondsToBytes(time));
}

void CMixOutput::ResumeFrom(LONGLONG time)
{
    CSingleThreadLock state(&m_stateLock);
    CSingleThreadLock blocks(&m_blockLock);
    MoveReadPosition(MicrosecondsToBytes(time));
}

void CMixOutput::MoveReadPosition(LONGLONG bytes)
{
    m_readPosition = m_nextBlockPosition = bytes;
    // Nothing read before the move waits to be heard.
    m_bufferedBytes = 0;
    m_silenceBytes = 0;
    m_discontinuity = 1;
    m_shortReads = 0;
    ReleaseAll();
    RequestAll();
}

HRESULT STDMETHODCALLTYPE CMixOutput::Rewind()
{
    SeekTo(0);
    return S_OK;
}

void CMixOutput::SetEndPosition(LONGLONG time)
{
    CSingleThreadLock state(&m_stateLock);
    m_endPosition = MicrosecondsToBytes(time);
}

void CMixOutput::SetReadyHorizon(LONGLONG time)
{
    CSingleThreadLock state(&m_stateLock);
    m_readyHorizon = MicrosecondsToBytes(time);
}

void CMixOutput::SetLoop(LONGLONG from, LONGLONG to, BOOL repeat)
{
    CSingleThreadLock state(&m_stateLock);
    CSingleThreadLock blocks(&m_blockLock);
    if (from == to) {
        m_loop = 0;
        return;
    }
    m_loopFrom = MicrosecondsToBytes(from);
    m_loopTo = MicrosecondsToBytes(to);
    m_loop = 1;
    m_repeat = repeat ? 1 : 0;
    for (Block& block : m_blocks) {
        if (!block.requested || block.position < m_loopFrom)
            continue;
        if (m_loopTo > m_loopFrom && block.position >= m_loopTo)
            continue;
        ReleaseBlock(block);
    }
    if (m_readPosition >= m_loopFrom)
        m_readPosition = m_loopTo;
    // Blocks to come follow the read position, not the ones just released.
    LONGLONG latest = m_readPosition;
    for (const Block& block : m_blocks)
        if (block.requested)
            latest = std::max(latest, block.position + kBlockBytes);
    m_nextBlockPosition = latest;
    RequestAll();
}

void CMixOutput::Shift(LONGLONG offset, LONGLONG sequence)
{
    CSingleThreadLock state(&m_stateLock);
    CSingleThreadLock blocks(&m_blockLock);
    const LONGLONG delta = MicrosecondsToBytes(offset);
    for (Block& block : m_blocks)
        if (block.requested && block.sequence > sequence)
            ReleaseBlock(block);
    for (Block& block : m_blocks)
        block.position += delta;
    m_readPosition += delta;
    m_endPosition += delta;
    m_loopFrom += delta;
    m_loopTo += delta;
    bool kept = false;
    for (Block& block : m_blocks) {
        if (block.requested && block.sequence == sequence) {
            block.partner = m_nextSequence;
            m_nextBlockPosition = block.position + kSeamOffset;
            kept = true;
        }
    }
    if (!kept)
        m_nextBlockPosition += delta;
    RequestAll();
}

void CMixOutput::Blend(Block& block)
{
    for (Block& next : m_blocks) {
        if (next.sequence != block.partner || !next.requested || !next.filled ||
            next.position != block.position + kSeamOffset)
            continue;
        float* tail = block.data + kSeamOffset / sizeof(float);
        for (int k = 0; k < kBlendFloats; ++k) {
            const float v = m_blendWeights[static_cast<size_t>(kBlendFloats - 1 - k)] * next.data[k] +
                            m_blendWeights[static_cast<size_t>(k)] * tail[k];
            tail[k] = v;
            next.data[k] = v;
        }
        block.partner = -1;
        return;
    }
}

HRESULT STDMETHODCALLTYPE CMixOutput::Read(BYTE* buffer, unsigned bytes)
{
    if (bytes == 0)
        return E_FAIL;
    if (!m_active) {
        std::memset(buffer, 0, bytes);
        return S_FALSE;
    }
    CMixInput* toWake = nullptr;
    {
        CSingleThreadLock state(&m_stateLock);
        CSingleThreadLock blocks(&m_blockLock);
        bool requestsChanged = false;
        m_discontinuity = 0;
        LONGLONG position = m_readPosition;
        unsigned done = 0;
        while (done < bytes && position < m_endPosition) {
            Block* found = nullptr;
            for (Block& block : m_blocks) {
                if (!block.requested)
                    continue;
                if (block.sequence < m_currentSequence) {
                    ReleaseBlock(block, false);
                    RequestBlock(block, false);
                    requestsChanged = true;
                }
                if (block.position <= position && position <= block.position + kBlockBytes - 1 &&
                    (!found || block.sequence < found->sequence))
                    found = &block;
            }
            if (!found)
                break;
            const LONGLONG wanted = bytes - done;
            const LONGLONG offset = position - found->position;
            LONGLONG available = found->position + kBlockBytes - position;
            if (m_loop && m_loopFrom > position && m_loopFrom < found->position + kBlockBytes)
                available = m_loopFrom - position;
            LONGLONG chunk = std::min(available, wanted);
            if (position + chunk > m_endPosition)
                chunk = m_endPosition - position;
            if (chunk <= 0)
                break;
            if (found->partner != -1 && position + chunk > found->position + kSeamOffset - 1)
                Blend(*found);
            if (offset < 0 || offset + chunk > kBlockBytes)
                break;
            if (found->filled)
                std::memcpy(buffer + done, reinterpret_cast<const BYTE*>(found->data) + offset,
                            static_cast<size_t>(chunk));
            else
                std::memset(buffer + done, 0, static_cast<size_t>(chunk));
            const MIXINPUTBUFFER request{found->position, found->sequence};
            if (std::any_of(m_inputs.begin(), m_inputs.end(), [&request](CMixInput* in) { return in->Owes(request); }))
                m_missedBytes = m_missedBytes + chunk;
            m_currentSequence = found->sequence;
            // A block read to its end is recycled to the next position at once.
            if (offset + chunk == kBlockBytes) {
                ReleaseBlock(*found, false);
                RequestBlock(*found, false);
                requestsChanged = true;
            }
            position += chunk;
            m_readPosition = position;
            m_bufferedBytes += chunk;
            done += static_cast<unsigned>(chunk);
            if (m_loop && position == m_loopFrom) {
                position = m_readPosition = m_loopTo;
                if (!m_repeat)
                    m_loop = 0;
            }
        }
        if (done < bytes) {
            std::memset(buffer + done, 0, bytes - done);
            m_silenceBytes += bytes - done;
            if (++m_shortReads > kMaxShortReads) {
                ReleaseAll(false);
                if (m_loop && m_readPosition > m_loopFrom)
                    m_readPosition = m_loopTo;
                m_nextBlockPosition = m_readPosition;
                m_silenceBytes = 0;
                RequestAll(false);
                requestsChanged = true;
                m_shortReads = 0;
            }
        } else {
            m_shortReads = 0;
        }
        m_readPosition = std::min(m_readPosition, m_endPosition);
        if (requestsChanged)
            toWake = ListInputsToWake();
    }
    WakeInputs(toWake);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMixOutput::SetBufferedBytes(LONGLONG bytes)
{
    // The list of inputs changes under the state lock on the owner's thread.
    CSingleThreadLock state(&m_stateLock);
    if (!m_active) {
        m_bufferedBytes = 0;
        return S_OK;
    }
    m_bufferedBytes = bytes;
    const LONGLONG audible = m_silenceBytes + m_readPosition - bytes;
    if (audible > m_endPosition) {
        m_active = 0;
        m_endReached = 1;
    }
    const LONGLONG time = BytesToMicroseconds(audible);
    for (CMixInput* input : m_inputs)
        input->SetAudiblePosition(time);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMixOutput::SetActive(BOOL active)
{
    CSingleThreadLock state(&m_stateLock);
    m_active = active ? 1 : 0;
    if (active) {
        m_endReached = 0;
    } else {
        for (CMixInput* input : m_inputs)
            input->GetItem()->SetActive(FALSE);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMixOutput::GetLength(LONGLONG* bytes)
{
    if (!bytes)
        return E_POINTER;
    *bytes = m_endPosition;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMixOutput::IsDataReady()
{
    CSingleThreadLock state(&m_stateLock);
    if (m_readyHorizon < m_endPosition && m_readPosition + kBlockCount * kBlockBytes > m_readyHorizon)
        return S_FALSE;
    for (const CMixInput* input : m_inputs)
        if (!input->IsIdle())
            return S_FALSE;
    return S_OK;
}

int STDMETHODCALLTYPE CMixOutput::HasDiscontinuity()
{
    return m_discontinuity ? 1 : 0;
}

LONGLONG CMixOutput::GetPosition()
{
    CSingleThreadLock state(&m_stateLock);
    LONGLONG p = m_silenceBytes + m_readPosition - m_bufferedBytes;
    if (m_loop && m_loopFrom > m_loopTo && p < m_loopTo)
        p += m_loopFrom - m_loopTo;
    p = std::min(p, m_endPosition);
    return std::max<LONGLONG>(0, BytesToMicroseconds(p));
}

LONGLONG CMixOutput::GetCurrentSequence()
{
    CSingleThreadLock state(&m_stateLock);
    return m_currentSequence;
}

bool CMixOutput::LockBlock(const MIXINPUTBUFFER& request, float** data, int* filled)
{
    m_blockLock.Enter();
    for (Block& block : m_blocks) {
        if (block.requested && block.data && block.position == request.blockPosition &&
            block.sequence == request.sequence) {
            *data = block.data;
            *filled = block.filled;
            return true;
        }
    }
    m_blockLock.Leave();
    return false;
}

void CMixOutput::CommitBlock(const MIXINPUTBUFFER& request)
{
    for (Block& block : m_blocks)
        if (block.requested && block.position == request.blockPosition && block.sequence == request.sequence)
            block.filled = 1;
    m_blockLock.Leave();
}

void CMixOutput::Lock()
{
    if (m_locked)
        return;
    m_stateLock.Enter();
    m_locked = 1;
}

void CMixOutput::Unlock()
{
    if (!m_locked)
        return;
    m_locked = 0;
    m_stateLock.Leave();
}
