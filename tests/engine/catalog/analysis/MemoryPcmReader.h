// A PCM reader over 16-bit samples held in memory (mono or stereo), so that analysis tests and
// the benchmark's speed figure need no file. Reads past the end give silence. A stretch can be
// made unreadable, as a damaged stretch of a compressed file is to its decoder.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/playback/sources/PcmReader.h"

namespace analysis_fixtures {

class CMemoryPcmReader : public CPcmReader {
public:
    CMemoryPcmReader(std::vector<int16_t> samples, DWORD rate, WORD channels);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE Open(BSTR bstrFileName, long bProfiling) override;
    HRESULT STDMETHODCALLTYPE GetFormatInfo(unsigned char* pwfInfo) override;
    HRESULT STDMETHODCALLTYPE LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos, unsigned long uLength) override;

    // Reads that touch bytes [from, to) of the stream fail, after scribbling over the buffer.
    void SetUnreadable(LONGLONG from, LONGLONG to)
    {
        m_unreadableFrom = from;
        m_unreadableTo = to;
    }

private:
    std::vector<int16_t> m_samples;
    WORD m_channels;
    LONGLONG m_unreadableFrom = 0;
    LONGLONG m_unreadableTo = 0;
};

}  // namespace analysis_fixtures
