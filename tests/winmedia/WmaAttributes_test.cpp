// The reader's attribute operations and opening, against the recording double of the runtime
// (Wine 8's runtime answers no attribute but "Duration").
#include "tests/winmedia/double/WmRuntimeDouble.h"
#include "winmedia/PcmReaderWma.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <string>

namespace {

using wmdouble::kAudioStreamNumber;

constexpr QWORD kTwoSeconds = 20000000;  // 100 ns units

// A BSTR owned by the test.
struct Bstr {
    explicit Bstr(const wchar_t* text = nullptr) : value(text ? SysAllocString(text) : nullptr) {}
    ~Bstr() { SysFreeString(value); }
    BSTR value;
};

class WmaAttributes : public testing::Test {
protected:
    WmaAttributes() : object(new CPcmReaderWma(runtime.Runtime()))
    {
        object->QueryInterface(IID_IPcmReaderWma, reader.put_void());
        runtime.SetFileQword(0, L"Duration", kTwoSeconds);
    }
    HRESULT Open() { return static_cast<IPcmReader*>(object)->Open(Bstr(L"C:\\music\\mix.wma").value, FALSE); }
    HRESULT EditOpen() { return reader->MetaEditOpen(Bstr(L"C:\\music\\mix.wma").value); }

    wmdouble::RuntimeDouble runtime;
    CPcmReaderWma* object;
    ComPtr<IPcmReaderWma> reader;
};

TEST_F(WmaAttributes, OpenCountsSamplesFromTheFileLevelDuration)
{
    ASSERT_EQ(Open(), S_OK);
    LONGLONG count = 0;
    object->GetSampleCount(&count);
    EXPECT_EQ(count, 88200);
    LONGLONG bytes = 0;
    object->GetStreamLength(&bytes);
    EXPECT_EQ(bytes, 88200 * 4);
    EXPECT_EQ(object->IsValid(), S_OK);
}

TEST(WmaOpening, FilesWithoutAUsableDurationOrAudioOutputStayUnopened)
{
    struct Case {
        const char* name;
        bool durationAtFileLevel;
        bool durationAtAudioStream;
        WORD blockAlign;
    };
    const Case cases[] = {
        {"no duration", false, false, 4},
        {"duration only at the audio stream", false, true, 4},
        {"audio output with block align 0", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wmdouble::RuntimeDouble runtime;
        if (c.durationAtFileLevel)
            runtime.SetFileQword(0, L"Duration", kTwoSeconds);
        if (c.durationAtAudioStream)
            runtime.SetFileQword(kAudioStreamNumber, L"Duration", kTwoSeconds);
        runtime.recording.outputFormat.nBlockAlign = c.blockAlign;
        ComPtr<IPcmReader> reader;
        (new CPcmReaderWma(runtime.Runtime()))->QueryInterface(IID_IPcmReader, reader.put_void());
        EXPECT_TRUE(FAILED(reader->Open(Bstr(L"C:\\a.wma").value, FALSE)));
        EXPECT_EQ(reader->IsValid(), S_FALSE);
        unsigned char buffer[16];
        EXPECT_EQ(reader->GetFormatInfo(buffer), E_FAIL);
        EXPECT_EQ(reader->LoadPcm(buffer, 0, sizeof(buffer)), E_FAIL);
    }
}

TEST_F(WmaAttributes, StringsComeFromStreamZeroThenFromTheAudioStream)
{
    runtime.SetFileString(0, L"Title", L"Night Drive");
    runtime.SetFileString(0, L"WM/AlbumTitle", L"Coastlines");
    runtime.SetFileString(0, L"Author", L"Ada");
    runtime.SetFileString(kAudioStreamNumber, L"Author", L"not this one");
    runtime.SetFileString(kAudioStreamNumber, L"WM/Year", L"2004");
    runtime.SetFileString(0, L"WM/Genre", L"House");
    runtime.SetFileString(0, L"Kx/BPM", L"126");
    runtime.SetFileQword(0, L"WM/Composer", 7);
    ASSERT_EQ(Open(), S_OK);

    struct Case {
        DWORD id;
        HRESULT result;
        const wchar_t* text;
    };
    const Case cases[] = {
        {1, S_OK, L"Night Drive"}, {2, S_OK, L"Coastlines"}, {4, S_OK, L"Ada"},
        {16, S_OK, L"2004"},       {32, S_OK, L"House"},     {256, S_OK, L"126"},
        {8, E_FAIL, nullptr},      {0, E_FAIL, nullptr},     {512, E_FAIL, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        BSTR text = reinterpret_cast<BSTR>(0xDEADBEEF);
        EXPECT_EQ(reader->GetMetaDataString(c.id, &text), c.result);
        if (c.text)
            EXPECT_STREQ(text, c.text);
        else
            EXPECT_EQ(text, nullptr);
        SysFreeString(c.text ? text : nullptr);
    }
}

TEST_F(WmaAttributes, OnlyStringAttributesCountAsStrings)
{
    runtime.SetFileQword(0, L"Title", 5);
    ASSERT_EQ(Open(), S_OK);
    BSTR text = nullptr;
    EXPECT_EQ(reader->GetMetaDataString(1, &text), E_FAIL);
    EXPECT_EQ(text, nullptr);
}

TEST_F(WmaAttributes, AnObjectIsOpenedForDecodingOrForEditingNotBoth)
{
    BSTR text = nullptr;
    EXPECT_EQ(reader->GetMetaDataString(1, &text), E_FAIL) << "not open";
    ASSERT_EQ(Open(), S_OK);
    EXPECT_EQ(EditOpen(), E_FAIL);
    EXPECT_EQ(reader->SetMetaDataString(1, Bstr(L"x").value), E_FAIL) << "no editor";
    unsigned char byte = 1;
    EXPECT_EQ(reader->SetMetaDataBin(Bstr(L"Kx/Mix").value, &byte, 1), E_FAIL);
    EXPECT_TRUE(runtime.recording.edited.empty());

    ComPtr<IPcmReaderWma> editor;
    (new CPcmReaderWma(runtime.Runtime()))->QueryInterface(IID_IPcmReaderWma, editor.put_void());
    ASSERT_EQ(editor->MetaEditOpen(Bstr(L"C:\\a.wma").value), S_OK);
    EXPECT_EQ(editor->MetaEditOpen(Bstr(L"C:\\a.wma").value), E_FAIL);
    EXPECT_EQ(editor->GetMetaDataString(1, &text), E_FAIL) << "no reader";
    ComPtr<IPcmReader> asReader;
    ASSERT_EQ(editor->QueryInterface(IID_IPcmReader, asReader.put_void()), S_OK);
    EXPECT_EQ(asReader->Open(Bstr(L"C:\\a.wma").value, FALSE), E_FAIL);
}

TEST_F(WmaAttributes, EditingWritesStringsAndBytesAtStreamZeroAndShutDownFlushes)
{
    ASSERT_EQ(EditOpen(), S_OK);
    EXPECT_EQ(reader->SetMetaDataString(1, Bstr(L"").value), E_FAIL);
    EXPECT_EQ(reader->SetMetaDataString(1, nullptr), E_FAIL);
    EXPECT_EQ(reader->SetMetaDataString(8, Bstr(L"x").value), E_FAIL);
    EXPECT_TRUE(runtime.recording.edited.empty()) << "nothing written by refused calls";

    EXPECT_EQ(reader->SetMetaDataString(256, Bstr(L"128.5").value), S_OK);
    const auto& bpm = runtime.recording.edited.at({0, L"Kx/BPM"});
    EXPECT_EQ(bpm.type, WMT_TYPE_STRING);
    EXPECT_EQ(bpm.value.size(), 12u) << "length in bytes with the terminator";

    const unsigned char mix[] = {'R', 'I', 'F', 'F', 0, 1, 2};
    EXPECT_EQ(reader->SetMetaDataBin(Bstr(L"Kx/MixData").value, const_cast<unsigned char*>(mix), sizeof(mix)), S_OK);
    const auto& data = runtime.recording.edited.at({0, L"Kx/MixData"});
    EXPECT_EQ(data.type, WMT_TYPE_BINARY);
    EXPECT_EQ(data.value, std::vector<BYTE>(mix, mix + sizeof(mix)));

    EXPECT_FALSE(runtime.recording.editorFlushed);
    EXPECT_EQ(static_cast<IPcmReader*>(object)->ShutDown(), S_OK);
    EXPECT_TRUE(runtime.recording.editorFlushed);
}

TEST_F(WmaAttributes, BinaryAttributesReportTheirSizeAndRefuseShortBuffers)
{
    const BYTE stored[] = {9, 8, 7, 6, 5};
    runtime.SetFileAttribute(0, L"Kx/MixData", WMT_TYPE_BINARY, stored, sizeof(stored));
    runtime.SetFileAttribute(0, L"Kx/Empty", WMT_TYPE_BINARY, nullptr, 0);
    ASSERT_EQ(Open(), S_OK);
    Bstr name(L"Kx/MixData");
    unsigned long size = 0;
    EXPECT_EQ(reader->GetMetaDataBin(name.value, nullptr, &size), S_OK);
    EXPECT_EQ(size, sizeof(stored));
    BYTE buffer[8] = {};
    size = sizeof(stored) - 1;
    EXPECT_EQ(reader->GetMetaDataBin(name.value, buffer, &size), E_FAIL);
    size = sizeof(buffer);
    EXPECT_EQ(reader->GetMetaDataBin(name.value, buffer, &size), S_OK);
    EXPECT_EQ(size, sizeof(stored));
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + size), std::vector<BYTE>(stored, stored + sizeof(stored)));
    EXPECT_EQ(reader->GetMetaDataBin(Bstr(L"Kx/Empty").value, nullptr, &size), E_FAIL);
    EXPECT_EQ(reader->GetMetaDataBin(Bstr(L"Kx/Missing").value, nullptr, &size), E_FAIL);
}

TEST_F(WmaAttributes, SubItemStringsBelongToTheFirstTrackEndingAtOrAfterTheTime)
{
    const struct {
        QWORD end;
        const wchar_t* title;
        const wchar_t* author;
        const wchar_t* album;
    } items[] = {
        {180000000, L"First", L"Ada", L"One"},
        {400000000, L"Second", nullptr, L"Two"},
        {615000000, L"Third", L"Cy", L"Three"},
    };
    for (unsigned i = 0; i < std::size(items); ++i)
        runtime.SetFileSubItem(i, items[i].end, items[i].title, items[i].author, items[i].album);
    ASSERT_EQ(Open(), S_OK);

    const struct {
        LONGLONG time;
        HRESULT result;
        const wchar_t* title;
        const wchar_t* author;
    } cases[] = {
        {0, S_OK, L"First", L"Ada"},           {180000000, S_OK, L"First", L"Ada"},
        {180000001, S_OK, L"Second", nullptr}, {615000000, S_OK, L"Third", L"Cy"},
        {615000001, E_FAIL, nullptr, nullptr}, {-1, E_FAIL, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        BSTR title = reinterpret_cast<BSTR>(0xDEADBEEF);
        BSTR author = reinterpret_cast<BSTR>(0xDEADBEEF);
        BSTR album = reinterpret_cast<BSTR>(0xDEADBEEF);
        EXPECT_EQ(reader->GetSubItemStrings(c.time, &title, &author, &album), c.result);
        if (c.title)
            EXPECT_STREQ(title, c.title);
        else
            EXPECT_EQ(title, nullptr);
        if (c.author)
            EXPECT_STREQ(author, c.author);
        else
            EXPECT_EQ(author, nullptr);
        SysFreeString(title);
        SysFreeString(author);
        SysFreeString(album);
    }
}

}  // namespace
