// The writer against the recording double of the runtime (Wine 8 has no Windows Media writer):
// the double's samples, read back from its WAV file by sox, must be the input byte for byte.
#include "engine/core/server/ProgressStatus.h"
#include "tests/support/TempDir.h"
#include "tests/support/TextFiles.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"
#include "tests/winmedia/WmaFixtures.h"
#include "tests/winmedia/WriterInput.h"
#include "tests/winmedia/double/WmRuntimeDouble.h"
#include "winmedia/WmWriteFile.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <string>

namespace {

using wmdouble::QwordOf;
using wmdouble::StringOf;

const GUID kVideo = {0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kAudio = {0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// Stall limit of the tests' writers: short, so a persistent failure ends quickly.
constexpr DWORD kTestStallLimitMs = 600;

bool WaitForCompletion(IProgressStatus* progress, IPlayerOutput* writer, DWORD timeoutMs = 30000)
{
    const ULONGLONG start = GetTickCount64();
    while (progress->GetCompletion() == S_FALSE || writer->IsRunning() == S_OK) {
        if (GetTickCount64() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether a file the writer made beside its target ("cfw....tmp") is still in the folder.
bool HasWriterFile(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    const HANDLE find = FindFirstFileW((folder + L"\\cfw*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return true;
}

class WmWriteFileTest : public testing::Test {
protected:
    WmWriteFileTest() : progress(ComPtr<IProgressStatus>::attach(new CProgressStatus()))
    {
        runtime.recording.profiles = {
            {L"Audio for FM radio (stereo, 48 Kbps)", {{kAudio, 48000}}},
            {L"Video for broadband (250 Kbps)", {{kAudio, 64000}, {kVideo, 186000}}},
            {L"Audio for CD quality (stereo, 128 Kbps)", {{kAudio, 128000}}},
            {L"Plain audio", {{kAudio, 64000}}},
            {L"Video only (100 Kbps)", {{kVideo, 100000}}},
            {L"Second of its rate (CBR, 128 Kbps)", {{kAudio, 128000}}},
            {L"Odd )order( name", {{kAudio, 32000}}},
        };
    }

    ComPtr<IPlayerOutput> NewWriter()
    {
        ComPtr<IPlayerOutput> writer;
        (new CWmWriteFile(runtime.Runtime(), kTestStallLimitMs))->QueryInterface(IID_IPlayerOutput, writer.put_void());
        return writer;
    }

    // Open, attach, choose format 2 and describe the file and its tracks.
    ComPtr<IPlayerOutput> PreparedWriter(WriterInput& input)
    {
        ComPtr<IPlayerOutput> writer = NewWriter();
        EXPECT_EQ(writer->Open(), S_OK);
        EXPECT_EQ(writer->AttachInput(&input, 0), S_OK);
        EXPECT_EQ(writer->SetProgressStatus(progress.get()), S_OK);
        EXPECT_EQ(writer->SetFormat(2), S_OK);
        EXPECT_EQ(writer->AddTrackInfo(0, L"Sunday Mix", L"DJ Ada", L"Live"), S_OK);
        EXPECT_EQ(writer->AddTrackInfo(176400, L"Intro", L"Ada", nullptr), S_OK);
        EXPECT_EQ(writer->AddTrackInfo(441000, L"Main", nullptr, L"Coast"), S_OK);
        return writer;
    }

    // The double's file read back by sox as raw 16-bit samples.
    std::vector<uint8_t> ReadBackWithSox(const std::wstring& path)
    {
        const std::wstring raw = dir.File(L"readback.raw");
        EXPECT_EQ(fixtures::RunUnixTool("sox", {"-t", "wav", fixtures::UnixPath(path), "-t", "raw", "-e", "signed",
                                                "-b", "16", fixtures::UnixPath(raw)}),
                  0);
        return fixtures::ReadFileBytes(raw);
    }

    wmdouble::RuntimeDouble runtime;
    ComPtr<IProgressStatus> progress;
    fixtures::TempDir dir{L"wmwriter"};
};

TEST_F(WmWriteFileTest, FormatListHoldsSingleStreamAudioProfilesHighestBitRateFirst)
{
    ComPtr<IPlayerOutput> writer = NewWriter();
    struct Expected {
        int formatId;
        const wchar_t* name;
        int bitRate;
    };
    const Expected expected[] = {
        {5, L"128 Kbps, CBR", 128000},  {2, L"128 Kbps, stereo", 128000}, {3, L"Plain audio", 64000},
        {0, L"48 Kbps, stereo", 48000}, {6, L"Odd )order( name", 32000},
    };
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i) {
        SCOPED_TRACE(i);
        int formatId = -1;
        BSTR name = nullptr;
        int bitRate = 0;
        ASSERT_EQ(writer->GetFormatInfo(i, &formatId, &name, &bitRate), S_OK);
        EXPECT_EQ(formatId, expected[i].formatId);
        EXPECT_STREQ(name, expected[i].name);
        EXPECT_EQ(bitRate, expected[i].bitRate);
        SysFreeString(name);
    }
    int formatId = -1;
    BSTR name = reinterpret_cast<BSTR>(0xDEADBEEF);
    int bitRate = 0;
    EXPECT_EQ(writer->GetFormatInfo(static_cast<int>(std::size(expected)), &formatId, &name, &bitRate), E_FAIL);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(writer->GetFormatInfo(-1, &formatId, &name, &bitRate), E_FAIL);
    EXPECT_EQ(runtime.recording.profileVersion, static_cast<DWORD>(WMT_VER_8_0));
}

TEST_F(WmWriteFileTest, WritesTheInputByteForByteWithTimeStampsAndAttributes)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "sox is not reachable from this process";
    struct Case {
        const char* name;
        int transientFailures;
    };
    const Case cases[] = {{"every write taken", 0}, {"three writes refused first", 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtime.recording.sampleTimes.clear();
        runtime.recording.written.clear();
        runtime.recording.writeFailuresLeft = c.transientFailures;
        progress->Reset();
        // 3.5 s of chirp: 617400 bytes, nine full pieces and a short last one.
        WriterInput input(wmafixtures::Chirp(3.5, 44100, 2));
        const std::wstring path = dir.File(L"mix.wma");
        {
            ComPtr<IPlayerOutput> writer = PreparedWriter(input);
            const ULONGLONG before = [] {
                FILETIME now;
                GetSystemTimeAsFileTime(&now);
                return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
            }();
            ASSERT_EQ(writer->StartFile(path.c_str(), 0), S_OK);
            EXPECT_EQ(writer->IsOpen(), S_OK);
            ASSERT_TRUE(WaitForCompletion(progress.get(), writer.get()));
            EXPECT_EQ(progress->GetCompletion(), S_OK) << "no error";
            float done = 0;
            progress->GetProgress(&done);
            EXPECT_FLOAT_EQ(done, 1.0f);
            EXPECT_GT(input.notReadyAnswers, 0);
            EXPECT_TRUE(input.bufferedCleared);
            EXPECT_EQ(std::string(input.log.begin(), input.log.end()), "OAIC");
            EXPECT_EQ(writer->StartFile(path.c_str(), 0), E_FAIL) << "one file per writer";

            QWORD encodingTime = 0;
            ASSERT_TRUE(QwordOf(runtime.recording.written, 0, L"WM/EncodingTime", encodingTime));
            EXPECT_GE(encodingTime, before);
            EXPECT_LT(encodingTime, before + 600000000ull);
        }
        EXPECT_EQ(input.count, 1) << "the writer released the input";
        EXPECT_EQ(static_cast<CProgressStatus*>(progress.get())->RefCount(), 1) << "and the progress object";

        const std::vector<uint8_t> readBack = ReadBackWithSox(path);
        const auto* expected = reinterpret_cast<const uint8_t*>(input.Samples().data());
        ASSERT_EQ(readBack.size(), input.Bytes());
        EXPECT_TRUE(std::equal(readBack.begin(), readBack.end(), expected));

        const std::vector<QWORD>& times = runtime.recording.sampleTimes;
        ASSERT_EQ(times.size(), 10u);
        for (size_t i = 0; i < times.size(); ++i)
            EXPECT_EQ(times[i], static_cast<QWORD>(i * 65536 / 4) * 10000000ull / 44100) << i;

        const auto& recording = runtime.recording;
        EXPECT_EQ(recording.profileSet, L"Audio for CD quality (stereo, 128 Kbps)");
        EXPECT_TRUE(IsEqualGUID(recording.inputMajorType, kAudio));
        EXPECT_TRUE(IsEqualGUID(recording.inputSubtype,
                                GUID{0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}));
        EXPECT_TRUE(recording.inputFixedSize);
        EXPECT_FALSE(recording.inputTemporalCompression);
        EXPECT_EQ(recording.inputFormatBytes, 18u);
        EXPECT_EQ(recording.inputFormat.nBlockAlign, 4);
        EXPECT_EQ(recording.inputFormat.nSamplesPerSec, 44100u);

        const struct {
            const wchar_t* name;
            const wchar_t* text;
        } strings[] = {
            {L"Title", L"Sunday Mix"},
            {L"Author", L"DJ Ada"},
            {L"WM/AlbumTitle", L"Live"},
            {L"Kx/SubItemTitle:000", L"Intro"},
            {L"Kx/SubItemAuthor:000", L"Ada"},
            {L"Kx/SubItemTitle:001", L"Main"},
            {L"Kx/SubItemAlbumTitle:001", L"Coast"},
        };
        for (const auto& s : strings) {
            std::wstring text;
            EXPECT_TRUE(StringOf(recording.written, 0, s.name, text)) << std::string(s.name, s.name + wcslen(s.name));
            EXPECT_EQ(text, s.text);
        }
        EXPECT_EQ(recording.written.count({0, L"Kx/SubItemAlbumTitle:000"}), 0u) << "empty strings are not written";
        EXPECT_EQ(recording.written.count({0, L"Kx/SubItemAuthor:001"}), 0u);
        QWORD end = 0;
        EXPECT_TRUE(QwordOf(recording.written, 0, L"Kx/SubItemTrackEnd:000", end));
        EXPECT_EQ(end, 1000000u) << "byte 176400 of a 176400-bytes-per-second stream";
        EXPECT_TRUE(QwordOf(recording.written, 0, L"Kx/SubItemTrackEnd:001", end));
        EXPECT_EQ(end, 2500000u);
    }
}

TEST_F(WmWriteFileTest, SubItemNumbersGrowPastThreeDigits)
{
    WriterInput input(std::vector<int16_t>(4410 * 2), 0);
    ComPtr<IPlayerOutput> writer = NewWriter();
    ASSERT_EQ(writer->Open(), S_OK);
    writer->AttachInput(&input, 0);
    writer->SetProgressStatus(progress.get());
    writer->SetFormat(0);
    for (int i = 1; i <= 1001; ++i)
        writer->AddTrackInfo(i * 4, (L"T" + std::to_wstring(i)).c_str(), nullptr, nullptr);
    ASSERT_EQ(writer->StartFile(dir.File(L"many.wma").c_str(), 0), S_OK);
    ASSERT_TRUE(WaitForCompletion(progress.get(), writer.get()));
    std::wstring text;
    EXPECT_TRUE(StringOf(runtime.recording.written, 0, L"Kx/SubItemTitle:999", text));
    EXPECT_EQ(text, L"T1000");
    EXPECT_TRUE(StringOf(runtime.recording.written, 0, L"Kx/SubItemTitle:1000", text));
    EXPECT_EQ(text, L"T1001");
}

TEST_F(WmWriteFileTest, ACancelledExportLeavesNoFileAndStillCompletes)
{
    const struct {
        const char* label;
        const wchar_t* name;
    } files[] = {{"ASCII name", L"cancelled.wma"}, {"name outside the ANSI code page", L"Ω 日本 cancelled.wma"}};
    for (const auto& [label, name] : files) {
        SCOPED_TRACE(label);
        progress->Reset();
        WriterInput input(wmafixtures::Chirp(3.0, 44100, 2));
        input.cancelTarget = progress.get();
        input.cancelAfterBytes = input.Bytes() / 3;
        const std::wstring path = dir.File(name);
        ComPtr<IPlayerOutput> writer = PreparedWriter(input);
        ASSERT_EQ(writer->StartFile(path.c_str(), 0), S_OK);
        ASSERT_TRUE(WaitForCompletion(progress.get(), writer.get()));
        EXPECT_EQ(progress->GetCompletion(), S_OK);
        EXPECT_FALSE(FileExists(path));
        EXPECT_TRUE(runtime.recording.beganWriting);
        EXPECT_LT(runtime.recording.sampleTimes.size(), 10u);
        runtime.recording.sampleTimes.clear();
    }
}

TEST_F(WmWriteFileTest, AFailedExportEndsWithTheErrorAndNoFile)
{
    struct Case {
        const char* name;
        bool writesFail;
        bool flushFails;
        bool endFails;
    };
    const Case cases[] = {
        {"every write refused", true, false, false},
        {"flush refused", false, true, false},
        {"end of writing refused", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtime.recording.writesAlwaysFail = c.writesFail;
        runtime.recording.flushFails = c.flushFails;
        runtime.recording.endWritingFails = c.endFails;
        progress->Reset();
        WriterInput input(wmafixtures::Chirp(1.0, 44100, 2), 0);
        const std::wstring path = dir.File(L"failing.wma");
        ComPtr<IPlayerOutput> writer = PreparedWriter(input);
        const ULONGLONG start = GetTickCount64();
        ASSERT_EQ(writer->StartFile(path.c_str(), 0), S_OK);
        ASSERT_TRUE(WaitForCompletion(progress.get(), writer.get(), 10 * kTestStallLimitMs));
        std::printf("[ measured ] %s: ended after %llu ms (stall limit %lu ms)\n", c.name, GetTickCount64() - start,
                    kTestStallLimitMs);
        EXPECT_EQ(progress->GetCompletion(), E_FAIL);
        HRESULT error = S_OK;
        progress->GetError(&error);
        EXPECT_TRUE(FAILED(error));
        EXPECT_FALSE(FileExists(path));
    }
}

// The runtime writes a new file beside the target, which replaces the target only at the end: a
// cancel, a failure or a refused start leaves an older target as it was and nothing beside it.
TEST_F(WmWriteFileTest, AnOlderTargetSurvivesACancelAFailureAndARefusedStart)
{
    const std::wstring path = dir.File(L"older.wma");
    fixtures::WriteFileText(path, "older");
    struct Case {
        const char* name;
        bool cancel;
        bool writesFail;
        bool beginFails;
    };
    const Case cases[] = {
        {"a cancel a third of the way", true, false, false},
        {"every write refused", false, true, false},
        {"the start of writing refused", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runtime.recording.writesAlwaysFail = c.writesFail;
        runtime.recording.beginWritingFails = c.beginFails;
        progress->Reset();
        WriterInput input(wmafixtures::Chirp(1.0, 44100, 2));
        if (c.cancel) {
            input.cancelTarget = progress.get();
            input.cancelAfterBytes = input.Bytes() / 3;
        }
        ComPtr<IPlayerOutput> writer = PreparedWriter(input);
        if (c.beginFails) {
            EXPECT_EQ(writer->StartFile(path.c_str(), 0), E_FAIL);
        } else {
            ASSERT_EQ(writer->StartFile(path.c_str(), 0), S_OK);
            ASSERT_TRUE(WaitForCompletion(progress.get(), writer.get(), 10 * kTestStallLimitMs));
        }
        EXPECT_FALSE(HasWriterFile(dir.Path())) << "nothing left beside the target";
        EXPECT_EQ(fixtures::ReadFileText(path), "older") << "the older target is as it was";
    }
}

TEST_F(WmWriteFileTest, StartFileRefusesWhatCannotBeWritten)
{
    struct Case {
        const char* name;
        bool open;
        bool input;
        bool progressSet;
        WORD blockAlign;
    };
    const Case cases[] = {
        {"no progress object", true, true, false, 4},
        {"no input", true, false, true, 4},
        {"writer not opened", false, true, true, 4},
        {"input block align 0", true, true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IProgressStatus> status = ComPtr<IProgressStatus>::attach(new CProgressStatus());
        WriterInput input(std::vector<int16_t>(1000));
        input.blockAlign = c.blockAlign;
        ComPtr<IPlayerOutput> writer = NewWriter();
        if (c.open) {
            ASSERT_EQ(writer->Open(), S_OK);
        }
        if (c.input) {
            ASSERT_EQ(writer->AttachInput(&input, 0), S_OK);
        }
        if (c.progressSet) {
            ASSERT_EQ(writer->SetProgressStatus(status.get()), S_OK);
        }
        const std::wstring path = dir.File(L"refused.wma");
        EXPECT_EQ(writer->StartFile(path.c_str(), 0), E_FAIL);
        EXPECT_EQ(writer->IsRunning(), S_FALSE);
        EXPECT_EQ(writer->IsOpen(), S_FALSE);
        EXPECT_FALSE(FileExists(path));
    }

    WriterInput input(std::vector<int16_t>(1000));
    ComPtr<IPlayerOutput> writer = NewWriter();
    EXPECT_EQ(writer->AttachInput(&input, 0), S_OK);
    EXPECT_EQ(writer->AttachInput(&input, 0), E_FAIL);
    EXPECT_EQ(writer->SetProgressStatus(progress.get()), S_OK);
    EXPECT_EQ(writer->SetProgressStatus(progress.get()), E_FAIL);
    for (HRESULT nothing :
         {writer->SetBufferSize(1000), writer->Start(), writer->Stop(), writer->DetachInput(&input), writer->Close()})
        EXPECT_EQ(nothing, S_FALSE);
    writer.reset();
    EXPECT_EQ(input.count, 1);
}

}  // namespace
