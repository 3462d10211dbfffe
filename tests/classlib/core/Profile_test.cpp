// The application object's profile functions, read back with the registry API and once with
// Wine's own reg.exe as independent readers. Each run works under a key of its own,
// HKEY_CURRENT_USER\Software\Carrowfold Test <pid>, deleted afterwards.
#include "classlib/core/RegKey.h"
#include "classlib/core/WinApp.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const wchar_t kAppName[] = L"Profile Test App";
const wchar_t kUnicode[] = L"Caf\u00e9 \u00dcn\u00efc\u00f8d\u00e9 \u2014 \u65e5\u672c\u8a9e \u266b";

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t ch : text)
        out += ch < 0x80 ? static_cast<char>(ch) : '?';
    return out;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ScopedHandle = std::unique_ptr<void, HandleCloser>;

class Profile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_company.Format(L"Carrowfold Test %lu", GetCurrentProcessId());
        m_companyPath = CString(L"Software\\") + m_company;
        m_app.SetRegistryKey(m_company);
    }

    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, m_companyPath);
        RegKey left;
        EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, m_companyPath, 0, KEY_READ, left.put()), ERROR_SUCCESS)
            << "the test's key is still there";
    }

    CString SectionPath(const wchar_t* section) const { return m_companyPath + L"\\" + kAppName + L"\\" + section; }

    // Writes a value of any type behind the profile functions' back.
    void WriteRaw(const wchar_t* section, const wchar_t* entry, DWORD type, const void* data, DWORD bytes)
    {
        RegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(section), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), entry, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }

    struct Raw {
        LSTATUS status = ERROR_FILE_NOT_FOUND;
        DWORD type = REG_NONE;
        std::vector<BYTE> bytes;
    };

    // The stored bytes exactly as they are (RegGetValue would add terminators to texts).
    Raw ReadRaw(const wchar_t* section, const wchar_t* entry) const
    {
        Raw raw;
        RegKey key;
        raw.status = RegOpenKeyExW(HKEY_CURRENT_USER, SectionPath(section), 0, KEY_READ, key.put());
        if (raw.status != ERROR_SUCCESS)
            return raw;
        DWORD size = 0;
        raw.status = RegQueryValueExW(key.get(), entry, nullptr, &raw.type, nullptr, &size);
        if (raw.status != ERROR_SUCCESS)
            return raw;
        raw.bytes.resize(size);
        raw.status = RegQueryValueExW(key.get(), entry, nullptr, &raw.type, raw.bytes.data(), &size);
        raw.bytes.resize(size);
        return raw;
    }

    bool SectionExists(const wchar_t* section) const
    {
        RegKey key;
        return RegOpenKeyExW(HKEY_CURRENT_USER, SectionPath(section), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    }

    CWinApp m_app{kAppName};
    CString m_company;
    CString m_companyPath;
};

TEST_F(Profile, WriteProfileIntStoresDword)
{
    for (int value : {0, 42, -1, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(m_app.WriteProfileInt(L"Settings", L"Count", value));
        DWORD stored = 0;
        DWORD size = sizeof(stored);
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, SectionPath(L"Settings"), L"Count", RRF_RT_REG_DWORD, nullptr,
                               &stored, &size),
                  ERROR_SUCCESS)
            << "a REG_DWORD under HKCU\\Software\\<key>\\<application name>\\<section>";
        EXPECT_EQ(stored, static_cast<DWORD>(value));
        EXPECT_EQ(static_cast<int>(m_app.GetProfileInt(L"Settings", L"Count", 7)), value);
    }
}

TEST_F(Profile, GetProfileIntDefaultsForMissingOrOtherTypes)
{
    const DWORD dword = 42;
    const ULONGLONG qword = 43;
    const wchar_t text[] = L"44";
    const BYTE four[4] = {45, 0, 0, 0};
    struct Row {
        const char* name;
        std::function<void()> store;
        UINT expected;
    };
    const Row rows[] = {
        {"missing section", [] {}, 7},
        {"missing value", [&] { WriteRaw(L"Settings", L"Other", REG_DWORD, &dword, sizeof(dword)); }, 7},
        {"REG_DWORD", [&] { WriteRaw(L"Settings", L"Count", REG_DWORD, &dword, sizeof(dword)); }, 42},
        {"REG_QWORD", [&] { WriteRaw(L"Settings", L"Count", REG_QWORD, &qword, sizeof(qword)); }, 7},
        {"REG_SZ digits", [&] { WriteRaw(L"Settings", L"Count", REG_SZ, text, sizeof(text)); }, 7},
        {"REG_BINARY of 4 bytes", [&] { WriteRaw(L"Settings", L"Count", REG_BINARY, four, sizeof(four)); }, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_companyPath);
        row.store();
        EXPECT_EQ(m_app.GetProfileInt(L"Settings", L"Count", 7), row.expected);
    }
}

