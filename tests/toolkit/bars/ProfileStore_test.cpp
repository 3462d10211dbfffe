// The profile store in both modes: the registry of a per-run application key, read back by
// reg.exe, and an INI file named by the global data, read back as text.
#include "toolkit/bars/state/ProfileStore.h"

#include "tests/support/TempDir.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/bars/look/GlobalData.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

class IniFile {
public:
    IniFile() : m_path(m_dir.File(L"toolkit.ini")) { uvAfxData.m_strProfileFileName = m_path.c_str(); }
    ~IniFile() { uvAfxData.m_strProfileFileName.Empty(); }
    std::wstring Text() const
    {
        std::ifstream in(std::filesystem::path(m_path), std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        return std::wstring(bytes.begin(), bytes.end());
    }
    void Write(const wchar_t* section, const wchar_t* entry, const wchar_t* text) const
    {
        WritePrivateProfileStringW(section, entry, text, m_path.c_str());
    }

private:
    fixtures::TempDir m_dir{L"toolkit-ini"};
    std::wstring m_path;
};

using ProfileStore = TestProfile;

TEST_F(ProfileStore, RegistryValuesAreWhatRegQueryReads)
{
    const CUVProfileStore store(HKEY_CURRENT_USER);
    ASSERT_FALSE(store.IsIniMode());
    const BYTE bytes[] = {0x00, 0xFF, 0x3C};
    ASSERT_TRUE(store.WriteProfileInt(L"Bars", L"Count", 42));
    ASSERT_TRUE(store.WriteProfileString(L"Bars", L"Name", L"Main"));
    ASSERT_TRUE(store.WriteProfileBinary(L"Bars", L"State", bytes, sizeof(bytes)));
    const std::string listing = RegQuery(L"Bars");
    for (const char* line : {"Count    REG_DWORD    0x2a", "Name    REG_SZ    Main", "State    REG_BINARY    00FF3C"})
        EXPECT_NE(listing.find(line), std::string::npos) << line << " missing in:\n" << listing;
    EXPECT_EQ(store.GetProfileInt(L"Bars", L"Count", 0), 42);
    EXPECT_TRUE(store.GetProfileString(L"Bars", L"Name") == L"Main");
    std::vector<BYTE> read;
    ASSERT_TRUE(store.GetProfileBinary(L"Bars", L"State", read));
    EXPECT_EQ(read, (std::vector<BYTE>{0x00, 0xFF, 0x3C}));
}

TEST_F(ProfileStore, RegistryValuesOfAnotherTypeOrSizeReadAsMissing)
{
    const DWORD number = 7;
    const BYTE shortNumber[2] = {1, 2};
    const wchar_t text[] = L"7";
    WriteRaw(L"S", L"IntAsText", REG_SZ, text, sizeof(text));
    WriteRaw(L"S", L"ShortInt", REG_BINARY, shortNumber, sizeof(shortNumber));
    WriteRaw(L"S", L"BinaryAsDword", REG_DWORD, &number, sizeof(number));
    WriteRaw(L"S", L"TextAsDword", REG_DWORD, &number, sizeof(number));
    WriteRaw(L"S", L"Unterminated", REG_SZ, L"ab", 2 * sizeof(wchar_t));
    const CUVProfileStore store(HKEY_CURRENT_USER);
    EXPECT_EQ(store.GetProfileInt(L"S", L"IntAsText", -1), -1);
    EXPECT_EQ(store.GetProfileInt(L"S", L"ShortInt", -1), -1);
    std::vector<BYTE> data{1};
    EXPECT_FALSE(store.GetProfileBinary(L"S", L"BinaryAsDword", data));
    EXPECT_TRUE(data.empty());
    EXPECT_TRUE(store.GetProfileString(L"S", L"TextAsDword", L"dflt") == L"dflt");
    EXPECT_TRUE(store.GetProfileString(L"S", L"Unterminated") == L"ab");
}

TEST_F(ProfileStore, DeletingAValueOrASectionInEitherMode)
{
    for (bool ini : {false, true}) {
        SCOPED_TRACE(ini ? "INI file" : "registry");
        std::unique_ptr<IniFile> file = ini ? std::make_unique<IniFile>() : nullptr;
        const CUVProfileStore store(HKEY_CURRENT_USER);
        ASSERT_EQ(store.IsIniMode(), ini);
        ASSERT_TRUE(store.WriteProfileString(L"Sec", L"Keep", L"k"));
        ASSERT_TRUE(store.WriteProfileString(L"Sec", L"Drop", L"d"));
        ASSERT_TRUE(store.WriteProfileString(L"Sec", L"Drop", nullptr));
        EXPECT_TRUE(store.GetProfileString(L"Sec", L"Drop", L"gone") == L"gone");
        EXPECT_TRUE(store.GetProfileString(L"Sec", L"Keep") == L"k");
        ASSERT_TRUE(store.WriteProfileString(L"Sec", nullptr, nullptr));
        EXPECT_TRUE(store.GetProfileString(L"Sec", L"Keep", L"gone") == L"gone");
        if (!ini)
            EXPECT_EQ(RegQuery(L"Sec").find("Keep"), std::string::npos);
        else
            EXPECT_EQ(file->Text().find(L"[Sec]"), std::wstring::npos) << file->Text().c_str();
    }
}

TEST_F(ProfileStore, IniBinaryIsTwoLettersPerByteLowNibbleFirst)
{
    const IniFile file;
    const CUVProfileStore store(HKEY_CURRENT_USER);
    const BYTE bytes[] = {0x00, 0xFF, 0x3C};
    ASSERT_TRUE(store.WriteProfileBinary(L"Bars", L"State", bytes, sizeof(bytes)));
    EXPECT_NE(file.Text().find(L"State=AAPPMD"), std::wstring::npos) << file.Text().c_str();
    std::vector<BYTE> read;
    ASSERT_TRUE(store.GetProfileBinary(L"Bars", L"State", read));
    EXPECT_EQ(read, (std::vector<BYTE>{0x00, 0xFF, 0x3C}));
    ASSERT_TRUE(store.WriteProfileInt(L"Bars", L"Count", -3));
    EXPECT_NE(file.Text().find(L"Count=-3"), std::wstring::npos);
    EXPECT_EQ(store.GetProfileInt(L"Bars", L"Count", 0), -3);
}

TEST_F(ProfileStore, OddIniTextReadsAsMissing)
{
    const IniFile file;
    struct Case {
        const wchar_t* text;
        const char* name;
    } cases[] = {
        {L"AAP", "odd length"},
        {L"", "empty"},
        {L"AZ", "letter beyond P"},
        {L"a1", "not letters"},
    };
    const CUVProfileStore store(HKEY_CURRENT_USER);
    for (const Case& c : cases) {
        file.Write(L"Bars", L"State", c.text);
        std::vector<BYTE> read{9};
        EXPECT_FALSE(store.GetProfileBinary(L"Bars", L"State", read)) << c.name;
        EXPECT_TRUE(read.empty()) << c.name;
    }
}

TEST(ProfileStoreWithoutApplication, ReadsGiveDefaultsAndWritesFail)
{
    ASSERT_EQ(AfxGetApp(), nullptr);
    const CUVProfileStore store(HKEY_CURRENT_USER);
    EXPECT_EQ(store.GetProfileInt(L"S", L"E", 5), 5);
    EXPECT_FALSE(store.WriteProfileInt(L"S", L"E", 1));
    std::vector<BYTE> data;
    EXPECT_FALSE(store.GetProfileBinary(L"S", L"E", data));
    EXPECT_FALSE(store.DeleteValue(L"S", L"E"));
}

}  // namespace
