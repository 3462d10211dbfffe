// The mix laid out as export entries: where each track ends, for file markers and CD tracks.
#include "classlib/com/ComPtr.h"
#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/core/mix/MixExportList.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"
#include "interfaces/ICatDisplayItem.h"

namespace {

// Catalog attribute ids of the texts an entry carries.
constexpr WORD kTitleAttribute = 1;
constexpr WORD kAlbumAttribute = 2;
constexpr WORD kArtistAttribute = 4;

CString ReadAttribute(ICatDisplayItem& item, WORD attribute)
{
    BSTR text = nullptr;
    if (FAILED(item.GetAttribute(attribute, &text)) || !text)
        return CString();
    CString result(text);
    SysFreeString(text);
    return result;
}

}  // namespace

HRESULT CMixManager::BuildExportTrackList(int mode, CPlayerOutputExportInfo* info)
{
    if (!info)
        return E_POINTER;
    CLiveAndPendingMixSingleThreadAccess lock;
    info->RemoveAll();
    const auto names = [this](CTrackInfo& track, CString* title, CString* artist, CString* album) {
        ComPtr<IProfileSource> source;
        ComPtr<ICatDisplayItem> item;
        if (!m_files || !m_files->GetTrackItem(track, source.put()) || !source ||
            FAILED(source->QueryInterface(IID_ICatDisplayItem, item.put_void())) || !item)
            return;
        *title = ReadAttribute(*item.get(), kTitleAttribute);
        *artist = ReadAttribute(*item.get(), kArtistAttribute);
        *album = ReadAttribute(*item.get(), kAlbumAttribute);
    };
    return MixExportList::Build(m_tracks, mode, GetMixEndTime(), names, *info) ? S_OK : E_INVALIDARG;
}
