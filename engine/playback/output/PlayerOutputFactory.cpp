#include "engine/playback/output/PlayerOutputFactory.h"

#include <new>

#include "engine/playback/output/Player.h"
#include "engine/playback/output/PlayerOutputDSound.h"
#include "engine/playback/output/PlayerOutputDSound3D.h"
#include "engine/playback/output/PlayerOutputWaveOut.h"

ComPtr<IPlayerOutput> CreateDeviceOutput(uint32_t kind, uint16_t pairType, uint16_t index, const GUID& guid,
                                         HWND window)
{
    CPlayerOutput* output = nullptr;
    if (kind == CPlayer::kDirectSound && pairType == CPlayer::kPairStereo)
        output = new (std::nothrow) CPlayerOutputDSound(guid, window);
    else if (kind == CPlayer::kDirectSound && (pairType == CPlayer::kPair3DFront || pairType == CPlayer::kPair3DRear))
        output = new (std::nothrow) CPlayerOutputDSound3D(guid, window, pairType == CPlayer::kPair3DFront);
    else if (kind == CPlayer::kWaveOut)
        output = new (std::nothrow) CPlayerOutputWaveOut(index);
    return ComPtr<IPlayerOutput>::attach(output);
}
