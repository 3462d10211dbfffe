// The performance commands steering the playing mix (two analysed click tracks of 24 measures,
// 120 and 126 BPM, beat-matched), measured on what reached the sound sink: mixing into the next
// track now starts the outro on the next measure boundary with both tracks' clicks together,
// fading out follows the standard fade before a pause into silence, a pause after the current
// track silences the mix at the track's audible end, a looping performance starts again at the
// mix start, a cued performance starts with the cued track after a pause, and twenty edits during
// playback leave the audio exactly as the offline render has it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "engine/core/mix/MixBuilder.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/time/MusicTime.h"
#include "engine/core/track/Marker.h"
#include "interfaces/IMasterBeatMap.h"
#include "tests/engine/core/mix/IdList.h"
#include "tests/engine/core/mix/MixFixture.h"
#include "tests/engine/core/mix/playback/MixPlaybackFixture.h"

namespace {

using mixplayback::ExpectOverlapClicksTogether;
using mixplayback::MixPlayback;
using mixtest::IdList;

constexpr int kMeasures = 24;
constexpr int kTwoMilliseconds = 88;
constexpr LONGLONG kMeasureTicks = CMusicTime::kTicksPerMeasure;

LONGLONG MixTimeOf(CTrackInfo& track, LONGLONG trackTime)
{
    LONGLONG mixTime = 0;
    EXPECT_EQ(track.TrackTimeToMixTime(trackTime, &mixTime), S_OK);
    return mixTime;
}

// The loudest sample of the left channel within 260 ms of a mix time (a click of a 120 BPM track
// falls in every such window), in dB of full scale.
double PeakDb(const std::vector<int16_t>& audio, LONGLONG origin, LONGLONG mixTime)
{
    const LONGLONG centre = origin + rendertest::FrameOf(mixTime);
    const LONGLONG reach = rendertest::FrameOf(260000);
    int peak = 0;
    for (LONGLONG frame = std::max<LONGLONG>(centre - reach, 0);
         frame < centre + reach && static_cast<size_t>(frame) * 2 < audio.size(); ++frame)
        peak = std::max(peak, std::abs(static_cast<int>(audio[static_cast<size_t>(frame) * 2])));
    return peak > 0 ? 20.0 * std::log10(peak / 32768.0) : -200.0;
}

// The loudest sample of either channel from a mix time to the end of the capture.
int PeakFrom(const std::vector<int16_t>& audio, LONGLONG origin, LONGLONG mixTime)
{
    int peak = 0;
    for (size_t i = static_cast<size_t>(origin + rendertest::FrameOf(mixTime)) * 2; i < audio.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(audio[i])));
    return peak;
}

class PerformancePlayback : public MixPlayback {
protected:
    PerformancePlayback() : MixPlayback(kMeasures) {}

