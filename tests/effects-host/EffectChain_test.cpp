// The effect chain through IOstrel with the test effect DMO registered in the prefix: listing,
// editing the chain, and audio through it, compared with what the effects' settings predict.
#include "tests/effects-host/OstrelFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>

namespace {

using namespace ostrel_test;

constexpr DWORD kBufferFloats = 8192 / sizeof(float);

// What a chain of test effects makes of input sent in whole buffers (the last one padded with
// zeros): the gains multiplied, and as many frames held back as the latencies add up to.
std::vector<float> Predict(const std::vector<float>& input, float gain, size_t latencyFrames)
{
    const size_t sent = (input.size() + kBufferFloats - 1) / kBufferFloats * kBufferFloats;
    std::vector<float> out(sent - 2 * latencyFrames, 0.0f);
    for (size_t i = 0; i < out.size() && i < input.size(); ++i)
        out[i] = input[i] * gain;
    return out;
}

class EffectChainTest : public testing::Test {
protected:
    void SetUp() override
    {
        host = NewInitializedHost();
        ASSERT_TRUE(host);
    }
    ComPtr<IOstrel> host;
};

TEST_F(EffectChainTest, ListsTheTestEffectOnceSortedAndSkipsWhatWineShips)
{
    std::vector<std::wstring> names;
    std::vector<CLSID> clsids;
    CLSID clsid{};
    WCHAR name[128];
    for (int i = 0; host->GetAvailableEffect(i, &clsid, name) == S_OK; ++i) {
        names.push_back(name);
        clsids.push_back(clsid);
    }
    EXPECT_EQ(std::count(names.begin(), names.end(), std::wstring(kTestEffectName)), 1);
    for (size_t i = 1; i < names.size(); ++i)
        EXPECT_LE(_wcsicmp(names[i - 1].c_str(), names[i].c_str()), 0) << i;
    // The ACM wrapper and the sample grabber pass PCM but are on the skip list.
    const CLSID acmWrapper = {0x6A08CF80, 0x0E18, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}};
    const CLSID sampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
    for (const CLSID& listed : clsids) {
        EXPECT_FALSE(IsEqualGUID(listed, acmWrapper));
        EXPECT_FALSE(IsEqualGUID(listed, sampleGrabber));
    }

    EXPECT_EQ(host->Initialize(), S_FALSE);
    int count = 0;
    while (host->GetAvailableEffect(count, &clsid, name) == S_OK)
        ++count;
    EXPECT_EQ(count, static_cast<int>(names.size()));
    EXPECT_EQ(host->GetAvailableEffect(-1, &clsid, name), S_FALSE);

    // Nothing Wine ships has property pages: every other listed effect is refused.
    for (size_t i = 0; i < clsids.size(); ++i) {
        if (IsEqualGUID(clsids[i], CLSID_TestEffectDmo))
            continue;
        LONG id = 0;
        EXPECT_EQ(host->InsertEffect(&clsids[i], -1, nullptr, &id), E_FAIL) << i;
    }
    EXPECT_EQ(host->HasEffects(), 0);
}

TEST(EffectChainUninitialised, RefusesWorkAndListsNothing)
{
    Library library;
    ComPtr<IOstrel> host = library.CreateHost();
    ASSERT_TRUE(host);
    LONG id = 0;
    CLSID clsid{};
    WCHAR name[128];
    BYTE* data = nullptr;
    DWORD bytes = 0;
    LONGLONG handle = -1;
    IUnknown* filter = nullptr;
    EXPECT_EQ(host->InsertEffect(&CLSID_TestEffectDmo, -1, nullptr, &id), E_FAIL);
    EXPECT_EQ(host->RemoveEffect(1), E_FAIL);
    EXPECT_EQ(host->MoveEffect(1, -1), E_FAIL);
    EXPECT_EQ(host->GetEffectById(1, &filter), E_FAIL);
    EXPECT_EQ(host->GetInputBuffer(FALSE, &data, &bytes), E_FAIL);
    EXPECT_EQ(host->DeliverInputBuffer(), E_FAIL);
    EXPECT_EQ(host->GetOutputBuffer(&data, &bytes, &handle), E_FAIL);
    EXPECT_EQ(host->ReleaseOutputBuffer(-1), E_FAIL);
    EXPECT_EQ(host->GetAvailableEffect(0, &clsid, name), S_FALSE);
    EXPECT_EQ(host->GetInsertedEffect(0, &clsid, name, &id), S_FALSE);
    EXPECT_EQ(host->HasEffects(), 0);
}

