// Prints the effects host's figures, taken inside Wine on one thread (the chain runs on the
// caller's thread):
// - float stereo buffers through chains of one and of three copying test effects, in multiples
//   of real time (target for three: at least 300);
// - insert, remove and move in a chain of five effects, the slowest of each over several rounds
//   (target: at most 20 ms each).
// No peer: nothing on this machine hosts DirectShow effect chains natively.
// The test effect DMO is registered in the prefix for the run and removed again at the end.
#include "bench/common/Clock.h"
#include "bench/common/TestEffectRegistration.h"
#include "engine/core/server/ThreadCom.h"
#include "tests/effects-host/OstrelFixture.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace ostrel_test;

constexpr double kSeconds = 120.0;
constexpr unsigned kRate = 44100;
constexpr int kEditRounds = 20;

// Seconds of audio per second of processing through a chain of `effects` unity test effects.
double Throughput(int effects)
{
    ComPtr<IOstrel> host = NewInitializedHost();
    for (int i = 0; i < effects; ++i)
        if (InsertTestEffect(host.get(), {1.0f, 0, 0}) < 0)
            return 0.0;
    const std::vector<float> block = GridNoise(1024, 3);
    const size_t buffers = static_cast<size_t>(kSeconds * kRate / 1024);
    std::vector<float> sink(block.size());
    const double start = bench::NowSeconds();
    for (size_t b = 0; b < buffers; ++b) {
        BYTE* data = nullptr;
        DWORD bytes = 0;
        host->Lock();
        if (host->GetInputBuffer(FALSE, &data, &bytes) == S_OK) {
            memcpy(data, block.data(), bytes);
            host->DeliverInputBuffer();
        }
        LONGLONG handle = -1;
        while (host->GetOutputBuffer(&data, &bytes, &handle) == S_OK) {
            memcpy(sink.data(), data, std::min<size_t>(bytes, sink.size() * sizeof(float)));
            host->ReleaseOutputBuffer(handle);
            handle = -1;
        }
        host->Unlock();
    }
    return kSeconds / (bench::NowSeconds() - start);
}

struct EditTimes {
    double insert = 0.0;
    double remove = 0.0;
    double move = 0.0;
};

// The slowest insert, remove and move (milliseconds) with five effects in the chain.
EditTimes Edits()
{
    EditTimes worst;
    ComPtr<IOstrel> host = NewInitializedHost();
    for (int i = 0; i < 4; ++i)
        InsertTestEffect(host.get(), {1.0f, 0, 0});
    for (int round = 0; round < kEditRounds; ++round) {
        double start = bench::NowSeconds();
        const LONG id = InsertTestEffect(host.get(), {1.0f, 0, 0}, ChainIds(host.get()).front());
        worst.insert = std::max(worst.insert, (bench::NowSeconds() - start) * 1000.0);
        start = bench::NowSeconds();
        host->MoveEffect(id, -1);
        worst.move = std::max(worst.move, (bench::NowSeconds() - start) * 1000.0);
        start = bench::NowSeconds();
        host->RemoveEffect(id);
        worst.remove = std::max(worst.remove, (bench::NowSeconds() - start) * 1000.0);
    }
    return worst;
}

}  // namespace

int main()
{
    // The engine's threads drive effects hosts from the multithreaded apartment.
    const CThreadCom com;
    bench::TestEffectRegistration registration;
    if (!registration.ok()) {
        std::printf("effects: the test effect could not be registered\n");
        return 1;
    }
    for (int effects : {1, 3})
        std::printf("effects: %d copying effect(s): %.0fx real time (target for 3: >= 300x)\n", effects,
                    Throughput(effects));
    const EditTimes edits = Edits();
    std::printf("effects: chain of five, slowest of %d: insert %.2f ms, remove %.2f ms, move %.2f ms "
                "(target: <= 20 ms each)\n",
                kEditRounds, edits.insert, edits.remove, edits.move);
    return 0;
}
