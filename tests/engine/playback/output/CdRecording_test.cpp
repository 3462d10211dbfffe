// The CD output against the recording library double: a play stream's final mix taken off its
// device by the player and fed to the library in CD tracks, compared to 1 LSB with the same mix
// pulled from a graph of its own (the play stream has an effects chain more); the library's failures, the user's abort
// and a bounded recorder switch; the 540-byte write properties read back by Wine's reg.exe, and stored values that
// cannot be trusted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include "OutputTestSupport.h"
#include "classlib/core/WinApp.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/server/LocalCoCreate.h"
#include "engine/playback/graph/EfxChain.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/output/Player.h"
#include "engine/playback/output/PlayerOutputCdr.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"
#include "interfaces/IBurnCdr.h"
#include "interfaces/IPlayManager.h"
#include "interfaces/IUiUpdateQueue.h"
#include "tests/engine/core/mix/MixOwnerDouble.h"
#include "tests/engine/playback/output/cdr-double/CdRecorderDouble.h"
#include "tests/support/Programs.h"

using namespace outputtest;

namespace {

constexpr wchar_t kAppName[] = L"CdRecordingTests";
constexpr LONGLONG kSector = 2352;
constexpr LONGLONG kFourSeconds = 705600;

struct ExportEntry {
    LONGLONG position;
    std::wstring title;
};

// The engine main object as the player's owner: its mix manager answers the export list the test
// sets (E_FAIL when none is set), and counts how often it was asked.
class OwnerDouble : public MixOwnerDouble {
public:
    HRESULT STDMETHODCALLTYPE BuildExportTrackList(int mode, CPlayerOutputExportInfo* info) override
    {
        modes.push_back(mode);
        if (!exportList)
            return E_FAIL;
        for (const ExportEntry& entry : *exportList)
            info->AddItem(entry.position, entry.title.c_str(), L"Artist", L"Album");
        return S_OK;
    }

    std::unique_ptr<std::vector<ExportEntry>> exportList;
    std::vector<int> modes;
};

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 20000)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
        if (done())
            return true;
        Sleep(10);
    }
    return done();
}

std::string Ansi(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(std::max(bytes, 1)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), bytes, nullptr, nullptr);
    result.resize(result.size() - 1);
    return result;
}

// GetTempPathW's answer, the folder the recording library is given when none is set.
std::wstring SystemTempFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, path);
    return path;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::wstring Text(BSTR text)
{
    std::wstring result(text ? text : L"");
    SysFreeString(text);
    return result;
}

