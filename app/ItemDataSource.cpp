#include "app/ItemDataSource.h"

#include <cstring>
#include <memory>

#include "classlib/com/UniqueHandle.h"
#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "classlib/ole/GlobalLock.h"

namespace {

constexpr UINT kMemFileGrowBytes = 1024;
constexpr int kArchiveBufferBytes = 4096;

}  // namespace

CItemDataSource::CItemDataSource(const wchar_t* formatName)
    : m_format(static_cast<CLIPFORMAT>(RegisterClipboardFormatW(formatName)))
{}

HRESULT STDMETHODCALLTYPE CItemDataSource::GetAt(int index, DWORD* id)
{
    if (index < 0 || index >= m_ids.GetCount())
        return E_FAIL;
    if (!id)
        return E_POINTER;
    *id = m_ids.GetAt(index);
    return S_OK;
}

BOOL CItemDataSource::Contains(DWORD id) const
{
    for (INT_PTR i = 0; i < m_ids.GetCount(); ++i)
        if (m_ids.GetAt(i) == id)
            return TRUE;
    return FALSE;
}

BOOL CItemDataSource::CacheInDataSource(COleDataSource& dataSource) const
{
    CMemFile file(kMemFileGrowBytes);
    {
        CArchive archive(&file, CArchive::store, kArchiveBufferBytes);
        archive.WriteCount(static_cast<ULONGLONG>(m_ids.GetCount()));
        if (m_ids.GetCount() > 0)
            archive.Write(m_ids.GetData(), static_cast<UINT>(m_ids.GetCount() * sizeof(DWORD)));
        archive.Close();
    }
    const SIZE_T size = static_cast<SIZE_T>(file.GetLength());
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block)
        return FALSE;
    {
        CGlobalLock lock(block.get());
        if (!lock.Data())
            return FALSE;
        std::memcpy(lock.Data(), file.GetData(), size);
    }
    dataSource.CacheGlobalData(m_format, block.release());
    return TRUE;
}

void CItemDataSource::DoDragDrop() const
{
    COleDataSource dataSource;
    if (CacheInDataSource(dataSource))
        dataSource.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
}

BOOL CItemDataSource::CopyToClipboard() const
{
    // The clipboard takes the source's only reference; when caching failed, Release deletes it.
    auto* dataSource = new COleDataSource;
    if (!CacheInDataSource(*dataSource)) {
        dataSource->Release();
        return FALSE;
    }
    return SUCCEEDED(dataSource->SetClipboard());
}

BOOL CItemDataSource::IsOnClipboard() const
{
    return IsClipboardFormatAvailable(m_format);
}

BOOL CItemDataSource::ReadFromDataObject(const COleDataObject& dataObject)
{
    std::unique_ptr<CFile> file = dataObject.GetFileData(m_format);
    if (!file)
        return FALSE;
    // The block may come from another program: the count is checked against the bytes there are
    // before anything is allocated, and the list read is kept only when it is whole.
    CDWordArray ids;
    try {
        CArchive archive(file.get(), CArchive::load, kArchiveBufferBytes);
        // At most a quarter of the file's bytes, which the data object keeps below 2 GiB.
        const ULONGLONG count = archive.ReadCount(sizeof(DWORD));
        ids.SetSize(static_cast<INT_PTR>(count));
        if (count > 0)
            archive.ReadExactly(ids.GetData(), static_cast<UINT>(count * sizeof(DWORD)));
        archive.Close();
    } catch (const CException&) {
        return FALSE;
    }
    m_ids.Copy(ids);
    return TRUE;
}

BOOL CItemDataSource::PasteFromClipboard()
{
    COleDataObject dataObject;
    if (!dataObject.AttachClipboard())
        return FALSE;
    return ReadFromDataObject(dataObject);
}