    struct Played {
        bool commanded = false;
        bool stopped = false;
        bool clean = false;
        LONGLONG position = 0;  // the play position the command was given at
        HRESULT result = E_UNEXPECTED;
    };
    // Plays the mix from the start; once the play position passes `at`, gives the command (under the
    // global mix lock, so that the command works from the position it is given). A run in which the
    // renderer fell behind the sink, or the sound system left a gap before the command, is played
    // again on the mix as it was (three at most).
    Played PlayWithCommand(LONGLONG at, const std::function<HRESULT(LONGLONG)>& command)
    {
        CPlayManager* live = m_mix->GetLivePlayManager();
        Played played;
        for (int attempt = 0; attempt < 3 && !played.clean; ++attempt) {
            if (attempt > 0)
                m_mix->ReplaceMix(&m_model.Mix().tracks, nullptr, nullptr, FALSE);
            const LONGLONG missed = live->GetMixOutput() ? live->GetMixOutput()->GetMissedBytes() : 0;
            live->PlayFromStart();
            played.commanded = false;
            for (DWORD waited = 0; waited < 90000 && !played.commanded; waited += 5) {
                {
                    CLiveAndPendingMixSingleThreadAccess lock;
                    LONGLONG position = 0;
                    if (m_mix->GetPlayPosition(&position) == S_OK && position >= at) {
                        played.position = position;
                        played.result = command(position);
                        played.commanded = true;
                    }
                }
                Sleep(5);
            }
            played.stopped = WaitUntilStopped(*live, static_cast<DWORD>(m_model.EndTime() / 1000) + 30000);
            played.clean = live->GetMixOutput()->GetMissedBytes() == missed &&
                           !SinkGapBefore(played.commanded ? played.position : 0);
        }
        return played;
    }
    // The mix as laid out before any command, rendered offline from its start.
    const std::vector<int16_t>& Reference()
    {
        if (m_reference.empty()) {
            m_model.Start(0);
            m_reference = m_model.PullAll(17640);
        }
        return m_reference;
    }
    // The capture and the frame mix time 0 fell on.
    bool Capture(std::vector<int16_t>& audio, LONGLONG& origin)
    {
        audio = playmgrtest::WaveOutSamples(outputtest::ReadSink(false));
        origin = playmgrtest::FindOrigin(audio, Reference());
        return origin >= 0;
    }
    // Whether the sound system left a gap in the capture before mix time `until`, up to which the
    // capture is the offline render.
    bool SinkGapBefore(LONGLONG until) { return SinkGapWithin(Reference(), rendertest::FrameOf(until)); }
    CTrackInfo& Track(int index) { return *m_mix->Tracks().GetAt(index); }
    LONGLONG OutroStart(CTrackInfo& track)
    {
        LONGLONG trackTime = 0;
        EXPECT_TRUE(track.MainObjects().GetEarliestEndMarker(&trackTime));
        return trackTime;
    }
    // Twenty edits while the mix plays, from mix time `from` on, each leaving what is still to be
    // heard as it is: `split` (given the play position) at every other one, an edit copy of the
    // second track committed unchanged at the others. The capture must be the offline render,
    // sample for sample.
    void PlayTwentyEditsAndCompare(LONGLONG from, const std::function<void(LONGLONG)>& split)
    {
        CPlayManager* live = m_mix->GetLivePlayManager();
        const DWORD second = static_cast<DWORD>(Track(1).GetTrackIdValue());
        bool clean = false;
        bool stopped = false;
        int edits = 0;
        for (int attempt = 0; attempt < 3 && !clean; ++attempt) {
            const LONGLONG missed = live->GetMixOutput() ? live->GetMixOutput()->GetMissedBytes() : 0;
            live->PlayFromStart();
            edits = 0;
            LONGLONG next = from;
            for (DWORD waited = 0; waited < 90000 && edits < 20; waited += 5) {
                LONGLONG position = 0;
                if (m_mix->GetPlayPosition(&position) == S_OK && position >= next) {
                    if (edits % 2 == 0) {
                        split(position);
                    } else {
                        ComPtr<ITrackEditItem> copy;
                        LONG editId = -1;
                        if (m_mix->BeginTrackEdit(second, copy.put()) == S_OK &&
                            SUCCEEDED(copy->GetEditCopyId(&editId))) {
                            m_mix->CommitTrackEdits(IdList({static_cast<DWORD>(editId)}).get(), TRUE);
                            m_mix->EndTrackEdit(copy.get());
                        }
                    }
                    ++edits;
                    next = position + 500000;
                }
                Sleep(5);
            }
            stopped = WaitUntilStopped(*live, static_cast<DWORD>(m_model.EndTime() / 1000) + 30000);
            clean = live->GetMixOutput()->GetMissedBytes() == missed && !SinkGapBefore(m_model.EndTime());
            if (!clean)
                m_mix->ReplaceMix(&m_model.Mix().tracks, nullptr, nullptr, FALSE);
        }
        ASSERT_EQ(edits, 20) << "playback ended before twenty edits";
        ASSERT_TRUE(stopped) << "the mix did not end";
        if (!clean)
            GTEST_SKIP() << "the renderer or the sound system fell behind the sink in every attempt (machine too "
                            "loaded)";

        std::vector<int16_t> audio;
        LONGLONG origin = 0;
        ASSERT_TRUE(Capture(audio, origin)) << "nothing loud reached the sink";
        const std::vector<int16_t>& reference = Reference();
        size_t differing = 0;
        size_t first = 0;
        for (size_t i = 0; i < reference.size() && static_cast<size_t>(origin) * 2 + i < audio.size(); ++i)
            if (std::abs(audio[static_cast<size_t>(origin) * 2 + i] - reference[i]) > 1 && differing++ == 0)
                first = i / 2;
        EXPECT_EQ(differing, 0u) << "the capture leaves the offline render at frame " << first;
        // The stream stops itself at the mix end, so the sink may drop the last of it.
        EXPECT_GE(audio.size() + 2 * playmgrtest::kSinkDropFrames, reference.size() + static_cast<size_t>(origin) * 2)
            << "the capture ends early";
    }

    std::vector<int16_t> m_reference;
};

