// CMixGlobals: the mix's global settings: a 12-byte block of three 32-bit values that the mix
// manager owns, and the master effect chain. In the mix document: list "GLBL" holding chunk
// "GLBI" (32-bit length 12, then the block) and one "EFXI" chunk per master effect. Runs under
// the global mix lock.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "engine/playback/effects/EfxInfoCntr.h"

class CArchive;
struct IRiffStream;

class CMixGlobals {
public:
    static constexpr FOURCC kListId = mmioFOURCC('G', 'L', 'B', 'L');
    static constexpr FOURCC kBlockChunkId = mmioFOURCC('G', 'L', 'B', 'I');
    static constexpr int kValueCount = 3;

    DWORD GetValue(int index) const { return m_values[index]; }
    void SetValue(int index, DWORD value) { m_values[index] = value; }
    CEfxInfoCntr& Effects() { return m_effects; }
    const CEfxInfoCntr& Effects() const { return m_effects; }

    // Copies the block and the effect list; FALSE when memory fails.
    BOOL CopyFrom(const CMixGlobals& other);
    // Writes the "GLBL" list into the current level.
    BOOL WriteChunks(IRiffStream* stream) const;
    // Reads the children of a "GLBL" list that is the current level: the block is zeroed, then
    // takes at most 12 of the stored bytes; every readable "EFXI" chunk becomes an effect.
    void ReadChunks(IRiffStream* stream);
    // The 12 bytes, then the effect list.
    void Serialize(CArchive& archive);

private:
    DWORD m_values[kValueCount] = {};
    CEfxInfoCntr m_effects;
};
