#include "engine/playback/sources/PcmFmtConverter.h"
#include "engine/playback/sources/WaveReader.h"

#include "classlib/com/ComPtr.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstring>
#include <vector>

namespace {

using fixtures::RiffChunk;

// A BSTR owned for the length of one call.
class Bstr {
public:
    explicit Bstr(const std::wstring& s) : m_value(SysAllocString(s.c_str())) {}
    ~Bstr() { SysFreeString(m_value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_value; }

private:
    BSTR m_value;
};

ComPtr<IPcmReader> OpenWave(const std::wstring& path, HRESULT* result = nullptr)
{
    auto reader = ComPtr<IPcmReader>::attach(new CWaveReader);
    HRESULT hr = reader->Open(Bstr(path), FALSE);
    if (result)
        *result = hr;
    return reader;
}

WAVEFORMATEX FormatOf(IPcmReader* reader)
{
    WAVEFORMATEX format = {};
    EXPECT_EQ(reader->GetFormatInfo(reinterpret_cast<unsigned char*>(&format)), S_OK);
    return format;
}

std::vector<uint8_t> Bytes(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out(samples.size() * 2);
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

struct LayoutCase {
    const char* name;
    uint16_t channels;
    uint16_t bits;
    uint32_t rate;
};

TEST(WaveReader, OpensEachSupportedLayout)
{
    const LayoutCase cases[] = {{"16-bit stereo", 2, 16, 44100},
                                {"16-bit mono", 1, 16, 22050},
                                {"8-bit stereo", 2, 8, 11025},
                                {"8-bit mono", 1, 8, 8000},
                                {"16-bit stereo 96 kHz", 2, 16, 96000}};
    fixtures::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const uint16_t blockAlign = static_cast<uint16_t>(c.channels * c.bits / 8);
        std::vector<uint8_t> data(blockAlign * 1001);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(i * 7 + 3);
        std::wstring path = dir.File(L"layout.wav");
        ASSERT_TRUE(fixtures::WriteRiffWave(path, {fixtures::FormatChunk(1, c.channels, c.rate, c.bits, blockAlign),
                                                   fixtures::DataChunk(data.data(), data.size())}));
        HRESULT hr = E_FAIL;
        ComPtr<IPcmReader> reader = OpenWave(path, &hr);
        ASSERT_EQ(hr, S_OK);
        EXPECT_EQ(reader->IsValid(), S_OK);
        WAVEFORMATEX f = FormatOf(reader.get());
        EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(f.nChannels, c.channels);
        EXPECT_EQ(f.nSamplesPerSec, c.rate);
        EXPECT_EQ(f.nBlockAlign, blockAlign);
        EXPECT_EQ(f.wBitsPerSample, c.bits);
        EXPECT_EQ(f.nAvgBytesPerSec, c.rate * blockAlign);
        EXPECT_EQ(f.cbSize, 0);
        LONGLONG samples = 0, bytes = 0;
        unsigned long rate = 0;
        EXPECT_EQ(reader->GetSampleCount(&samples), S_OK);
        EXPECT_EQ(reader->GetStreamLength(&bytes), S_OK);
        EXPECT_EQ(reader->GetSampleRate(&rate), S_OK);
        EXPECT_EQ(samples, 1001);
        EXPECT_EQ(bytes, 1001 * blockAlign);
        EXPECT_EQ(rate, c.rate);
        std::vector<uint8_t> read(data.size());
        ASSERT_EQ(reader->LoadPcm(read.data(), 0, static_cast<unsigned long>(read.size())), S_OK);
        EXPECT_EQ(read, data);
        EXPECT_EQ(reader->ShutDown(), S_FALSE);
        EXPECT_EQ(reader->FrameOffsetArrayReq(), E_NOTIMPL);
        reader.reset();
    }
}

TEST(WaveReader, ReadsAroundTheEndOfTheData)
{
    fixtures::TempDir dir;
    struct Case {
        const char* name;
        uint16_t bits;
        uint8_t silence;
    };
    for (const Case& c : {Case{"16-bit", 16, 0}, Case{"8-bit", 8, 128}}) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> data(400);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(1 + i % 250);
        // A chunk after the data: its bytes must never appear in a read.
        std::wstring path = dir.File(L"end.wav");
        ASSERT_TRUE(fixtures::WriteRiffWave(
            path, {fixtures::FormatChunk(1, 2, 44100, c.bits, static_cast<uint16_t>(c.bits / 4)),
                   fixtures::DataChunk(data.data(), data.size()), fixtures::OtherChunk("LIST", 64, 0x55)}));
        ComPtr<IPcmReader> reader = OpenWave(path);
        ASSERT_EQ(reader->IsValid(), S_OK);
        struct Read {
            const char* name;
            LONGLONG position;
            unsigned long length;
        };
        const Read reads[] = {{"inside", 100, 50},
                              {"runs past the end", 380, 60},
                              {"at the end", 400, 32},
                              {"beyond the end", 1000, 16},
                              {"far beyond", 0x7FFFFFFF00LL, 8}};
        for (const Read& r : reads) {
            SCOPED_TRACE(r.name);
            std::vector<uint8_t> out(r.length, 0xEE);
            ASSERT_EQ(reader->LoadPcm(out.data(), r.position, r.length), S_OK);
            for (unsigned long i = 0; i < r.length; ++i) {
                LONGLONG at = r.position + i;
                uint8_t expected = at < 400 ? data[at] : c.silence;
                ASSERT_EQ(out[i], expected) << "byte " << i;
            }
        }
        uint8_t one = 0;
        EXPECT_EQ(reader->LoadPcm(&one, -4, 1), E_FAIL);
    }
}

TEST(WaveReader, RefusesFilesItCannotDeliver)
{
    fixtures::TempDir dir;
    std::vector<uint8_t> data(64, 1);
    struct Case {
        const char* name;
        std::vector<RiffChunk> chunks;
    };
    const Case cases[] = {
        {"no fmt chunk", {fixtures::DataChunk(data.data(), data.size())}},
        {"no data chunk", {fixtures::FormatChunk(1, 2, 44100, 16, 4)}},
        {"zero block align", {fixtures::FormatChunk(1, 2, 44100, 16, 0), fixtures::DataChunk(data.data(), 64)}},
        {"24-bit", {fixtures::FormatChunk(1, 2, 44100, 24, 6), fixtures::DataChunk(data.data(), 60)}},
        {"32-bit", {fixtures::FormatChunk(1, 2, 44100, 32, 8), fixtures::DataChunk(data.data(), 64)}},
        {"float", {fixtures::FormatChunk(3, 2, 44100, 32, 8), fixtures::DataChunk(data.data(), 64)}},
        {"extensible float",
         {fixtures::ExtensibleFormatChunk(true, 2, 44100, 32), fixtures::DataChunk(data.data(), 64)}},
        {"ADPCM", {fixtures::FormatChunk(2, 2, 44100, 4, 2048), fixtures::DataChunk(data.data(), 64)}},
        {"six channels", {fixtures::FormatChunk(1, 6, 44100, 16, 12), fixtures::DataChunk(data.data(), 60)}},
        {"block align disagrees", {fixtures::FormatChunk(1, 2, 44100, 16, 2), fixtures::DataChunk(data.data(), 64)}},
        {"short fmt chunk", {RiffChunk{{'f', 'm', 't', ' '}, {1, 0, 2, 0}}, fixtures::DataChunk(data.data(), 64)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring path = dir.File(L"bad.wav");
        ASSERT_TRUE(fixtures::WriteRiffWave(path, c.chunks));
        HRESULT hr = S_OK;
        ComPtr<IPcmReader> reader = OpenWave(path, &hr);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(reader->IsValid(), S_FALSE);
        uint8_t out[4];
        EXPECT_EQ(reader->LoadPcm(out, 0, 4), E_FAIL);
        WAVEFORMATEX f;
        EXPECT_EQ(reader->GetFormatInfo(reinterpret_cast<unsigned char*>(&f)), E_FAIL);
    }
    HRESULT hr = S_OK;
    OpenWave(dir.File(L"missing.wav"), &hr);
    EXPECT_EQ(hr, E_FAIL);
    std::vector<uint8_t> notRiff(100, 'x');
    std::wstring path = dir.File(L"text.wav");
    {
        FILE* f = _wfopen(path.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        fwrite(notRiff.data(), 1, notRiff.size(), f);
        fclose(f);
    }
    OpenWave(path, &hr);
    EXPECT_EQ(hr, E_FAIL);
}

TEST(WaveReader, OddChunksBeforeDataAndExtensiblePcm)
{
    fixtures::TempDir dir;
    std::vector<int16_t> samples = fixtures::Tone(440, 0.1, 44100, 2);
    std::vector<uint8_t> data = Bytes(samples);
    struct Case {
        const char* name;
        std::vector<RiffChunk> chunks;
    };
    const Case cases[] = {
        {"odd-sized chunk first",
         {fixtures::OtherChunk("junk", 13, 0x11), fixtures::FormatChunk(1, 2, 44100, 16, 4),
          fixtures::DataChunk(data.data(), data.size())}},
        {"chunks between fmt and data",
         {fixtures::FormatChunk(1, 2, 44100, 16, 4), fixtures::OtherChunk("fact", 4, 0),
          fixtures::OtherChunk("LIST", 27, 0x22), fixtures::DataChunk(data.data(), data.size())}},
        {"extensible PCM",
         {fixtures::ExtensibleFormatChunk(false, 2, 44100, 16), fixtures::DataChunk(data.data(), data.size())}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring path = dir.File(L"odd.wav");
        ASSERT_TRUE(fixtures::WriteRiffWave(path, c.chunks));
        HRESULT hr = E_FAIL;
        ComPtr<IPcmReader> reader = OpenWave(path, &hr);
        ASSERT_EQ(hr, S_OK);
        LONGLONG count = 0;
        reader->GetSampleCount(&count);
        EXPECT_EQ(count, static_cast<LONGLONG>(samples.size() / 2));
        std::vector<uint8_t> read(data.size());
        ASSERT_EQ(reader->LoadPcm(read.data(), 0, static_cast<unsigned long>(read.size())), S_OK);
        EXPECT_EQ(read, data);
    }
}

TEST(WaveReader, CutOffFileReportsWhatItHolds)
{
    fixtures::TempDir dir;
    std::vector<int16_t> samples = fixtures::Tone(440, 0.05, 44100, 2);
    std::wstring path = dir.File(L"cut.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, samples, 44100, 2));
    std::vector<uint8_t> whole = fixtures::ReadFileBytes(path);
    whole.resize(whole.size() - 1000);
    {
        FILE* f = _wfopen(path.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        fwrite(whole.data(), 1, whole.size(), f);
        fclose(f);
    }
    ComPtr<IPcmReader> reader = OpenWave(path);
    ASSERT_EQ(reader->IsValid(), S_OK);
    LONGLONG count = 0;
    reader->GetSampleCount(&count);
    EXPECT_EQ(count, static_cast<LONGLONG>(samples.size() / 2 - 250));
}

TEST(WaveReader, UnusualPaths)
{
    fixtures::TempDir dir(L"M\u00fcller-\u00e9t\u00e9-\u4e2d\u6587");
    const std::wstring longFolder = dir.File(std::wstring(120, L'x') + L"\u00e9");
    ASSERT_TRUE(CreateDirectoryW(longFolder.c_str(), nullptr));
    struct Case {
        const char* name;
        std::wstring path;
    };
    const Case cases[] = {
        {"characters outside the code page", dir.File(L"Caf\u00e9 \u00fcber \u266b.wav")},
        {"a plus sign, which mmio reads as a compound-file separator", dir.File(L"Rock + Roll.wav")},
        {"longer than mmio's 128 characters", longFolder + L"\\" + std::wstring(40, L'y') + L".wav"},
    };
    std::vector<int16_t> samples = fixtures::Tone(440, 0.05, 44100, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(fixtures::WriteWav16(c.path, samples, 44100, 1));
        HRESULT hr = E_FAIL;
        ComPtr<IPcmReader> reader = OpenWave(c.path, &hr);
        ASSERT_EQ(hr, S_OK);
        std::vector<int16_t> read(samples.size());
        ASSERT_EQ(reader->LoadPcm(reinterpret_cast<unsigned char*>(read.data()), 0,
                                  static_cast<unsigned long>(read.size() * 2)),
                  S_OK);
        EXPECT_EQ(read, samples);
    }
}

TEST(WaveReader, QueryInterfaceAnswersNothing)
{
    auto reader = ComPtr<IPcmReader>::attach(new CWaveReader);
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(reader->QueryInterface(IID_IPcmReader, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(reader->IsValid(), S_FALSE);
    EXPECT_EQ(reader->AddRef(), 2u);
    EXPECT_EQ(reader->Release(), 1u);
}

// sox writes the file: an independent writer of the format, and its idea of the length.
TEST(WaveReader, ReadsWhatSoxWrites)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "sox is not reachable from this process";
    fixtures::TempDir dir;
    struct Case {
        const char* name;
        const char* bits;
        const char* channels;
        const char* rate;
        uint16_t blockAlign;
    };
    const Case cases[] = {{"8-bit mono", "8", "1", "8000", 1}, {"16-bit stereo", "16", "2", "48000", 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring path = dir.File(L"sox.wav");
        ASSERT_EQ(fixtures::RunUnixTool("sox", {"-n", "-r", c.rate, "-c", c.channels, "-b", c.bits,
                                                fixtures::UnixPath(path), "synth", "0.5", "sine", "300"}),
                  0);
        HRESULT hr = E_FAIL;
        ComPtr<IPcmReader> reader = OpenWave(path, &hr);
        ASSERT_EQ(hr, S_OK);
        LONGLONG count = 0;
        reader->GetSampleCount(&count);
        EXPECT_EQ(count, std::atoi(c.rate) / 2);
        EXPECT_EQ(FormatOf(reader.get()).nBlockAlign, c.blockAlign);
    }
}

TEST(PcmFmtConverter, WidensEveryLayoutToSixteenBitStereo)
{
    fixtures::TempDir dir;
    struct Case {
        const char* name;
        uint16_t channels, bits;
        std::vector<uint8_t> data;
        std::vector<int16_t> expected;
    };
    const Case cases[] = {
        {"8-bit mono", 1, 8, {0, 128, 255}, {-32768, -32768, 0, 0, 32512, 32512}},
        {"8-bit stereo", 2, 8, {0, 255, 128, 1}, {-32768, 32512, 0, -32512}},
        {"16-bit mono", 1, 16, {0x01, 0x02, 0xFF, 0xFF}, {0x0201, 0x0201, -1, -1}},
        {"16-bit stereo", 2, 16, {0x01, 0x02, 0x03, 0x04}, {0x0201, 0x0403}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring path = dir.File(L"conv.wav");
        const uint16_t blockAlign = static_cast<uint16_t>(c.channels * c.bits / 8);
        ASSERT_TRUE(fixtures::WriteRiffWave(path, {fixtures::FormatChunk(1, c.channels, 22050, c.bits, blockAlign),
                                                   fixtures::DataChunk(c.data.data(), c.data.size())}));
        ComPtr<IPcmReader> reader = OpenWave(path);
        ASSERT_EQ(reader->IsValid(), S_OK);
        CPcmFmtConverter converter(reader.get());
        const unsigned long frames = static_cast<unsigned long>(c.expected.size() / 2);
        std::vector<int16_t> out(2 * (frames + 2), 99);
        ASSERT_EQ(converter.Read(frames, reinterpret_cast<BYTE*>(out.data()), 0), S_OK);
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(out[i], c.expected[i]) << "sample " << i;
        // From frame 1 on, with one frame past the end: silence there.
        ASSERT_EQ(converter.Read(frames, reinterpret_cast<BYTE*>(out.data()), 1), S_OK);
        for (size_t i = 0; i + 2 < c.expected.size(); ++i)
            EXPECT_EQ(out[i], c.expected[i + 2]) << "shifted sample " << i;
        EXPECT_EQ(out[2 * frames - 2], 0);
        EXPECT_EQ(out[2 * frames - 1], 0);
    }
    CPcmFmtConverter none(nullptr);
    BYTE buffer[8];
    EXPECT_EQ(none.Read(1, buffer, 0), E_FAIL);
}

}  // namespace