std::vector<BYTE> ReadFileBytes(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    const UniqueFile owned(file);
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

class CdRecordingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_key = L"Carrowfold CD Test " + std::to_wstring(GetCurrentProcessId());
        m_app = std::make_unique<CWinApp>(kAppName);
        m_app->SetRegistryKey(m_key.c_str());
        script = CdDoubleDefaultScript();
        lstrcpynW(script.dataPath, folder.File(L"received.raw").c_str(), MAX_PATH);
    }
    void TearDown() override
    {
        if (player && stream)
            player->ReleaseStream(0, output, chain);
        player.reset();
        mix.reset();
        m_app.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_key).c_str());
        g_localCoCreate.FreeAllModules();
        SetDllDirectoryW(nullptr);
    }
    // The library double is found only from its own folder.
    void UseLibraryDouble()
    {
        ASSERT_TRUE(SetDllDirectoryW((BinFolder() + L"playback_output_cdr").c_str()));
        const HMODULE library = LoadLibraryW(L"Wendlecote.DLL");
        ASSERT_NE(library, nullptr);
        m_library.reset(library);
        m_setScript = reinterpret_cast<CdDoubleSetScriptFn>(
            reinterpret_cast<void*>(GetProcAddress(library, "CdDoubleSetScript")));
        m_getLog =
            reinterpret_cast<CdDoubleGetLogFn>(reinterpret_cast<void*>(GetProcAddress(library, "CdDoubleGetLog")));
        ASSERT_TRUE(m_setScript && m_getLog);
        m_setScript(&script);
    }
    void Rescript() { m_setScript(&script); }
    CDDOUBLE_LOG Log()
    {
        CDDOUBLE_LOG log{};
        m_getLog(&log);
        return log;
    }
    // The live stream of a player over the owner, fed the two-tone mix from its start.
    void MakeStream()
    {
        mix = TwoToneMix(folder);
        ASSERT_TRUE(mix->Ready()) << mix->Failure();
        player.reset(new CPlayer(static_cast<IMixManagerInternal*>(&owner)));
        player->Setup(GetDesktopWindow());
        ASSERT_TRUE(player->CreateStream(0, &output, &chain, &finalMix));
        stream = true;
        mix->Feed(*output, 0);
    }
    IBurnCdr* CreateBurner()
    {
        IBurnCdr* burner = nullptr;
        EXPECT_EQ(player->CreateCdBurner(0, &burner), S_OK);
        if (burner) {
            EXPECT_TRUE(WaitFor([&] { return burner->IsRecorderListReady() == S_OK; }));
        }
        return burner;
    }
    // The stored "CD Write Properties" as Wine's reg.exe shows it; empty when it is missing.
    std::vector<BYTE> QueryStoredProperties()
    {
        return QueryRegistryBinary(L"Software\\" + m_key + L"\\" + kAppName + L"\\Settings", L"CD Write Properties");
    }
    void StoreProperties(const void* data, UINT bytes)
    {
        ASSERT_TRUE(
            m_app->WriteProfileBinary(L"Settings", L"CD Write Properties", static_cast<const BYTE*>(data), bytes));
    }

    fixtures::TempDir folder{L"cdr"};
    OwnerDouble owner;
    CDDOUBLE_SCRIPT script{};
    std::unique_ptr<rendertest::RenderedMix> mix;
    InnerPtr<CPlayer> player;
    CMixOutput* output = nullptr;
    CEfxChain* chain = nullptr;
    CFinalMix* finalMix = nullptr;
    bool stream = false;

private:
    std::wstring m_key;
    std::unique_ptr<CWinApp> m_app;
    UniqueModule m_library;
    CdDoubleSetScriptFn m_setScript = nullptr;
    CdDoubleGetLogFn m_getLog = nullptr;
};

LONGLONG WholeSectors(LONGLONG bytes)
{
    return (bytes + kSector - 1) / kSector * kSector;
}

struct LayoutCase {
    const char* name;
    // Entries by the mix end (microseconds); none: the mix manager lists nothing.
    std::function<std::unique_ptr<std::vector<ExportEntry>>(LONGLONG end)> entries;
    // The tracks the library must receive, by the mix end and the stream's length in bytes.
    std::function<std::vector<std::pair<std::string, LONGLONG>>(LONGLONG end, LONGLONG bytes)> tracks;
};

const std::string kLongTitle(300, 'T');

const LayoutCase kLayouts[] = {
    {"three tracks",
     [](LONGLONG end) {
         return std::make_unique<std::vector<ExportEntry>>(std::vector<ExportEntry>{
             {10010000, L"First track"}, {11000000, L"Second"}, {end, std::wstring(300, L'T')}});
     },
     [](LONGLONG end, LONGLONG) {
         // 10.01 s is 441441 frames, 1765764 bytes, 751 whole sectors; the second ends 174048
         // bytes later, which a disc lengthens to four seconds; the third takes the rest.
         const LONGLONG first = 751 * kSector;
         const LONGLONG second = kFourSeconds;
         const LONGLONG third = std::max(WholeSectors(end * 44100 / 1000000 * 4 - first - second), kFourSeconds);
         return std::vector<std::pair<std::string, LONGLONG>>{
             {"First track", first}, {"Second", second}, {kLongTitle.substr(0, 256), third}};
     }},
    {"no entries", [](LONGLONG) { return std::unique_ptr<std::vector<ExportEntry>>(); },
     [](LONGLONG, LONGLONG bytes) {
         return std::vector<std::pair<std::string, LONGLONG>>{{"", WholeSectors(bytes)}};
     }},
};

}  // namespace

