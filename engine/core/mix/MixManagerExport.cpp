// The mix laid out as export entries: where each track ends, for file markers and CD tracks.
#include "engine/core/mix/MixManager.h"

HRESULT CMixManager::BuildExportTrackList(int, CPlayerOutputExportInfo*)
{
    return E_NOTIMPL;
}
