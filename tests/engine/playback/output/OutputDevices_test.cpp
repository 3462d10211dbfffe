// The three sound outputs pulling a real final mix into the sound sink: none starts before its
// input is ready, a stop and start leaves nothing of before the stop to be heard, Close returns
// in time; the 3D pairs place a left-only input on the left; wave-out delivers our samples as
// they are. Plus the base behaviour every output shares.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "OutputTestSupport.h"
#include "engine/core/server/ProgressStatus.h"
#include "engine/playback/output/PlayerOutputDSound.h"
#include "engine/playback/output/PlayerOutputDSound3D.h"
#include "engine/playback/output/PlayerOutputWaveOut.h"

using namespace outputtest;

namespace {

constexpr unsigned kBufferBytes = 88200;

struct Device {
    const char* name;
    std::function<CPlayerOutput*()> make;
    bool floatSink;
    unsigned sinkRate;
    // What a start pulls at once: DirectSound fills its whole buffer but one frame (the 3D pair
    // one sample per channel buffer); wave-out one header of whole frames.
    LONG startRead;
};

const Device kDevices[] = {
    {"DirectSound", [] { return new CPlayerOutputDSound(GUID_NULL, GetDesktopWindow()); }, true, kMixerRate,
     kBufferBytes - 4},
    {"DirectSound3DFront", [] { return new CPlayerOutputDSound3D(GUID_NULL, GetDesktopWindow(), true); }, true,
     kMixerRate, kBufferBytes - 4},
    {"WaveOut", [] { return new CPlayerOutputWaveOut(0); }, false, kMixRate, kBufferBytes / 4 / 4 * 4},
};

void PrintTo(const Device& device, std::ostream* out)
{
    *out << device.name;
}

LONGLONG SinkSecond(const Device& device)
{
    return static_cast<LONGLONG>(device.sinkRate) * 2 * (device.floatSink ? 4 : 2);
}

bool WaitRunning(IPlayerOutput& output, HRESULT wanted)
{
    for (int i = 0; i < 500 && output.IsRunning() != wanted; ++i)
        Sleep(10);
    return output.IsRunning() == wanted;
}

// The first read since the gate last forgot it (0 when none came within 5 s).
LONG FirstRead(const GateStage& gate)
{
    for (int i = 0; i < 500 && gate.FirstRead() == 0; ++i)
        Sleep(10);
    return gate.FirstRead();
}

class OutputDevice : public ::testing::TestWithParam<Device> {
protected:
    void SetUp() override
    {
        mix = TwoToneMix(folder);
        ASSERT_TRUE(mix->Ready()) << mix->Failure();
        output = ComPtr<CPlayerOutput>::attach(GetParam().make());
        output->SetBufferSize(kBufferBytes);
    }
    void TearDown() override
    {
        if (output)
            output->Close();
    }
    // Plays about `seconds` of sink time from the running output.
    void Hear(double seconds)
    {
        const LONGLONG at = SinkBytes();
        ASSERT_TRUE(WaitForSinkBytes(at + static_cast<LONGLONG>(seconds * SinkSecond(GetParam()))))
            << "the sink stopped growing";
    }

    fixtures::TempDir folder{L"outputs"};
    std::unique_ptr<rendertest::RenderedMix> mix;
    ComPtr<CPlayerOutput> output;
};

TEST_P(OutputDevice, StartsOnlyOnceTheInputIsReady)
{
    mix->Start(0);
    auto* gate = new GateStage(&mix->Final());
    output->AttachInput(gate, 0);
    ASSERT_EQ(output->Open(), S_OK);
    ASSERT_EQ(output->IsOpen(), S_OK);
    gate->SetActive(TRUE);
    EXPECT_EQ(output->Start(), S_OK);
    EXPECT_EQ(output->Start(), S_FALSE) << "a second start while one is requested";
    Sleep(300);
    EXPECT_EQ(output->IsRunning(), S_FALSE) << "started before the input was ready";
    EXPECT_EQ(gate->Reads(), 0) << "pulled from an input that was not ready";
    // A stop drops the start that still waits: the output stays stopped when the input is ready.
    output->Stop();
    gate->Open();
    Sleep(200);
    EXPECT_EQ(output->IsRunning(), S_FALSE) << "a stopped output started by itself";
    gate->SetActive(TRUE);
    EXPECT_EQ(output->Start(), S_OK);
    ASSERT_TRUE(WaitRunning(*output.get(), S_OK));
    EXPECT_EQ(FirstRead(*gate), GetParam().startRead) << "the first start did not fill the device";
    Hear(1.0);
    output->Stop();
    output->Close();
    output->DetachInput(gate);
    gate->Release();

    const std::vector<float> audio = ReadSink(GetParam().floatSink);
    const std::vector<int> kinds = ClassifyWindows(audio, GetParam().sinkRate, kFirstTone, kSecondTone);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), 1), kinds.end()) << "the mix's start was not heard";
}

