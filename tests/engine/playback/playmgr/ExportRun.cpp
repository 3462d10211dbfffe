#include "ExportRun.h"

#include <gtest/gtest.h>

#include "engine/playback/output/PlayerOutputWaveFile.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"

namespace playmgrtest {

HRESULT StartExport(CPlayManager& manager, const std::wstring& target, const MixExportOptions& options,
                    ComPtr<IProgressStatus>& progress)
{
    BSTR path = SysAllocString(target.c_str());
    const HRESULT hr = manager.ExportMix(path, &options, progress.put());
    SysFreeString(path);
    return hr;
}

HRESULT WaitForExport(LiveStream& stream, IProgressStatus& progress)
{
    HRESULT completion = S_FALSE;
    for (DWORD waited = 0; waited < kExportTimeoutMs && completion == S_FALSE; waited += 5) {
        Sleep(5);
        completion = progress.GetCompletion();
    }
    for (DWORD waited = 0; waited < 5000 && stream.Manager().GetPlayState() != CPlayManager::kStopped; waited += 10)
        Sleep(10);
    return completion;
}

void WaitUntilWriting(CPlayManager& manager)
{
    for (int waited = 0; waited < 5000 && manager.IsPlaying() != S_OK; ++waited)
        Sleep(1);
}

void FinishAndRead(LiveStream& stream, IProgressStatus& progress, const std::wstring& target,
                   std::vector<int16_t>& samples)
{
    ASSERT_EQ(WaitForExport(stream, progress), S_OK) << "the export completes";
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(target, samples, rate, channels));
}

void ExpectSameAsPull(const std::vector<rendertest::TrackFile>& files, int measures,
                      const std::vector<int16_t>& exported, const char* reading)
{
    fixtures::TempDir folder(L"export model");
    rendertest::RenderedMix model(folder.Path(), files, measures);
    ASSERT_TRUE(model.Ready()) << model.Failure();
    model.Start(0);
    const std::vector<int16_t> pulled = model.PullAll(CPlayerOutputWaveFile::kPieceBytes);
    ASSERT_EQ(exported.size(), pulled.size()) << reading;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < pulled.size(); ++i)
        if (exported[i] != pulled[i] && differing++ == 0)
            first = i / 2;
    EXPECT_EQ(differing, 0u) << reading << " leaves the in-process pull at frame " << first;
}

}  // namespace playmgrtest
