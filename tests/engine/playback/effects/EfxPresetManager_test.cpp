// Effect presets over a real mix manager, with chains of the test effect: preset files read back
// with the multimedia I/O functions, the data folder before the program folder, the default
// preset in the profile (read back with reg.exe), renaming and deleting, names that are not plain
// file names, and damaged files that must leave the mix as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/core/WinApp.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/playback/effects/EfxInfo.h"
#include "engine/playback/effects/EfxPresetManager.h"
#include "engine/playback/effects/MixGlobals.h"
#include "interfaces/IEfxManager.h"
#include "tests/effects-host/dmo/TestEffect.h"
#include "tests/engine/core/track/TrackModelBytes.h"
#include "tests/support/Programs.h"
#include "tests/support/TempDir.h"
#include "tests/support/TextFiles.h"

namespace {

constexpr wchar_t kAppName[] = L"EfxPresetTests";

// The engine main object as the owner of the mix manager and the preset manager.
class Owner : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *object = static_cast<IUnknown*>(this);
            return S_OK;
        }
        if (mix && (IsEqualIID(iid, IID_IMixManagerInternal) || IsEqualIID(iid, IID_IMixManager)))
            return mix->NonDelegatingQueryInterface(iid, object);
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    virtual ~Owner() = default;
    INondelegatingUnknown* mix = nullptr;
};

// A test-effect record whose settings carry the gain, so chains can be told apart.
CEfxInfo* TestEffect(float gain)
{
    CEfxInfo* info = CEfxInfo::Create();
    info->Set(CLSID_TestEffectDmo, kTestEffectName, kEfxNotInserted);
    const TestEffectSettings settings{gain, 0, 0};
    ULONG written = 0;
    info->Write(&settings, sizeof(settings), &written);
    return info;
}

std::vector<float> Gains(const CEfxInfoCntr& chain)
{
    std::vector<float> gains;
    for (int i = 0; i < chain.GetCount(); ++i) {
        const CEfxInfo* info = chain.GetAt(i);
        TestEffectSettings settings{};
        if (info->GetDataLength() == sizeof(settings))
            memcpy(&settings, info->GetData(), sizeof(settings));
        gains.push_back(settings.gain);
    }
    return gains;
}

using fixtures::FileExists;
using fixtures::ReadFileText;
using fixtures::WriteFileText;

std::wstring Text(BSTR text)
{
    std::wstring result(text ? text : L"");
    SysFreeString(text);
    return result;
}

class EfxPresetTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_key = L"Carrowfold Preset Test " + std::to_wstring(GetCurrentProcessId());
        m_app = std::make_unique<CWinApp>(kAppName);
        m_app->SetRegistryKey(m_key.c_str());
        m_mix.reset(new CMixManager(&m_owner));
        m_owner.mix = m_mix.get();
        m_mix->Initialize(data.File(L"defaultplaylist.cfp").c_str());
    }
    void TearDown() override
    {
        m_presets.reset();
        m_mix.reset();
        m_owner.mix = nullptr;
        m_app.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_key).c_str());
    }
    // A preset manager that scans the two folders now.
    CEfxPresetManager& Presets()
    {
        if (!m_presets) {
            m_presets.reset(new CEfxPresetManager(&m_owner));
            m_presets->Scan((program.Path() + L"\\").c_str(), (data.Path() + L"\\").c_str());
        }
        return *m_presets.get();
    }
    // The next use scans the folders again.
    void Rescan() { m_presets.reset(); }
    void SetChain(std::vector<float> gains)
    {
        CMixGlobals globals;
        globals.CopyFrom(m_mix->Globals());
        globals.Effects().ReleaseAll();
        for (float gain : gains)
            globals.Effects().Append(TestEffect(gain));
        m_mix->SetMixGlobals(globals, FALSE);
    }
    std::vector<float> Chain() { return Gains(m_mix->Globals().Effects()); }
    std::vector<std::wstring> Names()
    {
        std::vector<std::wstring> names;
        BSTR name = nullptr;
        for (int i = 0; Presets().GetPresetName(i, &name) == S_OK; ++i)
            names.push_back(Text(name));
        return names;
    }
    int IndexOf(const std::wstring& name)
    {
        const std::vector<std::wstring> names = Names();
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return static_cast<int>(i);
        return -1;
    }
    std::wstring PresetFile(const std::wstring& name) const { return data.Path() + L"\\EfxPrset\\" + name + L".cfx"; }
    std::wstring ProgramFile(const std::wstring& name) const { return program.File(name + L".cfx"); }
    HRESULT Save(const wchar_t* name)
    {
        BSTR text = SysAllocString(name);
        const HRESULT result = Presets().SavePreset(text);
        SysFreeString(text);
        return result;
    }
    // Saves the chain of these gains under the name, then leaves the mix with no effects.
    void SavedPreset(const wchar_t* name, std::vector<float> gains)
    {
        SetChain(std::move(gains));
        ASSERT_EQ(Save(name), S_OK) << "saving";
        SetChain({});
    }
    std::wstring DefaultSetting()
    {
        BSTR name = nullptr;
        Presets().GetDefaultPreset(&name);
        return Text(name);
    }
    void SetDefault(const wchar_t* name)
    {
        BSTR text = SysAllocString(name);
        Presets().SetDefaultPreset(text);
        SysFreeString(text);
    }
    CWinApp& App() { return *m_app; }
    std::wstring Key() const { return m_key; }

    fixtures::TempDir data{L"presetdata"};
    fixtures::TempDir program{L"presetprogram"};

