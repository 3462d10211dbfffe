// The engine opens WAV files with its own reader and MP3 files through the MP3 library's reader,
// both as IPcmReaders that deliver the same audio.
#include "engine/core/server/LocalCoCreate.h"
#include "engine/playback/sources/Mp3ReaderBinding.h"
#include "engine/playback/sources/WaveReader.h"

#include "classlib/com/ComPtr.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <cmath>
#include <vector>

namespace {

HRESULT OpenPath(IPcmReader* reader, const std::wstring& path)
{
    BSTR name = SysAllocString(path.c_str());
    HRESULT hr = reader->Open(name, FALSE);
    SysFreeString(name);
    return hr;
}

std::vector<int16_t> ReadAll(IPcmReader* reader)
{
    LONGLONG length = 0;
    reader->GetStreamLength(&length);
    std::vector<int16_t> out(static_cast<size_t>(length / 2));
    if (FAILED(reader->LoadPcm(reinterpret_cast<unsigned char*>(out.data()), 0, static_cast<unsigned long>(length))))
        out.clear();
    return out;
}

TEST(PcmSources, Mp3ReaderComesFromTheLibraryThroughTheBinder)
{
    ComPtr<IPcmReader> reader;
    ASSERT_EQ(CreateMp3PcmReader(reader.put()), S_OK);
    ASSERT_TRUE(reader);
    HMODULE library = GetModuleHandleW(L"Morvenna.DLL");
    ASSERT_NE(library, nullptr);
    EXPECT_GE(g_localCoCreate.LoadCount(library), 1);
    EXPECT_EQ(reader->IsValid(), S_FALSE);
    EXPECT_EQ(CreateMp3PcmReader(nullptr), E_POINTER);
}

TEST(PcmSources, WavAndMp3OpenAsPcmReaders)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "lame is not reachable from this process";
    fixtures::TempDir dir;
    std::vector<int16_t> source = fixtures::ClickTrack(120.0, 2.0, 44100, 2);
    const std::wstring wav = dir.File(L"clicks.wav");
    const std::wstring mp3 = dir.File(L"clicks.mp3");
    ASSERT_TRUE(fixtures::WriteWav16(wav, source, 44100, 2));
    ASSERT_EQ(fixtures::RunUnixTool("lame", {"--quiet", "-b", "192", fixtures::UnixPath(wav), fixtures::UnixPath(mp3)}),
              0);

    auto wave = ComPtr<IPcmReader>::attach(new CWaveReader);
    ASSERT_EQ(OpenPath(wave.get(), wav), S_OK);
    ComPtr<IPcmReader> mpeg;
    ASSERT_EQ(CreateMp3PcmReader(mpeg.put()), S_OK);
    ASSERT_EQ(OpenPath(mpeg.get(), mp3), S_OK);
    EXPECT_EQ(mpeg->FrameOffsetArrayReq(), S_OK);

    LONGLONG waveCount = 0, mpegCount = 0;
    wave->GetSampleCount(&waveCount);
    mpeg->GetSampleCount(&mpegCount);
    EXPECT_EQ(waveCount, 88200);
    EXPECT_EQ(mpegCount, waveCount);
    std::vector<int16_t> a = ReadAll(wave.get()), b = ReadAll(mpeg.get());
    ASSERT_EQ(a, source);
    ASSERT_EQ(b.size(), a.size());
    // Every click is heard at the same place in both (the lossy copy's peak within 1 ms).
    for (int beat = 0; beat < 4; ++beat) {
        SCOPED_TRACE(beat);
        const size_t start = static_cast<size_t>(beat) * 22050;
        auto peak = [&](const std::vector<int16_t>& s) {
            size_t best = start;
            for (size_t i = start; i < start + 441; ++i)
                if (std::abs(s[2 * i]) > std::abs(s[2 * best]))
                    best = i;
            return best;
        };
        EXPECT_NEAR(static_cast<double>(peak(b)), static_cast<double>(peak(a)), 44.0);
    }
    EXPECT_EQ(mpeg->ShutDown(), S_OK);
    EXPECT_EQ(wave->ShutDown(), S_FALSE);
}

}  // namespace
