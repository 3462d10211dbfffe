// CEfxClipChain: the stage that runs an effect clip's chain over a playing track's rendered
// buffers, in place. Inside the clip [start, end) the track (dry) is mixed with the chain's
// output (wet): the input sent to the chain is scaled by level x c and the dry by 1 - level x c,
// where c rises from 0 to 1 over the fade-in with a cos^2 curve (1024 steps), stays 1, and falls
// back over the fade-out. Outside the clip the buffer is left as it is.
//
// The chain's output is kept aligned with the track sample for sample: output byte k of the
// chain belongs to the k-th byte sent since the last restart. The host takes input in whole
// blocks of 8192 bytes (1024 frames), so a buffer that is no multiple of that ends in a block
// whose rest is zeros; those zeros take the stream places of the next buffer's first bytes,
// which are then not sent (the carry). An effect that holds back output (latency) leaves the
// last frames of each buffer without their wet part: the buffer cannot wait for them, and the
// late output is dropped when it comes, rather than fed zeros that would push the chain ever
// further behind the track.
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
    // A position other than where the last buffer ended restarts the chain (flushing the host).
    void Process(float* buffer, unsigned frames, LONGLONG position);

    // The gains at a sample position inside the clip (for a caller's own checks of a render).
    void GainsAt(LONGLONG position, float* wet, float* dry) const;

private:
    // Mixes processed output into the buffer until `spanBytes` bytes of the buffer are done;
    // output for bytes before `leadBytes` (and late output of earlier buffers) is dropped.
    // Holds on to a partly used output buffer.
    void Drain(float* buffer, LONGLONG position, DWORD leadBytes, DWORD spanBytes, DWORD* mixedBytes);
    // Sends the next block of the buffer into the host (zeros after spanBytes).
    bool Send(const float* buffer, LONGLONG position, DWORD spanBytes, DWORD* sentBytes);
    // The dry part alone for frames whose wet part has not come out of the effect.
    void ScaleUnmixedTail(float* buffer, LONGLONG position, DWORD fromBytes, DWORD spanBytes) const;
    void ReleaseHeldOutput();
    void Flush();

    ComPtr<IOstrel> m_host;
    EFXCLIP_RANGE m_range;
    LONGLONG m_expected = -1;
    bool m_restart = true;
    // The output buffer being consumed: its handle (-1 for none) and the bytes left in it.
    LONGLONG m_heldHandle = -1;
    DWORD m_heldLeft = 0;
    // Stream places of the coming buffer already taken by zeros sent past the last one.
    DWORD m_carry = 0;
    // Output still to come that belongs to earlier buffers (held back by a latent effect).
    DWORD m_late = 0;
};