TEST_F(CdRecordingTest, TheLibraryReceivesTheWholeFinalMixInCdTracks)
{
    UseLibraryDouble();
    MakeStream();
    fixtures::TempDir referenceFolder(L"cdr-reference");
    auto reference = TwoToneMix(referenceFolder);
    ASSERT_TRUE(reference->Ready()) << reference->Failure();
    reference->Start(0);
    const std::vector<int16_t> expected = reference->PullAll(CPlayerOutputCdr::kTransferBytes);
    const auto streamBytes = static_cast<LONGLONG>(expected.size() * 2);

    for (const LayoutCase& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        owner.exportList = layout.entries(mix->EndTime());
        Rescript();
        output->SeekTo(0);
        IBurnCdr* burner = CreateBurner();
        ASSERT_NE(burner, nullptr);
        burner->SetWriteSpeed(16);
        burner->SetBurnProof(FALSE);
        ASSERT_EQ(burner->StartWrite(), S_OK);
        ASSERT_TRUE(WaitFor([&] { return burner->GetResult() != S_FALSE; }));
        EXPECT_EQ(burner->GetResult(), S_OK);
        float progress = 0;
        EXPECT_EQ(burner->GetProgress(&progress), S_OK);
        EXPECT_FLOAT_EQ(progress, 0.25f);
        int flags = 0;
        int minutes = 0;
        EXPECT_EQ(burner->GetStatus(&flags, &minutes), S_OK);
        EXPECT_EQ(flags, 0x10) << "the library's media flags; the disc holds the mix";
        ASSERT_EQ(player->EndCdBurn(0), S_OK);
        EXPECT_EQ(burner->IsActive(), S_FALSE) << "the recording thread ended with the CD output";
        EXPECT_EQ(burner->Release(), 0u) << "the player let go of the CD output";

        const CDDOUBLE_LOG log = Log();
        const auto wanted = layout.tracks(mix->EndTime(), streamBytes);
        ASSERT_EQ(log.trackCount, static_cast<int>(wanted.size()));
        LONGLONG total = 0;
        for (int i = 0; i < log.trackCount; ++i) {
            const CDDOUBLE_TRACK& track = log.tracks[i];
            EXPECT_EQ(track.index, i);
            EXPECT_EQ(track.title, wanted[static_cast<size_t>(i)].first) << "track " << i;
            EXPECT_EQ(track.titled != 0, !wanted[static_cast<size_t>(i)].first.empty()) << "track " << i;
            EXPECT_EQ(track.bytes, wanted[static_cast<size_t>(i)].second) << "track " << i;
            EXPECT_EQ(track.bytes % kSector, 0) << "track " << i;
            EXPECT_GE(track.bytes, kFourSeconds) << "track " << i;
            total += track.bytes;
        }
        EXPECT_EQ(log.bytesReceived, total) << "every track is delivered whole";
        EXPECT_LE(log.largestPiece, static_cast<LONG>(CPlayerOutputCdr::kTransferBytes));
        EXPECT_EQ(log.writeSpeed, 16);
        EXPECT_FALSE(log.burnProof);
        EXPECT_EQ(std::string(log.tempDirectory), Ansi(SystemTempFolder().c_str()))
            << "the system's temporary folder by default";
        const std::string calls = log.calls;
        EXPECT_EQ(
            calls.rfind("Initialize\nGetRecorderName 0\nGetRecorderName 1\nGetRecorderName 2\nSelectRecorder 0\n", 0),
            0u)
            << calls;
        EXPECT_NE(calls.find("SetTempDirectory\nNeedsTrackLayout\nAddTrack 0\n"), std::string::npos) << calls;
        EXPECT_NE(calls.find("WriteData\nWriteDisc\n"), std::string::npos) << calls;
        EXPECT_TRUE(EndsWith(calls, "Shutdown\n")) << calls;

        EXPECT_EQ(minutes, 80) << "the disc's free minutes, to the nearest";
        const std::vector<BYTE> received = ReadFileBytes(script.dataPath);
        ASSERT_EQ(static_cast<LONGLONG>(received.size()), total);
        ASSERT_GE(total, streamBytes);
        const auto* samples = reinterpret_cast<const int16_t*>(received.data());
        size_t differing = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            differing += std::abs(samples[i] - expected[i]) > 1 ? 1 : 0;
        EXPECT_EQ(differing, 0u) << "samples of " << expected.size() << " off the final mix by more than 1 LSB";
        EXPECT_TRUE(std::all_of(received.begin() + streamBytes, received.end(), [](BYTE b) { return b == 0; }))
            << "silence after the mix's end";
    }
    EXPECT_EQ(owner.modes, (std::vector<int>{1, 1})) << "split at the tracks' ends";
}

