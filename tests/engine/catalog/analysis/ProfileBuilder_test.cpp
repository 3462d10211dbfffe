#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/catalog/FakeEngine.h"
#include "tests/engine/catalog/analysis/FakeSource.h"
#include "tests/engine/catalog/ProfilerTestSupport.h"
#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/catalog/analysis/ProfileBuilder.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "tests/support/Signals.h"
#include "classlib/com/ComPtr.h"
#include "engine/playback/sources/Mp3ReaderBinding.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

using namespace profiler_test;

namespace {

class ProfileBuilderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", (m_dir.Path() + L"\\cache\\").c_str());
        ASSERT_TRUE(m_plots.Initialise());
    }

    std::vector<int> ProgressCodes(DWORD itemId)
    {
        std::vector<int> codes;
        for (const FakeEngine::Message& message : m_engine.QueuePosts()) {
            EXPECT_EQ(message.second, static_cast<int>(itemId));
            codes.push_back(message.first);
        }
        return codes;
    }

    bool Profile(CProfileBuilder& builder, IProfileSource* source, CProfileResults& results)
    {
        return builder.ProfileMusicFile(source, &m_plots, TRUE, results, [&](int percent) {
            m_engine.PostUpdate(1000 + percent, static_cast<int>(source->GetItemId()), FALSE);
        });
    }

    TestApp m_app;
    fixtures::TempDir m_dir{L"profilebuilder"};
    CPlotFileManager m_plots;
    FakeEngine m_engine;
};

}  // namespace