private:
    std::wstring m_key;
    std::unique_ptr<CWinApp> m_app;
    Owner m_owner;
    InnerPtr<CMixManager> m_mix;
    InnerPtr<CEfxPresetManager> m_presets;
};

}  // namespace

TEST_F(EfxPresetTest, APresetHoldsOneEffectChunkPerEffectInChainOrderAndLoadsBack)
{
    SetChain({0.5f, 0.25f, 2.0f});
    ASSERT_EQ(Save(L"Warm"), S_OK);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"", L"Warm"}));

    // Read back by the multimedia I/O functions: a "CFME" form of three "EFXI" chunks.
    std::wstring path = PresetFile(L"Warm");
    HMMIO file = mmioOpenW(path.data(), nullptr, MMIO_READ);
    ASSERT_NE(file, nullptr);
    MMCKINFO form{};
    form.fccType = mmioFOURCC('C', 'F', 'M', 'E');
    ASSERT_EQ(mmioDescend(file, &form, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    std::vector<float> gains;
    MMCKINFO chunk{};
    while (mmioDescend(file, &chunk, &form, 0) == MMSYSERR_NOERROR) {
        EXPECT_EQ(chunk.ckid, mmioFOURCC('E', 'F', 'X', 'I'));
        std::vector<BYTE> bytes(chunk.cksize);
        ASSERT_EQ(mmioRead(file, reinterpret_cast<HPSTR>(bytes.data()), static_cast<LONG>(bytes.size())),
                  static_cast<LONG>(bytes.size()));
        ASSERT_GE(bytes.size(), 28u + sizeof(TestEffectSettings));
        EXPECT_EQ(memcmp(bytes.data() + 4, &CLSID_TestEffectDmo, sizeof(CLSID)), 0);
        TestEffectSettings settings{};
        memcpy(&settings, bytes.data() + 28, sizeof(settings));
        gains.push_back(settings.gain);
        mmioAscend(file, &chunk, 0);
    }
    mmioClose(file, 0);
    EXPECT_EQ(gains, (std::vector<float>{0.5f, 0.25f, 2.0f}));

    SetChain({});
    ASSERT_EQ(Presets().LoadPreset(IndexOf(L"Warm"), TRUE), S_OK);
    EXPECT_EQ(Chain(), (std::vector<float>{0.5f, 0.25f, 2.0f}));
    ASSERT_EQ(Presets().LoadPreset(0, TRUE), S_OK) << "entry 0: no effects";
    EXPECT_TRUE(Chain().empty());
}

TEST_F(EfxPresetTest, TheDataFolderWinsOverTheProgramFolder)
{
    SavedPreset(L"Both", {3.0f});
    ASSERT_TRUE(CopyFileW(PresetFile(L"Both").c_str(), ProgramFile(L"Both").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(PresetFile(L"Both").c_str(), ProgramFile(L"Program Only").c_str(), FALSE));
    SavedPreset(L"Both", {4.0f});

    // A fresh scan lists the program folder's presets, then the data folder's.
    CEfxPresetManager rescanned(nullptr);
    rescanned.Scan((program.Path() + L"\\").c_str(), (data.Path() + L"\\").c_str());
    std::vector<std::wstring> names;
    BSTR name = nullptr;
    for (int i = 0; rescanned.GetPresetName(i, &name) == S_OK; ++i)
        names.push_back(Text(name));
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], L"");
    std::sort(names.begin() + 1, names.begin() + 3);
    EXPECT_EQ(std::vector<std::wstring>(names.begin() + 1, names.begin() + 3),
              (std::vector<std::wstring>{L"Both", L"Program Only"}))
        << "the program folder's first";
    EXPECT_EQ(names[3], L"Both");

    ASSERT_EQ(Presets().LoadPreset(IndexOf(L"Both"), FALSE), S_OK);
    EXPECT_EQ(Chain(), (std::vector<float>{4.0f}));
    SetDefault(L"Program Only");
    ASSERT_EQ(Presets().LoadPreset(IEfxPresetMgr::kDefaultPresetIndex, FALSE), S_OK);
    EXPECT_EQ(Chain(), (std::vector<float>{3.0f})) << "found in the program folder";
}