TEST_F(CdRecordingTest, FailuresOfTheLibraryAndTheUsersAbortAreReported)
{
    UseLibraryDouble();
    MakeStream();
    struct Failure {
        const char* name;
        std::function<void(CDDOUBLE_SCRIPT&)> script;
        bool userAborts;
        const char* calls;
        int actionStatus;
    };
    const Failure failures[] = {
        {"library refuses the audio", [](CDDOUBLE_SCRIPT& s) { s.refuseDataAfter = 3 * 37632; }, false,
         "WriteData\nAbort 0\n", 1},
        {"disc write fails", [](CDDOUBLE_SCRIPT& s) { s.writeDiscResult = 5; }, false,
         "WriteData\nWriteDisc\nAbort 0\n", 7},
        // A piece the device thread was already handing over when the user aborted may still
        // reach the library after the abort; the abort of the write follows it.
        {"user aborts", [](CDDOUBLE_SCRIPT& s) { s.stallDataAfter = 2 * 37632; }, true, "Abort 1\n", 7},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.name);
        script = CdDoubleDefaultScript();
        failure.script(script);
        Rescript();
        output->SeekTo(0);
        IBurnCdr* burner = CreateBurner();
        ASSERT_NE(burner, nullptr);
        ASSERT_EQ(burner->StartWrite(), S_OK);
        if (failure.userAborts) {
            ASSERT_TRUE(WaitFor([&] { return Log().bytesReceived >= 2 * 37632; }));
            EXPECT_EQ(burner->IsAborted(), S_FALSE);
            EXPECT_EQ(burner->Abort(), S_OK);
            EXPECT_EQ(burner->IsAborted(), S_OK);
        }
        ASSERT_TRUE(WaitFor([&] { return burner->GetResult() != S_FALSE; }));
        EXPECT_EQ(burner->GetResult(), E_FAIL);
        int status = 0;
        EXPECT_EQ(burner->GetActionStatus(&status), S_OK);
        EXPECT_EQ(status, failure.actionStatus);
        ASSERT_EQ(player->EndCdBurn(0), S_OK);
        const std::string calls = Log().calls;
        const size_t found = calls.find(failure.calls);
        EXPECT_NE(found, std::string::npos) << calls;
        if (failure.userAborts) {
            EXPECT_TRUE(found != std::string::npos && EndsWith(calls, "Abort 0\nShutdown\n") &&
                        calls.find("Abort 0\n") > found)
                << calls;
        }
        EXPECT_TRUE(EndsWith(calls, "Shutdown\n")) << calls;
        burner->Release();
    }
}

