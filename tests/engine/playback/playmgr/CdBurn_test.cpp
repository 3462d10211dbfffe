// The play manager's CD recording: its stream, rewound over the whole play list, fed to the CD
// recording library double and compared with the offline render to 1 LSB; the transport stopped
// meanwhile, refused in a performance, and the stream heard on its device again afterwards (also
// when the library is missing).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "LiveStream.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/playback/graph/MixOutput.h"
#include "interfaces/IBurnCdr.h"
#include "tests/engine/playback/output/cdr-double/CdRecorderDouble.h"
#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"

using namespace playmgrtest;
using rendertest::RenderedMix;

namespace {

constexpr DWORD kWaitMs = 60000;

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
        if (done())
            return true;
        Sleep(10);
    }
    return done();
}

std::vector<int16_t> ReadSamples(const std::wstring& path)
{
    std::vector<int16_t> samples;
    const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return samples;
    LARGE_INTEGER size{};
    GetFileSizeEx(file.get(), &size);
    samples.resize(static_cast<size_t>(size.QuadPart / 2));
    DWORD read = 0;
    ReadFile(file.get(), samples.data(), static_cast<DWORD>(samples.size() * 2), &read, nullptr);
    samples.resize(read / 2);
    return samples;
}

// The CD recording library double, reachable from its own folder while the object lives.
class CdLibrary {
public:
    explicit CdLibrary(const CDDOUBLE_SCRIPT& script)
    {
        SetDllDirectoryW((BinFolder() + L"playback_output_cdr").c_str());
        m_library.reset(LoadLibraryW(L"Wendlecote.DLL"));
        if (!m_library)
            return;
        const auto setScript = reinterpret_cast<CdDoubleSetScriptFn>(
            reinterpret_cast<void*>(GetProcAddress(m_library.get(), "CdDoubleSetScript")));
        m_getLog = reinterpret_cast<CdDoubleGetLogFn>(
            reinterpret_cast<void*>(GetProcAddress(m_library.get(), "CdDoubleGetLog")));
        if (setScript)
            setScript(&script);
    }
    ~CdLibrary()
    {
        g_localCoCreate.FreeAllModules();
        SetDllDirectoryW(nullptr);
    }
    bool Ready() const { return m_library && m_getLog; }
    CDDOUBLE_LOG Log() const
    {
        CDDOUBLE_LOG log{};
        m_getLog(&log);
        return log;
    }

private:
    UniqueModule m_library;
    CdDoubleGetLogFn m_getLog = nullptr;
};

// The recording library double writing what it receives into a folder of the test's own, and the
// live stream of the three tracks.
struct BurnRig {
    static CDDOUBLE_SCRIPT ScriptInto(const fixtures::TempDir& folder)
    {
        CDDOUBLE_SCRIPT script = CdDoubleDefaultScript();
        lstrcpynW(script.dataPath, (folder.Path() + L"\\received.raw").c_str(), MAX_PATH);
        return script;
    }
    fixtures::TempDir folder{L"cdburn"};
    CDDOUBLE_SCRIPT script = ScriptInto(folder);
    CdLibrary library{script};
    LiveStream stream{folder.Path(), kThreeTracks, kMeasures, Device::WaveOut};
};

// What the disc received begins with the three tracks' mix rendered offline, to 1 LSB.
void ExpectTheMix(const std::vector<int16_t>& received)
{
    fixtures::TempDir modelFolder(L"cdburn-model");
    RenderedMix model(modelFolder.Path(), kThreeTracks, kMeasures);
    ASSERT_TRUE(model.Ready()) << model.Failure();
    model.Start(0);
    const std::vector<int16_t> reference =
        model.Pull(static_cast<size_t>(CMixOutput::MicrosecondsToBytes(model.EndTime()) / 2), 17640);
    ASSERT_GE(received.size(), reference.size());
    size_t differing = 0;
    for (size_t i = 0; i < reference.size(); ++i)
        differing += std::abs(received[i] - reference[i]) > 1 ? 1 : 0;
    EXPECT_EQ(differing, 0u) << "of " << reference.size() << " samples";
}

}  // namespace

TEST(CdBurn, TheWholeMixIsWrittenAndTheStreamReturnsToItsDevice)
{
    BurnRig rig;
    ASSERT_TRUE(rig.library.Ready());
    ASSERT_TRUE(rig.stream.Ready()) << rig.stream.Failure();
    LiveStream& stream = rig.stream;
    CPlayManager& manager = stream.Manager();

    // Playing from the middle of the mix with one track alone: the recording starts from the
    // beginning with every track.
    ASSERT_EQ(manager.PlayTrack(static_cast<DWORD>(stream.Mix().Track(1).GetTrackIdValue())), S_OK);
    ASSERT_TRUE(WaitFor([&] { return manager.IsPlaying() == S_OK; }));
    IBurnCdr* burner = nullptr;
    ASSERT_EQ(manager.CreateCdBurner(&burner), S_OK);
    ASSERT_NE(burner, nullptr);
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    EXPECT_EQ(manager.IsPlaying(), S_FALSE);
    ASSERT_TRUE(WaitFor([&] { return burner->IsRecorderListReady() == S_OK; }));
    ASSERT_EQ(burner->StartWrite(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return burner->GetResult() != S_FALSE; }));
    EXPECT_EQ(burner->GetResult(), S_OK);
    ASSERT_EQ(manager.EndCdBurn(), S_OK);
    EXPECT_EQ(burner->Release(), 0u);

    const CDDOUBLE_LOG log = rig.library.Log();
    LONGLONG total = 0;
    for (int i = 0; i < log.trackCount; ++i)
        total += log.tracks[i].bytes;
    EXPECT_GE(log.trackCount, 1);
    EXPECT_EQ(log.bytesReceived, total);
    const std::vector<int16_t> received = ReadSamples(rig.script.dataPath);
    ASSERT_EQ(static_cast<LONGLONG>(received.size()) * 2, total);

    ExpectTheMix(received);

    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return manager.IsPlaying() == S_OK; })) << "the device plays the stream again";
    manager.Stop();
}