TEST_F(EfxPresetTest, TheDefaultIsWrittenAtTheFirstScanAndAnEmptyOneClearsTheChain)
{
    EXPECT_EQ(DefaultSetting(), L"Basic Compression");
    std::string output;
    ASSERT_EQ(RunProgram(L"reg.exe query \"HKCU\\Software\\" + Key() + L"\\" + kAppName + L"\\Settings\"", &output), 0);
    EXPECT_NE(output.find("Default Effects Preset    REG_SZ    Basic Compression"), std::string::npos) << output;

    // A setting that exists is kept, also an empty one.
    SetDefault(L"");
    CEfxPresetManager again(nullptr);
    again.Scan(CString(), (data.Path() + L"\\").c_str());
    EXPECT_EQ(DefaultSetting(), L"");

    SetChain({1.5f});
    ASSERT_EQ(Presets().LoadPreset(IEfxPresetMgr::kDefaultPresetIndex, FALSE), S_OK);
    EXPECT_TRUE(Chain().empty());

    // A default without a file is refused and the chain stays.
    SetChain({1.5f});
    SetDefault(L"Basic Compression");
    EXPECT_EQ(Presets().LoadPreset(IEfxPresetMgr::kDefaultPresetIndex, FALSE), E_FAIL);
    EXPECT_EQ(Chain(), (std::vector<float>{1.5f}));
}

TEST_F(EfxPresetTest, RenamingMovesTheFileTheEntryAndTheDefault)
{
    SavedPreset(L"Old", {0.75f});
    SetDefault(L"Old");
    BSTR newName = SysAllocString(L"New");
    EXPECT_EQ(Presets().RenamePreset(IndexOf(L"Old"), newName), S_OK);
    EXPECT_EQ(Presets().RenamePreset(0, newName), E_FAIL) << "entry 0 is no preset";
    EXPECT_EQ(Presets().RenamePreset(7, newName), E_FAIL);
    SysFreeString(newName);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"", L"New"}));
    EXPECT_EQ(DefaultSetting(), L"New");
    EXPECT_FALSE(FileExists(PresetFile(L"Old")));
    ASSERT_EQ(Presets().LoadPreset(IEfxPresetMgr::kDefaultPresetIndex, FALSE), S_OK);
    EXPECT_EQ(Chain(), (std::vector<float>{0.75f}));
}

TEST_F(EfxPresetTest, DeletingRemovesTheFileTheEntryAndTheDefault)
{
    SavedPreset(L"Gone", {0.5f});
    SavedPreset(L"Kept", {0.5f});
    SetDefault(L"Gone");
    BSTR empty = SysAllocString(L"");
    EXPECT_EQ(Presets().DeletePreset(empty), S_FALSE);
    EXPECT_EQ(Presets().DeletePreset(nullptr), S_FALSE);
    SysFreeString(empty);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"", L"Gone", L"Kept"})) << "an empty name changes nothing";

    BSTR gone = SysAllocString(L"Gone");
    EXPECT_EQ(Presets().DeletePreset(gone), S_OK);
    SysFreeString(gone);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"", L"Kept"}));
    EXPECT_EQ(DefaultSetting(), L"");
    EXPECT_FALSE(FileExists(PresetFile(L"Gone")));
    EXPECT_TRUE(FileExists(PresetFile(L"Kept")));
}