// A stream that stops under the write hands out silence with S_FALSE: that is a failure of the
// source, never a disc written as if it held the mix.
TEST_F(CdRecordingTest, AStreamThatStopsUnderTheWriteFailsIt)
{
    UseLibraryDouble();
    MakeStream();
    IBurnCdr* burner = CreateBurner();
    ASSERT_NE(burner, nullptr);
    ASSERT_EQ(burner->StartWrite(), S_OK);
    for (int waited = 0; waited < 20000 && Log().bytesReceived == 0; ++waited)
        Sleep(1);
    ASSERT_GT(Log().bytesReceived, 0);
    // Stopped between two reads of the device thread.
    output->Lock();
    output->SetActive(FALSE);
    output->Unlock();
    ASSERT_TRUE(WaitFor([&] { return burner->GetResult() != S_FALSE; }));
    EXPECT_EQ(burner->GetResult(), E_FAIL);
    int status = 0;
    EXPECT_EQ(burner->GetActionStatus(&status), S_OK);
    EXPECT_EQ(status, 1) << "a failure of the source";
    ASSERT_EQ(player->EndCdBurn(0), S_OK);
    burner->Release();
}

TEST_F(CdRecordingTest, AFailedInitialisationLeavesNothingToWaitFor)
{
    UseLibraryDouble();
    script.initializeResult = 3;
    Rescript();
    MakeStream();
    IBurnCdr* burner = nullptr;
    ASSERT_EQ(player->CreateCdBurner(0, &burner), S_OK);
    ASSERT_TRUE(WaitFor([&] { return burner->GetResult() == E_FAIL; }));
    int flags = 0;
    int minutes = -1;
    EXPECT_EQ(burner->GetStatus(&flags, &minutes), S_OK);
    EXPECT_EQ(flags & CPlayerOutputCdr::kStatusRecorderFailed, CPlayerOutputCdr::kStatusRecorderFailed);
    EXPECT_EQ(burner->IsRecorderListReady(), S_FALSE);
    EXPECT_EQ(burner->SelectRecorder(0), E_INVALIDARG) << "no recorder is listed";
    EXPECT_EQ(burner->StartWrite(), E_FAIL);
    EXPECT_EQ(burner->IsActive(), S_OK) << "the thread waits for the end";
    ASSERT_EQ(player->EndCdBurn(0), S_OK);
    EXPECT_EQ(burner->IsActive(), S_FALSE);
    EXPECT_EQ(std::string(Log().calls), "Initialize\nShutdown\n");
    burner->Release();
}

TEST_F(CdRecordingTest, SelectingARecorderIsCheckedAndItsWaitBounded)
{
    UseLibraryDouble();
    script.refusedRecorder = 2;
    script.recorderCount = 3;
    lstrcpynA(script.recorderNames[2], "Refusing Recorder", 64);
    script.stallDataAfter = 37632;
    // 18 seconds: less than the mix.
    script.freeBytes = 3175200;
    Rescript();
    MakeStream();
    IBurnCdr* burner = CreateBurner();
    ASSERT_NE(burner, nullptr);
    BSTR name = nullptr;
    EXPECT_EQ(burner->GetRecorderName(1, &name), S_OK);
    EXPECT_EQ(Text(name), L"Test Recorder B");
    EXPECT_EQ(burner->GetRecorderName(3, &name), E_FAIL);
    EXPECT_EQ(burner->GetRecorderName(-1, &name), E_FAIL);

    EXPECT_EQ(burner->SelectRecorder(3), E_INVALIDARG);
    EXPECT_EQ(burner->SelectRecorder(-1), E_INVALIDARG);
    EXPECT_EQ(burner->SelectRecorder(1), S_OK);
    int index = -1;
    burner->GetRecorder(&index);
    EXPECT_EQ(index, 1);
    struct Speed {
        int index;
        HRESULT result;
        int speed;
    };
    for (const Speed& speed :
         {Speed{0, S_OK, 24}, Speed{1, S_OK, 48}, Speed{2, E_FAIL, 0}, Speed{-1, E_FAIL, 0}, Speed{40, E_FAIL, 0}}) {
        int value = -1;
        EXPECT_EQ(burner->GetSupportedSpeed(speed.index, &value), speed.result) << "speed " << speed.index;
        if (speed.result == S_OK) {
            EXPECT_EQ(value, speed.speed) << "speed " << speed.index;
        }
    }
    EXPECT_EQ(burner->SelectRecorder(2), E_FAIL) << "the library refused the switch";
    burner->GetRecorder(&index);
    EXPECT_EQ(index, 1);

    ASSERT_TRUE(WaitFor([&] {
        int flags = 0;
        int minutes = 0;
        burner->GetStatus(&flags, &minutes);
        return (flags & CPlayerOutputCdr::kStatusDiscTooSmall) != 0;
    }));
    int flags = 0;
    int minutes = 0;
    burner->GetStatus(&flags, &minutes);
    EXPECT_EQ(flags & 0x10, 0x10) << "the library's media flags";
    EXPECT_EQ(minutes, 0);

    // While a write runs the thread cannot switch: the caller gets an answer all the same.
    ASSERT_EQ(burner->StartWrite(), S_OK);
    ASSERT_TRUE(WaitFor([&] {
        int f = 0;
        int m = 0;
        burner->GetStatus(&f, &m);
        return (f & CPlayerOutputCdr::kStatusWriting) != 0 && Log().bytesReceived >= 37632;
    }));
    EXPECT_EQ(burner->StartWrite(), E_FAIL) << "one write at a time";
    EXPECT_EQ(burner->SelectRecorder(0), E_FAIL);
    EXPECT_EQ(burner->Abort(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return burner->IsActive() == S_FALSE; }));
    EXPECT_EQ(burner->SelectRecorder(0), E_FAIL) << "the thread has ended";
    burner->GetRecorder(&index);
    EXPECT_EQ(index, 1);
    ASSERT_EQ(player->EndCdBurn(0), S_OK);
    burner->Release();
}