TEST_F(ProfileBuilderTest, AnalysesAWavFileIntoValidResultsAndAPlotFile)
{
    const double seconds = 40.0;
    const std::vector<int16_t> samples = fixtures::ClickTrack(120.0, seconds, 44100, 2);
    const std::wstring path = m_dir.File(L"clicks.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, samples, 44100, 2));
    FakeSource source(5, MakeId(5), path);

    CProfileBuilder builder;
    CProfileResults results;
    ASSERT_TRUE(Profile(builder, &source, results));

    const LONGLONG frames = static_cast<LONGLONG>(samples.size() / 2);
    EXPECT_TRUE(results.IsValid());
    EXPECT_EQ(results.GetSampleCount(), frames);
    EXPECT_EQ(results.GetSampleRate(), 44100u);
    EXPECT_TRUE(results.GetMusicFileId() == MakeId(5));
    EXPECT_NEAR(results.GetTempo(), 120.0f, 1.0f);
    EXPECT_GT(results.GetPeakLevel(), 0.0f);
    EXPECT_LE(results.GetFirstLoudPosition(), results.GetLastLoudPosition());
    ASSERT_EQ(results.GetFadeSteps().size(), 12u);
    EXPECT_EQ(results.GetFadeSteps().front(), results.GetFirstLoudPosition() / 256 * 256);
    EXPECT_TRUE(std::is_sorted(results.GetFadeSteps().begin(), results.GetFadeSteps().end()));
    EXPECT_TRUE(std::is_sorted(results.GetMeasureStarts().begin(), results.GetMeasureStarts().end()));
    for (LONGLONG start : results.GetMeasureStarts()) {
        EXPECT_GE(start, 0);
        EXPECT_LT(start, frames);
    }
    EXPECT_GE(results.GetMixPointCount(), 2);
    for (int i = 0; i < results.GetMixPointCount(); ++i) {
        LONGLONG position = -1;
        ASSERT_TRUE(results.GetMixPoint(i, &position, nullptr));
        EXPECT_GE(position, 0);
        EXPECT_LE(position, frames);
    }

    // Progress: 0, the thumbnail pass every 2000 blocks, then the later steps.
    const LONGLONG blocks = frames / 256;
    std::vector<int> expected = {1000};
    for (LONGLONG b = 0; b < blocks; b += 2000)
        expected.push_back(static_cast<int>(1000 + b * 94 / blocks));
    expected.insert(expected.end(), {1095, 1098, 1099, 1100});
    EXPECT_EQ(ProgressCodes(5), expected);

    // The plot file holds one byte per block of the level envelope, scaled to 0..255.
    std::unique_ptr<CPlotFile> plot = m_plots.OpenPlotFile(MakeId(5));
    ASSERT_TRUE(plot);
    Bytes bytes;
    PLOT_TRAILER trailer{};
    ASSERT_TRUE(plot->GetPlotBytes(bytes, &trailer));
    EXPECT_EQ(static_cast<LONGLONG>(bytes.size()), blocks);
    EXPECT_EQ(trailer.blockSize, 256);
    EXPECT_EQ(*std::max_element(bytes.begin(), bytes.end()), 255);
    EXPECT_EQ(*std::min_element(bytes.begin(), bytes.end()), 0);
    EXPECT_EQ(plot->GetVbroSize(), 0u);
}

TEST_F(ProfileBuilderTest, FrameOffsetTableIsKeptAsTheVbroChunk)
{
    FakeSource source(6, MakeId(6), fixtures::ClickTrack(128.0, 12.0, 44100, 2));
    const std::vector<BYTE> table = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    source.SetFrameTable(table);
    CProfileBuilder builder;
    CProfileResults results;
    ASSERT_TRUE(Profile(builder, &source, results));
    std::unique_ptr<CPlotFile> plot = m_plots.OpenPlotFile(MakeId(6));
    ASSERT_TRUE(plot);
    ASSERT_EQ(plot->GetVbroSize(), table.size());
    std::vector<BYTE> stored(table.size());
    ASSERT_TRUE(plot->ReadVbro(stored.data(), static_cast<DWORD>(stored.size())));
    EXPECT_EQ(stored, table);
}

TEST_F(ProfileBuilderTest, CancelledAnalysisFailsAndWritesNoPlot)
{
    FakeSource source(7, MakeId(7), fixtures::ClickTrack(128.0, 12.0, 44100, 2));
    CProfileBuilder builder;
    builder.Cancel();
    CProfileResults results;
    EXPECT_FALSE(Profile(builder, &source, results));
    EXPECT_EQ(m_plots.GetEntryCount(), 0);
}

TEST_F(ProfileBuilderTest, UnopenableFileFailsAfterTheFirstReport)
{
    FakeSource source(8, MakeId(8), m_dir.File(L"missing.wav"));
    CProfileBuilder builder;
    CProfileResults results;
    EXPECT_FALSE(Profile(builder, &source, results));
    EXPECT_FALSE(results.IsValid());
    EXPECT_EQ(ProgressCodes(8), (std::vector<int>{1000}));
    EXPECT_EQ(source.Refs(), 1);
}

TEST_F(ProfileBuilderTest, WithoutAnIdentityTheResultsAreNotValidAndNoPlotIsWritten)
{
    FakeSource source(9, CMusicFileId(), fixtures::ClickTrack(128.0, 12.0, 44100, 2));
    CProfileBuilder builder;
    CProfileResults results;
    EXPECT_TRUE(Profile(builder, &source, results));
    EXPECT_FALSE(results.IsValid());
    EXPECT_EQ(m_plots.GetEntryCount(), 0);
}

// An MP3 file encoded by lame: the analysis reads it through the MP3 library, finds the same
// tempo as in the original, and keeps the reader's frame table, which a new reader accepts back.
TEST_F(ProfileBuilderTest, Mp3FileKeepsItsFrameTableForTheNextOpening)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "lame is not reachable from this process";
    const std::wstring wav = m_dir.File(L"clicks.wav");
    const std::wstring mp3 = m_dir.File(L"clicks.mp3");
    ASSERT_TRUE(fixtures::WriteWav16(wav, fixtures::ClickTrack(120.0, 35.0, 44100, 2), 44100, 2));
    ASSERT_EQ(fixtures::RunUnixTool("lame", {"--quiet", "-b", "192", fixtures::UnixPath(wav), fixtures::UnixPath(mp3)}),
              0);
    FakeSource source(11, MakeId(11), mp3);

    CProfileBuilder builder;
    CProfileResults results;
    ASSERT_TRUE(Profile(builder, &source, results));
    EXPECT_TRUE(results.IsValid());
    EXPECT_EQ(results.GetSampleCount(), 35 * 44100);
    EXPECT_NEAR(results.GetTempo(), 120.0f, 1.0f);

    std::unique_ptr<CPlotFile> plot = m_plots.OpenPlotFile(MakeId(11));
    ASSERT_TRUE(plot);
    const DWORD size = plot->GetVbroSize();
    ASSERT_GT(size, 0u);
    std::vector<BYTE> table(size);
    ASSERT_TRUE(plot->ReadVbro(table.data(), size));

    ComPtr<IPcmReader> reader;
    ASSERT_EQ(CreateMp3PcmReader(reader.put()), S_OK);
    BSTR path = SysAllocString(mp3.c_str());
    ASSERT_EQ(reader->Open(path, FALSE), S_OK);
    SysFreeString(path);
    ASSERT_EQ(reader->FrameOffsetArrayReq(), S_OK);
    EXPECT_EQ(reader->SetFrameOffsetArray(table.data(), size), S_OK);
    reader->ShutDown();
}
