// The M3U playlist reader: line ends, comments, the byte-order mark, lines too long for a path,
// the text encoding it reports, and an HLS playlist written by ffmpeg.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "classlib/core/File.h"
#include "engine/core/mix/FileNamePlaylist.h"
#include "engine/core/mix/M3uFile.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"

namespace {

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    CFile out;
    ASSERT_TRUE(out.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
    out.Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

std::vector<std::string> ReadAllLines(CM3uFile& file)
{
    std::vector<std::string> lines;
    char line[CM3uFile::kMaxLine];
    while (file.ReadLine(line, sizeof(line)) && lines.size() < 100000)
        lines.emplace_back(line);
    return lines;
}

std::vector<std::string> ReadAllLines(const std::wstring& path)
{
    CM3uFile file;
    EXPECT_TRUE(file.Open(path.c_str()));
    return ReadAllLines(file);
}

std::string Encode(UINT codePage, const std::wstring& text)
{
    const int n = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), -1, bytes.data(), n, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

std::wstring Decode(UINT codePage, const std::string& bytes)
{
    const int n = MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.c_str(), -1, text.data(), n);
    text.pop_back();
    return text;
}

TEST(M3uFile, LinesOfEveryKindOfFile)
{
    const std::string longComment = "#EXTINF:123," + std::string(300, 'x');
    const std::string longPath = "C:\\" + std::string(257, 'p');  // 260 bytes: no path
    const std::string longestPath = "C:\\" + std::string(256, 'q');
    const std::vector<std::string> ab = {"a.mp3", "b.mp3"};
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    } rows[] = {
        {"CR LF", "a.mp3\r\nb.mp3\r\n", ab},
        {"LF", "a.mp3\nb.mp3\n", ab},
        {"CR", "a.mp3\rb.mp3\r", ab},
        {"blank lines", "\r\n\r\na.mp3\r\n\n\n\r\nb.mp3\r\n\r\n", ab},
        {"extended M3U", "#EXTM3U\r\n#EXTINF:201,Artist - Title\r\na.mp3\r\n#EXTINF:-1,\r\nb.mp3\r\n", ab},
        {"byte-order mark", "\xEF\xBB\xBF#EXTM3U\r\na.mp3\r\nb.mp3\r\n", ab},
        {"long comment", "#EXTM3U\n" + longComment + "\na.mp3\nb.mp3\n", ab},
        {"line of 260 bytes skipped", "a.mp3\n" + longPath + "\nb.mp3\n", ab},
        {"line of 259 bytes kept", longestPath + "\n", {longestPath}},
        {"no final line end", "a.mp3\r\nb.mp3", ab},
        {"line ends longer than a path", "a.mp3" + std::string(600, '\n') + "b.mp3\n", ab},
        {"only a comment", "#EXTM3U", {}},
        {"empty file", "", {}},
        {"only line ends", "\r\n\n\r", {}},
        {"spaces kept", " a b.mp3 \n", {" a b.mp3 "}},
    };
    fixtures::TempDir dir(L"m3u");
    for (const Row& row : rows) {
        const std::wstring path = dir.File(L"list.m3u");
        WriteBytes(path, row.bytes);
        EXPECT_EQ(ReadAllLines(path), row.lines) << row.name;
    }
}

TEST(M3uFile, AfterTheEndEveryReadAnswersFalse)
{
    fixtures::TempDir dir(L"m3u");
    WriteBytes(dir.File(L"a.m3u"), "a.mp3\n");
    CM3uFile file;
    ASSERT_TRUE(file.Open(dir.File(L"a.m3u").c_str()));
    char line[CM3uFile::kMaxLine];
    ASSERT_TRUE(file.ReadLine(line, sizeof(line)));
    EXPECT_FALSE(file.ReadLine(line, sizeof(line)));
    EXPECT_FALSE(file.ReadLine(line, sizeof(line)));
    EXPECT_STREQ(line, "");
}

TEST(M3uFile, ALineLongerThanTheCallersBufferIsSkipped)
{
    fixtures::TempDir dir(L"m3u");
    WriteBytes(dir.File(L"a.m3u"), "abcdefghij.mp3\nk.mp3\n");
    CM3uFile file;
    ASSERT_TRUE(file.Open(dir.File(L"a.m3u").c_str()));
    char line[8];
    ASSERT_TRUE(file.ReadLine(line, sizeof(line)));
    EXPECT_STREQ(line, "k.mp3");
}