TEST_F(CdRecordingTest, WritePropertiesAreStoredAsFiveHundredFortyBytes)
{
    UseLibraryDouble();
    MakeStream();
    IBurnCdr* burner = CreateBurner();
    ASSERT_NE(burner, nullptr);
    EXPECT_EQ(burner->GetBurnProof(), S_OK) << "on by default";
    BSTR directory = nullptr;
    ASSERT_EQ(burner->GetTempDirectory(&directory), S_OK);
    EXPECT_EQ(Text(directory), SystemTempFolder()) << "the system's temporary folder by default";
    EXPECT_EQ(burner->SetTempDirectory(std::wstring(264, L'x').c_str()), E_INVALIDARG) << "no room for the end";
    EXPECT_EQ(burner->SetTempDirectory(std::wstring(263, L'x').c_str()), S_OK);
    EXPECT_EQ(burner->SetTempDirectory(L"C:\\cd temp\\"), S_OK);
    EXPECT_EQ(burner->SetWriteSpeed(24), S_OK);
    EXPECT_EQ(burner->SetBurnProof(FALSE), S_OK);
    EXPECT_EQ(burner->GetBurnProof(), S_FALSE);
    EXPECT_EQ(burner->SelectRecorder(1), S_OK);
    EXPECT_EQ(burner->SetSplitAtLabelMarkers(), S_OK);
    EXPECT_EQ(burner->IsSplitAtLabelMarkers(), S_OK);
    EXPECT_EQ(burner->IsSplitAutomatic(), S_FALSE);
    EXPECT_EQ(burner->QueryRecorder(), S_OK);
    ASSERT_EQ(player->EndCdBurn(0), S_OK);
    EXPECT_EQ(burner->Release(), 0u);

    const std::vector<BYTE> stored = QueryStoredProperties();
    ASSERT_EQ(stored.size(), 540u);
    CDR_WRITEPROPERTIES read{};
    std::memcpy(&read, stored.data(), sizeof(read));
    EXPECT_EQ(read.writeSpeed, 24);
    EXPECT_EQ(read.reserved, 0);
    EXPECT_EQ(read.burnProof, 0u);
    EXPECT_EQ(read.recorder, 1);
    EXPECT_EQ(std::wstring(read.tempDirectory), L"C:\\cd temp\\");
    EXPECT_TRUE(std::all_of(std::begin(read.tempDirectory) + 12, std::end(read.tempDirectory),
                            [](wchar_t c) { return c == 0; }));
}