TEST_F(EfxPresetTest, NamesThatAreNotPlainFileNamesAreRefused)
{
    SavedPreset(L"Kept", {0.5f});
    // A file outside the preset folder that a path in a name would reach.
    WriteFileText(data.File(L"victim.cfx"), "keep me");
    SetChain({2.0f});
    const wchar_t* names[] = {L"",    L"..\\victim", L"sub\\x",  L"a/b",   L"c:x",   L"C:\\x", L".",
                              L"..",  L"CON",        L"nul.txt", L"LPT1",  L"what?", L"st*r",  L"trail.",
                              L"sp ", L"\"q\"",      L"<a>",     L"pi|pe", L"tab\tx"};
    for (const wchar_t* name : names) {
        BSTR text = SysAllocString(name);
        EXPECT_EQ(Presets().SavePreset(text), E_INVALIDARG) << "save " << testing::PrintToString(std::wstring(name));
        EXPECT_EQ(Presets().RenamePreset(IndexOf(L"Kept"), text), E_INVALIDARG)
            << "rename " << testing::PrintToString(std::wstring(name));
        if (*name) {
            EXPECT_EQ(Presets().DeletePreset(text), E_INVALIDARG)
                << "delete " << testing::PrintToString(std::wstring(name));
        }
        SysFreeString(text);
    }
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"", L"Kept"}));
    EXPECT_EQ(ReadFileText(data.File(L"victim.cfx")), "keep me");

    // A default name from the profile is a name like any other.
    SetDefault(L"..\\victim");
    EXPECT_EQ(Presets().LoadPreset(IEfxPresetMgr::kDefaultPresetIndex, FALSE), E_FAIL);
    EXPECT_EQ(Chain(), (std::vector<float>{2.0f}));
}

TEST_F(EfxPresetTest, SavingOverAPresetReplacesItAndAFailedSaveKeepsTheOld)
{
    SavedPreset(L"Mine", {1.0f});
    SavedPreset(L"Mine", {2.0f, 3.0f});
    ASSERT_EQ(Presets().LoadPreset(IndexOf(L"Mine"), FALSE), S_OK);
    EXPECT_EQ(Chain(), (std::vector<float>{2.0f, 3.0f}));

    const std::string before = ReadFileText(PresetFile(L"Mine"));
    ASSERT_TRUE(SetFileAttributesW(PresetFile(L"Mine").c_str(), FILE_ATTRIBUTE_READONLY));
    SetChain({9.0f});
    EXPECT_EQ(Save(L"Mine"), E_FAIL);
    SetFileAttributesW(PresetFile(L"Mine").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileText(PresetFile(L"Mine")), before);

    EXPECT_EQ(Presets().LoadPreset(-1, FALSE), E_FAIL);
    EXPECT_EQ(Presets().LoadPreset(99, FALSE), E_FAIL);
    EXPECT_EQ(Chain(), (std::vector<float>{9.0f}));
}

TEST_F(EfxPresetTest, ADamagedPresetIsRefusedAndTheMixKeepsItsChain)
{
    SavedPreset(L"Good", {0.5f, 0.25f});
    const std::string good = ReadFileText(PresetFile(L"Good"));
    Bytes shortChunk;
    Put32(shortChunk, 28);
    const struct {
        const char* name;
        std::string bytes;
    } rows[] = {
        {"empty file", ""},
        {"not a RIFF file", "not a preset at all, just some text"},
        {"another form",
         [] {
             const Bytes form = Form("CFMP", {});
             return std::string(form.begin(), form.end());
         }()},
        {"cut in its last chunk", good.substr(0, good.size() - 6)},
        {"an effect chunk too short",
         [&] {
             const Bytes form = Form("CFME", {Chunk("EFXI", shortChunk)});
             return std::string(form.begin(), form.end());
         }()},
    };
    for (const auto& row : rows) {
        WriteFileText(PresetFile(L"Damaged"), row.bytes);
        Rescan();
        SetChain({7.0f});
        ASSERT_GT(IndexOf(L"Damaged"), 0) << row.name;
        EXPECT_EQ(Presets().LoadPreset(IndexOf(L"Damaged"), TRUE), E_FAIL) << row.name;
        EXPECT_EQ(Chain(), (std::vector<float>{7.0f})) << row.name;
    }
    ASSERT_EQ(Presets().LoadPreset(IndexOf(L"Good"), TRUE), S_OK);
    EXPECT_EQ(Chain(), (std::vector<float>{0.5f, 0.25f}));
}

TEST(EfxPresetManager, AnswersItsInterfaceOnlyAndFailsWithoutAMix)
{
    InnerPtr<CEfxPresetManager> presets;
    presets.reset(new CEfxPresetManager(nullptr));
    void* object = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_EQ(presets->NonDelegatingQueryInterface(IID_IEfxManager, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ComPtr<IEfxPresetMgr> manager;
    ASSERT_EQ(presets->NonDelegatingQueryInterface(IID_IEfxPresetMgr, manager.put_void()), S_OK);
    EXPECT_EQ(presets->RefCount(), 2);

    BSTR name = SysAllocString(L"Anything");
    EXPECT_EQ(manager->SavePreset(name), E_FAIL);
    SysFreeString(name);
    EXPECT_EQ(manager->LoadPreset(0, FALSE), E_FAIL);
    manager.reset();
    EXPECT_EQ(presets->RefCount(), 1);
}
