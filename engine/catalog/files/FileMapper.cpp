#include "engine/catalog/files/FileMapper.h"
#include "engine/catalog/files/FolderWalk.h"

#include <algorithm>

#include "classlib/com/UniqueHandle.h"

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/catalog/EngineMembers.h"
#include "engine/catalog/files/MusicFileIdentity.h"
#include "engine/catalog/files/PathNames.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "interfaces/EngineIids.h"

CFileMapper::CFileMapper(IUnknown* outer) : CUnknown(outer) {}

CFileMapper::~CFileMapper() = default;

HRESULT CFileMapper::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, EngineIid::FileMapper) || IsEqualIID(iid, EngineIid::FileMapperInternal))
        return GetInterface(static_cast<IFileMapper*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

void CFileMapper::FinalRelease()
{
    CUnknown::FinalRelease();
    m_locator.reset();
}

CCatalog* CFileMapper::ReachCatalog(ComPtr<IUnknown>& hold)
{
    if (GetOuter() == GetInner() || FAILED(GetOuter()->QueryInterface(EngineIid::CatalogInternal, hold.put_void())) ||
        !hold)
        return nullptr;
    return static_cast<CCatalog*>(reinterpret_cast<ICatalog*>(hold.get()));
}

HRESULT CFileMapper::SetResolver(IUnknown* locator)
{
    // The locator answers no IID of its own: its table follows IUnknown's directly.
    m_locator = ComPtr<IMissingFileLocator>::copy(static_cast<IMissingFileLocator*>(locator));
    return S_OK;
}

HRESULT CFileMapper::ClearResolver()
{
    if (!m_locator)
        return S_FALSE;
    m_locator.reset();
    return S_OK;
}

HRESULT CFileMapper::ResetLocator()
{
    if (m_locator)
        m_locator->ResetAnswer();
    return S_OK;
}

bool CFileMapper::AskLocator(const CString& path, CString* found)
{
    if (!m_locator)
        return false;
    BSTR missing = path.AllocSysString();
    BSTR chosen = nullptr;
    const HRESULT answer = m_locator->LocateFile(missing, 0, &chosen);
    SysFreeString(missing);
    if (answer == S_OK && chosen)
        *found = chosen;
    SysFreeString(chosen);
    return answer == S_OK && !found->IsEmpty();
}

bool CFileMapper::FindInFallbackFolders(const CString& path, bool withDocumentFolder, CString* found)
{
    const CString name = GetFileName(path);
    // With no base folder the candidate would be "\" + name, a file at the root of whatever drive
    // is current, which has nothing to do with the document.
    if (!m_baseFolder.IsEmpty()) {
        const CString candidate = AppendPathComponent(m_baseFolder, name);
        if (FileExists(candidate)) {
            *found = candidate;
            return true;
        }
    }
    if (withDocumentFolder && !m_documentFolder.IsEmpty()) {
        const CString candidate = AppendPathComponent(m_documentFolder, name);
        if (FileExists(candidate)) {
            *found = candidate;
            return true;
        }
    }
    return false;
}

bool CFileMapper::FindOrAddItem(CCatalog* catalog, const CString& path, DWORD* itemId)
{
    CCatItem* item = nullptr;
    if (catalog->FindItemByPath(path, &item)) {
        *itemId = item->GetItemId();
        item->Release();
        return true;
    }
    if (!catalog->AddItemFromFile(path, &item, FALSE) || !item)
        return false;
    *itemId = item->GetItemId();
    item->Release();
    m_added = true;
    return true;
}

HRESULT CFileMapper::MapFile(BSTR path, IMusicFileId* identity, DWORD* itemId)
{
    if (!path || !itemId)
        return E_POINTER;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(hold);
    if (!catalog)
        return E_FAIL;
    CMusicFileId id;
    if (identity) {
        LONGLONG low = 0;
        LONGLONG high = 0;
        identity->GetId(&low, &high);
        id.SetId(low, high);
    }
    m_added = false;
    const CString wanted(path);
    bool mapped = false;
    CString found;
    if (FileExists(wanted))
        mapped = FindOrAddItem(catalog, wanted, itemId);
    else if (FindPresentItemByIdentity(catalog, id, itemId, nullptr))
        mapped = true;
    else {
        // A file of the same name beside the document that cannot be made an item is not the
        // one wanted: the user is asked then, as when nothing was found.
        mapped = FindInFallbackFolders(wanted, true, &found) && FindOrAddItem(catalog, found, itemId);
        if (!mapped && AskLocator(wanted, &found))
            mapped = FindOrAddItem(catalog, found, itemId);
    }
    RefreshDisplayListsIfAdded();
    return mapped ? S_OK : E_FAIL;
}

bool CFileMapper::FindPresentItemByIdentity(CCatalog* catalog, const CMusicFileId& id, DWORD* itemId, CTrackInfo* track)
{
    CCatItem* item = nullptr;
    if (!catalog->FindItemByFileId(id, &item))
        return false;
    const CString path = item->GetPath();
    const bool present = FileExists(path) != FALSE;
    if (present) {
        *itemId = item->GetItemId();
        if (track) {
            track->SetFilePath(path);
            track->SetCatalogItemId(static_cast<LONG>(*itemId));
            track->SetSampleInfo(item->GetSampleRate(), static_cast<LONGLONG>(item->GetSampleCount()));
        }
    }
    item->Release();
    return present;
}

void CFileMapper::RefreshDisplayListsIfAdded()
{
    if (m_added && GetOuter() != GetInner())
        RefreshDisplayLists(GetOuter());
}

bool CFileMapper::AttachTrack(CCatalog* catalog, CTrackInfo* track)
{
    CCatItem* item = nullptr;
    if (catalog->FindItemByPath(track->GetFilePath(), &item)) {
        track->SetCatalogItemId(static_cast<LONG>(item->GetItemId()));
        const CMusicFileId oldId = item->GetMusicFileId();
        if (item->RefreshIfContentChanged()) {
            // The file changed: its saved mix settings move to the new identity.
            ComPtr<CTrackInfo> moved = ComPtr<CTrackInfo>::attach(new (std::nothrow) CTrackInfo());
            if (moved) {
                moved->SetMusicFileId(oldId);
                if (catalog->HasDefaultMix(moved.get()) && catalog->ApplyDefaultMix(moved.get())) {
                    moved->SetMusicFileId(item->GetMusicFileId());
                    catalog->SaveDefaultMix(moved.get());
                    catalog->DeleteDefaultMix(oldId);
                }
            }
        }
        track->SetMusicFileId(item->GetMusicFileId());
        track->SetSampleInfo(item->GetSampleRate(), static_cast<LONGLONG>(item->GetSampleCount()));
        item->Release();
        return true;
    }
    if (!catalog->AddItemFromFile(track->GetFilePath(), &item, FALSE) || !item)
        return false;
    track->SetCatalogItemId(static_cast<LONG>(item->GetItemId()));
    track->SetMusicFileId(item->GetMusicFileId());
    track->SetSampleInfo(item->GetSampleRate(), static_cast<LONGLONG>(item->GetSampleCount()));
    item->Release();
    m_added = true;
    return true;
}

void CFileMapper::ResolveTracks(CTrackInfoContainer* tracks, BOOL anyExtension)
{
    ResetLocator();
    CString folder;
    if (!tracks->GetPath().IsEmpty() && GetFolder(tracks->GetPath(), &folder))
        m_documentFolder = folder;
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(hold);
    m_added = false;
    std::vector<int> removals;
    for (int index = 0; index < tracks->GetCount(); ++index) {
        CTrackInfo* track = tracks->GetAt(index);
        if (track->IsPause() || !catalog) {
            removals.push_back(index);
            continue;
        }
        track->SetCatalogItemId(-1);
        CMusicFileId id = track->GetMusicFileId();
        if (!id.IsValid() && ComputeMusicFileId(track->GetFilePath(), &id))
            track->SetMusicFileId(id);
        if (FileExists(track->GetFilePath()) && AttachTrack(catalog, track))
            continue;
        DWORD itemId = 0;
        if (FindPresentItemByIdentity(catalog, id, &itemId, track))
            continue;
        const CString missing = track->GetFilePath();
        CString found;
        if (FindInFallbackFolders(missing, true, &found)) {
            track->SetFilePath(found);
            if (AttachTrack(catalog, track))
                continue;
            // The file of that name could not be made an item: the user is asked as when nothing
            // was found.
            track->SetFilePath(missing);
        }
        if ((anyExtension || catalog->IsSupportedExtension(GetExtension(missing))) && AskLocator(missing, &found)) {
            track->SetFilePath(found);
            if (AttachTrack(catalog, track))
                continue;
        }
        removals.push_back(index);
    }
    for (auto index = removals.rbegin(); index != removals.rend(); ++index)
        tracks->RemoveAt(*index);
    RefreshDisplayListsIfAdded();
}

void CFileMapper::ResolvePaths(std::vector<CString>& paths, BOOL useLocator)
{
    ResetLocator();
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(hold);
    m_added = false;
    std::vector<size_t> removals;
    for (size_t index = 0; index < paths.size(); ++index) {
        CString path = paths[index];
        DWORD itemId = 0;
        CString found;
        if (catalog && FileExists(path)) {
            if (path.Find(L'\\') < 0) {
                wchar_t current[MAX_PATH] = {};
                GetCurrentDirectoryW(MAX_PATH, current);
                const CString absolute = AppendPathComponent(current, path);
                if (FileExists(absolute))
                    path = absolute;
            }
            if (FindOrAddItem(catalog, path, &itemId)) {
                paths[index] = path;
                continue;
            }
        } else if (catalog && FindInFallbackFolders(path, false, &found) && FindOrAddItem(catalog, found, &itemId)) {
            paths[index] = found;
            continue;
        } else if (catalog && useLocator && AskLocator(path, &found) && FindOrAddItem(catalog, found, &itemId)) {
            paths[index] = found;
            continue;
        }
        removals.push_back(index);
    }
    for (auto index = removals.rbegin(); index != removals.rend(); ++index)
        paths.erase(paths.begin() + static_cast<std::ptrdiff_t>(*index));
    RefreshDisplayListsIfAdded();
}

void CFileMapper::ExpandFolders(std::vector<CString>& paths)
{
    m_foundFiles.clear();
    ComPtr<IUnknown> hold;
    CCatalog* catalog = ReachCatalog(hold);
    if (catalog) {
        std::vector<std::pair<DWORD, ULONGLONG>> visited;
        for (const CString& path : paths)
            ExpandFolder(catalog, path, visited);
    }
    paths.insert(paths.end(), m_foundFiles.begin(), m_foundFiles.end());
}

void CFileMapper::ExpandFolder(CCatalog* catalog, const CString& folder,
                               std::vector<std::pair<DWORD, ULONGLONG>>& visited)
{
    if (!EnterFolderOnce(folder, visited))
        return;
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileW(AppendPathComponent(folder, L"*.*"), &found));
    if (!search)
        return;
    std::vector<CString> subfolders;
    do {
        const CString name(found.cFileName);
        if (name == L"." || name == L"..")
            continue;
        const CString full = AppendPathComponent(folder, name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            subfolders.push_back(full);
        else if (catalog->IsSupportedExtension(GetExtension(name)))
            m_foundFiles.push_back(full);
    } while (FindNextFileW(search.get(), &found));
    search.reset();
    for (const CString& subfolder : subfolders)
        ExpandFolder(catalog, subfolder, visited);
}
