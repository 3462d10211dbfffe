#include "classlib/core/RegKey.h"
#include "engine/core/server/Registration.h"
#include "tests/engine/core/server/FrameTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kClsidKey[] = "CLSID\\{FD3D4D08-7181-4547-9C08-8F2044AAC894}";

struct ExpectedKey {
    std::string path;
    std::string value;
};

// Every key the registration writes, with its default value.
std::vector<ExpectedKey> ExpectedKeys(const std::string& modulePath)
{
    const std::string clsid = "{FD3D4D08-7181-4547-9C08-8F2044AAC894}";
    return {
        {kClsidKey, "Carrowfold Playback Engine"},
        {std::string(kClsidKey) + "\\InprocServer32", modulePath},
        {std::string(kClsidKey) + "\\ProgID", "CarrowfoldPro.Ver5"},
        {std::string(kClsidKey) + "\\VersionIndependentProgID", "Carrowfold.PlaybackEngine"},
        {"Carrowfold.PlaybackEngine", "Carrowfold Playback Engine"},
        {"Carrowfold.PlaybackEngine\\CLSID", clsid},
        {"Carrowfold.PlaybackEngine\\CurVer", "CarrowfoldPro.Ver5"},
        {"CarrowfoldPro.Ver5", "Carrowfold Playback Engine"},
        {"CarrowfoldPro.Ver5\\CLSID", clsid},
    };
}

const char* const kTopKeys[] = {kClsidKey, "Carrowfold.PlaybackEngine", "CarrowfoldPro.Ver5"};

// Checks one key: exactly one value, the default, of type REG_SZ with the ANSI bytes expected;
// and only the sub-keys the table lists.
void ExpectKey(HKEY root, const ExpectedKey& key, const std::vector<ExpectedKey>& all)
{
    RegKey opened;
    ASSERT_EQ(RegOpenKeyExA(root, key.path.c_str(), 0, KEY_READ, opened.put()), ERROR_SUCCESS) << key.path;
    DWORD subKeys = 0;
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(opened.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 1u) << key.path << ": only the default value (no threading model)";
    DWORD expectedSubKeys = 0;
    for (const ExpectedKey& other : all) {
        if (other.path.size() > key.path.size() + 1 && other.path.compare(0, key.path.size(), key.path) == 0 &&
            other.path[key.path.size()] == '\\' && other.path.find('\\', key.path.size() + 1) == std::string::npos)
            ++expectedSubKeys;
    }
    EXPECT_EQ(subKeys, expectedSubKeys) << key.path;

    char data[600] = {};
    DWORD type = 0;
    DWORD size = sizeof(data);
    ASSERT_EQ(RegQueryValueExA(opened.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS)
        << key.path;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << key.path;
    EXPECT_EQ(std::string(data), key.value) << key.path;
    EXPECT_EQ(size, key.value.size() + 1) << key.path << ": ANSI bytes with one terminator";
}

// A key of this run below HKEY_CURRENT_USER, removed afterwards.
class RegistrationTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_name = "Software\\CarrowfoldCoreFrameTest-" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  m_root.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        m_root.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, m_name.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, m_name.c_str());
    }

    std::string m_name;
    RegKey m_root;
};

TEST_F(RegistrationTest, WritesExactlyTheListedKeysAndRemovesThemWithAllSubKeys)
{
    const std::string module = "C:\\Program Files\\Carrowfold\\BrennockDemo.DLL";
    ASSERT_EQ(RegisterEngineServer(m_root.get(), module.c_str()), S_OK);
    const std::vector<ExpectedKey> keys = ExpectedKeys(module);
    for (const ExpectedKey& key : keys)
        ExpectKey(m_root.get(), key, keys);

    // Registering again rewrites the same keys.
    ASSERT_EQ(RegisterEngineServer(m_root.get(), module.c_str()), S_OK);
    ExpectKey(m_root.get(), keys[1], keys);

    // Sub-keys that someone else added below a registered key go with it.
    RegKey extra;
    ASSERT_EQ(RegCreateKeyExA(m_root.get(), (std::string(kClsidKey) + "\\Extra\\Deeper\\Deepest").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, extra.put(), nullptr),
              ERROR_SUCCESS);
    extra.reset();

    EXPECT_EQ(UnregisterEngineServer(m_root.get()), S_OK);
    for (const char* top : kTopKeys) {
        RegKey gone;
        EXPECT_EQ(RegOpenKeyExA(m_root.get(), top, 0, KEY_READ, gone.put()), ERROR_FILE_NOT_FOUND) << top;
    }
    // The CLSID parent key itself stays.
    RegKey parent;
    EXPECT_EQ(RegOpenKeyExA(m_root.get(), "CLSID", 0, KEY_READ, parent.put()), ERROR_SUCCESS);

    // Nothing left to remove is still a success.
    EXPECT_EQ(UnregisterEngineServer(m_root.get()), S_OK);
}

