// The WAV export output on its own, over a source of a known ramp: the file sox reads back, the
// refusals at the start (a stream too long for RIFF, a read-only target, a missing input or
// progress status, a foreign format), and the writer thread waiting while the source is not ready.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "engine/core/server/ProgressStatus.h"
#include "engine/playback/output/PlayerOutputWaveFile.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace {

// A stream of 16-bit stereo frames whose left sample is the frame number (mod 2^15) and right its
// negation, of a given length; IsDataReady answers as the test says.
class RampSource : public IPlayerInput {
public:
    explicit RampSource(LONGLONG bytes, WORD channels = 2) : m_bytes(bytes), m_channels(channels) {}
    virtual ~RampSource() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override
    {
        *format = {
            WAVE_FORMAT_PCM, m_channels, 44100, 44100u * 2 * m_channels, static_cast<WORD>(2 * m_channels), 16, 0};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override
    {
        auto* samples = reinterpret_cast<int16_t*>(buffer);
        for (unsigned i = 0; i < bytes / 4; ++i, ++m_frame) {
            samples[2 * i] = static_cast<int16_t>(m_frame & 0x7FFF);
            samples[2 * i + 1] = static_cast<int16_t>(-(m_frame & 0x7FFF));
        }
        ++reads;
        // The user's cancel, landing after the last piece was read and before the file is kept.
        if (cancelAfterLastRead && m_frame * 4 >= m_bytes)
            cancelAfterLastRead->RequestCancel();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActive(BOOL value) override
    {
        active = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsActive() override { return active ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OpenSource() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CloseSource() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetLength(LONGLONG* bytes) override
    {
        *bytes = m_bytes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDataReady() override { return ready.load() ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Rewind() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsFlagSet() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Seek(LONGLONG) override { return S_OK; }
    int STDMETHODCALLTYPE HasDiscontinuity() override { return 0; }
    void STDMETHODCALLTYPE DeleteThis(unsigned) override {}
    void STDMETHODCALLTYPE EnableActivation(BOOL) override {}

    volatile LONG refs = 1;
    std::atomic<bool> ready{true};
    std::atomic<int> reads{0};
    std::atomic<BOOL> active{FALSE};
    IProgressStatus* cancelAfterLastRead = nullptr;

private:
    LONGLONG m_bytes;
    WORD m_channels;
    LONGLONG m_frame = 0;
};

bool WaitForCompletion(IProgressStatus& status)
{
    for (int waited = 0; waited < 20000; waited += 5) {
        if (status.GetCompletion() != S_FALSE)
            return true;
        Sleep(5);
    }
    return false;
}

class WaveFileTest : public ::testing::Test {
protected:
    // The output in the order the player calls it, up to StartFile's result.
    HRESULT Start(CPlayerOutputWaveFile& output, IPlayerInput* input, IProgressStatus* status, const std::wstring& path)
    {
        EXPECT_EQ(output.Open(), S_OK);
        EXPECT_EQ(output.SetFormat(CPlayerOutputWaveFile::kFormatId), S_OK);
        EXPECT_EQ(output.AddTrackInfo(176400, L"Title", L"Artist", L"Album"), S_FALSE) << "no per-track entries";
        if (status) {
            EXPECT_EQ(output.SetProgressStatus(status), S_OK);
        }
        if (input) {
            EXPECT_EQ(output.AttachInput(input, 0), S_OK);
        }
        return output.StartFile(path.c_str(), 0);
    }
    std::vector<std::wstring> Entries() { return mixtest::FolderNames(m_folder.Path()); }

    fixtures::TempDir m_folder{L"wave file"};
};

TEST_F(WaveFileTest, SoxReadsTheStreamBackSampleForSampleAfterWaitingForData)
{
    // Seven and a half pieces, ending on a whole frame below the length given.
    const LONGLONG bytes = CPlayerOutputWaveFile::kPieceBytes * 7 + CPlayerOutputWaveFile::kPieceBytes / 2 + 3;
    RampSource source(bytes);
    source.ready = false;
    auto status = ComPtr<CProgressStatus>::attach(new CProgressStatus());
    auto output = ComPtr<CPlayerOutputWaveFile>::attach(new CPlayerOutputWaveFile());
    const std::wstring path = m_folder.File(L"ramp.wav");
    ASSERT_EQ(Start(*output.get(), &source, status.get(), path), S_OK);
    EXPECT_EQ(output->IsOpen(), S_OK);
    Sleep(100);
    EXPECT_EQ(source.reads.load(), 0) << "nothing is read while the source is not ready";
    EXPECT_EQ(status->GetCompletion(), S_FALSE);
    source.ready = true;
    ASSERT_TRUE(WaitForCompletion(*status.get()));
    EXPECT_EQ(status->GetCompletion(), S_OK);
    float fraction = 0.0f;
    status->GetProgress(&fraction);
    EXPECT_EQ(fraction, 1.0f);
    EXPECT_EQ(output->Close(), S_OK);
    EXPECT_EQ(output->IsRunning(), S_FALSE);
    EXPECT_FALSE(source.active.load()) << "the source is made inactive again";
    EXPECT_EQ(Entries(), std::vector<std::wstring>{L"ramp.wav"});

    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "sox is not reachable from this process";
    const std::wstring copy = m_folder.File(L"copy.wav");
    ASSERT_EQ(fixtures::RunUnixTool("sox", {fixtures::UnixPath(path), fixtures::UnixPath(copy)}), 0);
    std::vector<int16_t> samples;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(copy, samples, rate, channels));
    EXPECT_EQ(rate, 44100u);
    EXPECT_EQ(channels, 2u);
    ASSERT_EQ(static_cast<LONGLONG>(samples.size()) * 2, bytes / 4 * 4);
    for (size_t frame = 0; frame < samples.size() / 2; ++frame) {
        ASSERT_EQ(samples[2 * frame], static_cast<int16_t>(frame & 0x7FFF)) << "frame " << frame;
        ASSERT_EQ(samples[2 * frame + 1], static_cast<int16_t>(-(frame & 0x7FFF))) << "frame " << frame;
    }
}

TEST_F(WaveFileTest, RefusalsAtTheStartLeaveNoFile)
{
    const std::wstring readOnly = m_folder.File(L"read-only.wav");
    ASSERT_TRUE(fixtures::WriteWav16(readOnly, std::vector<int16_t>(8, 7), 44100, 2));
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::vector<std::wstring> before = Entries();
    struct Case {
        const char* name;
        LONGLONG bytes;
        WORD channels;
        bool withInput;
        bool withStatus;
        std::wstring path;
        HRESULT expected;
    };
    const std::wstring target = m_folder.File(L"target.wav");
    const LONGLONG riffLimit = 0xFFFFFFFFll - 36;
    const std::vector<Case> cases = {
        {"a stream too long for RIFF", riffLimit / 4 * 4 + 4, 2, true, true, target,
         HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE)},
        {"a read-only target", 44100, 2, true, true, readOnly, E_ACCESSDENIED},
        {"no input", 44100, 2, false, true, target, E_FAIL},
        {"no progress status", 44100, 2, true, false, target, E_FAIL},
        {"a mono stream", 44100, 1, true, true, target, E_FAIL},
        {"a folder that does not exist", 44100, 2, true, true, m_folder.File(L"missing\\x.wav"),
         HRESULT_FROM_WIN32(ERROR_DIRECTORY)},
    };
    for (const Case& c : cases) {
        RampSource source(c.bytes, c.channels);
        auto status = ComPtr<CProgressStatus>::attach(new CProgressStatus());
        auto output = ComPtr<CPlayerOutputWaveFile>::attach(new CPlayerOutputWaveFile());
        EXPECT_EQ(Start(*output.get(), c.withInput ? &source : nullptr, c.withStatus ? status.get() : nullptr, c.path),
                  c.expected)
            << c.name;
        EXPECT_EQ(output->IsOpen(), S_FALSE) << c.name;
        EXPECT_EQ(output->Close(), S_OK) << c.name;
        EXPECT_EQ(Entries(), before) << c.name;
    }
    // The largest stream RIFF can describe passes the check (and is closed before it is written).
    RampSource largest(riffLimit / 4 * 4);
    auto status = ComPtr<CProgressStatus>::attach(new CProgressStatus());
    auto output = ComPtr<CPlayerOutputWaveFile>::attach(new CPlayerOutputWaveFile());
    largest.ready = false;
    EXPECT_EQ(Start(*output.get(), &largest, status.get(), target), S_OK);
    EXPECT_EQ(output->Close(), S_OK);
    EXPECT_TRUE(WaitForCompletion(*status.get()));
    EXPECT_EQ(status->GetCompletion(), S_OK) << "closed before the end: no error, like a cancel";
    EXPECT_EQ(Entries(), before) << "closed before the end: no file";
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WaveFileTest, ACancelAfterTheLastPieceLeavesTheOlderTarget)
{
    const std::wstring target = m_folder.File(L"target.wav");
    const std::vector<int16_t> older(8, 7);
    ASSERT_TRUE(fixtures::WriteWav16(target, older, 44100, 2));
    const std::vector<std::wstring> before = Entries();
    RampSource source(CPlayerOutputWaveFile::kPieceBytes * 3);
    auto status = ComPtr<CProgressStatus>::attach(new CProgressStatus());
    source.cancelAfterLastRead = status.get();
    auto output = ComPtr<CPlayerOutputWaveFile>::attach(new CPlayerOutputWaveFile());
    ASSERT_EQ(Start(*output.get(), &source, status.get(), target), S_OK);
    ASSERT_TRUE(WaitForCompletion(*status.get()));
    EXPECT_EQ(output->Close(), S_OK);
    EXPECT_EQ(Entries(), before) << "no new file beside the target";
    std::vector<int16_t> samples;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(target, samples, rate, channels));
    EXPECT_EQ(samples, older) << "the older target is as it was";
}

}  // namespace
