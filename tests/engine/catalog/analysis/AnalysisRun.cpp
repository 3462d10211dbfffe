#include "AnalysisRun.h"

#include "engine/catalog/analysis/BeatLattice.h"
#include "engine/catalog/analysis/MeasureStarts.h"
#include "engine/catalog/analysis/MixPoints.h"
#include "engine/catalog/analysis/OnsetScan.h"
#include "engine/catalog/analysis/PfThumbnailBuild.h"
#include "engine/catalog/analysis/TempoEstimate.h"

namespace analysis_fixtures {

namespace {
constexpr WORD kBlock = 256;
constexpr int kMixMeasures = 8;
constexpr int kFadeSteps = 12;
constexpr int kFadeStep = -600;
}  // namespace

AnalysisRun Analyse(IPcmReader* reader, const volatile LONG* cancel)
{
    AnalysisRun run;
    CPfPcmThumbnail level;
    CPfPcmThumbnail lowBand;
    CPfPcmThumbnail bassRaw;
    CPfNoteDetector detector;
    detector.Create(reader, &bassRaw);
    run.built = PfBuildThumbnails(reader, kBlock, level, lowBand, &detector, cancel, nullptr);
    detector.Finish(cancel);
    DetectKey(cancel, detector.GetNoteMap(), run.results);
    run.notes = detector.GetNoteMap();
    if (!run.built)
        return run;

    CPfPcmThumbnail envelope(level);
    envelope.PeakHoldEnvelope(cancel);
    BEATSCAN onsets;
    ScanOnsets(envelope, cancel, 4, onsets);
    float tempo = EstimateTempoWindows(onsets, cancel);
    run.estimate = tempo;

    CPfPcmThumbnail low(lowBand);
    low.Smooth(cancel);
    BEATSCAN peaks;
    ScanBassPeaks(low, cancel, 4, peaks);
    tempo = ApplyTempoDoubling(peaks, tempo);
    tempo = TempoFromLength(level.GetSampleRate(), level.GetSampleCount(), tempo);

    DetectTempo(envelope, cancel, level, tempo, run.grid);
    run.results.SetTempo(tempo);

    CPfPcmThumbnail bass(bassRaw);
    bass.PeakHoldEnvelope(cancel);
    bass.DecayShaping(cancel, 2);
    bass.SetTempo(tempo);
    FindDownbeatPhase(bass, run.grid);
    BEATSCAN measures = run.grid;
    MarkMeasureStarts(measures);
    run.results.SetMeasureStarts(measures.marks.data(), static_cast<int>(measures.marks.size()));

    CPfPcmThumbnail smoothed(level);
    smoothed.Smooth(cancel);
    smoothed.SetTempo(tempo);
    const LONGLONG first = FindFirstLoudPosition(smoothed);
    const LONGLONG last = FindLastLoudPosition(smoothed);
    run.results.SetLoudPositions(first, last);
    run.results.SetPeakLevel(smoothed.GetPeakMeasureLevel());
    std::vector<LONGLONG> fades;
    BuildFadeList(kFadeSteps, kFadeStep, first, fades, smoothed);
    for (LONGLONG f : fades)
        run.results.AddFadeStep(f);

    CPfPcmThumbnail mix(level);
    mix.DecayShaping(cancel, 2);
    mix.SetTempo(tempo);
    FindMixPoints(run.grid, cancel, mix, kMixMeasures, run.results);

    run.results.SetSampleCount(level.GetSampleCount());
    run.results.SetSampleRate(level.GetSampleRate());
    return run;
}

}  // namespace analysis_fixtures
