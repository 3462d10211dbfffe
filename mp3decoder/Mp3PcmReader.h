// CMp3PcmReader: an IPcmReader over one MP3 file, decoding through the platform's MPEG Layer-3
// ACM codec.
//
// The decoded stream is exact: with a LAME/Xing tag, the encoder's delay plus the decoder's own
// delay (529 samples) is dropped at the start and the encoder's padding at the end, so the
// stream holds as many frames as were encoded. Without such a tag the stream is everything the
// frames decode to.
//
// Reads at any byte position. The stream is decoded in segments of kSegmentFrames frames, each
// from a fresh codec stream after a short run-in of earlier frames (enough for the bit reservoir
// of the frames it depends on and the overlap of the synthesis filters), whose output is
// dropped. Every read of a frame therefore gives the same samples, whatever was read before: a
// codec's output after a run-in can differ in the last bit from its output in a continuous run,
// and a sequential and a random read must agree. The most recent segments are kept, so a caller
// that reads a little behind its last read (as the mix input does) decodes nothing again.
//
// Frame index: built by one scan of the file when first needed; FrameOffsetArrayReq answers
// S_OK, and a table handed back with SetFrameOffsetArray replaces the scan when it matches the
// file. Every frame's header is checked again when the frame is decoded: a table that turns out
// wrong there is dropped for a scan of the file.
//
// Threads: a reader serves one caller at a time (its owner serialises calls); readers are
// independent of each other.
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "interfaces/IPcmReader.h"
#include "mp3decoder/AcmMp3Decoder.h"
#include "mp3decoder/Mp3File.h"
#include "mp3decoder/Mp3FrameIndex.h"

#include <cstdint>
#include <vector>

class CMp3PcmReader : public CComObjectRoot, public IPcmReader {
public:
    // The synthesis filter bank's delay that every standard decoder adds to the encoder's.
    static constexpr unsigned kDecoderDelay = 529;
    // Frames of one decoded segment (about a second at 44100 Hz).
    static constexpr uint32_t kSegmentFrames = 40;
    // Decoded segments kept for reads that go back a little or straddle two segments.
    static constexpr size_t kCachedSegments = 3;
    // Earlier frames that must decode correctly before the wanted one (overlap-add and the
    // synthesis filter's history, two granules of MPEG-2 being one frame each).
    static constexpr uint32_t kOverlapFrames = 2;

    CMp3PcmReader() = default;

    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE Open(BSTR bstrFileName, long bProfiling) override;
    HRESULT STDMETHODCALLTYPE GetFormatInfo(unsigned char* pwfInfo) override;
    HRESULT STDMETHODCALLTYPE IsValid() override;
    HRESULT STDMETHODCALLTYPE GetStreamLength(LONGLONG* pllByteLength) override;
    HRESULT STDMETHODCALLTYPE GetSampleCount(LONGLONG* pllSampleCount) override;
    HRESULT STDMETHODCALLTYPE GetSampleRate(unsigned long* puSampleRate) override;
    HRESULT STDMETHODCALLTYPE LoadPcm(unsigned char* pbData, LONGLONG llStreamBytePos, unsigned long uLength) override;
    HRESULT STDMETHODCALLTYPE ShutDown() override;
    HRESULT STDMETHODCALLTYPE GetFrameOffsetArray(unsigned char* pbData, unsigned long* puDataSize) override;
    HRESULT STDMETHODCALLTYPE FrameOffsetArrayReq() override;
    HRESULT STDMETHODCALLTYPE SetFrameOffsetArray(unsigned char* pbData, unsigned long uSize) override;

private:
    HRESULT InternalQueryInterface(REFIID iid, void** object);
    HRESULT OpenFile(const wchar_t* path);
    HRESULT EnsureIndex();
    void ApplyFrameCount(uint32_t frames);
    // The cached segment holding `frame`, decoding it when needed; null when it cannot be decoded.
    const std::vector<uint8_t>* Segment(uint32_t frame);
    bool DecodeSegment(uint32_t segment, std::vector<uint8_t>& pcm);
    uint32_t RunInStart(uint32_t frame);
    bool ReadFrameHeader(uint32_t frame, uint8_t* bytes, Mp3FrameHeader& header) const;
    bool FramesMatchIndex(uint32_t first, uint32_t end) const;
    uint64_t FrameEnd(uint32_t frame) const;
    HRESULT InstallIndex(std::vector<uint32_t> offsets, bool fromTable);

    CMp3File m_file;
    Mp3Stream m_stream;
    bool m_open = false;
    // Set when decoding showed the file to be unusable after it opened (a cut-off stream whose
    // tag promised more frames than the scan found).
    bool m_broken = false;
    bool m_indexed = false;
    std::vector<uint32_t> m_offsets;
    uint64_t m_lastFrameEnd = 0;

    // Frames of the stream and decoded samples dropped at the start.
    uint32_t m_frameCount = 0;
    uint64_t m_skipSamples = 0;
    LONGLONG m_sampleCount = 0;
    unsigned m_blockAlign = 1;
    uint32_t m_frameBytesPcm = 0;

    CAcmMp3Decoder m_decoder;
    bool m_indexFromTable = false;
    std::vector<uint8_t> m_frameBuffer;
    std::vector<uint8_t> m_decoded;

    struct CachedSegment {
        uint32_t index;
        std::vector<uint8_t> pcm;  // whole frames of the segment, from its first frame on
    };
    // Most recently used first.
    std::vector<CachedSegment> m_cache;
};
