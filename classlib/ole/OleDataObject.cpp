#include "classlib/ole/OleDataObject.h"

#include "classlib/com/UniqueHandle.h"
#include "classlib/core/MemFile.h"
#include "classlib/ole/GlobalLock.h"

namespace {

FORMATETC GlobalFormat(CLIPFORMAT format, const FORMATETC* formatEtc)
{
    if (formatEtc)
        return *formatEtc;
    return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// The memory file's Write takes a UINT: larger blocks are not read through a file.
constexpr SIZE_T kMaxFileBytes = 0x7FFFFFFF;

}  // namespace

BOOL COleDataObject::AttachClipboard()
{
    IDataObject* clipboard = nullptr;
    if (FAILED(OleGetClipboard(&clipboard)) || !clipboard)
        return FALSE;
    m_data.reset(clipboard);
    return TRUE;
}

void COleDataObject::Attach(IDataObject* dataObject, BOOL autoRelease)
{
    if (autoRelease)
        m_data.reset(dataObject);
    else
        m_data = ComPtr<IDataObject>::copy(dataObject);
}

void COleDataObject::Release()
{
    m_data.reset();
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT format, const FORMATETC* formatEtc) const
{
    if (!m_data)
        return FALSE;
    FORMATETC wanted = GlobalFormat(format, formatEtc);
    if (!formatEtc)
        wanted.tymed = TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_FILE | TYMED_GDI | TYMED_MFPICT | TYMED_ENHMF;
    return m_data->QueryGetData(&wanted) == S_OK;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT format, const FORMATETC* formatEtc) const
{
    if (!m_data)
        return nullptr;
    FORMATETC wanted = GlobalFormat(format, formatEtc);
    STGMEDIUM medium{};
    if (FAILED(m_data->GetData(&wanted, &medium)))
        return nullptr;
    if (medium.tymed == TYMED_HGLOBAL && !medium.pUnkForRelease)
        return medium.hGlobal;
    // A block the source keeps (or another medium): the caller gets a copy it can free.
    HGLOBAL result = nullptr;
    if (medium.tymed == TYMED_HGLOBAL) {
        CGlobalLock source(medium.hGlobal);
        const SIZE_T size = source.Size();
        UniqueGlobal copy(GlobalAlloc(GMEM_MOVEABLE, size));
        if (copy && (size == 0 || source.Data())) {
            CGlobalLock target(copy.get());
            if (size == 0 || target.Data()) {
                if (size > 0)
                    memcpy(target.Data(), source.Data(), size);
                result = copy.release();
            }
        }
    }
    ReleaseStgMedium(&medium);
    return result;
}

std::unique_ptr<CFile> COleDataObject::GetFileData(CLIPFORMAT format, const FORMATETC* formatEtc) const
{
    UniqueGlobal block(GetGlobalData(format, formatEtc));
    if (!block)
        return nullptr;
    CGlobalLock bytes(block.get());
    const SIZE_T size = bytes.Size();
    if ((size > 0 && !bytes.Data()) || size > kMaxFileBytes)
        return nullptr;
    auto file = std::make_unique<CMemFile>();
    file->Write(bytes.Data(), static_cast<UINT>(size));
    file->SeekToBegin();
    return file;
}