TEST_P(OutputDevice, AfterStopAndStartNothingFromBeforeTheStopIsHeard)
{
    mix->Start(0);
    auto* input = new GateStage(&mix->Final());
    input->Open();
    output->AttachInput(input, 0);
    ASSERT_EQ(output->Open(), S_OK);
    input->SetActive(TRUE);
    output->Start();
    ASSERT_TRUE(WaitRunning(*output.get(), S_OK));
    Hear(1.0);
    output->Stop();
    EXPECT_EQ(output->IsRunning(), S_FALSE);
    Sleep(250);

    // As the play manager seeks: past the switch, where only the second tone plays.
    mix->Output().SeekTo((kSwitchSeconds + 2) * kSecond);
    input->ForgetFirstRead();
    input->SetActive(TRUE);
    EXPECT_EQ(output->Start(), S_OK);
    ASSERT_TRUE(WaitRunning(*output.get(), S_OK));
    EXPECT_EQ(FirstRead(*input), GetParam().startRead) << "the start after a stop did not refill the device";
    Hear(1.0);
    const ULONGLONG closeStart = GetTickCount64();
    output->Close();
    EXPECT_LT(GetTickCount64() - closeStart, CPlayerOutput::kCloseWaitMs) << "Close took too long";
    EXPECT_EQ(output->IsOpen(), S_FALSE);
    output->DetachInput(input);
    input->Release();

    const std::vector<float> audio = ReadSink(GetParam().floatSink);
    const std::vector<int> kinds = ClassifyWindows(audio, GetParam().sinkRate, kFirstTone, kSecondTone);
    // The first tone until the stop, silence while stopped (wave-out starts its sink anew
    // instead), then only the second tone.
    const auto firstHeard = std::find(kinds.begin(), kinds.end(), 1);
    const auto gap = firstHeard == kinds.end() ? kinds.begin() : std::find(firstHeard, kinds.end(), 0);
    ASSERT_NE(std::find(gap, kinds.end(), 2), kinds.end()) << "nothing after the restart was heard";
    const auto stale = std::find_if(gap, kinds.end(), [](int kind) { return kind == 1 || kind == -1; });
    EXPECT_EQ(stale, kinds.end()) << "audio from before the stop heard after the restart, in 20 ms window "
                                  << stale - kinds.begin();
}

INSTANTIATE_TEST_SUITE_P(Outputs, OutputDevice, ::testing::ValuesIn(kDevices),
                         [](const auto& info) { return std::string(info.param.name); });

// Wine has no hardware 3D voices: the output falls back to software 3D buffers. Each channel
// buffer stands at its speaker's place, so what only the left channel carries comes out on the
// left, for the front and the rear pair alike. (Wine pans a source 30 degrees off centre by 3 dB;
// without the placement both sides would be equal.)
TEST(PlayerOutputDSound3D, LeftOnlyInputIsLouderOnTheLeft)
{
    for (const bool front : {true, false}) {
        SCOPED_TRACE(front ? "front pair" : "rear pair");
        fixtures::TempDir folder{L"output3d"};
        const auto mix = TwoToneMix(folder, true);
        ASSERT_TRUE(mix->Ready()) << mix->Failure();
        mix->Start(0);
        const auto output =
            ComPtr<CPlayerOutput>::attach(new CPlayerOutputDSound3D(GUID_NULL, GetDesktopWindow(), front));
        output->SetBufferSize(kBufferBytes);
        output->AttachInput(&mix->Final(), front ? 1 : 2);
        ASSERT_EQ(output->Open(), S_OK);
        mix->Final().SetActive(TRUE);
        output->Start();
        ASSERT_TRUE(WaitRunning(*output.get(), S_OK));
        ASSERT_TRUE(WaitForSinkBytes(SinkBytes() + kMixerRate * 8));
        output->Close();
        output->DetachInput(&mix->Final());

        const std::vector<float> audio = ReadSink(true);
        double left = 0;
        double right = 0;
        for (size_t i = 0; i + 1 < audio.size(); i += 2) {
            left += audio[i] * audio[i];
            right += audio[i + 1] * audio[i + 1];
        }
        ASSERT_GT(left, 0.0) << "nothing heard";
        EXPECT_GT(10 * std::log10(left / std::max(right, 1e-12)), 2.0) << "left " << left << ", right " << right;
    }
}