TEST_F(PerformancePlayback, MixingIntoTheNextTrackNowStartsTheOutroOnTheNextMeasureWithTheClicksTogether)
{
    // Where the next track would have come in, and how much of it sounds before the outro, in the
    // mix as the manager laid it out.
    const LONGLONG oldOutro = MixTimeOf(Track(0), OutroStart(Track(0)));
    LONGLONG audibleStart = 0;
    ASSERT_EQ(Track(1).GetAudibleStart(&audibleStart), S_OK);
    const LONGLONG lead = std::max<LONGLONG>(oldOutro - audibleStart, 0);
    const LONGLONG at = 14000000;
    ASSERT_LT(at + lead + 4000000, oldOutro) << "the command must come well before the old transition";
    ASSERT_EQ(m_mix->CanMixIntoNextTrack(), S_FALSE) << "nothing plays yet";

    HRESULT can = E_UNEXPECTED;
    // The outgoing track's own time at the play position moved on by the lead, on the layout the
    // command starts from.
    LONGLONG moved = -1;
    const Played played = PlayWithCommand(at, [&](LONGLONG position) {
        can = m_mix->CanMixIntoNextTrack();
        EXPECT_EQ(Track(0).MixTimeToTrackTime(position + lead, &moved), S_OK);
        return m_mix->MixIntoNextTrackNow();
    });
    ASSERT_TRUE(played.commanded) << "playback never reached the command's time";
    ASSERT_TRUE(played.stopped) << "the mix did not end";
    if (!played.clean)
        GTEST_SKIP() << "the renderer or the sound system fell behind the sink in every attempt (machine too loaded)";
    EXPECT_EQ(can, S_OK);
    EXPECT_EQ(played.result, S_OK);

    // The outro starts on a whole measure of the outgoing track, the first at or after the track's
    // time at the play position moved on by the lead. Measures are the track's own: the rebuild then
    // lays the track's tempo ramp before its new outro, which brings that measure a little earlier in
    // the mix (about 20 ms here), so the mix time it is heard at is not what is compared.
    CTrackInfo& out = Track(0);
    ComPtr<IMasterBeatMap> beatMap;
    ASSERT_EQ(m_mix->NonDelegatingQueryInterface(IID_IMasterBeatMap, beatMap.put_void()), S_OK);
    const LONGLONG outro = OutroStart(out);
    CMusicTime music;
    ASSERT_EQ(beatMap->TrackTimeToMusicTime(out.GetTrackIdValue(), outro, &music), S_OK);
    EXPECT_EQ(music.GetTicks() % kMeasureTicks, 0) << "the outro starts on a measure boundary";
    CMusicTime before;
    before.SetTicks(music.GetTicks() - kMeasureTicks);
    LONGLONG previous = 0;
    ASSERT_EQ(beatMap->TrackMusicTimeToTime(out.GetTrackIdValue(), &before, &previous), S_OK);
    EXPECT_LT(previous, moved) << "not a measure later than needed";
    EXPECT_GE(outro, moved);
    EXPECT_LT(MixTimeOf(out, outro), oldOutro);

    std::vector<int16_t> audio;
    LONGLONG origin = 0;
    ASSERT_TRUE(Capture(audio, origin)) << "nothing loud reached the sink";
    LONGLONG from = 0;
    LONGLONG to = 0;
    ASSERT_EQ(Track(1).GetStartTime(&from), S_OK);
    ASSERT_EQ(out.GetEndTime(&to), S_OK);
    EXPECT_LT(to, oldOutro) << "the outgoing track ends before its old outro";
    ExpectOverlapClicksTogether(out, Track(1), from, to, audio, origin, kTwoMilliseconds);
}

