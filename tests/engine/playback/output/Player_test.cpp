// The player over an owner double that stands where the engine main object will be: the output
// configuration stored as 64 bytes and read back by Wine's reg.exe, the default for a missing or
// foreign value, the export and webcast lists, streams heard on the configured device and playing
// on on a new one while playing, and mode 3 binding the live stream to the webcast library double.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "OutputTestSupport.h"
#include "classlib/com/UniqueHandle.h"
#include "classlib/core/WinApp.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/playback/graph/EfxChain.h"
#include "engine/playback/graph/FinalMix.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/graph/PlayItem.h"
#include "engine/playback/output/Player.h"
#include "interfaces/IHostMedia.h"
#include "interfaces/IUiUpdateQueue.h"
#include "tests/engine/core/mix/MixOwnerDouble.h"
#include "tests/engine/playback/output/webcast-double/WebcastDouble.h"
#include "tests/support/Programs.h"
#include "tests/support/Signals.h"
#include "tests/support/WavWriter.h"

using namespace outputtest;

namespace {

constexpr wchar_t kAppName[] = L"PlayerTests";

// The video montage library's media services: one export type with two formats.
class HostMediaDouble : public IHostMedia {
public:
    virtual ~HostMediaDouble() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnPlayStarting(LONGLONG, IPlayManager*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPlayStarted(LONGLONG, IPlayManager*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPlayStopped() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtensions(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMediaInfo(BSTR, LONGLONG*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetThumbnail(BSTR, LONGLONG, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PrepareReader(BSTR, IPcmReader*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExportType(int index, int* id, BSTR* name, BSTR* extension) override
    {
        if (index != 0)
            return S_FALSE;
        *id = 7;
        *name = SysAllocString(L"Video montage");
        *extension = SysAllocString(L"avi");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExportFormat(int index, int* id, BSTR* name, int* bitRate) override
    {
        if (index > 1)
            return S_FALSE;
        *id = 70 + index;
        *name = SysAllocString(index == 0 ? L"Low" : L"High");
        *bitRate = 1000 * (index + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnReposition(LONGLONG, LONGLONG, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved17() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved18() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVideoPreview(BSTR, BSTR, IVideoPreviewPlayer**) override { return E_NOTIMPL; }
};

// The engine main object as the player's owner: when the player tells the mix manager of a new
// configuration, another thread asks the player for something under its lock, which answers only
// when the player has let go of it.
class OwnerDouble : public MixOwnerDouble {
public:
    HRESULT STDMETHODCALLTYPE OnOutputConfigurationChanged(BOOL add) override
    {
        MixOwnerDouble::OnOutputConfigurationChanged(add);
        if (player) {
            const UniqueKernelHandle asker(CreateThread(nullptr, 0, AskPlayer, player, 0, nullptr));
            lockFreeWhenNotified.push_back(WaitForSingleObject(asker.get(), 5000) == WAIT_OBJECT_0);
        }
        return S_OK;
    }

    CPlayer* player = nullptr;
    std::vector<bool> lockFreeWhenNotified;

private:
    static DWORD WINAPI AskPlayer(void* player)
    {
        BSTR url = nullptr;
        static_cast<CPlayer*>(player)->GetWebcastUrl(&url);
        SysFreeString(url);
        return 0;
    }
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_key = L"Carrowfold Player Test " + std::to_wstring(GetCurrentProcessId());
        m_app = std::make_unique<CWinApp>(kAppName);
        m_app->SetRegistryKey(m_key.c_str());
    }
    void TearDown() override
    {
        player.reset();
        m_app.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_key).c_str());
    }
    void MakePlayer()
    {
        player.reset(new CPlayer(static_cast<IMixManagerInternal*>(&owner)));
        owner.player = player.get();
        player->Setup(GetDesktopWindow());
    }
    CWinApp& App() { return *m_app; }

    // The stored "Output Configuration" as Wine's reg.exe shows it; empty when it is missing.
    std::vector<BYTE> QueryStoredConfig()
    {
        return QueryRegistryBinary(L"Software\\" + m_key + L"\\" + kAppName + L"\\Settings", L"Output Configuration");
    }

    OwnerDouble owner;
    InnerPtr<CPlayer> player;

private:
    std::wstring m_key;
    std::unique_ptr<CWinApp> m_app;
};

std::wstring Text(BSTR text)
{
    std::wstring result(text ? text : L"");
    SysFreeString(text);
    return result;
}

TEST_F(PlayerTest, ConfigurationIsStoredAsSixtyFourBytes)
{
    MakePlayer();
    BSTR name = nullptr;
    int device = -1;
    ASSERT_EQ(player->GetOutputDevice(0, &device, &name), S_OK) << "Wine lists one DirectSound device";
    const std::wstring firstDevice = Text(name);

    struct Case {
        const char* name;
        PLAYER_OUTPUTCONFIG set;
        DWORD buffer;
        DWORD preview;
    };
    const Case cases[] = {
        {"DirectSound, both streams on the main device", {28, 1, 1, 0, 100000, 0, 5}, 99840, 0},
        {"wave-out, the preview on its own device", {28, 2, 2, 0, 5000, 0, 3}, 14080, 3},
        {"wave-out, both streams on the main device", {28, 1, 2, 0, 1000000, 0, 7}, 176384, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t notifications = owner.changes.size();
        EXPECT_EQ(player->SetOutputConfig(&c.set), S_OK);
        ASSERT_EQ(owner.changes.size(), notifications + 1) << "the mix manager was not told";
        EXPECT_FALSE(owner.changes.back());
        EXPECT_TRUE(owner.lockFreeWhenNotified.back()) << "the mix manager was called under the player's lock";

        PLAYER_OUTPUTCONFIG got{};
        ASSERT_EQ(player->GetOutputConfig(&got), S_OK);
        EXPECT_EQ(got.size, 28u);
        EXPECT_EQ(got.outputMode, c.set.outputMode);
        EXPECT_EQ(got.deviceKind, c.set.deviceKind);
        EXPECT_EQ(got.bufferBytes, c.buffer);
        EXPECT_EQ(got.mainDevice, 0u);
        EXPECT_EQ(got.previewDevice, c.preview);

        const std::vector<BYTE> stored = QueryStoredConfig();
        ASSERT_EQ(stored.size(), 64u);
        PLAYER_STOREDCONFIG block{};
        std::memcpy(&block, stored.data(), sizeof(block));
        EXPECT_EQ(block.reserved, 0u);
        EXPECT_EQ(block.outputMode, c.set.outputMode);
        EXPECT_EQ(block.deviceKind, c.set.deviceKind);
        EXPECT_EQ(block.bufferBytes, c.buffer);
        EXPECT_EQ(block.mainIndex, 0);
        EXPECT_EQ(block.previewIndex, c.set.deviceKind == 2 ? c.preview : 0);
        EXPECT_EQ(block.mainPairType, 0);
        EXPECT_EQ(block.previewPairType, 0);
    }
    EXPECT_EQ(player->GetOutputDevice(0, &device, &name), S_OK);
    EXPECT_FALSE(Text(name).empty()) << "wave-out device 0 has a name";
    EXPECT_EQ(player->GetOutputDevice(99, &device, &name), E_FAIL);
    EXPECT_FALSE(firstDevice.empty());
}

TEST_F(PlayerTest, MissingOrForeignStoredValueAppliesTheDefault)
{
    PLAYER_STOREDCONFIG own{0, 2, 2, 0, 0, 44032, 0, 0, GUID_NULL, 1, 0, GUID_NULL};
    const BYTE foreign[28] = {28, 0, 0, 0, 2};
    struct Case {
        const char* name;
        const BYTE* stored;
        UINT bytes;
        PLAYER_OUTPUTCONFIG expected;
    };
    const Case cases[] = {
        {"nothing stored", nullptr, 0, {28, 1, 1, 0, 88064, 0, 0}},
        {"28 bytes stored", foreign, sizeof(foreign), {28, 1, 1, 0, 88064, 0, 0}},
        {"64 bytes stored", reinterpret_cast<const BYTE*>(&own), sizeof(own), {28, 2, 2, 0, 44032, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.stored) {
            ASSERT_TRUE(App().WriteProfileBinary(L"Settings", L"Output Configuration", c.stored, c.bytes));
        }
        MakePlayer();
        PLAYER_OUTPUTCONFIG got{};
        ASSERT_EQ(player->GetOutputConfig(&got), S_OK);
        EXPECT_EQ(std::memcmp(&got, &c.expected, sizeof(got)), 0)
            << "mode " << got.outputMode << ", kind " << got.deviceKind << ", buffer " << got.bufferBytes
            << ", devices " << got.mainDevice << "/" << got.previewDevice;
        EXPECT_EQ(QueryStoredConfig().size(), 64u) << "the value now stored";
    }
}

TEST_F(PlayerTest, ExportListsHoldTheWavFileThenTheHostsTypes)
{
    HostMediaDouble host;
    owner.hostMedia = &host;
    MakePlayer();
    struct Type {
        int id;
        std::wstring name;
        std::wstring extension;
    };
    std::vector<Type> types;
    int id = 0;
    BSTR name = nullptr;
    BSTR extension = nullptr;
    for (int i = 0; player->GetExportType(i, &id, &name, &extension) == S_OK; ++i)
        types.push_back({id, Text(name), Text(extension)});
    ASSERT_GE(types.size(), 2u);
    EXPECT_EQ(types.front().id, 1);
    EXPECT_EQ(types.front().name, L"Mixed WAV-Datei");
    EXPECT_EQ(types.front().extension, L"wav");
    EXPECT_EQ(types.back().id, 7) << "the host's types come after the engine's";
    EXPECT_EQ(types.back().extension, L"avi");
    // The Windows Media writer beside the test binary can be created.
    ASSERT_EQ(types.size(), 3u);
    EXPECT_EQ(types[1].id, 2);
    EXPECT_EQ(types[1].name, L"Mixed Windows Media Audio 8 Datei");
    EXPECT_EQ(types[1].extension, L"wma");

    int bitRate = 0;
    ASSERT_EQ(player->GetExportFormat(1, 0, &id, &name, &bitRate), S_OK);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(Text(name), L"44.1kHz 16-bit stereo (CD-Audio)");
    EXPECT_EQ(bitRate, 1411200);
    EXPECT_EQ(player->GetExportFormat(1, 1, &id, &name, &bitRate), E_FAIL);
    ASSERT_EQ(player->GetExportFormat(7, 1, &id, &name, &bitRate), S_OK);
    EXPECT_EQ(id, 71);
    EXPECT_EQ(Text(name), L"High");
    EXPECT_EQ(player->GetExportFormat(7, 2, &id, &name, &bitRate), E_FAIL);
    EXPECT_EQ(player->GetExportType(3, &id, &name, &extension), E_FAIL);
    EXPECT_EQ(player->GetExportType(-1, &id, &name, &extension), E_FAIL);
}

// A stream plays on DirectSound; a new configuration while it plays binds it to wave-out, where
// it is started again and heard.
TEST_F(PlayerTest, StreamIsHeardOnItsDeviceAndRebindsWhilePlaying)
{
    fixtures::TempDir folder{L"player"};
    const auto mix = TwoToneMix(folder);
    ASSERT_TRUE(mix->Ready()) << mix->Failure();
    MakePlayer();
    CMixOutput* output = nullptr;
    CEfxChain* chain = nullptr;
    CFinalMix* finalMix = nullptr;
    ASSERT_TRUE(player->CreateStream(1, &output, &chain, &finalMix));
    ASSERT_NE(finalMix, nullptr);
    EXPECT_FALSE(player->IsStreamRunning(1));
    mix->Feed(*output, 0);

    const auto waitRunning = [&](bool wanted) {
        for (int i = 0; i < 500 && player->IsStreamRunning(1) != (wanted ? TRUE : FALSE); ++i)
            Sleep(10);
        return player->IsStreamRunning(1) == (wanted ? TRUE : FALSE);
    };
    EXPECT_TRUE(player->StartStream(1));
    ASSERT_TRUE(waitRunning(true)) << "DirectSound did not start";
    ASSERT_TRUE(WaitForSinkBytes(SinkBytes() + kMixerRate * 8));
    const std::vector<float> onDirectSound = ReadSink(true);
    EXPECT_NEAR(
        ToneLevel(onDirectSound, onDirectSound.size() / 2 - kMixerRate / 5, kMixerRate / 10, kFirstTone, kMixerRate),
        kToneAmplitude, kToneAmplitude * 0.06)
        << "the 441 Hz tone at its level";

    // A playing stream plays on on the new device, from what was heard last on the old one (its
    // buffer of half a second was read but not yet played).
    const PLAYER_OUTPUTCONFIG waveOut{28, 1, 2, 0, 88200, 0, 0};
    const LONGLONG heard = output->GetPosition();
    ASSERT_EQ(player->SetOutputConfig(&waveOut), S_OK);
    ASSERT_TRUE(waitRunning(true)) << "wave-out did not start on its own";
    const LONGLONG goesOn = output->GetPosition() - heard;
    EXPECT_GT(goesOn, -20000);
    EXPECT_LT(goesOn, 250000) << "the stream goes on where it was heard, not past what the old device held";
    ASSERT_TRUE(WaitForSinkBytes(kMixRate * 4));
    EXPECT_TRUE(player->StopStream(1));
    EXPECT_FALSE(player->IsStreamRunning(1));
    const std::vector<float> onWaveOut = ReadSink(false);
    ASSERT_GT(onWaveOut.size(), kMixRate);
    EXPECT_NEAR(ToneLevel(onWaveOut, onWaveOut.size() / 4, kMixRate / 10, kFirstTone, kMixRate), kToneAmplitude,
                kToneAmplitude * 0.01)
        << "wave-out carries our samples";

    player->ReleaseStream(1, output, chain);
    EXPECT_FALSE(player->StartStream(1)) << "a released stream is gone";
}

// The preview plays its item's file as it is on the preview device (wave-out here, so the capture
// holds the file's own samples); a seek while it runs starts it again at the new place.
TEST_F(PlayerTest, PreviewPlaysTheFileAsItIsAndSeeksWhileRunning)
{
    fixtures::TempDir folder{L"preview"};
    const std::wstring path = folder.File(L"preview.wav");
    const std::vector<int16_t> file = fixtures::MusicLike(10, kMixRate, 2);
    ASSERT_TRUE(fixtures::WriteWav16(path, file, kMixRate, 2));
    const auto source = ComPtr<rendertest::FileSource>::attach(new rendertest::FileSource(path));
    MakePlayer();
    const PLAYER_OUTPUTCONFIG waveOut{28, 2, 2, 0, 88200, 0, 0};
    ASSERT_EQ(player->SetOutputConfig(&waveOut), S_OK);

    const auto item = ComPtr<CPlayItem>::attach(new CPlayItem(source.get(), CPlayItem::kPreviewStream, 0));
    ASSERT_TRUE(player->AddPreview(item.get()));
    EXPECT_FALSE(player->AddPreview(item.get())) << "a second preview";
    const auto waitRunning = [&] {
        for (int i = 0; i < 500 && !player->IsStreamRunning(CPlayer::kPreviewStream); ++i)
            Sleep(10);
        return player->IsStreamRunning(CPlayer::kPreviewStream) == TRUE;
    };
    ASSERT_TRUE(player->StartPreview());
    ASSERT_TRUE(waitRunning());
    ASSERT_TRUE(WaitForSinkBytes(kMixRate * 4));

    constexpr LONGLONG kSeekFrame = 5 * kMixRate;
    const LONGLONG beforeSeek = SinkBytes();
    ASSERT_TRUE(player->SeekPreview(kSeekFrame));
    ASSERT_TRUE(waitRunning()) << "the preview did not start again after the seek";
    // Wave-out opens its device anew for the restart, which starts the sink file again; refilling
    // it to its old size takes far longer than one poll, so the drop cannot be missed.
    for (int i = 0; i < 500 && SinkBytes() >= beforeSeek; ++i)
        Sleep(5);
    ASSERT_LT(SinkBytes(), beforeSeek) << "the device was not opened anew for the restart";
    ASSERT_TRUE(WaitForSinkBytes(kMixRate * 4));
    EXPECT_TRUE(player->StopPreview());
    const std::vector<float> captured = ReadSink(false);
    ASSERT_TRUE(player->RemovePreview());
    EXPECT_FALSE(player->RemovePreview());

    ASSERT_GE(captured.size(), kMixRate * 2);
    for (size_t i = 0; i < kMixRate * 2; ++i)
        ASSERT_EQ(std::lround(captured[i] * 32768.0f), file[static_cast<size_t>(kSeekFrame) * 2 + i])
            << "sample " << i << " after the seek";
}

class WebcastPlayer : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        ASSERT_TRUE(SetDllDirectoryW((BinFolder() + L"playback_output_webcast").c_str()));
        const HMODULE library = LoadLibraryW(L"Kestrow.DLL");
        ASSERT_NE(library, nullptr);
        m_library.reset(library);
        m_state = reinterpret_cast<WebcastDoubleStateFn>(
            reinterpret_cast<void*>(GetProcAddress(library, "WebcastDoubleState")));
        ASSERT_NE(m_state, nullptr);
    }
    void TearDown() override
    {
        PlayerTest::TearDown();
        g_localCoCreate.FreeAllModules();
        SetDllDirectoryW(nullptr);
    }
    WEBCASTDOUBLE_STATE State()
    {
        WEBCASTDOUBLE_STATE state{};
        m_state(&state);
        return state;
    }

private:
    UniqueModule m_library;
    WebcastDoubleStateFn m_state = nullptr;
};

TEST_F(WebcastPlayer, ModeThreeBindsTheLiveStreamToTheWebcast)
{
    ASSERT_TRUE(App().WriteProfileInt(L"Settings", L"Webcast Port", 9000));
    MakePlayer();
    int formatId = -1;
    BSTR name = nullptr;
    ASSERT_EQ(player->GetWebcastFormat(1, &formatId, &name), S_OK);
    EXPECT_EQ(formatId, 1);
    EXPECT_EQ(Text(name), L"Windows Media - Music 64 kbps");
    EXPECT_EQ(player->GetWebcastFormat(2, &formatId, &name), E_FAIL);

    const PLAYER_OUTPUTCONFIG webcast{28, 3, 1, 1, 88200, 0, 0};
    ASSERT_EQ(player->SetOutputConfig(&webcast), S_OK);
    PLAYER_OUTPUTCONFIG got{};
    player->GetOutputConfig(&got);
    EXPECT_EQ(got.webcastFormat, 1u);
    owner.posts.clear();

    CMixOutput* output = nullptr;
    CEfxChain* chain = nullptr;
    CFinalMix* finalMix = nullptr;
    ASSERT_TRUE(player->CreateStream(0, &output, &chain, &finalMix));
    WEBCASTDOUBLE_STATE state = State();
    EXPECT_EQ(state.live, 1) << "the live stream's webcast output";
    EXPECT_EQ(state.input, static_cast<IPlayerInput*>(finalMix)) << "the webcast pulls the final mix";
    EXPECT_EQ(state.formatId, kWebcastDoubleFormatIds[1]);
    EXPECT_EQ(state.port, 9000) << "the stored port";
    EXPECT_EQ(state.open, 1);
    BSTR url = nullptr;
    ASSERT_EQ(player->GetWebcastUrl(&url), S_OK);
    EXPECT_EQ(Text(url), L"http://webcast.test:9000/22");
    ASSERT_EQ(owner.posts.size(), 1u);
    EXPECT_EQ(owner.posts[0], std::make_pair(18, 0));

    // The pending stream stays on the sound device.
    CMixOutput* pendingOutput = nullptr;
    CEfxChain* pendingChain = nullptr;
    CFinalMix* pendingFinal = nullptr;
    ASSERT_TRUE(player->CreateStream(1, &pendingOutput, &pendingChain, &pendingFinal));
    EXPECT_EQ(State().live, 1);

    const PLAYER_OUTPUTCONFIG local{28, 1, 1, 1, 88200, 0, 0};
    ASSERT_EQ(player->SetOutputConfig(&local), S_OK);
    ASSERT_EQ(player->GetWebcastUrl(&url), S_OK);
    EXPECT_EQ(Text(url), L"") << "a local output has no address";
    EXPECT_EQ(State().live, 0) << "the webcast output was let go";
    ASSERT_EQ(owner.posts.size(), 2u);
    EXPECT_EQ(owner.posts[1], std::make_pair(18, 0));

    player->ReleaseStream(1, pendingOutput, pendingChain);
    player->ReleaseStream(0, output, chain);
}

TEST_F(PlayerTest, ModeThreeWithoutTheWebcastLibraryLeavesTheLiveStreamUnbound)
{
    MakePlayer();
    int formatId = -1;
    BSTR name = nullptr;
    EXPECT_EQ(player->GetWebcastFormat(0, &formatId, &name), E_FAIL) << "no formats without the library";
    const PLAYER_OUTPUTCONFIG webcast{28, 3, 1, 0, 88200, 0, 0};
    ASSERT_EQ(player->SetOutputConfig(&webcast), S_OK);
    CMixOutput* output = nullptr;
    CEfxChain* chain = nullptr;
    CFinalMix* finalMix = nullptr;
    ASSERT_TRUE(player->CreateStream(0, &output, &chain, &finalMix));
    EXPECT_TRUE(player->StartStream(0));
    Sleep(100);
    EXPECT_FALSE(player->IsStreamRunning(0));
    BSTR url = nullptr;
    ASSERT_EQ(player->GetWebcastUrl(&url), S_OK);
    EXPECT_EQ(Text(url), L"");
    player->ReleaseStream(0, output, chain);
}

}  // namespace
