// What the DirectSound outputs share: opening the device with its primary buffer set to the mix's
// format, and the count of bytes written to a looping secondary buffer and not yet played.
#pragma once

#include <windows.h>
#include <dsound.h>

#include "classlib/com/ComPtr.h"

// Creates DirectSound on `device` (zero: the primary device) and sets the primary buffer to
// 16-bit stereo 44100 Hz under DSSCL_PRIORITY for `window`, leaving the cooperative level at
// DSSCL_NORMAL. Needs COM on the calling thread.
HRESULT OpenDirectSound(const GUID& device, HWND window, ComPtr<IDirectSound>& dsound);

// The fill of one looping secondary buffer. Play cursor and write offset alone cannot tell a full
// buffer from an empty one (both are equal after a stop and at the first start), so the bytes
// written and not yet played are counted: the play cursor's advance since the last look is what
// was played. The cursor shows that advance only within one turn of the buffer: after a stall of
// the feeding thread of a whole buffer or more, the time that passed tells the whole turns it made
// besides. A buffer the player ran dry of is caught up to its write cursor.
class CDSoundFill {
public:
    void Reset(DWORD bufferBytes, DWORD blockAlign);
    // The rate the buffer plays at; without it a stall of whole turns goes unseen.
    void SetBytesPerSecond(DWORD bytesPerSecond) { m_bytesPerSecond = bytesPerSecond; }
    // Looks at the cursors; the bytes that can be written now (one block align kept free, so a
    // full buffer never meets its play cursor). FALSE when the cursors cannot be read.
    bool Update(IDirectSoundBuffer* buffer, DWORD* freeBytes);
    void Advance(DWORD bytes);
    DWORD WriteOffset() const { return m_writeOffset; }
    // Written and not yet played.
    DWORD Queued() const { return m_queued; }

private:
    DWORD m_size = 0;
    DWORD m_blockAlign = 4;
    DWORD m_writeOffset = 0;
    DWORD m_queued = 0;
    DWORD m_lastPlay = 0;
    DWORD m_bytesPerSecond = 0;
    // When the cursors were last read (GetTickCount64); 0 before the first look since a reset.
    ULONGLONG m_lastLook = 0;
};

// Locks `bytes` at `offset` of the buffer; the two parts (the second when the region wraps) are
// handed to fill(part, bytes, offsetInRegion); FALSE when the lock fails.
template <typename Fill>
bool FillBufferRegion(IDirectSoundBuffer* buffer, DWORD offset, DWORD bytes, Fill fill)
{
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0;
    DWORD secondBytes = 0;
    if (FAILED(buffer->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0)))
        return false;
    fill(static_cast<BYTE*>(first), firstBytes, 0u);
    if (second && secondBytes)
        fill(static_cast<BYTE*>(second), secondBytes, firstBytes);
    buffer->Unlock(first, firstBytes, second, secondBytes);
    return true;
}

// Silence over the whole buffer.
void SilenceBuffer(IDirectSoundBuffer* buffer, DWORD bytes);