TEST_F(PerformancePlayback, FadingOutIsHalfLevelMidwayBelowFiftyDecibelsFiveSecondsOnThenSilent)
{
    const Played played = PlayWithCommand(9000000, [&](LONGLONG) { return m_mix->FadeOutCurrentTrack(); });
    ASSERT_TRUE(played.commanded) << "playback never reached the command's time";
    ASSERT_TRUE(played.stopped) << "the mix did not stop in the pause";
    if (!played.clean)
        GTEST_SKIP() << "the renderer fell behind the sink in every attempt (machine too loaded)";
    EXPECT_EQ(played.result, S_OK);
    ASSERT_GE(m_mix->Tracks().GetCount(), 3);
    EXPECT_TRUE(Track(1).IsPause()) << "the mix waits in a pause after the track";

    CTrackInfo& out = Track(0);
    // A beat-mixed track lays its own middle marker before a pause: the same level, the same place.
    CMarker* middle = mixtest::FindMarker(out, kFadeOutStandardMiddle | kFadeOutBeatMiddle);
    ASSERT_NE(middle, nullptr);
    LONGLONG outroEnd = 0;
    ASSERT_TRUE(out.MainObjects().GetLatestEndMarker(&outroEnd));
    const LONGLONG fadeMiddle = MixTimeOf(out, middle->GetStart());
    const LONGLONG fiveSecondsOn = MixTimeOf(out, outroEnd) + 5000000;

    std::vector<int16_t> audio;
    LONGLONG origin = 0;
    ASSERT_TRUE(Capture(audio, origin)) << "nothing loud reached the sink";
    const double full = PeakDb(audio, origin, played.position - 1000000);
    EXPECT_NEAR(PeakDb(audio, origin, fadeMiddle) - full, -6.0, 1.5) << "midway through the fade";
    EXPECT_LT(PeakDb(audio, origin, fiveSecondsOn) - full, -50.0) << "5 s after the outro end";
    EXPECT_LE(PeakFrom(audio, origin, fiveSecondsOn + 300000), 4) << "silent after the fade";
}

TEST_F(PerformancePlayback, APauseAfterTheCurrentTrackSilencesTheMixAtItsAudibleEnd)
{
    const Played played = PlayWithCommand(3000000, [&](LONGLONG) { return m_mix->PauseAfterCurrentTrack(); });
    ASSERT_TRUE(played.commanded) << "playback never reached the command's time";
    ASSERT_TRUE(played.stopped) << "the mix did not stop in the pause";
    if (!played.clean)
        GTEST_SKIP() << "the renderer fell behind the sink in every attempt (machine too loaded)";
    EXPECT_EQ(played.result, S_OK);
    ASSERT_TRUE(Track(1).IsPause());
    LONGLONG audibleEnd = 0;
    ASSERT_EQ(Track(0).GetAudibleEnd(&audibleEnd), S_OK);

    std::vector<int16_t> audio;
    LONGLONG origin = 0;
    ASSERT_TRUE(Capture(audio, origin)) << "nothing loud reached the sink";
    EXPECT_GT(PeakDb(audio, origin, played.position + 1000000), -12.0) << "the track plays on after the command";
    EXPECT_LE(PeakFrom(audio, origin, audibleEnd + 20000), 4) << "silent after the track's audible end";
}

TEST_F(PerformancePlayback, TwentyEditsDuringPlaybackLeaveTheAudioAsTheRenderHasIt)
{
    // The playing track split a second behind the play position: its play item is loaded again
    // while it sounds.
    const DWORD playing = static_cast<DWORD>(Track(0).GetTrackIdValue());
    PlayTwentyEditsAndCompare(
        2000000, [&](LONGLONG position) { m_mix->SplitSegmentsAt(IdList({playing}).get(), position - 1000000); });
}

// Splitting the second track a second ahead of the play position, inside what the renderer has
// rendered ahead, once that track sounds.
TEST_F(PerformancePlayback, SplitsAheadOfThePlayPositionLeaveTheAudioAsTheRenderHasIt)
{
    const DWORD second = static_cast<DWORD>(Track(1).GetTrackIdValue());
    LONGLONG start = 0;
    ASSERT_EQ(Track(1).GetStartTime(&start), S_OK);
    PlayTwentyEditsAndCompare(start + 1000000, [&](LONGLONG position) {
        m_mix->SplitSegmentsAt(IdList({second}).get(), position + 1000000);
    });
}

