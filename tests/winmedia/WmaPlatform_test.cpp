// The attribute and writer tables against the platform's own runtime, where it answers. Under
// Wine 8 it does not (measured: only "Duration" at stream 0 among attributes, WMCreateEditor
// E_NOTIMPL, the writer's and profile manager's methods all E_NOTIMPL): these tests then skip
// and print what the runtime answered.
#include "engine/core/server/ProgressStatus.h"
#include "tests/support/UnixTools.h"
#include "tests/winmedia/WmaFixtures.h"
#include "tests/winmedia/WriterInput.h"
#include "winmedia/PcmReaderWma.h"
#include "winmedia/WmWriteFile.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

namespace {

struct Bstr {
    explicit Bstr(const std::wstring& text) : value(SysAllocString(text.c_str())) {}
    ~Bstr() { SysFreeString(value); }
    BSTR value;
};

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

class WmaPlatform : public testing::Test {
protected:
    void SetUp() override
    {
        if (!fixtures::HaveUnixTools())
            GTEST_SKIP() << "ffmpeg is not reachable from this process";
        path = dir.File(L"tagged.wma");
        const std::wstring untagged = dir.File(L"untagged.wma");
        ASSERT_TRUE(wmafixtures::Encode(dir, wmafixtures::Chirp(1.0, 44100, 2), 44100, 2, "wmav2", "128k", untagged));
        // Re-encode with tags: the title, artist and album of the catalog's attribute ids.
        ASSERT_EQ(fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-i", fixtures::UnixPath(untagged), "-c:a",
                                                   "copy", "-metadata", "title=Night Drive", "-metadata", "artist=Ada",
                                                   "-metadata", "album=Coastlines", fixtures::UnixPath(path)}),
                  0);
    }

    fixtures::TempDir dir;
    std::wstring path;
};

TEST_F(WmaPlatform, HeaderStringsOfAnFfmpegTaggedFile)
{
    ComPtr<IPcmReaderWma> reader;
    (new CPcmReaderWma())->QueryInterface(IID_IPcmReaderWma, reader.put_void());
    ComPtr<IPcmReader> pcm;
    reader->QueryInterface(IID_IPcmReader, pcm.put_void());
    ASSERT_EQ(pcm->Open(Bstr(path).value, FALSE), S_OK);
    BSTR title = nullptr;
    const HRESULT hr = reader->GetMetaDataString(1, &title);
    if (FAILED(hr))
        GTEST_SKIP() << "the runtime has no \"Title\" for a file whose title ffmpeg wrote (" << Hex(hr)
                     << "): under Wine 8 it answers only \"Duration\", at stream 0";
    const struct {
        DWORD id;
        const wchar_t* text;
    } cases[] = {{1, L"Night Drive"}, {4, L"Ada"}, {2, L"Coastlines"}};
    SysFreeString(title);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        BSTR text = nullptr;
        ASSERT_EQ(reader->GetMetaDataString(c.id, &text), S_OK);
        EXPECT_STREQ(text, c.text);
        SysFreeString(text);
    }
}

TEST_F(WmaPlatform, EditedStringsAreReadBack)
{
    ComPtr<IPcmReaderWma> editor;
    (new CPcmReaderWma())->QueryInterface(IID_IPcmReaderWma, editor.put_void());
    const HRESULT opened = editor->MetaEditOpen(Bstr(path).value);
    if (FAILED(opened))
        GTEST_SKIP() << "the runtime's metadata editor does not open the file (" << Hex(opened)
                     << "): under Wine 8 WMCreateEditor answers E_NOTIMPL";
    ASSERT_EQ(editor->SetMetaDataString(256, Bstr(L"126").value), S_OK);
    ComPtr<IPcmReader> asReader;
    editor->QueryInterface(IID_IPcmReader, asReader.put_void());
    ASSERT_EQ(asReader->ShutDown(), S_OK);

    ComPtr<IPcmReaderWma> reader;
    (new CPcmReaderWma())->QueryInterface(IID_IPcmReaderWma, reader.put_void());
    ComPtr<IPcmReader> pcm;
    reader->QueryInterface(IID_IPcmReader, pcm.put_void());
    ASSERT_EQ(pcm->Open(Bstr(path).value, FALSE), S_OK);
    BSTR text = nullptr;
    ASSERT_EQ(reader->GetMetaDataString(256, &text), S_OK);
    EXPECT_STREQ(text, L"126");
    SysFreeString(text);
}

// An export through the platform's writer, decoded again by ffmpeg.
TEST_F(WmaPlatform, ExportDecodesToTheInput)
{
    ComPtr<IPlayerOutput> writer;
    (new CWmWriteFile())->QueryInterface(IID_IPlayerOutput, writer.put_void());
    const HRESULT opened = writer->Open();
    int formatId = -1;
    BSTR name = nullptr;
    int bitRate = 0;
    const HRESULT listed = SUCCEEDED(opened) ? writer->GetFormatInfo(0, &formatId, &name, &bitRate) : opened;
    SysFreeString(name);
    if (FAILED(listed))
        GTEST_SKIP() << "the runtime offers no writer or no audio profile (" << Hex(listed)
                     << "): under Wine 8 the writer and profile manager answer E_NOTIMPL";

    ComPtr<IProgressStatus> progress = ComPtr<IProgressStatus>::attach(new CProgressStatus());
    WriterInput input(wmafixtures::Chirp(2.0, 44100, 2), 0);
    ASSERT_EQ(writer->AttachInput(&input, 0), S_OK);
    ASSERT_EQ(writer->SetProgressStatus(progress.get()), S_OK);
    ASSERT_EQ(writer->SetFormat(formatId), S_OK);
    const std::wstring exported = dir.File(L"export.wma");
    ASSERT_EQ(writer->StartFile(exported.c_str(), 0), S_OK);
    const ULONGLONG start = GetTickCount64();
    while (progress->GetCompletion() == S_FALSE && GetTickCount64() - start < 60000)
        Sleep(10);
    ASSERT_EQ(progress->GetCompletion(), S_OK);
    std::vector<int16_t> decoded;
    ASSERT_TRUE(wmafixtures::DecodeWithFfmpeg(dir, exported, decoded));
    int lag = 0;
    size_t overlap = 0;
    const double snr = wmafixtures::AlignedSnrDb(wmafixtures::Channel(input.Samples(), 2, 0),
                                                 wmafixtures::Channel(decoded, 2, 0), 8192, lag, overlap);
    std::printf("[ measured ] platform export at %d bit/s: SNR %.1f dB, lag %d\n", bitRate, snr, lag);
    EXPECT_GT(snr, 20.0);
}

}  // namespace