TEST_F(CdRecordingTest, StoredPropertiesThatCannotBeTrustedAreNotUsed)
{
    UseLibraryDouble();
    MakeStream();
    struct Stored {
        const char* name;
        std::vector<BYTE> value;
        int speed;
        HRESULT burnProof;
    };
    CDR_WRITEPROPERTIES unterminated{};
    unterminated.writeSpeed = 8;
    unterminated.burnProof = 0;
    unterminated.recorder = 9;
    std::fill(std::begin(unterminated.tempDirectory), std::end(unterminated.tempDirectory), L'A');
    const auto* raw = reinterpret_cast<const BYTE*>(&unterminated);
    const Stored cases[] = {
        {"a directory without its end", std::vector<BYTE>(raw, raw + sizeof(unterminated)), 8, S_FALSE},
        {"a value of another length", std::vector<BYTE>(raw, raw + 100), 0, S_OK},
    };
    for (const Stored& stored : cases) {
        SCOPED_TRACE(stored.name);
        StoreProperties(stored.value.data(), static_cast<UINT>(stored.value.size()));
        IBurnCdr* burner = CreateBurner();
        ASSERT_NE(burner, nullptr);
        BSTR directory = nullptr;
        ASSERT_EQ(burner->GetTempDirectory(&directory), S_OK);
        EXPECT_EQ(Text(directory), SystemTempFolder()) << "the system's temporary folder by default";
        int speed = -1;
        burner->GetWriteSpeed(&speed);
        EXPECT_EQ(speed, stored.speed);
        EXPECT_EQ(burner->GetBurnProof(), stored.burnProof);
        int index = -1;
        burner->GetRecorder(&index);
        EXPECT_EQ(index, 0) << "a recorder that is not listed";
        EXPECT_NE(std::string(Log().calls).find("GetRecorderName 2\nSelectRecorder 0\n"), std::string::npos);
        ASSERT_EQ(player->EndCdBurn(0), S_OK);
        burner->Release();
        Rescript();
    }
}

TEST_F(CdRecordingTest, TheBurnerAnswersTheEnginesInterfacesAndIsCountedExactly)
{
    UseLibraryDouble();
    MakeStream();
    IBurnCdr* burner = CreateBurner();
    ASSERT_NE(burner, nullptr);
    const LONG ownerCount = owner.count;
    void* object = reinterpret_cast<void*>(0x1234);
    ASSERT_EQ(burner->QueryInterface(IID_IMixManagerInternal, &object), S_OK);
    EXPECT_EQ(object, static_cast<IMixManagerInternal*>(&owner)) << "asked of the engine main object";
    static_cast<IUnknown*>(object)->Release();
    object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(burner->QueryInterface(IID_IPlayManager, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(burner->AddRef(), 4u) << "the caller's, the player's, the recording thread's and this one";
    EXPECT_EQ(burner->Release(), 3u);
    ASSERT_EQ(player->EndCdBurn(0), S_OK);
    EXPECT_EQ(burner->Release(), 0u);
    EXPECT_EQ(owner.count, ownerCount - 1) << "the CD output let go of the engine main object";
}

TEST_F(CdRecordingTest, WithoutTheLibraryTheStreamStaysOnItsDevice)
{
    MakeStream();
    IBurnCdr* burner = reinterpret_cast<IBurnCdr*>(0x1234);
    EXPECT_EQ(player->CreateCdBurner(0, &burner), E_FAIL);
    EXPECT_EQ(burner, nullptr);
    EXPECT_EQ(player->CreateCdBurner(7, &burner), E_FAIL) << "no such stream";
    EXPECT_TRUE(player->StartStream(0));
    EXPECT_TRUE(WaitFor([&] { return player->IsStreamRunning(0) != FALSE; })) << "the device plays the stream";
    EXPECT_TRUE(player->StopStream(0));
}
