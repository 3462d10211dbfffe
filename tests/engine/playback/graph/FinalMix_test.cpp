// The final mix over an upstream stage of the test's own that plays a given float signal: the
// conversion to 16 bits with clipping, the level meters from the peak rings, and what a failing
// upstream leaves in the device's buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/playback/graph/FinalMix.h"

namespace {

// A float stereo stage that plays `signal` in a loop, or fails every read.
class SignalStage : public CPlayerInput {
public:
    explicit SignalStage(std::vector<float> signal) : m_signal(std::move(signal)) {}
    HRESULT STDMETHODCALLTYPE GetFormat(WAVEFORMATEX* format) override
    {
        *format = {3, 2, 44100, 352800, 8, 32, 0};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Read(BYTE* buffer, unsigned bytes) override
    {
        if (fail)
            return E_FAIL;
        auto* out = reinterpret_cast<float*>(buffer);
        for (unsigned i = 0; i < bytes / 4; ++i)
            out[i] = m_signal[(m_next++) % m_signal.size()];
        lastRead = bytes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetBufferedBytes(LONGLONG bytes) override
    {
        buffered = bytes;
        return S_OK;
    }
    bool fail = false;
    unsigned lastRead = 0;
    LONGLONG buffered = 0;

private:
    std::vector<float> m_signal;
    size_t m_next = 0;
};

std::vector<float> Sine(double amplitude)
{
    std::vector<float> s(44100 * 2);
    for (size_t i = 0; i < 44100; ++i)
        s[i * 2] = s[i * 2 + 1] = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * 441.0 * i / 44100));
    return s;
}

struct Levels {
    float peakLeft, peakRight, holdLeft, holdRight;
};

Levels ReadLevels(CFinalMix& mix, BOOL running)
{
    Levels l{};
    EXPECT_EQ(mix.GetLevels(&l.peakLeft, &l.peakRight, &l.holdLeft, &l.holdRight, running), S_OK);
    return l;
}

}  // namespace

TEST(FinalMix, ConvertsWithClipping)
{
    struct Row {
        float in;
        int16_t out;
    };
    const Row rows[] = {{0.0f, 0},       {0.5f, 16384}, {-0.5f, -16384}, {32767.0f / 32768, 32767}, {1.0f, 32767},
                        {-1.0f, -32767}, {1.5f, 32767}, {-7.0f, -32767}, {1.0f / 32768, 1}};
    std::vector<float> signal;
    for (const Row& r : rows) {
        signal.push_back(r.in);
        signal.push_back(-r.in);
    }
    auto* stage = new SignalStage(signal);
    auto* mix = new CFinalMix(stage);
    std::vector<int16_t> out(signal.size());
    ASSERT_EQ(mix->Read(reinterpret_cast<BYTE*>(out.data()), static_cast<unsigned>(out.size() * 2)), S_OK);
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(out[i * 2], rows[i].out) << "input " << rows[i].in;
        EXPECT_EQ(out[i * 2 + 1], -rows[i].out) << "input " << -rows[i].in;
    }
    mix->Release();
    stage->Release();
}

TEST(FinalMix, ServesAtMostOneSecondPerRead)
{
    auto* stage = new SignalStage(Sine(0.5));
    auto* mix = new CFinalMix(stage);
    std::vector<BYTE> out(400000, 0x55);
    ASSERT_EQ(mix->Read(out.data(), static_cast<unsigned>(out.size())), S_OK);
    EXPECT_EQ(stage->lastRead, 352800u);
    EXPECT_TRUE(std::all_of(out.begin() + 176400, out.end(), [](BYTE b) { return b == 0; }))
        << "the rest of the request is silence";
    mix->SetBufferedBytes(1000);
    EXPECT_EQ(stage->buffered, 2000) << "buffered bytes travel upstream in float bytes";
    mix->Release();
    stage->Release();
}

TEST(FinalMix, MetersReadSineLevelsSilenceAndStop)
{
    struct Row {
        const char* name;
        double amplitude;
        float expectedDb;
    };
    const Row rows[] = {{"full scale", 1.0, 0.0f}, {"-20 dB", 0.1, -20.0f}, {"silence", 0.0, -144.0f}};
    for (const Row& r : rows) {
        auto* stage = new SignalStage(Sine(r.amplitude));
        auto* mix = new CFinalMix(stage);
        std::vector<BYTE> out(17640 * 4);
        // Reads that split the 256-frame groups: a group carries over to the next read.
        for (unsigned size : {4000u, 17640u * 4 - 4000u})
            ASSERT_EQ(mix->Read(out.data(), size), S_OK);
        mix->SetBufferedBytes(4096 * 4);
        const Levels l = ReadLevels(*mix, TRUE);
        EXPECT_NEAR(l.peakLeft, r.expectedDb, 0.1) << r.name;
        EXPECT_NEAR(l.peakRight, r.expectedDb, 0.1) << r.name;
        EXPECT_NEAR(l.holdLeft, r.expectedDb, 0.1) << r.name << ": hold over the buffered part";
        const Levels stopped = ReadLevels(*mix, FALSE);
        EXPECT_EQ(stopped.peakLeft, -144.0f) << r.name;
        EXPECT_EQ(stopped.holdRight, -144.0f) << r.name;
        mix->Release();
        stage->Release();
    }
}

TEST(FinalMix, ClippedMaterialReadsAboveZeroDb)
{
    auto* stage = new SignalStage(Sine(1.2));
    auto* mix = new CFinalMix(stage);
    std::vector<BYTE> out(44100 * 4);
    ASSERT_EQ(mix->Read(out.data(), static_cast<unsigned>(out.size())), S_OK);
    mix->SetBufferedBytes(0);
    EXPECT_NEAR(ReadLevels(*mix, TRUE).peakLeft, 20 * std::log10(1.2), 0.1);
    mix->Release();
    stage->Release();
}

// The device plays whatever its buffer holds: a failed read must leave silence there.
TEST(FinalMix, FailuresLeaveSilenceInTheBuffer)
{
    auto* stage = new SignalStage(Sine(0.5));
    stage->fail = true;
    auto* mix = new CFinalMix(stage);
    std::vector<BYTE> out(4096, 0x5A);
    EXPECT_EQ(mix->Read(out.data(), 4096), S_FALSE);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](BYTE b) { return b == 0; })) << "upstream failed";

    auto* unready = new CFinalMix(nullptr);
    std::fill(out.begin(), out.end(), 0x5A);
    EXPECT_EQ(unready->Read(out.data(), 4096), E_FAIL);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](BYTE b) { return b == 0; })) << "not ready";
    unready->Release();
    mix->Release();
    stage->Release();
}
