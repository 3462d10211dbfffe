#include "engine/playback/effects/EfxPresetManager.h"

#include <cwchar>

#include "classlib/com/ComPtr.h"
#include "classlib/core/WinApp.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/core/storage/RiffFile.h"
#include "engine/playback/effects/EfxInfoCntr.h"
#include "engine/playback/effects/MixGlobals.h"

namespace {

constexpr const wchar_t* kSettings = L"Settings";
constexpr const wchar_t* kDefaultValue = L"Default Effects Preset";
constexpr const wchar_t* kBuiltInDefault = L"Basic Compression";
// Read as the default of the setting, it tells that the setting is absent.
constexpr const wchar_t* kAbsentSentinel = L"Carrowfold No Default Test String";
constexpr const wchar_t* kPresetFolderName = L"EfxPrset\\";
constexpr const wchar_t* kExtension = L".cfx";
constexpr const wchar_t* kPattern = L"*.cfx";

// Device names that Windows opens whatever folder and extension go with them.
constexpr const wchar_t* kDeviceNames[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4",
                                           L"COM5", L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3",
                                           L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

CString Text(BSTR text)
{
    return CString(text ? text : L"");
}

CString ReadDefaultSetting(const wchar_t* absentDefault)
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileString(kSettings, kDefaultValue, absentDefault) : CString(absentDefault);
}

void WriteDefaultSetting(const CString& name)
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileString(kSettings, kDefaultValue, name.GetString());
}