TEST_F(Profile, WriteProfileStringStoresTerminatedRegSz)
{
    const std::wstring longText(5000, L'\u00e9');
    for (const wchar_t* text : {L"", L"plain", kUnicode, longText.c_str()}) {
        SCOPED_TRACE(Narrow(std::wstring(text).substr(0, 20)));
        ASSERT_TRUE(m_app.WriteProfileString(L"Settings", L"Name", text));
        const Raw raw = ReadRaw(L"Settings", L"Name");
        ASSERT_EQ(raw.status, ERROR_SUCCESS);
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ));
        const size_t chars = wcslen(text);
        ASSERT_EQ(raw.bytes.size(), (chars + 1) * sizeof(wchar_t)) << "the terminator is stored";
        EXPECT_EQ(memcmp(raw.bytes.data(), text, raw.bytes.size()), 0);
        EXPECT_TRUE(m_app.GetProfileString(L"Settings", L"Name", L"default") == text);
    }
}

TEST_F(Profile, GetProfileStringReadsWhatOthersStored)
{
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    const wchar_t expandable[] = L"%SystemRoot%\\x";
    const wchar_t multi[] = L"one\0two\0";
    const DWORD dword = 1;
    const BYTE binary[] = {'a', 0, 'b', 0};
    struct Row {
        const char* name;
        std::function<void()> store;
        const wchar_t* defaultValue;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {"missing", [] {}, L"default", L"default"},
        {"missing, no default", [] {}, nullptr, L""},
        {"unterminated REG_SZ", [&] { WriteRaw(L"S", L"E", REG_SZ, unterminated, sizeof(unterminated)); }, L"d",
         L"abc"},
        {"empty REG_SZ without terminator", [&] { WriteRaw(L"S", L"E", REG_SZ, L"", 0); }, L"d", L""},
        {"REG_EXPAND_SZ is not expanded", [&] { WriteRaw(L"S", L"E", REG_EXPAND_SZ, expandable, sizeof(expandable)); },
         L"d", expandable},
        {"REG_MULTI_SZ", [&] { WriteRaw(L"S", L"E", REG_MULTI_SZ, multi, sizeof(multi)); }, L"d", L"d"},
        {"REG_DWORD", [&] { WriteRaw(L"S", L"E", REG_DWORD, &dword, sizeof(dword)); }, L"d", L"d"},
        {"REG_BINARY", [&] { WriteRaw(L"S", L"E", REG_BINARY, binary, sizeof(binary)); }, L"d", L"d"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_companyPath);
        row.store();
        EXPECT_EQ(Narrow(m_app.GetProfileString(L"S", L"E", row.defaultValue).str()), Narrow(row.expected));
    }
}

TEST_F(Profile, NullTextDeletesValueAndNullEntryDeletesSection)
{
    ASSERT_TRUE(m_app.WriteProfileString(L"Keep", L"Value", L"kept"));
    ASSERT_TRUE(m_app.WriteProfileString(L"Drop", L"A", L"a"));
    ASSERT_TRUE(m_app.WriteProfileString(L"Drop", L"B", L"b"));

    EXPECT_TRUE(m_app.WriteProfileString(L"Drop", L"A", nullptr));
    EXPECT_EQ(ReadRaw(L"Drop", L"A").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadRaw(L"Drop", L"B").status, ERROR_SUCCESS);
    EXPECT_FALSE(m_app.WriteProfileString(L"Drop", L"A", nullptr)) << "the value is already gone";

    EXPECT_TRUE(m_app.WriteProfileString(L"Drop", nullptr, nullptr));
    EXPECT_FALSE(SectionExists(L"Drop"));
    EXPECT_TRUE(SectionExists(L"Keep"));

    EXPECT_FALSE(m_app.WriteProfileString(nullptr, nullptr, nullptr)) << "must not wipe the whole profile";
    EXPECT_TRUE(m_app.GetProfileString(L"Keep", L"Value") == L"kept");
}

TEST_F(Profile, BinaryRoundTripsThroughANewArray)
{
    std::vector<BYTE> bytes = {0x00, 0xFF, 0x3C};
    for (int i = 0; i < 45; ++i)
        bytes.push_back(static_cast<BYTE>(i * 37));
    ASSERT_TRUE(
        m_app.WriteProfileBinary(L"Settings", L"Window Position", bytes.data(), static_cast<UINT>(bytes.size())));
    const Raw raw = ReadRaw(L"Settings", L"Window Position");
    ASSERT_EQ(raw.status, ERROR_SUCCESS);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(raw.bytes, bytes);

    BYTE* data = reinterpret_cast<BYTE*>(1);
    UINT size = 1;
    ASSERT_TRUE(m_app.GetProfileBinary(L"Settings", L"Window Position", &data, &size));
    const std::unique_ptr<BYTE[]> owned(data);
    ASSERT_EQ(size, bytes.size());
    EXPECT_EQ(std::vector<BYTE>(data, data + size), bytes);
}