TEST_F(EffectChainTest, InsertMoveAndRemoveFollowTheBeforeIdRules)
{
    const TestEffectSettings unity = {1.0f, 0, 0};
    const LONG a = InsertTestEffect(host.get(), unity);
    const LONG b = InsertTestEffect(host.get(), unity, -1);
    const LONG c = InsertTestEffect(host.get(), unity, a);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, a);
    ASSERT_GT(c, b);
    EXPECT_EQ(ChainIds(host.get()), (std::vector<LONG>{c, a, b}));
    // An unknown before-id appends.
    const LONG d = InsertTestEffect(host.get(), unity, 99999);
    EXPECT_EQ(ChainIds(host.get()), (std::vector<LONG>{c, a, b, d}));

    struct MoveCase {
        const char* name;
        LONG id;
        LONG before;
        HRESULT result;
        std::vector<LONG> chain;
    };
    const MoveCase moves[] = {
        {"before its own id appends", a, a, S_OK, {c, b, d, a}},
        {"before another", d, c, S_OK, {d, c, b, a}},
        {"before -1 appends", c, -1, S_OK, {d, b, a, c}},
        {"before -2 is refused", b, -2, E_FAIL, {d, b, a, c}},
        {"unknown id is refused", 99999, a, E_FAIL, {d, b, a, c}},
    };
    for (const MoveCase& move : moves) {
        EXPECT_EQ(host->MoveEffect(move.id, move.before), move.result) << move.name;
        EXPECT_EQ(ChainIds(host.get()), move.chain) << move.name;
    }

    CLSID clsid{};
    WCHAR name[128];
    LONG id = 0;
    ASSERT_EQ(host->GetInsertedEffect(0, &clsid, name, &id), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_TestEffectDmo));
    EXPECT_STREQ(name, kTestEffectName);
    EXPECT_EQ(host->GetInsertedEffect(4, &clsid, name, &id), S_FALSE);

    EXPECT_EQ(host->RemoveEffect(99999), E_FAIL);
    for (LONG removed : {b, d, a}) {
        EXPECT_EQ(host->RemoveEffect(removed), S_OK);
        EXPECT_EQ(host->HasEffects(), 1);
    }
    EXPECT_EQ(host->RemoveEffect(c), S_OK);
    EXPECT_EQ(host->HasEffects(), 0);
    BYTE* data = nullptr;
    DWORD bytes = 0;
    EXPECT_EQ(host->GetInputBuffer(FALSE, &data, &bytes), S_FALSE);
    // The chain still works after being emptied.
    const LONG again = InsertTestEffect(host.get(), {0.5f, 0, 0});
    ASSERT_GT(again, 0);
    const std::vector<float> input = GridNoise(kBufferFloats / 2, 3);
    EXPECT_EQ(Process(host.get(), input), Predict(input, 0.5f, 0));
}

TEST_F(EffectChainTest, BuffersComeOutAsTheSettingsPredict)
{
    const std::vector<float> input = GridNoise(5 * kBufferFloats / 2, 7);
    struct ChainCase {
        const char* name;
        std::vector<TestEffectSettings> effects;
        float gain;
        size_t latency;
    };
    const ChainCase cases[] = {
        {"one effect", {{0.5f, 0, 0}}, 0.5f, 0},
        {"one latent effect", {{2.0f, 37, 0}}, 2.0f, 37},
        {"three effects", {{0.5f, 3, 0}, {2.0f, 0, kTestEffectSplit}, {0.25f, 5, 0}}, 0.25f, 8},
    };
    for (const ChainCase& chain : cases) {
        ComPtr<IOstrel> fresh = NewInitializedHost();
        ASSERT_TRUE(fresh);
        for (const TestEffectSettings& effect : chain.effects)
            ASSERT_GT(InsertTestEffect(fresh.get(), effect), 0) << chain.name;
        EXPECT_EQ(Process(fresh.get(), input), Predict(input, chain.gain, chain.latency)) << chain.name;
    }
}

TEST_F(EffectChainTest, AChainThatCannotBeLinkedIsPutBackAsItWas)
{
    const LONG a = InsertTestEffect(host.get(), {0.5f, 0, 0});
    const LONG b = InsertTestEffect(host.get(), {2.0f, 0, 0});
    ASSERT_GT(b, a);
    LONG id = 0;
    ComPtr<IStream> refusing = SettingsStream({1.0f, 0, kTestEffectRefuseLink});
    EXPECT_TRUE(FAILED(host->InsertEffect(&CLSID_TestEffectDmo, b, refusing.get(), &id)));
    EXPECT_EQ(ChainIds(host.get()), (std::vector<LONG>{a, b}));
    // The previous chain is linked and running again: the audio still goes through both.
    const std::vector<float> input = GridNoise(kBufferFloats / 2, 9);
    EXPECT_EQ(Process(host.get(), input), Predict(input, 1.0f, 0));
}

