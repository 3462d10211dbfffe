// CMixOutput: the summing stage of a play stream. A ring of six float blocks (8192 stereo frames
// each) is kept ahead of the read position; every mix input renders its play item into each
// requested block on its own thread, the first contribution copied and the others added. Read
// hands out the finished blocks in order (zeros for a block not written yet), recycles each used
// block to the next position, and owns the stream's position, its end, its loop jump and the
// seamless shift of the timeline while playing, whose seam is cross-faded over 512 frames.
//
// Threads: Read and SetBufferedBytes on the device thread; LockBlock and CommitBlock on the mix
// inputs' threads; everything else on the owner's thread under the global mix lock. Lock order:
// state lock, then block lock. A mix input holds the block lock only for one block's copy or sum.
// Read changes the inputs' request queues under the locks but wakes their render threads after it
// let the locks go: under Wine each wake is a round trip to the wine server, and the owner's
// rebuild would wait for all of them.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

#include "engine/core/server/SingleThreadLock.h"
#include "engine/playback/graph/MixInputSpares.h"
#include "engine/playback/graph/PlayerInput.h"

class CMixInput;
class CPlayItem;

struct MIXINPUTBUFFER {
    LONGLONG blockPosition;
    LONGLONG sequence;
};

class CMixOutput : public CPlayerInput {
public:
    static constexpr int kBlockCount = 6;
    static constexpr LONGLONG kBlockBytes = 65536;
    static constexpr DWORD kRate = 44100;
    static constexpr LONGLONG kFrameBytes = 8;

    CMixOutput();
    ~CMixOutput() override;

    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override;
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override;
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override;
    HRESULT STDMETHODCALLTYPE SetActive(BOOL active) override;
    HRESULT STDMETHODCALLTYPE GetLength(LONGLONG* bytes) override;
    HRESULT STDMETHODCALLTYPE IsDataReady() override;
    HRESULT STDMETHODCALLTYPE Rewind() override;
    int STDMETHODCALLTYPE HasDiscontinuity() override;

    // Gives the item a mix input (a spare made ahead when one is ready, else one made now) and
    // asks it for every block now requested.
    bool AddInput(CPlayItem* item);
    bool RemoveInput(CPlayItem* item);
    // Whether the item has a mix input here (an input removed is gone at once, even while its
    // render thread is still winding down).
    bool HasInput(const CPlayItem* item);
    // Positions and times in microseconds of the mix timeline.
    void SeekTo(LONGLONG time);
    // Reads from `time` on again, as SeekTo does, but keeps the loop: a stream whose device was
    // replaced goes on from what was heard last.
    void ResumeFrom(LONGLONG time);
    void SetEndPosition(LONGLONG time);
    void SetLoop(LONGLONG from, LONGLONG to, BOOL repeat);
    // The mix time up to which the owner has given the play items their mix inputs (the end of
    // the play manager's window of active items). IsDataReady answers S_FALSE while the ring
    // ahead of the read position reaches past it, short of the end: a writer that pulls faster
    // than real time then waits for the owner's next window instead of taking silence for the
    // items not yet added. A device playing in real time never comes near it.
    void SetReadyHorizon(LONGLONG time);
    // Moves the whole timeline by `offset` while playing; the block with `sequence` (the one being
    // heard) keeps its data and the first block after it overlaps its last 512 frames.
    void Shift(LONGLONG offset, LONGLONG sequence);
    // The audible position in microseconds.
    LONGLONG GetPosition();
    // The sequence number of the block read last.
    LONGLONG GetCurrentSequence();
    bool IsEndReached() const { return m_endReached != 0; }
    // Bytes handed out before every mix input had added its part to their block (the mix inputs
    // fell behind the device), over the output's life.
    LONGLONG GetMissedBytes() const { return m_missedBytes; }

    // For the mix inputs: on success the block lock stays held until CommitBlock.
    bool LockBlock(const MIXINPUTBUFFER& request, float** data, int* filled);
    void CommitBlock(const MIXINPUTBUFFER& request);
    // For a mix input just bound: the spares make up for it, outside the caller's locks.
    void ReplenishSpares() { m_spares.Replenish(); }
    // Spare mix inputs ready to be bound.
    int GetSpareCount() { return m_spares.GetReadyCount(); }

    void Lock();
    void Unlock();

    static LONGLONG MicrosecondsToBytes(LONGLONG time) { return time * kRate / 1000000 * kFrameBytes; }
    static LONGLONG BytesToMicroseconds(LONGLONG bytes) { return bytes / kFrameBytes * 1000000 / kRate; }

private:
    static constexpr LONGLONG kNoHorizon = 0x7FFFFFFFFFFFFFFFLL;

    struct Block {
        LONGLONG position = 0;
        LONGLONG sequence = 0;
        float* data = nullptr;
        LONG requested = 0;
        LONG filled = 0;
        LONGLONG partner = -1;
    };

    // The read position at `bytes`, every block requested anew from there.
    void MoveReadPosition(LONGLONG bytes);
    // With `wake` false the inputs' work events are left for WakeInputs after the locks.
    void RequestBlock(Block& block, bool wake = true);
    void ReleaseBlock(Block& block, bool wake = true);
    void RequestAll(bool wake = true);
    void ReleaseAll(bool wake = true);
    // Every input, counted once more and linked through it, for WakeInputs.
    CMixInput* ListInputsToWake();
    // Wakes and lets go of the inputs listed; called with no lock of the output held.
    static void WakeInputs(CMixInput* first);
    void Blend(Block& block);
    LONGLONG LoopedReadPosition() const;

    std::vector<CMixInput*> m_inputs;
    std::array<Block, kBlockCount> m_blocks{};
    WAVEFORMATEX m_format{};
    CSingleThreadToken m_stateLock;
    CSingleThreadToken m_blockLock;
    LONGLONG m_silenceBytes = 0;
    volatile LONGLONG m_missedBytes = 0;
    LONGLONG m_nextBlockPosition = 0;
    LONGLONG m_endPosition = 0;
    LONGLONG m_readyHorizon = kNoHorizon;
    LONGLONG m_bufferedBytes = 0;
    LONGLONG m_loopFrom = 0;
    LONGLONG m_loopTo = 0;
    LONG m_loop = 0;
    LONG m_repeat = 0;
    LONGLONG m_nextSequence = 0;
    LONGLONG m_currentSequence = 0;
    LONG m_endReached = 0;
    LONG m_shortReads = 0;
    LONG m_discontinuity = 0;
    LONG m_locked = 0;
    std::array<float, 1024> m_blendWeights{};
    // Last, so destroyed first: its maker thread stops before anything else of the output goes.
    CMixInputSpares m_spares{this};
};
