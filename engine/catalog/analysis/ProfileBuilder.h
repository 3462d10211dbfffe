// CProfileBuilder: the analysis of one music file, from the single read of its audio to the
// analysis results and the plot file. Every step after the read works on level thumbnails of
// 256-frame blocks.
//
// Cancel: the job queue writes the cancel flag from another thread; every step polls it and
// stops at its next check. A cancelled analysis writes no plot file and reports failure.
//
// Threads: the analysis job's thread; only the cancel flag is shared.
#pragma once

#include <windows.h>

#include <functional>

class CPlotFileManager;
class CProfileResults;
struct IProfileSource;

class CProfileBuilder {
public:
    static constexpr WORD kBlockSize = 256;
    static constexpr int kOnsetTargetsPerMeasure = 4;
    static constexpr int kMixPointMeasures = 8;
    static constexpr int kFadeSteps = 12;
    static constexpr int kFadeStep = -600;
    // A frame-offset table larger than this is not kept (no real MP3 file comes near it).
    static constexpr unsigned long kMaxFrameTableBytes = 0x4000000;

    using Progress = std::function<void(int percent)>;

    CProfileBuilder() = default;
    CProfileBuilder(const CProfileBuilder&) = delete;
    CProfileBuilder& operator=(const CProfileBuilder&) = delete;
    virtual ~CProfileBuilder() = default;

    // Fills `results` and, unless cancelled, writes the plot file and registers it with `plots`
    // (touch: move it to the front of the cache). True when the analysis ran to its end
    // without cancel; the results may still be invalid (no identity, an empty file).
    virtual bool ProfileMusicFile(IProfileSource* source, CPlotFileManager* plots, BOOL touch, CProfileResults& results,
                                  const Progress& progress);

    void Cancel() { InterlockedExchange(&m_cancel, 1); }
    bool IsCancelled() const { return m_cancel != 0; }
    const volatile LONG* CancelFlag() const { return &m_cancel; }

private:
    volatile LONG m_cancel = 0;
};
