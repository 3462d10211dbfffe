#include "toolkit/bars/toolbar/SavedToolBarState.h"

#include "classlib/core/Archive.h"
#include "toolkit/bars/toolbar/CheckedBlob.h"

BOOL SaveToolBarState(const wchar_t* section, const wchar_t* entry, const std::vector<BYTE>& snapshot,
                      const UVToolBarState& current)
{
    const std::vector<BYTE> bytes = SerializeToolBarState(current);
    CUVCheckedBlob blob;
    try {
        CArchive ar(&blob.GetPayload(), CArchive::store);
        ar << CUVCrc32::Of(snapshot.data(), snapshot.size());
        ar.WriteCount(bytes.size());
        ar.Write(bytes.data(), static_cast<UINT>(bytes.size()));
        ar.Close();
    } catch (const CException&) {
        return FALSE;
    }
    return blob.Write(section, entry);
}

BOOL LoadToolBarState(const wchar_t* section, const wchar_t* entry, const std::vector<BYTE>& snapshot,
                      UVToolBarState& state)
{
    CUVCheckedBlob blob;
    if (!blob.Read(section, entry))
        return FALSE;
    std::vector<BYTE> bytes;
    try {
        CArchive ar(&blob.GetPayload(), CArchive::load);
        uint32_t snapshotCrc = 0;
        ar >> snapshotCrc;
        if (snapshotCrc != CUVCrc32::Of(snapshot.data(), snapshot.size()))
            return FALSE;
        // Untrusted even though the CRC matched: the count must fit in what is left.
        bytes.resize(static_cast<size_t>(ar.ReadCount(1)));
        ar.ReadExactly(bytes.data(), static_cast<UINT>(bytes.size()));
    } catch (const CException&) {
        return FALSE;
    }
    return ParseToolBarState(bytes.data(), bytes.size(), state);
}