// An effect whose settings changed since it was linked may refuse the link that a removal needs,
// and the chain put back as it was then does not link either: the host leaves that effect out
// and runs the rest, rather than keep a stopped graph with effects in it that passes nothing.
TEST_F(EffectChainTest, AnEffectThatNoLongerLinksIsLeftOutAndTheRestRunsOn)
{
    const LONG a = InsertTestEffect(host.get(), {0.5f, 0, 0});
    const LONG b = InsertTestEffect(host.get(), {2.0f, 0, 0});
    const LONG c = InsertTestEffect(host.get(), {0.25f, 0, 0});
    ASSERT_GT(c, b);
    ComPtr<ITestEffectSettings> settings = EffectSettings(host.get(), b);
    ASSERT_TRUE(settings);
    const TestEffectSettings refusing = {2.0f, 0, kTestEffectRefuseLink};
    ASSERT_EQ(settings->SetSettings(&refusing), S_OK);

    EXPECT_TRUE(FAILED(host->RemoveEffect(a)));
    EXPECT_EQ(ChainIds(host.get()), (std::vector<LONG>{a, c}));
    EXPECT_EQ(host->HasEffects(), 1);
    const std::vector<float> input = GridNoise(kBufferFloats / 2, 13);
    EXPECT_EQ(Process(host.get(), input), Predict(input, 0.125f, 0));
    // The chain takes changes again.
    EXPECT_EQ(host->RemoveEffect(a), S_OK);
    EXPECT_EQ(Process(host.get(), input), Predict(input, 0.25f, 0));
}

TEST_F(EffectChainTest, AnEffectThatFaultsWhileInsertedIsRefusedAndTheChainRunsOn)
{
    const FloatingPointState start = CurrentFloatingPointState();
    const LONG a = InsertTestEffect(host.get(), {0.5f, 0, 0});
    const LONG b = InsertTestEffect(host.get(), {0.5f, 0, kTestEffectSplit});
    ASSERT_GT(b, a);
    struct FaultCase {
        const char* name;
        DWORD flags;
    };
    const FaultCase cases[] = {
        {"access violation while loading", kTestEffectFaultAccess},
        {"float trap while loading", kTestEffectFaultFloat},
        {"access violation while linking", kTestEffectFaultAccess | kTestEffectFaultOnLink},
        {"float trap while linking", kTestEffectFaultFloat | kTestEffectFaultOnLink},
    };
    const std::vector<float> input = GridNoise(3 * kBufferFloats / 2, 17);
    for (const FaultCase& fault : cases) {
        ComPtr<IStream> state = SettingsStream({1.0f, 0, fault.flags});
        LONG id = 0;
        EXPECT_EQ(host->InsertEffect(&CLSID_TestEffectDmo, b, state.get(), &id), E_FAIL) << fault.name;
        EXPECT_EQ(ChainIds(host.get()), (std::vector<LONG>{a, b})) << fault.name;
        EXPECT_EQ(CurrentFloatingPointState(), start) << fault.name;
        EXPECT_EQ(Process(host.get(), input), Predict(input, 0.25f, 0)) << fault.name;
    }
    // The chain still takes changes.
    const LONG c = InsertTestEffect(host.get(), {4.0f, 0, 0}, b);
    ASSERT_GT(c, b);
    EXPECT_EQ(Process(host.get(), input), Predict(input, 1.0f, 0));
}

