// CEfxClipChain: the stage that runs an effect clip's chain over a playing track's rendered
// buffers, in place. Inside the clip [start, end) the track (dry) is mixed with the chain's
// output (wet): the input sent to the chain is scaled by level x c and the dry by 1 - level x c,
// where c rises from 0 to 1 over the fade-in with a cos^2 curve (1024 steps), stays 1, and falls
// back over the fade-out. Outside the clip the buffer is left as it is.
//
// The chain's output is kept aligned with the track sample for sample: output frame k of the
// chain belongs to the k-th frame sent since the last restart. The track is fed to the chain once,
// frame by frame in order, across buffers: a buffer may carry material after its own frames (the
// lookahead), which is sent when the effect needs it to hand out the buffer's own frames (an
// effect that holds back output, latency) and is not sent again with the next buffer. A restart
// (the host flushed, its state dropped) happens only when a buffer does not start where the last
// one ended: a seek. The host takes input in whole blocks of 8192 bytes (1024 frames); a block
// that the material cannot fill is sent only when it holds frames the buffer must hand out now or
// the clip ends within it, its rest zeros: those zeros take the stream places of the frames that
// follow, which then go without their wet part. Output the effect still holds back when the
// buffer has to be handed out leaves those frames with their dry part alone; it is dropped when
// it comes, rather than the chain fed zeros that would push it ever further behind the track.
//
// Threads: Process runs on the render thread of the clip's track; it holds the host's lock for
// the whole buffer so that the user interface cannot change the chain in the middle of a pass.
// Times are sample positions (frames at 44100 Hz).
#pragma once

#include <windows.h>

#include "classlib/com/ComPtr.h"
#include "interfaces/IOstrel.h"

struct EFXCLIP_RANGE {
    LONGLONG start;
    LONGLONG end;
    LONGLONG fadeIn;
    LONGLONG fadeOut;
    float level;
};

class CEfxClipChain {
public:
    CEfxClipChain(IOstrel* host, const EFXCLIP_RANGE& range);
    ~CEfxClipChain();
    CEfxClipChain(const CEfxClipChain&) = delete;
    CEfxClipChain& operator=(const CEfxClipChain&) = delete;

    // Processes `frames` stereo float frames that start at sample position `position`, in place.
    // The buffer holds `lookahead` frames more after them: the track's material that follows,
    // which the chain may send ahead but leaves as it is. A position other than where the last
    // buffer's own frames ended restarts the chain (flushing the host).
    void Process(float* buffer, unsigned frames, unsigned lookahead, LONGLONG position);

    // The gains at a sample position inside the clip (for a caller's own checks of a render).
    void GainsAt(LONGLONG position, float* wet, float* dry) const;

private:
    // Mixes processed output into the buffer until output up to `mixEnd` is taken; output for
    // frames before the buffer (late output of earlier buffers) or before the clip is dropped.
    // Holds on to a partly used output buffer.
    void Drain(float* buffer, LONGLONG position, LONGLONG mixEnd);
    // Sends the next block of the stream into the host: the buffer's material up to `materialEnd`,
    // zeros after.
    bool Send(const float* buffer, LONGLONG position, LONGLONG materialEnd);
    // The dry part alone for frames whose wet part has not come out of the effect.
    void ScaleUnmixedTail(float* buffer, LONGLONG position, LONGLONG from, LONGLONG to) const;
    void ReleaseHeldOutput();
    // Drops everything the host holds and starts the stream anew at the next buffer (a chain
    // without a stream has nothing to drop and starts anew anyway).
    void Restart();
    void Flush();

    ComPtr<IOstrel> m_host;
    EFXCLIP_RANGE m_range;
    // Where the next buffer's own frames should start; another position is a seek.
    LONGLONG m_expected = -1;
    // The host is flushed and the first input flagged as a discontinuity before the next send.
    bool m_restart = true;
    // Whether a stream runs: then frames up to m_sentTo have been sent (their stream places taken)
    // and output up to m_mixedTo has been taken from the host.
    bool m_streaming = false;
    LONGLONG m_sentTo = 0;
    LONGLONG m_mixedTo = 0;
    // Frames of one input block (known from the first block the host hands out).
    LONGLONG m_blockFrames = 0;
    // The output buffer being consumed: its handle (-1 for none) and the bytes left in it.
    LONGLONG m_heldHandle = -1;
    DWORD m_heldLeft = 0;
};
