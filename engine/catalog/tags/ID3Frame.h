// CID3Frame: one frame of an ID3v2 tag, copied out of the tag body once. The data buffer is two
// bytes longer than the frame and zero-filled, so that every text in it ends in a wide zero.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/core/String.h"

class CID3Frame {
public:
    // id: four characters (all zero for an id that matched nothing); data: the frame's bytes.
    CID3Frame(const char id[4], const BYTE* data, size_t length);

    bool HasId(const char id[4]) const;
    const BYTE* GetData() const { return m_data.data(); }
    size_t GetLength() const { return m_length; }

    // Turns every 0xFF 0x00 pair of the data into 0xFF (the frame's unsynchronisation bit).
    void RemoveUnsynchronisation();
    // The text of a text frame by its encoding byte; FALSE for an unknown encoding or too few
    // bytes. Text ends at the first zero character.
    BOOL GetText(CString* text) const;

private:
    char m_id[4] = {};
    size_t m_length;
    std::vector<BYTE> m_data;
};

// Turns every 0xFF 0x00 pair of bytes into 0xFF in place; the new length.
size_t RemoveUnsynchronisation(BYTE* bytes, size_t length);