TEST_F(PerformancePlayback, ALoopingPerformanceStartsAgainAtTheMixStart)
{
    CPlayManager* live = m_mix->GetLivePlayManager();
    ASSERT_EQ(m_mix->SetLoopEnabled(TRUE), S_OK);
    ASSERT_EQ(m_mix->IsLoopEnabled(), S_OK);
    ASSERT_EQ(m_mix->CueTrack(nullptr), S_OK) << "the performance starts at the mix start";
    m_model.Start(0);
    const std::vector<int16_t> reference = m_model.PullAll(17640);
    const LONGLONG end = m_model.EndTime();

    bool clean = false;
    bool wrapped = false;
    for (int attempt = 0; attempt < 3 && !clean; ++attempt) {
        const LONGLONG missed = live->GetMixOutput() ? live->GetMixOutput()->GetMissedBytes() : 0;
        ASSERT_EQ(live->StartPerformance(), S_OK);
        bool pastEnd = false;
        wrapped = false;
        for (DWORD waited = 0; waited < 180000 && !wrapped; waited += 5) {
            LONGLONG position = 0;
            m_mix->GetPlayPosition(&position);
            pastEnd = pastEnd || position >= end - 1000000;
            wrapped = pastEnd && position >= 3000000 && position < end / 2;
            Sleep(5);
        }
        live->StopPerformance();
        clean = live->GetMixOutput()->GetMissedBytes() == missed;
    }
    ASSERT_TRUE(wrapped) << "the performance did not start again";
    if (!clean)
        GTEST_SKIP() << "the renderer fell behind the sink in every attempt (machine too loaded)";

    // The restart opens the output again, so the sink holds the second pass: the mix from its
    // start, sample for sample as the offline render has it.
    const std::vector<int16_t> audio = playmgrtest::WaveOutSamples(outputtest::ReadSink(false));
    const LONGLONG origin = playmgrtest::FindOrigin(audio, reference);
    ASSERT_GE(origin, 0) << "nothing loud reached the sink";
    const size_t compared = std::min(reference.size(), audio.size() - static_cast<size_t>(origin) * 2);
    EXPECT_GE(compared, static_cast<size_t>(rendertest::FrameOf(2000000)) * 2) << "less than 2 s of the second pass";
    size_t differing = 0;
    for (size_t i = 0; i < compared; ++i)
        if (std::abs(audio[static_cast<size_t>(origin) * 2 + i] - reference[i]) > 1)
            ++differing;
    EXPECT_EQ(differing, 0u) << "the second pass is not the mix from its start";
}

TEST_F(PerformancePlayback, ACuedPerformanceStartsWithTheCuedTrackAfterAPause)
{
    CPlayManager* live = m_mix->GetLivePlayManager();
    const DWORD second = static_cast<DWORD>(Track(1).GetTrackIdValue());
    ASSERT_EQ(m_mix->CanCueTrack(IdList({second}).get()), S_OK);
    ASSERT_EQ(m_mix->CueTrack(IdList({second}).get()), S_OK);
    ASSERT_EQ(m_mix->Tracks().GetCount(), 3);
    EXPECT_TRUE(Track(1).IsPause()) << "the track before the cued one stops in a pause";
    LONGLONG audibleStart = 0;
    ASSERT_EQ(Track(2).GetAudibleStart(&audibleStart), S_OK);
    LONGLONG held = 0;
    ASSERT_EQ(live->GetHeldPosition(&held), S_OK);
    EXPECT_EQ(held, audibleStart);

    bool clean = false;
    bool reached = false;
    for (int attempt = 0; attempt < 3 && !clean; ++attempt) {
        const LONGLONG missed = live->GetMixOutput() ? live->GetMixOutput()->GetMissedBytes() : 0;
        ASSERT_EQ(live->StartPerformance(), S_OK);
        reached = false;
        for (DWORD waited = 0; waited < 60000 && !reached; waited += 5) {
            LONGLONG position = 0;
            reached = m_mix->GetPlayPosition(&position) == S_OK && position >= audibleStart + 4000000;
            Sleep(5);
        }
        live->StopPerformance();
        clean = live->GetMixOutput()->GetMissedBytes() == missed;
    }
    ASSERT_TRUE(reached) << "the performance did not play on from the cue";
    if (!clean)
        GTEST_SKIP() << "the renderer fell behind the sink in every attempt (machine too loaded)";

    // What is heard first is the cued track's click, not the track before it.
    const std::vector<int16_t> audio = playmgrtest::WaveOutSamples(outputtest::ReadSink(false));
    LONGLONG firstLoud = -1;
    for (size_t i = 0; i < audio.size() && firstLoud < 0; ++i)
        if (std::abs(audio[i]) > 1000)
            firstLoud = static_cast<LONGLONG>(i / 2);
    ASSERT_GE(firstLoud, 0) << "nothing loud reached the sink";
    const std::vector<float> cued = rendertest::ClickTemplate(mixplayback::kTwoTracks[1].sound, 44100);
    const std::vector<float> before = rendertest::ClickTemplate(mixplayback::kTwoTracks[0].sound, 44100);
    const rendertest::Match heard = rendertest::FindPattern(audio, firstLoud, cued, 150);
    const rendertest::Match other = rendertest::FindPattern(audio, firstLoud, before, 150);
    EXPECT_GT(heard.strength, 0.5);
    EXPECT_GT(heard.strength, other.strength * 2) << "the first click is the cued track's";
}

}  // namespace
