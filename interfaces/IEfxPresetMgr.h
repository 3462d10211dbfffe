// IEfxPresetMgr: the effect presets as the main program lists, saves, loads, renames and deletes
// them, and the default preset a new mix starts with. A preset is a master effects chain in a
// file of its own ("<name>.cfx"). Called on the user interface thread.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>

#include "interfaces/EngineIids.h"

struct IEfxPresetMgr : public IUnknown {
    // The index-th name of the list (entry 0 is the empty name: no effects), a new BSTR that the
    // caller frees; E_FAIL for a bad index.
    virtual HRESULT STDMETHODCALLTYPE GetPresetName(int index, BSTR* name) = 0;
    // Saves the mix's master chain under the name and lists it (a second save under a listed name
    // lists it again). E_INVALIDARG for a name that is not a plain file name; E_FAIL without a mix
    // or when the file was not written (an earlier preset of that name then stays as it was).
    virtual HRESULT STDMETHODCALLTYPE SavePreset(BSTR name) = 0;
    // Applies a preset to the mix: index 0 no effects, kDefaultPresetIndex the default preset (no
    // effects when the default is empty), else the list entry. edit: the change is a user's edit
    // (an undo step). E_FAIL for a bad index, without a mix, and for a preset that cannot be read
    // whole (the mix is then unchanged).
    virtual HRESULT STDMETHODCALLTYPE LoadPreset(int index, BOOL edit) = 0;
    // Removes the preset's file and list entry, and the default setting when it names it. S_FALSE
    // for an empty name (nothing changes), E_INVALIDARG for a name that is not a plain file name.
    virtual HRESULT STDMETHODCALLTYPE DeletePreset(BSTR name) = 0;
    // The entry, its file and the default setting (when it names the preset) take the new name.
    // E_FAIL for a bad index (entry 0 included), E_INVALIDARG for a name that is not a plain file
    // name.
    virtual HRESULT STDMETHODCALLTYPE RenamePreset(int index, BSTR newName) = 0;
    // The default preset's name ("Basic Compression" when none is set); SetDefaultPreset stores it.
    virtual HRESULT STDMETHODCALLTYPE GetDefaultPreset(BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultPreset(BSTR name) = 0;

    static constexpr int kDefaultPresetIndex = 0xFFFF;
};

__CRT_UUID_DECL(IEfxPresetMgr, 0x9C1B22D3, 0x58C0, 0x4A9C, 0x94, 0xDD, 0xB3, 0xED, 0xDA, 0x43, 0xC4, 0x04)
inline constexpr IID IID_IEfxPresetMgr = EngineIid::EfxPresetMgr;