// While the CD output runs the stream the transport is held: a stop would feed the disc silence, a
// start another part of the mix. Every command is refused and the disc gets the whole mix.
TEST(CdBurn, TheTransportIsRefusedWhileTheBurnerHoldsTheStream)
{
    BurnRig rig;
    ASSERT_TRUE(rig.library.Ready());
    ASSERT_TRUE(rig.stream.Ready()) << rig.stream.Failure();
    LiveStream& stream = rig.stream;
    CPlayManager& manager = stream.Manager();
    const DWORD track = static_cast<DWORD>(stream.Mix().Track(1).GetTrackIdValue());
    struct Case {
        const char* name;
        std::function<HRESULT()> command;
        HRESULT refused;
    };
    const std::vector<Case> cases = {
        {"PlayFromStart", [&] { return manager.PlayFromStart(); }, E_FAIL},
        {"PlayFromPosition", [&] { return manager.PlayFromPosition(20000000); }, S_FALSE},
        {"PlayRange", [&] { return manager.PlayRange(20000000, 30000000, TRUE); }, S_FALSE},
        {"StartPerformance", [&] { return manager.StartPerformance(); }, S_FALSE},
        {"SkipToNextTrack", [&] { return manager.SkipToNextTrack(); }, E_FAIL},
        {"PlayTrack", [&] { return manager.PlayTrack(track); }, E_FAIL},
        {"TogglePause", [&] { return manager.TogglePause(); }, S_FALSE},
        {"Stop", [&] { return manager.Stop(); }, S_FALSE},
        {"StopPerformance", [&] { return manager.StopPerformance(); }, S_FALSE},
    };
    IBurnCdr* burner = nullptr;
    ASSERT_EQ(manager.CreateCdBurner(&burner), S_OK);
    ASSERT_TRUE(WaitFor([&] { return burner->IsRecorderListReady() == S_OK; }));
    for (const Case& c : cases)
        EXPECT_EQ(c.command(), c.refused) << c.name << " before the write";
    ASSERT_EQ(burner->StartWrite(), S_OK);
    for (const Case& c : cases)
        EXPECT_EQ(c.command(), c.refused) << c.name << " during the write";
    ASSERT_TRUE(WaitFor([&] { return burner->GetResult() != S_FALSE; }));
    EXPECT_EQ(burner->GetResult(), S_OK);
    ASSERT_EQ(manager.EndCdBurn(), S_OK);
    EXPECT_EQ(burner->Release(), 0u);

    ExpectTheMix(ReadSamples(rig.script.dataPath));

    ASSERT_EQ(manager.PlayFromStart(), S_OK) << "the transport is free again after EndCdBurn";
    EXPECT_TRUE(WaitFor([&] { return manager.IsPlaying() == S_OK; }));
    manager.Stop();
}

TEST(CdBurn, RefusedInAPerformanceAndFailingCleanlyWithoutTheLibrary)
{
    fixtures::TempDir folder(L"cdburn");
    LiveStream stream(folder.Path(), kThreeTracks, kMeasures, Device::WaveOut);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    CPlayManager& manager = stream.Manager();
    IBurnCdr* burner = reinterpret_cast<IBurnCdr*>(0x1234);
    ASSERT_EQ(manager.StartPerformance(), S_OK);
    EXPECT_EQ(manager.CreateCdBurner(&burner), E_FAIL);
    EXPECT_EQ(burner, nullptr);
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kPerforming);
    ASSERT_EQ(manager.StopPerformance(), S_OK);

    burner = reinterpret_cast<IBurnCdr*>(0x1234);
    EXPECT_EQ(manager.CreateCdBurner(&burner), E_FAIL) << "no CD recording library";
    EXPECT_EQ(burner, nullptr);
    EXPECT_EQ(manager.GetPlayState(), CPlayManager::kStopped);
    ASSERT_EQ(manager.PlayFromStart(), S_OK);
    EXPECT_TRUE(WaitFor([&] { return manager.IsPlaying() == S_OK; })) << "the stream stayed on its device";
    manager.Stop();
}

TEST(CdBurn, WithoutAPlayerNothingIsRecorded)
{
    fixtures::TempDir folder(L"cdburn");
    LiveStream stream(folder.Path(), kThreeTracks, kMeasures, Device::None);
    ASSERT_TRUE(stream.Ready()) << stream.Failure();
    IBurnCdr* burner = nullptr;
    EXPECT_EQ(stream.Manager().CreateCdBurner(&burner), E_FAIL);
    EXPECT_EQ(burner, nullptr);
    EXPECT_EQ(stream.Manager().EndCdBurn(), E_FAIL);
}
