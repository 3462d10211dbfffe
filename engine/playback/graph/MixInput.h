// CMixInput: renders one play item into the mix output's blocks on a render thread of its own.
//
// For every block the mix output requests it reads the stretch of the track's file that the
// item's fade map needs, widens it to 16-bit stereo, converts it to float at 44100 Hz (the
// resamplers restart per source range on the mix's frame grid, so ranges rendered apart line up),
// places it on the mix timeline through the fade map, runs the item's effect clips, its treble and
// bass envelopes and its volume envelope, and adds the block into the mix output.
//
// An input may be made ahead as a spare (CMixInputSpares), with no item: its render thread waits
// until Bind gives it its one item, then works as every render thread does and ends with it.
//
// Threads: the mix output queues and drops requests under the queue lock (its device-thread read
// sets the work event only after it let the output's locks go); the render thread takes them and holds the item's
// position lock while it renders one. The object is counted twice at construction: once for the creator (the mix
// output's list, or the spares) and once for the thread. A spare holds no reference on the mix output until it is
// bound.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/playback/dsp/FilterBank.h"
#include "engine/playback/dsp/Resamp.h"
#include "engine/playback/graph/MixOutput.h"

class CPlayItem;

class CMixInput {
public:
    static constexpr int kMaxQueued = 6;

    // A spare for `output`: its thread waits for Bind (or Quit).
    explicit CMixInput(CMixOutput* output);
    // An input made for the item at once.
    CMixInput(CPlayItem* item, CMixOutput* output);
    CMixInput(const CMixInput&) = delete;
    CMixInput& operator=(const CMixInput&) = delete;

    ULONG AddRef();
    ULONG Release();

    // Gives a spare its item (once): the render thread wakes and opens the item's source.
    void Bind(CPlayItem* item);
    // Whether the render thread started (a spare without one is of no use).
    bool IsRunning() const { return m_failed == 0; }

    // With `wake` false a request is queued or dropped without setting the work event: the caller
    // calls Wake after it let its own locks go.
    void QueueRequest(LONGLONG blockPosition, LONGLONG sequence, bool wake = true);
    bool DropRequest(LONGLONG blockPosition, bool wake = true);
    // Sets or resets the work event as the queue now stands.
    void Wake();
    // The mix output's read lists the inputs it has to wake through them, which needs no
    // allocation on the device thread; only the reading thread uses the link.
    void SetNextToWake(CMixInput* next) { m_nextToWake = next; }
    CMixInput* GetNextToWake() const { return m_nextToWake; }
    void Quit();
    // 1 when the source failed or nothing is queued.
    int IsIdle() const;
    // Whether the block `request` names (its sequence number) is still queued or being rendered here
    // and the item would add something to it (its mix range meets the block and it is not muted).
    bool Owes(const MIXINPUTBUFFER& request) const;
    // Switches the item active while `time` lies in its mix range and it is not muted.
    void SetAudiblePosition(LONGLONG time);
    CPlayItem* GetItem() const { return m_item; }

private:
    ~CMixInput();
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // Opens the bound item's source and renders its requests until the quit event.
    void RenderBoundItem(const HANDLE (&events)[2]);
    bool TakeRequest(MIXINPUTBUFFER* request);
    void UpdateWorkEvent();
    void SignalWork();
    void Render(const MIXINPUTBUFFER& request);
    // Reads, converts and places one source range; false when the placement fails.
    bool RenderRange(LONGLONG start, LONGLONG end, LONGLONG blockFrame, int span, bool first);
    unsigned WidenToStereo16(unsigned bytes);
    void ApplyTone(CFilterBank& filter, DWORD typeMask, LONGLONG t0, LONGLONG t1);
    void ApplyVolume(LONGLONG t0, LONGLONG t1, int from, int to, bool markerInside);

    std::vector<MIXINPUTBUFFER> m_queue;
    // The request taken and not yet finished (sequence -1: none).
    MIXINPUTBUFFER m_rendering{0, -1};
    UniqueKernelHandle m_workEvent;
    // Mirrors the work event's state under the queue lock: under Wine every SetEvent is a round
    // trip to the wine server, so the event is set only when the queue turns non-empty.
    bool m_workSignalled = false;
    UniqueKernelHandle m_quitEvent;
    mutable CSingleThreadToken m_queueLock;
    volatile LONG m_idle = 0;
    WORD m_sourceBlockAlign = 4;
    WORD m_sourceBits = 16;
    DWORD m_sourceRate = 1;
    DWORD m_mixRate = CMixOutput::kRate;
    CPlayItem* m_item = nullptr;
    CMixInput* m_nextToWake = nullptr;
    CMixOutput* const m_output;
    CResamp m_resampLeft;
    CResamp m_resampRight;
    CFilterBank m_treble;
    CFilterBank m_bass;
    CPageBuffer m_sourceBuffer;
    CPageBuffer m_stereo16;
    CPageBuffer m_floatBuffer;
    CPageBuffer m_renderBuffer;
    volatile LONG m_refCount = 2;
    volatile LONG m_failed = 0;
};
