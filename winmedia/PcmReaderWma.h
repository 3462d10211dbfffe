// CPcmReaderWma: a Windows Media audio file as PCM (IPcmReader) and its header attributes
// (IPcmReaderWma), through the Windows Media Format runtime's synchronous reader and metadata
// editor.
//
// Decoding: the runtime delivers the audio stream in samples of its own size; each decoded
// sample goes into a cache of about one second, and reads are served from there. A read near
// the decode position (within kSeekWindow bytes ahead) decodes on; any other read seeks. The
// runtime's seek is not sample-exact (under Wine it lands up to tens of milliseconds off, and
// once far after the requested time): decoded data is therefore placed by the time stamp of the
// first sample after a seek, a seek that lands after the requested position is repeated from
// further back, and the stream is decoded forward to the position. Bytes the runtime cannot
// decode (past the end, or past the decodable part of a truncated file) read as silence with
// S_FALSE.
//
// Attributes: the runtime keeps the file's header attributes at stream 0 (the writer puts them
// there too); the audio stream's own number is asked only when stream 0 has none.
//
// Threads: one caller at a time (a render, analysis or catalog thread); no locks.
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "classlib/com/ComPtr.h"
#include "interfaces/IPcmReader.h"
#include "interfaces/IPcmReaderWma.h"
#include "winmedia/DecodedBlockCache.h"
#include "winmedia/WmRuntime.h"

#include <mmreg.h>

#include <cstdint>
#include <vector>

class CPcmReaderWma : public CComObjectRoot, public IPcmReader, public IPcmReaderWma {
public:
    // One second of 44100 Hz 16-bit stereo.
    static constexpr size_t kCacheLimit = 176400;
    // Reads within this many bytes after the decode position decode on without a seek.
    static constexpr int64_t kSeekWindow = 200;
    // Decode position of a reader that has decoded nothing yet.
    static constexpr int64_t kNoDecodePosition = -200;
    static constexpr unsigned kMaxPasses = 128;
    static constexpr unsigned kMaxFailedTries = 3;
    // Decoded after a seek before the data is kept: two codec frames of 44.1 kHz audio.
    static constexpr int64_t kRunInFrames = 4096;

    CPcmReaderWma() : CPcmReaderWma(WmRuntime::System()) {}
    explicit CPcmReaderWma(const WmRuntime& runtime) : m_runtime(runtime) {}

    COM_OBJECT_UNKNOWN
    // IPcmReader
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
    // IPcmReaderWma
    HRESULT STDMETHODCALLTYPE GetMetaDataString(DWORD dwCatItemId, BSTR* pbstrData) override;
    HRESULT STDMETHODCALLTYPE SetMetaDataString(DWORD dwCatItemId, BSTR bstrData) override;
    HRESULT STDMETHODCALLTYPE MetaEditOpen(BSTR bstrFileName) override;
    HRESULT STDMETHODCALLTYPE GetMetaDataBin(BSTR bstrAttribName, unsigned char* pbData,
                                             unsigned long* puSize) override;
    HRESULT STDMETHODCALLTYPE SetMetaDataBin(BSTR bstrAttribName, unsigned char* pbData, unsigned long uSize) override;
    HRESULT STDMETHODCALLTYPE GetSubItemStrings(LONGLONG llFileTime, BSTR* pbstrSubTitle, BSTR* pbstrSubArtist,
                                                BSTR* pbstrSubAlbum) override;

    // Where decoding stands, for the tests of when a read seeks: seeks made so far, the byte
    // position of the next decoded data, and the first byte of the decoded data kept.
    unsigned SeekCount() const { return m_seekCount; }
    int64_t DecodePosition() const { return m_decodePosition; }
    int64_t FirstKeptPosition() const { return m_cache.FirstPosition(); }

private:
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    bool ChooseAudioOutput();
    // The value of an attribute of the file: stream 0 first, then the audio stream.
    HRESULT ReadAttribute(const wchar_t* name, WMT_ATTR_DATATYPE& type, std::vector<BYTE>& value);
    HRESULT ReadAttributeAt(WORD stream, const wchar_t* name, WMT_ATTR_DATATYPE& type, std::vector<BYTE>& value);
    HRESULT WriteAttribute(const wchar_t* name, WMT_ATTR_DATATYPE type, const BYTE* value, size_t length);
    // A new BSTR of a string attribute; S_FALSE when there is none.
    HRESULT ReadString(const wchar_t* name, BSTR* text);

    // Decodes the next sample, keeping it in the cache when it reaches past `keepFrom`: S_OK, or
    // the failure that ended the stream.
    HRESULT DecodeNext(int64_t* sampleStart, int64_t keepFrom);
    // Moves the decode position to at most `position`, decoding forward to it.
    bool SeekTo(int64_t position);
    int64_t BytesOfTime(QWORD time) const;
    QWORD TimeOfBytes(int64_t bytes) const;

    const WmRuntime& m_runtime;
    ComPtr<IWMSyncReader> m_reader;
    ComPtr<IWMMetadataEditor> m_editor;
    WAVEFORMATEX m_format = {};
    LONGLONG m_sampleCount = 0;
    int64_t m_decodePosition = kNoDecodePosition;
    // Where decoding is known to end (the stream's length until the runtime stops earlier).
    int64_t m_decodableEnd = 0;
    WORD m_streamNumber = 0;
    bool m_open = false;
    CDecodedBlockCache m_cache{kCacheLimit};
    unsigned m_seekCount = 0;
};