// Wave-out hands the device our 16-bit samples: the capture is the mix as the final mix made
// it, equal within one step to the same mix pulled offline.
TEST(PlayerOutputWaveOut, CaptureEqualsTheOfflineRender)
{
    fixtures::TempDir folder{L"waveout"};
    const auto played = TwoToneMix(folder);
    ASSERT_TRUE(played->Ready()) << played->Failure();
    played->Start(0);
    const auto output = ComPtr<CPlayerOutput>::attach(new CPlayerOutputWaveOut(0));
    output->SetBufferSize(kBufferBytes);
    output->AttachInput(&played->Final(), 0);
    ASSERT_EQ(output->Open(), S_OK);
    played->Final().SetActive(TRUE);
    output->Start();
    ASSERT_TRUE(WaitRunning(*output.get(), S_OK));
    ASSERT_TRUE(WaitForSinkBytes(2 * kMixRate * 4));
    output->Close();
    output->DetachInput(&played->Final());
    const std::vector<float> captured = ReadSink(false);

    fixtures::TempDir offlineFolder{L"waveoutref"};
    const auto offline = TwoToneMix(offlineFolder);
    ASSERT_TRUE(offline->Ready());
    offline->Start(0);
    const std::vector<int16_t> reference = offline->Pull(2 * kMixRate * 4, 17640);

    const auto firstSound = [](auto begin, auto end) {
        return std::find_if(begin, end, [](auto sample) { return sample != 0; });
    };
    const size_t capturedStart = static_cast<size_t>(firstSound(captured.begin(), captured.end()) - captured.begin());
    const size_t referenceStart =
        static_cast<size_t>(firstSound(reference.begin(), reference.end()) - reference.begin());
    ASSERT_LT(capturedStart, captured.size()) << "nothing heard";
    ASSERT_EQ(capturedStart % 2, referenceStart % 2);
    const size_t count = std::min(captured.size() - capturedStart, reference.size() - referenceStart);
    ASSERT_GT(count, static_cast<size_t>(kMixRate)) << "less than half a second captured";
    for (size_t i = 0; i < count; ++i)
        ASSERT_NEAR(captured[capturedStart + i] * 32768.0f, reference[referenceStart + i], 1.0)
            << "sample " << i << " of the capture";
}

// A header the device refuses gets no WOM_DONE: its slot is taken back at once, so refused
// writes never stall the output.
TEST(PlayerOutputWaveOut, RefusedWritesFreeTheirSlots)
{
    static volatile LONG refusals = 0;
    const auto refuseSome = [](HWAVEOUT device, WAVEHDR* header, UINT size) -> MMRESULT {
        if (InterlockedIncrement(&refusals) <= CPlayerOutputWaveOut::kSlotCount + 2)
            return MMSYSERR_NOMEM;
        return waveOutWrite(device, header, size);
    };
    fixtures::TempDir folder{L"waveoutrefused"};
    const auto mix = TwoToneMix(folder);
    ASSERT_TRUE(mix->Ready()) << mix->Failure();
    mix->Start(0);
    const auto previous = CPlayerOutputWaveOut::SetWriteFunction(refuseSome);
    const auto output = ComPtr<CPlayerOutput>::attach(new CPlayerOutputWaveOut(0));
    output->SetBufferSize(kBufferBytes);
    output->AttachInput(&mix->Final(), 0);
    ASSERT_EQ(output->Open(), S_OK);
    mix->Final().SetActive(TRUE);
    output->Start();
    ASSERT_TRUE(WaitRunning(*output.get(), S_OK));
    const bool heard = WaitForSinkBytes(kMixRate * 4, 5000);
    output->Close();
    output->DetachInput(&mix->Final());
    CPlayerOutputWaveOut::SetWriteFunction(previous);
    EXPECT_GT(refusals, CPlayerOutputWaveOut::kSlotCount + 2) << "the output gave up after the refusals";
    EXPECT_TRUE(heard) << "nothing played after the refused writes";
}

// The base behaviour of every output, asked of the wave-out output without opening a device.
TEST(PlayerOutput, BaseBehaviour)
{
    struct Case {
        unsigned asked;
        unsigned kept;
    };
    const Case sizes[] = {{0, 14112}, {14112, 14112}, {88200, 88200}, {176400, 176400}, {1000000, 176400}};
    const auto output = ComPtr<CPlayerOutput>::attach(new CPlayerOutputWaveOut(0));
    for (const Case& size : sizes) {
        EXPECT_EQ(output->SetBufferSize(size.asked), S_OK);
        EXPECT_EQ(output->BufferSize(), size.kept) << "SetBufferSize(" << size.asked << ")";
    }
    EXPECT_EQ(output->Open(), E_FAIL) << "wave-out opens only with an input";
    EXPECT_EQ(output->IsOpen(), S_FALSE);

    const auto status = ComPtr<CProgressStatus>::attach(new CProgressStatus());
    EXPECT_EQ(output->SetProgressStatus(status.get()), S_OK);
    EXPECT_EQ(output->SetProgressStatus(status.get()), E_FAIL) << "a second progress status";

    ComPtr<IUnknown> unknown;
    EXPECT_EQ(output->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    void* poisoned = reinterpret_cast<void*>(1);
    EXPECT_EQ(output->QueryInterface(IID_IClassFactory, &poisoned), E_NOINTERFACE);
    EXPECT_EQ(poisoned, nullptr);
}

}  // namespace
