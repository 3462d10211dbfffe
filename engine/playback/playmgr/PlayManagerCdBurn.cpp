// The play manager's CD recording: its stream, rewound over the whole play list, handed to a CD
// output through the player, and given back to its device afterwards.
#include "engine/playback/playmgr/PlayManager.h"

#include "engine/core/server/LiveAndPendingMixLock.h"
#include "engine/playback/graph/MixOutput.h"
#include "engine/playback/output/Player.h"
#include "interfaces/IBurnCdr.h"

HRESULT CPlayManager::CreateCdBurner(IBurnCdr** burner)
{
    if (!burner)
        return E_POINTER;
    *burner = nullptr;
    CLiveAndPendingMixSingleThreadAccess lock;
    if (IsTransportHeld())
        return E_FAIL;
    Stop();
    m_playList.ClearSolo();
    m_soloTrackId = kNoTrack;
    m_bucket = 0;
    UpdateActiveItems();
    if (m_mixOutput) {
        m_mixOutput->SetEndPosition(m_playList.GetLatestEndTime());
        m_mixOutput->SeekTo(0);
    }
    SetState(kRecording);
    HRESULT result = E_FAIL;
    if (CPlayer* player = AcquirePlayer()) {
        result = player->CreateCdBurner(m_streamId, burner);
        player->Release();
    }
    // The CD output runs the stream from here on; the transport is stopped and held until
    // EndCdBurn.
    Stop();
    m_cdBurner = SUCCEEDED(result);
    return result;
}

HRESULT CPlayManager::EndCdBurn()
{
    {
        CLiveAndPendingMixSingleThreadAccess lock;
        m_cdBurner = false;
    }
    Stop();
    CPlayer* player = AcquirePlayer();
    if (!player)
        return E_FAIL;
    const HRESULT result = player->EndCdBurn(m_streamId);
    player->Release();
    return result;
}
