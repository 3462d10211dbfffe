#include "bench/common/TestEffectClip.h"

#include "engine/core/track/EfxClip.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/playback/effects/EfxInfo.h"
#include "engine/playback/effects/EfxInfoCntr.h"
#include "engine/playback/effects/EfxManager.h"
#include "tests/effects-host/dmo/TestEffect.h"

namespace bench {

bool AddTestEffectClip(CTrackInfo& track, LONGLONG from, LONGLONG to)
{
    if (!track.AddEffectClip(1, from, to))
        return false;
    CTrackObjContainer& objects = track.MainObjects();
    auto* clip = static_cast<CEfxClip*>(objects.GetAt(objects.GetCount() - 1));
    CEfxInfoCntr list;
    CEfxInfo* info = CEfxInfo::Create();
    info->Set(CLSID_TestEffectDmo, kTestEffectName, kEfxNotInserted);
    const TestEffectSettings settings{0.5f, 0, 0};
    ULONG written = 0;
    info->Write(&settings, sizeof(settings), &written);
    list.Append(info);
    return clip->Manager().SetEffectList(list) != FALSE;
}

}  // namespace bench
