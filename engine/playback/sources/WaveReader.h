// CWaveReader: the engine's PCM reader of WAV files, through the multimedia file I/O functions.
//
// Reads what it can really deliver unchanged: PCM (plain or extensible) with 8 or 16 bits per
// sample and one or two channels. Any other layout (24/32-bit, float, compressed, more channels)
// is refused at Open, because the graph would otherwise play it as noise.
//
// A read past the end of the data chunk gives silence (byte 128 for 8-bit files, 0 otherwise);
// the data size never exceeds what the file really holds, so a cut-off file reports the length
// it can deliver.
//
// QueryInterface answers no interface: the engine holds readers only through the pointer it
// created.
#pragma once

#include "classlib/com/UniqueHandle.h"
#include "engine/playback/sources/PcmReader.h"

class CWaveReader : public CPcmReader {
public:
    // mmio's own I/O buffer: large reads of the data chunk go through it in one piece.
    static constexpr LONG kIoBufferBytes = 0x20000;
    static constexpr unsigned kAnsiPathBytes = 260;

    CWaveReader() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE Open(BSTR bstrFileName, long bProfiling) override;
    HRESULT STDMETHODCALLTYPE GetFormatInfo(unsigned char* pwfInfo) override;
    HRESULT STDMETHODCALLTYPE LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos, unsigned long uLength) override;

private:
    HRESULT ReadLayout(const MMCKINFO& riff);

    UniqueMmio m_file;
    // Bytes of the data chunk that the file holds, and the file offset of its first byte.
    DWORD m_dataSize = 0;
    DWORD m_dataOffset = 0;
    // Set for 8-bit files, whose silence is the byte 128.
    LONG m_silence128 = 0;
};
