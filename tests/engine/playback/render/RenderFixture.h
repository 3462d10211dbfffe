// What the offline render tests share: catalog items over generated music files, a mix of click
// tracks laid out by the mix builder, the play-stream graph built over it, and a consumer that
// pulls the final mix as a device or file writer does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RenderSources.h"
#include "classlib/com/ComPtr.h"
#include "engine/playback/graph/FinalMix.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "tests/engine/core/mix/MixFixture.h"

namespace rendertest {

struct TrackFile {
    float bpm;
    ClickSound sound;
    unsigned rate;  // of the file written
    bool mp3;       // encoded by lame from a WAV at `rate`
    // Interleaved stereo written instead of the clicks (when not empty).
    std::vector<int16_t> content = {};
};

// A mix of click tracks, their files and the graph that plays them.
class RenderedMix {
public:
    // Writes the files into `folder` and lays the tracks out; measures per track as given.
    RenderedMix(const std::wstring& folder, const std::vector<TrackFile>& files, int measures);
    ~RenderedMix();
    bool Ready() const { return m_ready; }
    std::string Failure() const { return m_failure; }

    mixtest::Mix& Mix() { return m_mix; }
    CTrackInfo& Track(int index);
    // The catalog item over the track's file.
    IProfileSource* Source(int index) { return m_sources[static_cast<size_t>(index)].get(); }
    CMixOutput& Output() { return *m_output; }
    CFinalMix& Final() { return *m_final; }
    CPlayItem& Item(int index) { return *m_items[static_cast<size_t>(index)]; }
    int TrackCount() const { return static_cast<int>(m_items.size()); }
    // The mix end in microseconds.
    LONGLONG EndTime() const { return m_end; }

    // Builds the graph (play items, mix inputs, mix output, the stage made by the chain factory
    // or none, final mix) and seeks to `from`.
    // Before Start: only track `index` is heard (the others muted), flat (solo, its envelopes
    // ignored) or with its envelopes.
    void Solo(int index, bool flat)
    {
        m_solo = index;
        m_soloFlat = flat;
    }
    // Without the seek no block is requested until the mix output recovers from short reads.
    void Start(LONGLONG from, bool seek = true);
    // Plays the tracks into a mix output built elsewhere (a play stream's), from `from`; the mix
    // keeps a reference on it and takes its play items out again at the end.
    void Feed(CMixOutput& output, LONGLONG from, bool seek = true);
    // Pulls float frames straight from the mix output, waiting for the mix inputs before each read.
    std::vector<float> PullFloats(LONGLONG frames, unsigned readSize = 17640);
    // Pulls `bytes` of 16-bit audio in reads of `readSize`, waiting for the mix inputs before each
    // read as a file writer does; the buffered bytes reported are `buffered` after each read.
    std::vector<int16_t> Pull(size_t bytes, unsigned readSize, LONGLONG buffered = 0);
    // Everything from the start to the end of the mix.
    std::vector<int16_t> PullAll(unsigned readSize);

    // The stage between the mix output and the final mix (the effects chain in the chain tests).
    using ChainFactory = IPlayerInput* (*)(CMixOutput* output, void* context);
    void SetChainFactory(ChainFactory factory, void* context)
    {
        m_chainFactory = factory;
        m_chainContext = context;
    }

private:
    bool m_ready = false;
    std::string m_failure;
    mixtest::Mix m_mix;
    std::vector<ComPtr<FileSource>> m_sources;
    std::vector<CPlayItem*> m_items;
    CMixOutput* m_output = nullptr;
    CFinalMix* m_final = nullptr;
    LONGLONG m_end = 0;
    int m_solo = -1;
    bool m_soloFlat = false;
    ChainFactory m_chainFactory = nullptr;
    void* m_chainContext = nullptr;
};

// Loads the item from its laid-out track as the mix manager does: one beat map per layer.
void LoadPlayItem(CPlayItem& item, CTrackInfo& track);

// Writes interleaved 16-bit stereo at 44100 Hz and has sox read it back as 16-bit stereo; false
// when either step fails.
bool RoundTripThroughSox(const std::wstring& folder, const std::vector<int16_t>& samples,
                         std::vector<int16_t>& decoded);

// The lag in frames (-maxLag..maxLag) around `frame` at which the left channel of `audio`
// correlates best with `pattern`, and the correlation there relative to the pattern's energy.
struct Match {
    int lag;
    double strength;
};
Match FindPattern(const std::vector<int16_t>& audio, LONGLONG frame, const std::vector<float>& pattern, int maxLag);

// The frame of a mix time at 44100 Hz.
LONGLONG FrameOf(LONGLONG microseconds);
// The track's volume envelope at a mix time, from its own markers (hundredths of a dB).
double VolumeAt(CTrackInfo& track, LONGLONG mixTime);
// Track time per mix time around a mix time (1 where the track plays at its own tempo).
double RateAt(CTrackInfo& track, LONGLONG mixTime);

// Every beat of every track heard at -12 dB or more lies within `tolerance` frames of its mapped
// mix time; `origin` is the frame of `audio` (44100 Hz stereo) that mix time 0 fell on.
void ExpectBeatsOnTheirMixTimes(RenderedMix& mix, const std::vector<TrackFile>& files,
                                const std::vector<int16_t>& audio, LONGLONG origin, int tolerance, const char* name);
// Where a track plays at its own tempo and full volume, each click keeps the source level within
// `toleranceDb`.
void ExpectSourceLevelAtOwnTempo(RenderedMix& mix, const std::vector<TrackFile>& files,
                                 const std::vector<int16_t>& audio, LONGLONG origin, double toleranceDb,
                                 const char* name);

}  // namespace rendertest
