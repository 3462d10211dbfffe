// A playlist of file names opened and played as the program does it, through the engine library
// loaded by file name (the program has no transport commands yet): the list's click tracks (120,
// 126 and 100 BPM, each clicking at a pitch of its own) take their analysis over as it arrives,
// and the live mix played through wave-out into the sound sink is beat-matched: through every
// overlap of two tracks, the clicks that the engine lays on one beat are heard within one
// analysis block (256 frames, 5.8 ms) of each other: the analysis finds beats to its blocks, not
// to the sample.
#include "ProgramCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueBstr.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IBrennock.h"
#include "interfaces/ICatDisplayItemMgr.h"
#include "interfaces/IMixManager.h"
#include "interfaces/IPlayManager.h"
#include "interfaces/IPlayer.h"
#include "interfaces/IProgressStatus.h"
#include "interfaces/IUiUpdateQueue.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/engine/core/mix/IdList.h"
#include "tests/engine/playback/output/OutputTestSupport.h"
#include "tests/engine/playback/render/RenderFixture.h"
#include "tests/support/Signals.h"
#include "tests/support/SoundSink.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

constexpr unsigned kRate = 44100;
constexpr double kSeconds = 30.0;
constexpr int kOneAnalysisBlock = 256;  // frames
constexpr int kGapSearch = 8000;        // frames: less than half the shortest beat
constexpr int kTakeOverAnalysis = 21;
constexpr DWORD kWaitMs = 240000;

struct ListedTrack {
    double bpm;
    rendertest::ClickSound sound;
    const wchar_t* name;
};
const ListedTrack kTracks[] = {{120.0, {1000.0, 0.5}, L"a120.wav"},
                               {126.0, {1800.0, 0.45}, L"b126.wav"},
                               {100.0, {3100.0, 0.4}, L"c100 caf\u00e9.wav"}};

class PlaylistPlayback : public testing::Test {
protected:
    void SetUp() override
    {
        std::vector<mixtest::ListEntry> entries;
        for (const ListedTrack& track : kTracks) {
            m_files.push_back(m_folder.File(track.name));
            const auto frames = static_cast<LONGLONG>(kSeconds * kRate);
            std::vector<int16_t> samples = rendertest::ClickTrack(track.sound, 60.0 * kRate / track.bpm, frames, kRate);
            fixtures::AddTone(samples, 50.0 + track.bpm, kRate, 2, 0.01);  // a hum of its own
            ASSERT_TRUE(fixtures::WriteWav16(m_files.back(), samples, kRate, 2));
            entries.push_back({L"Clicks", track.name});
        }
        mixtest::WriteFileBytes(List(), mixtest::ExtendedM3u(entries, CP_ACP));

        m_library = LoadLibraryW(L"BrennockDemo.DLL");
        ASSERT_NE(m_library, nullptr);
        const auto getClassObject =
            reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "DllGetClassObject")));
        ASSERT_NE(getClassObject, nullptr);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(CLSID_BrennockMain, IID_IClassFactory, factory.put_void()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBrennock, m_engine.put_void()), S_OK);
        m_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_EQ(m_engine->Initialize(m_window, nullptr, 0x50000, 0), S_OK);
        ASSERT_EQ(m_engine->QueryInterface(IID_IMixManager, m_mix.put_void()), S_OK);

        // Wave-out with the largest buffer: the capture is then the final mix's own samples.
        ASSERT_EQ(m_engine->QueryInterface(IID_IPlayer, m_player.put_void()), S_OK);
        m_storedConfig.size = sizeof(PLAYER_OUTPUTCONFIG);
        ASSERT_EQ(m_player->GetOutputConfig(&m_storedConfig), S_OK);
        PLAYER_OUTPUTCONFIG config = m_storedConfig;
        config.outputMode = 1;
        config.deviceKind = 2;
        config.bufferBytes = 176400;
        ASSERT_EQ(m_player->SetOutputConfig(&config), S_OK);
    }
    void TearDown() override
    {
        if (m_player)
            m_player->SetOutputConfig(&m_storedConfig);
        m_player.reset();
        m_mix.reset();
        if (m_engine)
            m_engine->Shutdown();
        m_engine.reset();
        if (m_window)
            DestroyWindow(m_window);
        ForgetCatalogFiles(m_files);
    }

    std::wstring List() const { return m_folder.File(L"clicks.m3u"); }

    // Drains the engine's updates as the program's pump does: the mix takes an item's analysis
    // over on its update.
    void Pump()
    {
        ComPtr<IUnknown> items;
        ComPtr<IUiUpdateQueue> queue;
        if (FAILED(m_engine->QueryInterface(IID_ICatDisplayItemMgr, items.put_void())) ||
            FAILED(items->QueryInterface(IID_IUiUpdateQueue, queue.put_void())))
            return;
        int code = 0;
        int value = 0;
        while (queue->PopUpdate(&code, &value) == S_OK) {
            if (code == kTakeOverAnalysis)
                m_mix->UpdateTracksFromCatalogItem(static_cast<DWORD>(value));
        }
    }

    // Opens the list and pumps until its three tracks have taken their analysis over.
    void LoadListAndWaitForAnalysis()
    {
        ASSERT_EQ(m_engine->LoadPlaylist(UniqueBstr(List().c_str()).get(), FALSE), S_OK);
        std::vector<DWORD> ids;
        DWORD id = 0;
        for (int i = 0; m_mix->GetTrackIdAt(i, &id) == S_OK; ++i)
            ids.push_back(id);
        ASSERT_EQ(ids.size(), 3u);
        bool analysed = false;
        for (DWORD waited = 0; waited < kWaitMs && !analysed; waited += 25) {
            Sleep(25);
            Pump();
            analysed = m_mix->CanEditTrackProperties(mixtest::IdList(ids).get()) == S_OK;
        }
        ASSERT_TRUE(analysed) << "the tracks did not take their analysis over";
    }

    std::vector<ComPtr<ITrackEditItem>> Tracks()
    {
        std::vector<ComPtr<ITrackEditItem>> tracks;
        DWORD id = 0;
        for (int i = 0; m_mix->GetTrackIdAt(i, &id) == S_OK; ++i) {
            tracks.emplace_back();
            EXPECT_EQ(m_mix->GetTrackById(id, tracks.back().put()), S_OK);
        }
        return tracks;
    }

    fixtures::TempDir m_folder{L"playlist playback"};
    std::vector<std::wstring> m_files;
    HMODULE m_library = nullptr;
    HWND m_window = nullptr;
    ComPtr<IBrennock> m_engine;
    ComPtr<IMixManager> m_mix;
    ComPtr<IPlayer> m_player;
    PLAYER_OUTPUTCONFIG m_storedConfig{};
};