// The whole file as a "CFME" form whose every "EFXI" chunk reads as an effect. A truncated form or
// a damaged chunk refuses the preset: half a chain applied without a word would sound wrong.
BOOL ReadPresetFile(const CString& path, CEfxInfoCntr& effects)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(path.GetString(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;
    CRiffFile riff;
    FOURCC form = 0;
    if (!riff.Open(path.GetString(), 1, &form) || form != CEfxPresetManager::kFormType || riff.GetIndexCount() < 1)
        return FALSE;
    const ULONGLONG fileSize = (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    if (static_cast<ULONGLONG>(riff.GetIndexItem(0).size) + 8 > fileSize)
        return FALSE;
    int chunks = 0;
    FOURCC id = 0;
    for (int n = 0; riff.GetChildId(n, &id); ++n) {
        if (id == CEfxInfo::kChunkId)
            ++chunks;
    }
    CEfxInfoCntr read;
    read.ReadChunks(&riff);
    if (read.GetCount() != chunks)
        return FALSE;
    return read.CopyTo(effects);
}

// A name that can be a preset's file name within its folder.
bool IsPlainName(const wchar_t* name)
{
    if (!name || !*name)
        return false;
    const CString text(name);
    for (const wchar_t* c = name; *c; ++c) {
        if (*c < 0x20 || wcschr(L"\\/:*?\"<>|", *c))
            return false;
    }
    // Windows drops trailing points and spaces from a file name: "a." would be the file "a", and
    // ".." the parent folder.
    const wchar_t last = text[text.GetLength() - 1];
    if (last == L'.' || last == L' ')
        return false;
    const int dot = text.Find(L'.');
    const CString stem = dot >= 0 ? text.Left(dot) : text;
    for (const wchar_t* device : kDeviceNames) {
        if (stem.CompareNoCase(device) == 0)
            return false;
    }
    return text.GetLength() + 4 < MAX_PATH;
}

}  // namespace

CEfxPresetManager::CEfxPresetManager(IUnknown* outer) : CUnknown(outer), m_names(1) {}

HRESULT CEfxPresetManager::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IEfxPresetMgr))
        return GetInterface(static_cast<IEfxPresetMgr*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CEfxPresetManager::Scan(const CString& programFolder, const CString& dataFolder)
{
    {
        CSingleThreadLock hold(&m_lock);
        m_programFolder = programFolder;
        m_presetFolder.Empty();
        if (!dataFolder.IsEmpty()) {
            m_presetFolder = dataFolder;
            m_presetFolder += kPresetFolderName;
            CreateDirectoryW(m_presetFolder.GetString(), nullptr);
        }
        m_names.assign(1, CString());
        AddFolderPresets(m_programFolder);
        AddFolderPresets(m_presetFolder);
    }
    if (ReadDefaultSetting(kAbsentSentinel) == kAbsentSentinel)
        WriteDefaultSetting(kBuiltInDefault);
}

void CEfxPresetManager::AddFolderPresets(const CString& folder)
{
    if (folder.IsEmpty())
        return;
    CString pattern = folder;
    pattern += kPattern;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.GetString(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const CString file(found.cFileName);
        const int dot = file.ReverseFind(L'.');
        m_names.push_back(dot >= 0 ? file.Left(dot) : file);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

CString CEfxPresetManager::DataFile(const CString& name) const
{
    if (m_presetFolder.IsEmpty())
        return CString();
    CString path = m_presetFolder;
    path += name;
    path += kExtension;
    return path;
}

BOOL CEfxPresetManager::ReadPreset(const CString& name, CEfxInfoCntr& effects) const
{
    if (!IsPlainName(name.GetString()))
        return FALSE;
    const CString dataFile = DataFile(name);
    if (!dataFile.IsEmpty() && ReadPresetFile(dataFile, effects))
        return TRUE;
    if (m_programFolder.IsEmpty())
        return FALSE;
    CString programFile = m_programFolder;
    programFile += name;
    programFile += kExtension;
    return ReadPresetFile(programFile, effects);
}

HRESULT CEfxPresetManager::AcquireMixManager(IMixManagerInternal** mixManager)
{
    *mixManager = nullptr;
    return GetOuter()->QueryInterface(IID_IMixManagerInternal, reinterpret_cast<void**>(mixManager));
}

HRESULT CEfxPresetManager::GetPresetName(int index, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    CSingleThreadLock hold(&m_lock);
    if (index < 0 || index >= static_cast<int>(m_names.size()))
        return E_FAIL;
    *name = m_names[static_cast<size_t>(index)].AllocSysString();
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT CEfxPresetManager::SavePreset(BSTR name)
{
    const CString preset = Text(name);
    if (!IsPlainName(preset.GetString()))
        return E_INVALIDARG;
    ComPtr<IMixManagerInternal> mixManager;
    if (FAILED(AcquireMixManager(mixManager.put())) || !mixManager)
        return E_FAIL;
    CMixGlobals globals;
    {
        CLiveAndPendingMixSingleThreadAccess mixLock;
        if (!globals.CopyFrom(static_cast<CMixManager*>(mixManager.get())->Globals()))
            return E_OUTOFMEMORY;
    }
    CString path;
    {
        CSingleThreadLock hold(&m_lock);
        path = DataFile(preset);
    }
    if (path.IsEmpty())
        return E_FAIL;
    // A save over an existing preset replaces it only once the new one is complete on disk.
    CRiffFile riff;
    if (!riff.OpenReplacing(path.GetString(), kFormType))
        return E_FAIL;
    if (!globals.Effects().WriteChunks(&riff))
        riff.Abandon();
    if (!riff.Close())
        return E_FAIL;
    CSingleThreadLock hold(&m_lock);
    m_names.push_back(preset);
    return S_OK;
}

HRESULT CEfxPresetManager::LoadPreset(int index, BOOL edit)
{
    CEfxInfoCntr effects;
    {
        CSingleThreadLock hold(&m_lock);
        CString name;
        if (index == kDefaultPresetIndex)
            name = ReadDefaultSetting(kBuiltInDefault);
        else if (index >= 0 && index < static_cast<int>(m_names.size()))
            name = m_names[static_cast<size_t>(index)];
        else
            return E_FAIL;
        // The empty name (entry 0, or an empty default) applies no effects.
        if (!name.IsEmpty() && !ReadPreset(name, effects))
            return E_FAIL;
    }
    ComPtr<IMixManagerInternal> mixManager;
    if (FAILED(AcquireMixManager(mixManager.put())) || !mixManager)
        return E_FAIL;
    auto* manager = static_cast<CMixManager*>(mixManager.get());
    CLiveAndPendingMixSingleThreadAccess mixLock;
    CMixGlobals globals;
    if (!globals.CopyFrom(manager->Globals()) || !effects.CopyTo(globals.Effects()))
        return E_OUTOFMEMORY;
    manager->SetMixGlobals(globals, edit);
    return S_OK;
}

HRESULT CEfxPresetManager::DeletePreset(BSTR name)
{
    const CString preset = Text(name);
    if (preset.IsEmpty())
        return S_FALSE;
    if (!IsPlainName(preset.GetString()))
        return E_INVALIDARG;
    if (ReadDefaultSetting(kBuiltInDefault) == preset)
        WriteDefaultSetting(CString());
    CSingleThreadLock hold(&m_lock);
    const CString path = DataFile(preset);
    if (!path.IsEmpty())
        DeleteFileW(path.GetString());
    for (auto entry = m_names.begin() + 1; entry != m_names.end(); ++entry) {
        if (*entry == preset) {
            m_names.erase(entry);
            break;
        }
    }
    return S_OK;
}

HRESULT CEfxPresetManager::RenamePreset(int index, BSTR newName)
{
    const CString renamed = Text(newName);
    CSingleThreadLock hold(&m_lock);
    // Entry 0 is no preset at all: it has no file and no name to change.
    if (index < 1 || index >= static_cast<int>(m_names.size()))
        return E_FAIL;
    if (!IsPlainName(renamed.GetString()))
        return E_INVALIDARG;
    CString& entry = m_names[static_cast<size_t>(index)];
    if (ReadDefaultSetting(kBuiltInDefault) == entry)
        WriteDefaultSetting(renamed);
    const CString from = DataFile(entry);
    const CString to = DataFile(renamed);
    if (!from.IsEmpty())
        MoveFileW(from.GetString(), to.GetString());
    entry = renamed;
    return S_OK;
}

HRESULT CEfxPresetManager::GetDefaultPreset(BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = ReadDefaultSetting(kBuiltInDefault).AllocSysString();
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT CEfxPresetManager::SetDefaultPreset(BSTR name)
{
    WriteDefaultSetting(Text(name));
    return S_OK;
}
