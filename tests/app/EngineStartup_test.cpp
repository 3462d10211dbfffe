// The real program with the real engine library beside it: start-up binds and initialises the
// engine (no failure box, so the frame shows), and a close shuts everything down cleanly; a
// playlist of file names named on the command line opens, and saving never aims at it.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// Six seconds of 16-bit stereo clicks at the tempo, as a WAV file.
std::string ClickWav(double bpm)
{
    const uint32_t rate = 44100;
    const uint32_t frames = rate * 6;
    std::vector<int16_t> samples(frames * 2, 0);
    const auto beat = static_cast<uint32_t>(rate * 60.0 / bpm);
    for (uint32_t start = 0; start + 100 < frames; start += beat)
        for (uint32_t i = 0; i < 100; ++i)
            samples[(start + i) * 2] = samples[(start + i) * 2 + 1] = static_cast<int16_t>(i % 2 ? 20000 : -20000);
    const auto put32 = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [](std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t dataBytes = frames * 4;
    std::string wav = "RIFF";
    put32(wav, 36 + dataBytes);
    wav += "WAVEfmt ";
    put32(wav, 16);
    put16(wav, 1);
    put16(wav, 2);
    put32(wav, rate);
    put32(wav, rate * 4);
    put16(wav, 4);
    put16(wav, 16);
    wav += "data";
    put32(wav, dataBytes);
    wav.append(reinterpret_cast<const char*>(samples.data()), dataBytes);
    return wav;
}

TEST(EngineStartup, StartsAndClosesCleanlyWithTheRealEngine)
{
    DeleteProgramProfile();
    ProgramRun run(BuildFolder(L"bin") + L"\\Carrowfold.exe");
    ASSERT_TRUE(run.Started());
    // A failed engine would stop start-up in a message box owned by the hidden frame; the frame
    // shows only after the engine was made and initialised.
    const HWND main = run.WaitForMainWindow(60000);
    ASSERT_NE(main, nullptr);
    EXPECT_NE(WindowTitle(main).find(L"Deckwright"), std::wstring::npos);
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Carrowfold 5 App Mutex");
    EXPECT_NE(mutex, nullptr) << "the engine holds its mutex while the program runs";
    if (mutex)
        CloseHandle(mutex);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(60000), 0) << "exit code 0 within a minute";
    DWORD count = 1;
    EXPECT_TRUE(ReadSettingsDword(L"Application Start Count", &count));
    EXPECT_EQ(count, 0u);
    DeleteProgramProfile();
}

TEST(EngineStartup, APlaylistOfFileNamesOpensUnderItsTitleAndIsNeverSavedOver)
{
    DeleteProgramProfile();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"carrowfold-app-m3u-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteBytes(folder + L"\\click120.wav", ClickWav(120));
    WriteBytes(folder + L"\\click100.wav", ClickWav(100));
    const std::wstring list = folder + L"\\two clicks.m3u";
    const std::string text =
        "#EXTM3U\r\n#EXTINF:6,Clicks - 120\r\nclick120.wav\r\n#EXTINF:6,Clicks - 100\r\nclick100.wav";
    WriteBytes(list, text);

    ProgramRun run(BuildFolder(L"bin") + L"\\Carrowfold.exe", L"\"" + list + L"\"");
    ASSERT_TRUE(run.Started());
    const HWND main = run.WaitForMainWindow(60000);
    ASSERT_NE(main, nullptr);
    const std::wstring title = WaitForTitleContaining(main, L"two clicks", 60000);
    EXPECT_NE(title.find(L"two clicks"), std::wstring::npos) << "the list's title";

    // Save asks for a mix document's name: the list is no path to save to.
    PostMessageW(main, WM_COMMAND, 0xE103 /* ID_FILE_SAVE */, 0);
    const HWND dialog = WaitForBox(run.ProcessId(), 30000);
    ASSERT_NE(dialog, nullptr) << "no save dialog";
    EXPECT_EQ(WindowTitle(dialog).find(L"Save"), 0u) << "the save dialog, not a failure box";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    for (DWORD waited = 0; !VisibleDialogs(run.ProcessId()).empty() && waited < 30000; waited += 100)
        Sleep(100);
    EXPECT_EQ(ReadBytes(list), text) << "the list is left as it was";

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(60000), 0);
    EXPECT_EQ(ReadBytes(list), text);
    for (const wchar_t* name : {L"\\click120.wav", L"\\click100.wav", L"\\two clicks.m3u"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
    DeleteProgramProfile();
}

}  // namespace