// The mix times at which the track's clicks (one per beat of its file) are laid.
std::vector<LONGLONG> BeatMixTimes(ITrackEditItem* track, double bpm)
{
    std::vector<LONGLONG> times;
    const double beat = 60.0e6 / bpm;
    for (int n = 0; n * beat < kSeconds * 1.0e6; ++n) {
        LONGLONG mixTime = 0;
        if (SUCCEEDED(track->TrackTimeToMixTime(static_cast<LONGLONG>(n * beat + 0.5), &mixTime)))
            times.push_back(mixTime);
    }
    return times;
}

LONGLONG SpanMixTime(ITrackEditItem* track, bool intro, bool last)
{
    LONGLONG first = 0;
    LONGLONG final = 0;
    LONGLONG mixTime = 0;
    if (FAILED(intro ? track->GetType1MarkerSpan(&first, &final) : track->GetType2MarkerSpan(&first, &final)) ||
        FAILED(track->TrackTimeToMixTime(last ? final : first, &mixTime)))
        ADD_FAILURE() << "no marker span";
    return mixTime;
}

// The analysis finds each click at the start of the block before the one it begins in, so how
// early depends on where the click falls in its block: the intro and outro marks of two tracks
// differ by up to a block (about 130 frames here). Half a beat off, as a downbeat or mix point
// between beats lays them, is thousands of frames.
TEST_F(PlaylistPlayback, TheListsTracksAreHeardBeatMatchedThroughEveryOverlap)
{
    ASSERT_NO_FATAL_FAILURE(LoadListAndWaitForAnalysis());
    const std::vector<ComPtr<ITrackEditItem>> tracks = Tracks();
    for (size_t i = 0; i < tracks.size(); ++i)
        EXPECT_EQ(tracks[i]->IsBeatMixed(), S_OK) << "track " << i;

    ComPtr<IPlayManager> live;
    ASSERT_EQ(m_engine->QueryInterface(IID_IPlayManagerLive, live.put_void()), S_OK);
    const LONGLONG sinkBefore = fixtures::SinkBytes();
    ASSERT_EQ(live->PlayFromStart(), S_OK);
    bool started = false;
    for (DWORD waited = 0; waited < kWaitMs && !(started && live->IsPlaying() == S_FALSE); waited += 25) {
        Sleep(25);
        Pump();
        started = started || live->IsPlaying() == S_OK;
    }
    ASSERT_TRUE(started);
    ASSERT_EQ(live->IsPlaying(), S_FALSE) << "the mix did not end";

    const std::vector<float> sink = outputtest::ReadSink(false);
    std::vector<int16_t> audio;
    for (size_t i = static_cast<size_t>(sinkBefore / 2); i < sink.size(); ++i)
        audio.push_back(static_cast<int16_t>(std::lround(sink[i] * 32768.0f)));
    // Mix time 0 in the capture: where the first track's first click is heard.
    size_t loud = 0;
    while (loud < audio.size() / 2 && std::abs(audio[loud * 2]) < 1000)
        ++loud;
    ASSERT_LT(loud, audio.size() / 2) << "nothing loud reached the sink";
    const std::vector<float> firstClick = rendertest::ClickTemplate(kTracks[0].sound, kRate);
    const LONGLONG origin = static_cast<LONGLONG>(loud) + rendertest::FindPattern(audio, loud, firstClick, 100).lag -
                            rendertest::FrameOf(BeatMixTimes(tracks[0].get(), kTracks[0].bpm)[0]);

    for (size_t k = 0; k + 1 < tracks.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "overlap of tracks " << k << " and " << k + 1);
        // Where the two tracks are linked beat for beat: from the incoming intro's start to the
        // outgoing outro's end.
        const LONGLONG from = SpanMixTime(tracks[k + 1].get(), true, false);
        const LONGLONG to = SpanMixTime(tracks[k].get(), false, true);
        const std::vector<float> outClick = rendertest::ClickTemplate(kTracks[k].sound, kRate);
        const std::vector<float> inClick = rendertest::ClickTemplate(kTracks[k + 1].sound, kRate);
        int shared = 0;
        for (const LONGLONG a : BeatMixTimes(tracks[k].get(), kTracks[k].bpm))
            for (const LONGLONG b : BeatMixTimes(tracks[k + 1].get(), kTracks[k + 1].bpm)) {
                if (std::abs(a - b) > 20000 || a < from - 20000 || a > to + 20000)
                    continue;
                // The outgoing click is searched for widely (a capture may have lost blocks under
                // load before it); the incoming one where the engine laid it relative to that.
                const LONGLONG fa = origin + rendertest::FrameOf(a);
                const LONGLONG heard = fa + rendertest::FindPattern(audio, fa, outClick, kGapSearch).lag;
                const LONGLONG fb = heard + rendertest::FrameOf(b) - rendertest::FrameOf(a);
                const LONGLONG apart = fb + rendertest::FindPattern(audio, fb, inClick, 150).lag - heard;
                ++shared;
                EXPECT_LE(std::abs(apart), kOneAnalysisBlock)
                    << "at mix time " << a << " the clicks are heard " << apart << " frames apart";
            }
        EXPECT_GT(shared, 4) << "too few shared beats: the tracks are not laid beat on beat";
    }
}

