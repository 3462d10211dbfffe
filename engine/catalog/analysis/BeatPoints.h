// CBeatPoints: the analysed beat positions of one music file, kept with a track and stored in its
// clipboard and undo form.
//
// Positions are sample frames of the music file (32-bit: four hours at 192 kHz still fit). A flag
// word of 0 means the track has no beat list, whatever the array holds.
//
// Threads: a value object; its owner (the track, under the global mix lock) serialises access.
#pragma once

#include <windows.h>

#include "classlib/core/Array.h"

class CArchive;

class CBeatPoints {
public:
    CBeatPoints() = default;
    CBeatPoints(const CBeatPoints& other);
    CBeatPoints& operator=(const CBeatPoints& other);

    void Copy(const CBeatPoints& other);
    // Same flag word, same count and the same positions.
    bool IsEqual(const CBeatPoints& other) const;

    WORD GetFlagWord() const { return m_flagWord; }
    void SetFlagWord(WORD flagWord) { m_flagWord = flagWord; }
    CDWordArray& Positions() { return m_positions; }
    const CDWordArray& Positions() const { return m_positions; }

    // The flag word (16 bits), then the positions with their count. Loading refuses a count that
    // runs past the stored data (CArchiveException) before anything is allocated.
    void Serialize(CArchive& archive);

    // Empties `times` and appends each position as microseconds (position x 1,000,000 / rate,
    // truncated). False with an empty list when there is no beat list or the rate is 0.
    bool ToMicroseconds(DWORD sampleRate, CArray<LONGLONG, LONGLONG>& times) const;

private:
    WORD m_flagWord = 0;
    CDWordArray m_positions;
};
