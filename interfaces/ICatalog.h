// ICatalog: the engine's music catalog as the main program and the engine's own components reach
// it (two IIDs, one table; see EngineIid::Catalog and EngineIid::CatalogInternal). Id lists are
// read with GetAt from index 0 while it answers S_OK; path lists likewise.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include "interfaces/IItemIdList.h"
#include "interfaces/IPathList.h"
#include "interfaces/IProgressStatus.h"
#include "interfaces/ITrackPlot.h"

struct ICatalog : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddImportFile(BSTR path) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartImportFiles(BSTR category, BOOL expandFolders, IProgressStatus** status) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartImportDirectory(BSTR folder, BSTR category, IProgressStatus** status) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartImportTextList(BSTR path, IProgressStatus** status) = 0;
    // Keeps its place in the table; always E_FAIL.
    virtual HRESULT STDMETHODCALLTYPE Unused7(DWORD value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ImportDefaultTrackSettings(BSTR path) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartCleanup(BOOL removeMissing, BOOL removeUnusedData,
                                                   IProgressStatus** status) = 0;
    // S_OK when at least one item was removed; with deleteFiles each file goes to the Recycle
    // Bin when the last reference to its item goes.
    virtual HRESULT STDMETHODCALLTYPE DeleteItems(IItemIdList* ids, BOOL deleteFiles) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTrackPlot(DWORD id, ITrackPlot** plot) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseTrackPlot(ITrackPlot* plot) = 0;
    virtual HRESULT STDMETHODCALLTYPE TouchTrackPlot(ITrackPlot* plot) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProfileCacheSettings(BSTR* folder, int* maxSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProfileCacheSettings(BSTR folder, int maxSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultProfileCacheSettings(BSTR* folder, int* maxSize) = 0;
    // S_OK when enabled, else S_FALSE.
    virtual HRESULT STDMETHODCALLTYPE IsModifyMusicFilesEnabled() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetModifyMusicFiles(BOOL enabled) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUnupdatableMusicFiles(IPathList* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE StopUpdatingMusicFiles(IPathList* paths) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearDefaultTrackSettings(IItemIdList* ids) = 0;
    // S_OK when some listed item has saved mix settings, else S_FALSE.
    virtual HRESULT STDMETHODCALLTYPE HasDefaultTrackSettings(IItemIdList* ids) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAutoUpdateFolders(IPathList* out) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAutoUpdateFolders(IPathList* in) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAutoUpdate(BOOL* enabled, BOOL* updateInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAutoUpdate(BOOL enabled, BOOL updateInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultMixType(DWORD* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultMixType(DWORD type) = 0;
};
