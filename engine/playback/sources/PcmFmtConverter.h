// CPcmFmtConverter: reads any IPcmReader as 16-bit stereo frames (for the level thumbnail of the
// track analysis). 16-bit mono is duplicated, 8-bit samples widen as (b - 128) x 256.
//
// The converter does not hold a reference on its source: its owner keeps the reader alive for the
// converter's lifetime. Threads: the analysis job's thread only.
#pragma once

#include "interfaces/IPcmReader.h"

class CPcmFmtConverter {
public:
    explicit CPcmFmtConverter(IPcmReader* source);

    // Fills `buffer` (4 x frames bytes) with `frames` frames of 16-bit stereo read from frame
    // `firstFrame` on. E_FAIL for a layout that cannot be widened, or a failed read.
    HRESULT Read(unsigned long frames, BYTE* buffer, LONGLONG firstFrame);

private:
    IPcmReader* m_source;
    WORD m_blockAlign = 1;
    WORD m_bitsPerSample = 1;
};