// The service thread hands the stream back to its device when an export ends; with DirectSound
// that makes a COM object on that thread. This process's main thread is a single-threaded
// apartment, as the program's is, so nothing lends the service thread COM: the mix played after
// the export must still reach the sink.
TEST_F(PlaylistPlayback, AfterAnExportTheMixPlaysThroughDirectSound)
{
    PLAYER_OUTPUTCONFIG config = m_storedConfig;
    config.outputMode = 1;
    config.deviceKind = 1;
    config.mainDevice = 0;
    config.bufferBytes = 176400;
    ASSERT_EQ(m_player->SetOutputConfig(&config), S_OK);
    ASSERT_NO_FATAL_FAILURE(LoadListAndWaitForAnalysis());

    ComPtr<IPlayManager> live;
    ASSERT_EQ(m_engine->QueryInterface(IID_IPlayManagerLive, live.put_void()), S_OK);
    const MixExportOptions wav{1, 1, FALSE};
    ComPtr<IProgressStatus> progress;
    ASSERT_EQ(live->ExportMix(UniqueBstr(m_folder.File(L"mix.wav").c_str()).get(), &wav, progress.put()), S_OK);
    ASSERT_TRUE(progress);
    HRESULT completion = S_FALSE;
    for (DWORD waited = 0; waited < kWaitMs && completion == S_FALSE; waited += 25) {
        Sleep(25);
        Pump();
        completion = progress->GetCompletion();
    }
    ASSERT_EQ(completion, S_OK) << "the export did not complete";
    // The tick, not a command of this thread, gives the stream back to its device.
    for (DWORD waited = 0; waited < 5000 && live->IsPlaying() == S_OK; waited += 25) {
        Sleep(25);
        Pump();
    }
    ASSERT_EQ(live->IsPlaying(), S_FALSE) << "the stream stayed with the writer";

    const LONGLONG sinkBefore = fixtures::SinkBytes();
    ASSERT_EQ(live->PlayFromStart(), S_OK);
    // Two seconds of Wine's mixer format (48 kHz float stereo).
    constexpr LONGLONG kTwoSeconds = 2 * 48000 * 2 * 4;
    for (DWORD waited = 0; waited < 20000 && fixtures::SinkBytes() < sinkBefore + kTwoSeconds; waited += 25) {
        Sleep(25);
        Pump();
    }
    live->Stop();
    const std::vector<float> sink = outputtest::ReadSink(true);
    float loudest = 0.0f;
    for (size_t i = static_cast<size_t>(sinkBefore / 4); i < sink.size(); ++i)
        loudest = std::max(loudest, std::abs(sink[i]));
    EXPECT_GT(loudest, 0.1f) << "the mix played after the export is not heard ("
                             << static_cast<LONGLONG>(sink.size() * 4) - sinkBefore << " bytes reached the sink)";
}

}  // namespace
