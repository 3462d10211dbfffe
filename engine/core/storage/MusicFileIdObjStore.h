// A record file of objects keyed by music file identity ("profiles.dat", "defaultmixes.dat"):
// one item per identity, holding the identity (16 bytes) and then the object's serialised form
// or the bytes of an in-memory RIFF image. A sorted in-memory index maps identities to items.
//
// Used from the service thread, analysis and catalog worker threads and the UI thread: every
// operation holds the store lock for its whole duration.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "classlib/core/Archive.h"
#include "classlib/core/String.h"
#include "engine/catalog/ids/IdArray.h"
#include "engine/core/storage/ItemFile.h"
#include "engine/core/storage/MusicFileId.h"
#include "engine/core/server/SingleThreadLock.h"

class CRiffFile;

// The two stores, by name within the engine data folder: analysis results of music files, and
// tracks' saved mix settings (in-memory RIFF images).
inline constexpr wchar_t kProfilesStoreName[] = L"profiles.dat";
inline constexpr wchar_t kDefaultMixesStoreName[] = L"defaultmixes.dat";

class CMusicFileIdObjStore {
public:
    // The file is the name itself when isFullPath is set, else the engine data folder + name. It
    // is opened with repair allowed and indexed; when it holds one identity twice (a store
    // interrupted between writing a new item and freeing the old one) the later item wins.
    CMusicFileIdObjStore(LPCWSTR nameOrPath, BOOL isFullPath);
    // Destroys the record file, which compacts it.
    ~CMusicFileIdObjStore();

    CMusicFileIdObjStore(const CMusicFileIdObjStore&) = delete;
    CMusicFileIdObjStore& operator=(const CMusicFileIdObjStore&) = delete;

    // Stores the object (through its Serialize) under the identity, replacing an older item. The
    // new item is written first and the old one freed only after that succeeded, so a failure
    // keeps what was stored before. An invalid identity stores nothing.
    template <class T>
    void StoreObject(T* object, const CMusicFileId& id)
    {
        if (object)
            StoreBody(id, [object](CArchive& archive) { object->Serialize(archive); });
    }
    void StoreRiffImage(const CMusicFileId& id, CRiffFile* image);

    // With a NULL object: whether the identity is stored. Otherwise the object loads itself from
    // the item; FALSE when not found or on a load error.
    template <class T>
    BOOL LoadObject(const CMusicFileId& id, T* object)
    {
        if (object == nullptr)
            return Contains(id);
        return LoadBody(id, [object](CArchive& archive, int) {
            object->Serialize(archive);
            return true;
        });
    }
    // Reads the image after the identity into image (opened for reading); FALSE when not found
    // or when the item holds nothing beyond the identity.
    BOOL LoadRiffImage(const CMusicFileId& id, CRiffFile* image);

    // The identity at position i in identity order; FALSE past the end.
    BOOL GetIdAt(int i, CMusicFileId* id);
    BOOL RemoveObject(const CMusicFileId& id);

    bool IsOpen();
    int GetCount();

private:
    using BodyWriter = std::function<void(CArchive&)>;
    // Reads what follows the identity; gets the byte count left in the body.
    using BodyReader = std::function<bool(CArchive&, int)>;

    void StoreBody(const CMusicFileId& id, const BodyWriter& write);
    BOOL LoadBody(const CMusicFileId& id, const BodyReader& read);
    BOOL Contains(const CMusicFileId& id);
    void BuildIndex();

    std::unique_ptr<CItemFile> m_file;
    CString m_path;
    CIdArray<DWORD, CMusicFileId> m_index;
    CSingleThreadToken m_lock;
};
