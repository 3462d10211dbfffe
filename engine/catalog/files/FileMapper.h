// CFileMapper: turns the paths of a loaded playlist or mix into present files that are in the
// catalog. A file that is not where the path says is found by its identity in the catalog, then
// beside the document being loaded, and last by asking the user through the main program's
// missing-file locator.
//
// Threads: the user-interface thread (IBrennock and the mix manager); the catalog's own locks
// protect the items.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/core/String.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/IFileMapper.h"
#include "interfaces/IMissingFileLocator.h"

class CCatalog;
class CCatItem;
class CMusicFileId;
class CTrackInfo;
class CTrackInfoContainer;

class CFileMapper : public CUnknown, public IFileMapper {
public:
    // outer: the engine main object (not owned), through which the catalog is reached.
    explicit CFileMapper(IUnknown* outer);
    ~CFileMapper() override;

    DECLARE_DELEGATING_UNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    void FinalRelease() override;

    HRESULT STDMETHODCALLTYPE ResetLocator() override;
    HRESULT STDMETHODCALLTYPE MapFile(BSTR path, IMusicFileId* identity, DWORD* itemId) override;

    // Keeps the locator (the main program's object, which answers no IID of its own) with one
    // reference, dropping a previous one.
    HRESULT SetResolver(IUnknown* locator);
    // S_FALSE when none was set.
    HRESULT ClearResolver();

    // Pause tracks go; every other track is attached to its catalog item (found by path, by
    // identity, beside the document, or through the locator) or removed.
    void ResolveTracks(CTrackInfoContainer* tracks, BOOL anyExtension);
    // Each path becomes the path of a catalog item, or is removed.
    void ResolvePaths(std::vector<CString>& paths, BOOL useLocator);
    // Appends the supported files inside the listed folders (and all their sub-folders).
    void ExpandFolders(std::vector<CString>& paths);

private:
    CCatalog* ReachCatalog(ComPtr<IUnknown>& hold);
    // The catalog's item for the path, or a new one; FALSE when neither.
    bool FindOrAddItem(CCatalog* catalog, const CString& path, DWORD* itemId);
    bool AttachTrack(CCatalog* catalog, CTrackInfo* track);
    // The catalog's item of the identity, when its file is present: its id, and (when a track
    // is given) its path, id and format taken into the track.
    bool FindPresentItemByIdentity(CCatalog* catalog, const CMusicFileId& id, DWORD* itemId, CTrackInfo* track);
    // Items added on the way must show in the catalog's lists.
    void RefreshDisplayListsIfAdded();
    // The file name in the base folder (skipped while no base folder is set) or in the document
    // folder, when such a file exists.
    bool FindInFallbackFolders(const CString& path, bool withDocumentFolder, CString* found);
    bool AskLocator(const CString& path, CString* found);
    void ExpandFolder(CCatalog* catalog, const CString& folder, std::vector<std::pair<DWORD, ULONGLONG>>& visited);

    CString m_baseFolder;
    CString m_documentFolder;
    ComPtr<IMissingFileLocator> m_locator;
    std::vector<CString> m_foundFiles;
    bool m_added = false;
};
