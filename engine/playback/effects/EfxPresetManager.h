// CEfxPresetManager: the effect presets. A preset is a master effects chain in a file of its own,
// "<name>.cfx": a RIFF form "CFME" holding one "EFXI" chunk per effect in chain order. Presets are
// found beside the engine library and in the folder "EfxPrset" of the engine's data folder;
// saving, renaming and deleting work in the data folder, loading tries it first. The list's entry
// 0 is the empty name, which stands for no effects. The default preset (profile value "Default
// Effects Preset") is what a new mix starts with.
//
// A preset name becomes a file name, so only plain file names are taken: a name that could reach
// another folder or a device is refused. A preset is written beside its file and replaces it only
// once it is complete; one that cannot be read is refused as a whole and leaves the mix as it was.
//
// Threads: called on the user-interface thread (and at the engine's start). The list has its own
// lock, never held while the mix manager (which takes the global mix lock) is called.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <vector>

#include "classlib/core/String.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IEfxPresetMgr.h"

class CEfxInfoCntr;
struct IMixManagerInternal;

class CEfxPresetManager : public IEfxPresetMgr, public CUnknown {
public:
    static constexpr FOURCC kFormType = mmioFOURCC('C', 'F', 'M', 'E');

    // outer: the engine main object, through which the mix manager is reached per use.
    explicit CEfxPresetManager(IUnknown* outer);

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // Lists the presets of the program folder, then those of <dataFolder>EfxPrset\ (created when
    // missing); both folders end in a backslash, an empty one is skipped. Writes the default
    // preset's name at the first scan.
    void Scan(const CString& programFolder, const CString& dataFolder);

    // IEfxPresetMgr
    HRESULT STDMETHODCALLTYPE GetPresetName(int index, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE SavePreset(BSTR name) override;
    HRESULT STDMETHODCALLTYPE LoadPreset(int index, BOOL edit) override;
    HRESULT STDMETHODCALLTYPE DeletePreset(BSTR name) override;
    HRESULT STDMETHODCALLTYPE RenamePreset(int index, BSTR newName) override;
    HRESULT STDMETHODCALLTYPE GetDefaultPreset(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE SetDefaultPreset(BSTR name) override;

private:
    void AddFolderPresets(const CString& folder);
    // The data folder's file of the preset; empty without a data folder.
    CString DataFile(const CString& name) const;
    // Reads the preset from the data folder, else the program folder; FALSE when neither holds a
    // whole, readable preset of that name.
    BOOL ReadPreset(const CString& name, CEfxInfoCntr& effects) const;
    // Per use: the outer may come and go, and the mix manager may be absent.
    HRESULT AcquireMixManager(IMixManagerInternal** mixManager);

    CSingleThreadToken m_lock;
    std::vector<CString> m_names;
    CString m_programFolder;
    CString m_presetFolder;
};
