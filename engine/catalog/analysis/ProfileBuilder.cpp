#include "engine/catalog/analysis/ProfileBuilder.h"

#include <memory>
#include <vector>

#include "engine/catalog/analysis/BeatLattice.h"
#include "engine/catalog/analysis/BeatScan.h"
#include "engine/catalog/analysis/MeasureStarts.h"
#include "engine/catalog/analysis/MixPoints.h"
#include "engine/catalog/analysis/OnsetScan.h"
#include "engine/catalog/analysis/PfNoteDetector.h"
#include "engine/catalog/analysis/PfPcmThumbnail.h"
#include "engine/catalog/analysis/PfThumbnailBuild.h"
#include "engine/catalog/plots/PlotFile.h"
#include "engine/catalog/plots/PlotFileManager.h"
#include "engine/catalog/analysis/ProfileResults.h"
#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/catalog/analysis/TempoEstimate.h"
#include "classlib/com/ComPtr.h"
#include "engine/core/storage/PageBuffer.h"

namespace {

// The reader's frame-offset table, fetched once after the full decode (size first, then the
// bytes); empty for formats without one.
void FetchFrameTable(IPcmReader* reader, CPageBuffer& table, unsigned long& size)
{
    size = 0;
    unsigned long needed = 0;
    if (FAILED(reader->GetFrameOffsetArray(nullptr, &needed)) || needed == 0 ||
        needed > CProfileBuilder::kMaxFrameTableBytes || !table.Allocate(needed))
        return;
    unsigned long got = needed;
    if (SUCCEEDED(reader->GetFrameOffsetArray(table.Get(), &got)) && got == needed)
        size = needed;
    else
        table.Free();
}

}  // namespace

bool CProfileBuilder::ProfileMusicFile(IProfileSource* source, CPlotFileManager* plots, BOOL touch,
                                       CProfileResults& results, const Progress& progress)
{
    const auto report = [&progress](int percent) {
        if (progress)
            progress(percent);
    };
    const volatile LONG* cancel = &m_cancel;
    report(0);
    if (source == nullptr)
        return false;

    ComPtr<IPcmReader> reader;
    if (FAILED(source->OpenPcmReader(TRUE, reader.put())) || !reader)
        return false;

    CPfPcmThumbnail level;
    CPfPcmThumbnail lowBand;
    CPfPcmThumbnail bass;
    CPageBuffer frameTable;
    unsigned long frameTableSize = 0;
    bool built = false;
    if (reader->IsValid() == S_OK) {
        CPfNoteDetector notes;
        notes.Create(reader.get(), &bass);
        built = PfBuildThumbnails(reader.get(), kBlockSize, level, lowBand, &notes, cancel, progress);
        notes.Finish(cancel);
        DetectKey(cancel, notes.GetNoteMap(), results);
        FetchFrameTable(reader.get(), frameTable, frameTableSize);
    }
    reader->ShutDown();
    reader.reset();
    if (!built)
        return false;

    report(95);
    CPfPcmThumbnail envelope(level);
    envelope.PeakHoldEnvelope(cancel);
    BEATSCAN onsets;
    ScanOnsets(envelope, cancel, kOnsetTargetsPerMeasure, onsets);

    report(98);
    float tempo = EstimateTempoWindows(onsets, cancel);

    CPfPcmThumbnail low(lowBand);
    low.Smooth(cancel);
    BEATSCAN bassPeaks;
    ScanBassPeaks(low, cancel, kOnsetTargetsPerMeasure, bassPeaks);
    tempo = ApplyTempoDoubling(bassPeaks, tempo);
    tempo = TempoFromLength(level.GetSampleRate(), level.GetSampleCount(), tempo);

    BEATSCAN grid;
    DetectTempo(envelope, cancel, level, tempo, grid);
    results.SetTempo(tempo);

    CPfPcmThumbnail bassEnvelope(bass);
    bassEnvelope.PeakHoldEnvelope(cancel);
    bassEnvelope.DecayShaping(cancel, 2);
    bassEnvelope.SetTempo(tempo);
    FindDownbeatPhase(bassEnvelope, grid);
    BEATSCAN measures = grid;
    MarkMeasureStarts(measures);
    results.SetMeasureStarts(measures.marks.data(), static_cast<int>(measures.marks.size()));

    report(99);
    CPfPcmThumbnail smoothed(level);
    smoothed.Smooth(cancel);
    smoothed.SetTempo(tempo);
    const LONGLONG firstLoud = FindFirstLoudPosition(smoothed);
    results.SetLoudPositions(firstLoud, FindLastLoudPosition(smoothed));
    results.SetPeakLevel(smoothed.GetPeakMeasureLevel());
    std::vector<LONGLONG> fadeSteps;
    BuildFadeList(kFadeSteps, kFadeStep, firstLoud, fadeSteps, smoothed);
    for (LONGLONG step : fadeSteps)
        results.AddFadeStep(step);

    CPfPcmThumbnail shaped(level);
    shaped.DecayShaping(cancel, 2);
    shaped.SetTempo(tempo);
    FindMixPoints(measures, cancel, shaped, kMixPointMeasures, results);

    results.SetSampleCount(level.GetSampleCount());
    results.SetSampleRate(level.GetSampleRate());
    CMusicFileId id;
    if (source->ComputeMusicFileId(&id))
        results.SetMusicFileId(id);

    bool success = false;
    if (!IsCancelled()) {
        if (plots && id.IsValid()) {
            std::unique_ptr<CPlotFile> plot = plots->CreatePlotFile(id);
            if (plot) {
                const std::vector<BYTE> bytes = CPlotFile::LevelsToPlotBytes(envelope.GetValues(), envelope.GetCount());
                plot->Write(bytes.data(), static_cast<DWORD>(bytes.size()), frameTable.Get(), frameTableSize);
                plots->Register(std::move(plot), touch);
            }
        }
        success = !IsCancelled();
    }
    report(100);
    return success;
}