TEST_F(Profile, GetProfileBinaryEdgeCases)
{
    const wchar_t text[] = L"text";
    const DWORD dword = 1;
    struct Row {
        const char* name;
        std::function<void()> store;
        BOOL found;
        UINT bytes;
    };
    const Row rows[] = {
        {"missing", [] {}, FALSE, 0},
        {"empty REG_BINARY", [&] { ASSERT_TRUE(m_app.WriteProfileBinary(L"S", L"E", nullptr, 0)); }, TRUE, 0},
        {"REG_SZ", [&] { WriteRaw(L"S", L"E", REG_SZ, text, sizeof(text)); }, FALSE, 0},
        {"REG_DWORD", [&] { WriteRaw(L"S", L"E", REG_DWORD, &dword, sizeof(dword)); }, FALSE, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_companyPath);
        row.store();
        BYTE* data = reinterpret_cast<BYTE*>(1);
        UINT size = 99;
        EXPECT_EQ(m_app.GetProfileBinary(L"S", L"E", &data, &size), row.found);
        EXPECT_EQ(size, row.bytes);
        if (row.found)
            EXPECT_NE(data, nullptr) << "a new[] array, even when empty";
        else
            EXPECT_EQ(data, nullptr);
        delete[] data;
    }
    EXPECT_FALSE(m_app.GetProfileBinary(L"S", L"E", nullptr, nullptr));
}

TEST_F(Profile, WriteProfileBinaryRefusesMissingData)
{
    EXPECT_FALSE(m_app.WriteProfileBinary(L"S", L"E", nullptr, 4));
    EXPECT_EQ(ReadRaw(L"S", L"E").status, ERROR_FILE_NOT_FOUND);
}

// Wine's reg.exe, run in the same prefix, reads back what the profile functions wrote.
TEST_F(Profile, RegQueryShowsTheValues)
{
    ASSERT_TRUE(m_app.WriteProfileInt(L"Settings", L"Application Start Count", 42));
    ASSERT_TRUE(m_app.WriteProfileString(L"Settings", L"Last Folder", L"C:\\Music"));
    const BYTE bytes[] = {0x00, 0xFF, 0x3C};
    ASSERT_TRUE(m_app.WriteProfileBinary(L"Settings", L"Options", bytes, sizeof(bytes)));

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readHandle = nullptr;
    HANDLE writeHandle = nullptr;
    ASSERT_TRUE(CreatePipe(&readHandle, &writeHandle, &inherit, 0));
    const ScopedHandle readEnd(readHandle);
    ScopedHandle writeEnd(writeHandle);
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    CString command;
    command.Format(L"\"%s\\reg.exe\" query \"HKCU\\%s\"", system, SectionPath(L"Settings"));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(nullptr, command.GetBuffer(0), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &info);
    const DWORD startError = GetLastError();
    // Our copy of the write end must go, or the read below never sees the end of the output.
    writeEnd.reset();
    ASSERT_TRUE(started) << "reg.exe did not start: " << startError;
    const ScopedHandle process(info.hProcess);
    const ScopedHandle thread(info.hThread);
    std::string output;
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(readEnd.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0)
        output.append(chunk, got);
    WaitForSingleObject(process.get(), 10000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);

    EXPECT_EQ(exitCode, 0u) << output;
    const char* expected[] = {
        "Application Start Count    REG_DWORD    0x2a",
        "Last Folder    REG_SZ    C:\\Music",
        "Options    REG_BINARY    00FF3C",
    };
    for (const char* line : expected)
        EXPECT_NE(output.find(line), std::string::npos) << "missing \"" << line << "\" in:\n" << output;
}

TEST(ProfileWithoutKey, ReadsGiveDefaultsAndWritesFail)
{
    for (const wchar_t* key : {static_cast<const wchar_t*>(nullptr), L""}) {
        SCOPED_TRACE(key ? "empty key" : "no key");
        CWinApp app(kAppName);
        if (key)
            app.SetRegistryKey(key);
        EXPECT_EQ(app.m_pszRegistryKey, nullptr);
        EXPECT_EQ(app.GetAppRegistryKey(), nullptr);
        EXPECT_EQ(app.GetProfileInt(L"Settings", L"Count", 5), 5u);
        EXPECT_FALSE(app.WriteProfileInt(L"Settings", L"Count", 1));
        EXPECT_TRUE(app.GetProfileString(L"Settings", L"Name", L"d") == L"d");
        EXPECT_FALSE(app.WriteProfileString(L"Settings", L"Name", L"x"));
        BYTE* data = nullptr;
        UINT size = 0;
        EXPECT_FALSE(app.GetProfileBinary(L"Settings", L"Data", &data, &size));
        EXPECT_EQ(data, nullptr);
        EXPECT_FALSE(app.WriteProfileBinary(L"Settings", L"Data", reinterpret_cast<const BYTE*>("x"), 1));
    }
}

}  // namespace
