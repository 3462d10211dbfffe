#include "engine/core/storage/MusicFileIdObjStore.h"

#include "engine/core/server/EngineFolders.h"
#include "engine/core/storage/RiffFile.h"

CMusicFileIdObjStore::CMusicFileIdObjStore(LPCWSTR nameOrPath, BOOL isFullPath)
    : m_path(isFullPath ? CString(nameOrPath) : GetEngineDataFolder() + nameOrPath)
{
    CSingleThreadLock lock(&m_lock);
    m_file = std::make_unique<CItemFile>(m_path, CItemFile::flagAllowRepair);
    BuildIndex();
}

CMusicFileIdObjStore::~CMusicFileIdObjStore()
{
    CSingleThreadLock lock(&m_lock);
    m_file.reset();
}

void CMusicFileIdObjStore::BuildIndex()
{
    m_file->ForEachItem([this](int item, CArchive& body) {
        if (body.GetAvailable() < CMusicFileId::kSize)
            return;
        CMusicFileId id;
        id.Serialize(body);
        if (!id.IsValid())
            return;
        INT_PTR position = 0;
        if (m_index.Find(id, &position)) {
            DWORD older = 0;
            m_index.GetAt(position, &older, nullptr);
            m_file->FreeItem(static_cast<int>(older));
            m_index.Remove(id);
        }
        m_index.InsertSorted(static_cast<DWORD>(item), id);
    });
}

bool CMusicFileIdObjStore::IsOpen()
{
    CSingleThreadLock lock(&m_lock);
    return m_file->IsOpen();
}

int CMusicFileIdObjStore::GetCount()
{
    CSingleThreadLock lock(&m_lock);
    return static_cast<int>(m_index.GetCount());
}

void CMusicFileIdObjStore::StoreBody(const CMusicFileId& id, const BodyWriter& write)
{
    if (!id.IsValid())
        return;
    CSingleThreadLock lock(&m_lock);
    CArchive* archive = nullptr;
    int item = -1;
    if (!m_file->BeginAppendItem(&archive, &item))
        return;
    try {
        CMusicFileId stored(id);
        stored.Serialize(*archive);
        write(*archive);
    } catch (const CException&) {
        m_file->CancelAppendItem();
        return;
    }
    if (!m_file->EndAppendItem())
        return;
    INT_PTR position = 0;
    if (m_index.Find(id, &position)) {
        DWORD older = 0;
        m_index.GetAt(position, &older, nullptr);
        m_file->FreeItem(static_cast<int>(older));
        m_index.Remove(id);
    }
    m_index.InsertSorted(static_cast<DWORD>(item), id);
}

void CMusicFileIdObjStore::StoreRiffImage(const CMusicFileId& id, CRiffFile* image)
{
    if (image == nullptr)
        return;
    StoreBody(id, [image](CArchive& archive) {
        if (!image->WriteImageTo(archive))
            throw CArchiveException(CArchiveException::genericException);
    });
}

BOOL CMusicFileIdObjStore::Contains(const CMusicFileId& id)
{
    if (!id.IsValid())
        return FALSE;
    CSingleThreadLock lock(&m_lock);
    INT_PTR position = 0;
    return m_index.Find(id, &position) ? TRUE : FALSE;
}

BOOL CMusicFileIdObjStore::LoadBody(const CMusicFileId& id, const BodyReader& read)
{
    if (!id.IsValid())
        return FALSE;
    CSingleThreadLock lock(&m_lock);
    INT_PTR position = 0;
    DWORD item = 0;
    if (!m_index.Find(id, &position) || !m_index.GetAt(position, &item, nullptr))
        return FALSE;
    CArchive* archive = nullptr;
    int length = 0;
    if (!m_file->OpenItemForRead(static_cast<int>(item), &archive, &length) || length < CMusicFileId::kSize)
        return FALSE;
    try {
        CMusicFileId stored;
        stored.Serialize(*archive);
        if (!stored.IsEqual(id))
            return FALSE;
        return read(*archive, length - CMusicFileId::kSize) ? TRUE : FALSE;
    } catch (const CException&) {
        return FALSE;
    }
}

BOOL CMusicFileIdObjStore::LoadRiffImage(const CMusicFileId& id, CRiffFile* image)
{
    if (image == nullptr)
        return FALSE;
    return LoadBody(id,
                    [image](CArchive& archive, int left) { return left > 0 && image->ReadImageFrom(archive, left); });
}

BOOL CMusicFileIdObjStore::GetIdAt(int i, CMusicFileId* id)
{
    CSingleThreadLock lock(&m_lock);
    return m_index.GetAt(i, nullptr, id) ? TRUE : FALSE;
}

BOOL CMusicFileIdObjStore::RemoveObject(const CMusicFileId& id)
{
    CSingleThreadLock lock(&m_lock);
    INT_PTR position = 0;
    DWORD item = 0;
    if (!id.IsValid() || !m_index.Find(id, &position) || !m_index.GetAt(position, &item, nullptr))
        return FALSE;
    m_file->FreeItem(static_cast<int>(item));
    m_index.Remove(id);
    return TRUE;
}