// Serves the bytes once through a new named pipe, then breaks it: the read after them fails
// (ERROR_BROKEN_PIPE), as a read from a failing disk or a lost network share would.
class BreakingPipe {
public:
    explicit BreakingPipe(std::string bytes)
        : m_name(L"\\\\.\\pipe\\carrowfold m3u " + std::to_wstring(GetCurrentProcessId()) + L" " +
                 std::to_wstring(++s_count)),
          m_server(CreateNamedPipeW(m_name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16,
                                    1 << 16, 0, nullptr)),
          m_writer([this, bytes = std::move(bytes)] {
              ConnectNamedPipe(m_server, nullptr);
              DWORD written = 0;
              WriteFile(m_server, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
              FlushFileBuffers(m_server);
              DisconnectNamedPipe(m_server);
          })
    {}
    ~BreakingPipe()
    {
        m_writer.join();
        CloseHandle(m_server);
    }
    const std::wstring& Name() const { return m_name; }

private:
    static inline int s_count = 0;
    std::wstring m_name;
    HANDLE m_server;
    std::thread m_writer;
};

TEST(M3uFile, AReadErrorPartWayIsAFailureNotTheEndOfTheList)
{
    // 5,000 lines (over 64 KiB), after a byte-order mark; the pipe breaks after 70,000 bytes.
    std::string bytes = "\xEF\xBB\xBF";
    for (int i = 0; i < 5000; ++i)
        bytes += "C:\\Music\\track " + std::to_string(10000 + i) + ".mp3\r\n";
    const std::string part = bytes.substr(0, 70000);
    {
        BreakingPipe pipe(part);
        CM3uFile file;
        ASSERT_TRUE(file.Open(pipe.Name().c_str()));
        EXPECT_LT(ReadAllLines(file).size(), 5000u);
        EXPECT_TRUE(file.HasFailed());
    }
    {
        BreakingPipe pipe(part);
        std::vector<CString> paths;
        EXPECT_TRUE(FAILED(ReadFileNamePlaylist(pipe.Name().c_str(), paths)));
        EXPECT_TRUE(paths.empty()) << "no part of a list cut short is taken";
    }
    // The same bytes in a file are read whole.
    fixtures::TempDir dir(L"m3u");
    const std::wstring path = dir.File(L"whole.m3u");
    WriteBytes(path, bytes);
    std::vector<CString> paths;
    ASSERT_EQ(ReadFileNamePlaylist(path.c_str(), paths), S_OK);
    EXPECT_EQ(paths.size(), 5000u);
    CM3uFile whole;
    ASSERT_TRUE(whole.Open(path.c_str()));
    EXPECT_EQ(ReadAllLines(whole).size(), 5000u);
    EXPECT_FALSE(whole.HasFailed());
}

TEST(M3uFile, MissingFileDoesNotOpen)
{
    fixtures::TempDir dir(L"m3u");
    CM3uFile file;
    EXPECT_FALSE(file.Open(dir.File(L"absent.m3u").c_str()));
    char line[CM3uFile::kMaxLine];
    EXPECT_FALSE(file.ReadLine(line, sizeof(line)));
}

TEST(M3uFile, NonAsciiNamesInAnsiAndUtf8)
{
    const std::wstring name = L"C:\\Musik\\Caf\u00e9 M\u00fcller.mp3";
    const std::string bom = "\xEF\xBB\xBF";
    struct Row {
        const wchar_t* file;
        std::string bytes;
        bool utf8;
    } rows[] = {
        {L"ansi.m3u", Encode(CP_ACP, name) + "\r\n", false},
        {L"named.m3u8", Encode(CP_UTF8, name) + "\r\n", true},
        {L"NAMED.M3U8", Encode(CP_UTF8, name) + "\r\n", true},
        {L"marked.m3u", bom + Encode(CP_UTF8, name) + "\r\n", true},
        {L"marked.m3u8", bom + "#EXTM3U\n" + Encode(CP_UTF8, name), true},
    };
    fixtures::TempDir dir(L"m3u");
    for (const Row& row : rows) {
        WriteBytes(dir.File(row.file), row.bytes);
        CM3uFile file;
        ASSERT_TRUE(file.Open(dir.File(row.file).c_str()));
        EXPECT_EQ(file.IsUtf8(), row.utf8);
        char line[CM3uFile::kMaxLine];
        ASSERT_TRUE(file.ReadLine(line, sizeof(line)));
        EXPECT_EQ(Decode(file.IsUtf8() ? CP_UTF8 : CP_ACP, line), name);
        EXPECT_FALSE(file.ReadLine(line, sizeof(line)));
    }
}

TEST(M3uFile, HlsPlaylistWrittenByFfmpegYieldsItsSegmentNames)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "ffmpeg is not available";
    fixtures::TempDir dir(L"m3u");
    const std::string folder = fixtures::UnixPath(dir.Path());
    ASSERT_EQ(
        fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=7",
                                         "-c:a", "aac", "-f", "hls", "-hls_time", "2", "-hls_list_size", "0",
                                         "-hls_segment_filename", folder + "/part%03d.ts", folder + "/list.m3u8"}),
        0);
    std::vector<std::string> segments;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(dir.File(L"*.ts").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        segments.push_back(Encode(CP_UTF8, found.cFileName));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(segments.begin(), segments.end());
    ASSERT_GE(segments.size(), 3u);
    CM3uFile file;
    ASSERT_TRUE(file.Open(dir.File(L"list.m3u8").c_str()));
    EXPECT_TRUE(file.IsUtf8());
    EXPECT_EQ(ReadAllLines(file), segments);
}

}  // namespace