TEST_F(EffectChainTest, SeveralOutputsOfOneInputStayQueuedInOrder)
{
    ASSERT_GT(InsertTestEffect(host.get(), {1.0f, 0, kTestEffectSplit}), 0);
    const std::vector<float> input = GridNoise(kBufferFloats / 2, 11);
    BYTE* data = nullptr;
    DWORD bytes = 0;
    ASSERT_EQ(host->GetInputBuffer(TRUE, &data, &bytes), S_OK);
    ASSERT_EQ(bytes, 8192u);
    // A second buffer is not handed out while one is out.
    BYTE* second = nullptr;
    DWORD secondBytes = 0;
    EXPECT_EQ(host->GetInputBuffer(FALSE, &second, &secondBytes), E_FAIL);
    memcpy(data, input.data(), bytes);
    ASSERT_EQ(host->DeliverInputBuffer(), S_OK);
    EXPECT_EQ(host->DeliverInputBuffer(), S_FALSE);

    std::vector<LONGLONG> handles;
    std::vector<float> output;
    LONGLONG handle = -1;
    // Read without giving back: the queue holds both pieces, first delivered first.
    for (;;) {
        handle = handles.empty() ? -1 : handles.back() + 1;
        if (host->GetOutputBuffer(&data, &bytes, &handle) != S_OK)
            break;
        handles.push_back(handle);
        const auto* floats = reinterpret_cast<const float*>(data);
        output.insert(output.end(), floats, floats + bytes / sizeof(float));
    }
    ASSERT_EQ(handles.size(), 2u);
    EXPECT_EQ(output, input);

    // A given-back buffer is gone for both operations.
    EXPECT_EQ(host->ReleaseOutputBuffer(handles[0]), S_OK);
    handle = handles[0];
    EXPECT_EQ(host->GetOutputBuffer(&data, &bytes, &handle), E_FAIL);
    EXPECT_EQ(host->ReleaseOutputBuffer(handles[0]), E_FAIL);
    handle = -1;
    ASSERT_EQ(host->GetOutputBuffer(&data, &bytes, &handle), S_OK);
    EXPECT_EQ(handle, handles[1]);
    EXPECT_EQ(host->ReleaseOutputBuffer(-1), S_OK);
    handle = -1;
    EXPECT_EQ(host->GetOutputBuffer(&data, &bytes, &handle), E_FAIL);
}

// Wine's standard compressor cannot join a chain (it shows no property pages): the test effect
// stands in for it under its CLSID, registered for this process only.
TEST_F(EffectChainTest, AChainWithTheStandardCompressorRunsOnSixteenBitSamples)
{
    const CLSID compressor = {0xEF011F79, 0x4000, 0x406D, {0x87, 0xAF, 0xBF, 0xFB, 0x3F, 0xC3, 0x9D, 0x57}};
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path);
    dll.erase(dll.find_last_of(L'\\') + 1);
    UniqueModule effectLibrary(LoadLibraryW((dll + L"test_effect\\TestEffectDmo.dll").c_str()));
    ASSERT_TRUE(effectLibrary);
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(effectLibrary.get(), "DllGetClassObject")));
    ComPtr<IUnknown> factory;
    ASSERT_EQ(getClassObject(CLSID_TestEffectDmo, IID_IClassFactory, factory.put_void()), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(compressor, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    ComPtr<IStream> state = SettingsStream({0.5f, 0, 0});
    LONG id = 0;
    const HRESULT inserted = host->InsertEffect(&compressor, -1, state.get(), &id);
    std::vector<float> output;
    std::vector<float> input = GridNoise(kBufferFloats / 2, 13);
    input[0] = 1.0f;
    input[1] = -1.0f;
    if (SUCCEEDED(inserted))
        output = Process(host.get(), input);
    host->RemoveEffect(id);
    CoRevokeClassObject(cookie);
    ASSERT_EQ(inserted, S_OK);

    // Scaled by 32768 into 16 bits (full scale clipped to 32767), halved by the effect with
    // rounding, and back by 2^-15.
    ASSERT_EQ(output.size(), input.size());
    for (size_t i = 0; i < input.size(); ++i) {
        const float sixteen = std::clamp(input[i] * 32768.0f, -32767.0f, 32767.0f);
        EXPECT_EQ(output[i], std::nearbyint(sixteen * 0.5f) / 32768.0f) << i;
    }
}

TEST_F(EffectChainTest, InsertedStateAndLaterSettingsReachTheEffect)
{
    ComPtr<IStream> state = SettingsStream({0.25f, 0, 0});
    LONG id = 0;
    ASSERT_EQ(host->InsertEffect(&CLSID_TestEffectDmo, -1, state.get(), &id), S_OK);
    // The host keeps no reference to the state it was given.
    state->AddRef();
    EXPECT_EQ(state->Release(), 1u);
    ComPtr<ITestEffectSettings> settings = EffectSettings(host.get(), id);
    ASSERT_TRUE(settings);
    TestEffectSettings loaded{};
    ASSERT_EQ(settings->GetSettings(&loaded), S_OK);
    EXPECT_EQ(loaded.gain, 0.25f);
    const std::vector<float> input = GridNoise(kBufferFloats / 2, 5);
    EXPECT_EQ(Process(host.get(), input), Predict(input, 0.25f, 0));
    const TestEffectSettings louder = {4.0f, 0, 0};
    ASSERT_EQ(settings->SetSettings(&louder), S_OK);
    EXPECT_EQ(Process(host.get(), input), Predict(input, 4.0f, 0));
}

}  // namespace