TEST_F(RegistrationTest, AKeyThatCannotBeWrittenIsReportedAsAFailureAndTheRestIsStillWritten)
{
    // A volatile class key cannot hold the lasting sub-keys the registration creates below it.
    RegKey volatileKey;
    ASSERT_EQ(RegCreateKeyExA(m_root.get(), kClsidKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              volatileKey.put(), nullptr),
              ERROR_SUCCESS);
    volatileKey.reset();

    const std::string module = "C:\\BrennockDemo.DLL";
    EXPECT_TRUE(FAILED(RegisterEngineServer(m_root.get(), module.c_str())));
    const std::vector<ExpectedKey> keys = ExpectedKeys(module);
    for (const ExpectedKey& key : keys) {
        if (key.path.rfind(kClsidKey, 0) != 0)
            ExpectKey(m_root.get(), key, keys);
    }
    RegKey skipped;
    EXPECT_EQ(
        RegOpenKeyExA(m_root.get(), (std::string(kClsidKey) + "\\InprocServer32").c_str(), 0, KEY_READ, skipped.put()),
        ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(UnregisterEngineServer(m_root.get()), S_OK);
}

TEST_F(RegistrationTest, RecursiveRemovalOfAMissingKeyGivesItsError)
{
    EXPECT_EQ(DeleteKeyRecursive(m_root.get(), "NoSuchKey"), ERROR_FILE_NOT_FOUND);
}

// The real library through the platform's own tools: regsvr32 registers and unregisters it,
// reg reads what was written. The library must not be loaded by this process meanwhile (its
// named mutex would make regsvr32 wait).
TEST(RegistrationWithRegsvr32, RegistersAndUnregistersTheEngineLibrary)
{
    ASSERT_EQ(GetModuleHandleW(L"BrennockDemo.DLL"), nullptr);
    // Whatever fails below, the machine-wide keys do not outlive the test.
    struct RemoveAtEnd {
        ~RemoveAtEnd() { UnregisterEngineServer(HKEY_CLASSES_ROOT); }
    } removeAtEnd;
    const std::wstring library = BinFolder() + L"BrennockDemo.DLL";
    char ansiLibrary[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, library.c_str(), -1, ansiLibrary, MAX_PATH, nullptr, nullptr);

    ASSERT_EQ(RunProgram(L"regsvr32.exe /s \"" + library + L"\""), 0);
    const std::vector<ExpectedKey> keys = ExpectedKeys(ansiLibrary);
    for (const ExpectedKey& key : keys)
        ExpectKey(HKEY_CLASSES_ROOT, key, keys);

    for (const ExpectedKey& key : keys) {
        std::string output;
        const std::wstring path(key.path.begin(), key.path.end());
        EXPECT_EQ(RunProgram(L"reg.exe query \"HKCR\\" + path + L"\" /ve", &output), 0) << key.path;
        EXPECT_NE(output.find("REG_SZ"), std::string::npos) << key.path << "\n" << output;
        EXPECT_NE(output.find(key.value), std::string::npos) << key.path << "\n" << output;
    }

    EXPECT_EQ(RunProgram(L"regsvr32.exe /u /s \"" + library + L"\""), 0);
    for (const char* top : kTopKeys) {
        const std::string name(top);
        EXPECT_NE(RunProgram(L"reg.exe query \"HKCR\\" + std::wstring(name.begin(), name.end()) + L"\""), 0)
            << top << " is still registered";
    }
    // Unregistering what is gone still succeeds.
    EXPECT_EQ(RunProgram(L"regsvr32.exe /u /s \"" + library + L"\""), 0);
}

}  // namespace
