// The player's CD recording: a play stream taken off its device and bound to a CD output for
// the length of a recording.
#include "engine/playback/output/Player.h"

#include <new>

#include "engine/playback/output/PlayerOutputCdr.h"

HRESULT CPlayer::CreateCdBurner(int streamId, IBurnCdr** burner)
{
    if (!burner)
        return E_POINTER;
    *burner = nullptr;
    CSingleThreadLock lock(&m_lock);
    PLAYERSTREAM_MAPITEM* stream = FindStream(streamId);
    if (!stream)
        return E_FAIL;
    Unbind(*stream);
    auto cdr = ComPtr<CPlayerOutputCdr>::attach(new (std::nothrow) CPlayerOutputCdr());
    if (cdr) {
        cdr->AttachInput(stream->input.get(), kPairStereo);
        if (FAILED(cdr->Open())) {
            cdr->DetachInput(stream->input.get());
            cdr.reset();
        }
    }
    if (!cdr) {
        Bind(*stream);
        return E_FAIL;
    }
    // IBurnCdr answers the engine's IIDs through the main object; not when the player stands alone.
    if (GetOuter() != GetInner())
        cdr->SetDelegate(GetOuter());
    stream->output = ComPtr<IPlayerOutput>::copy(static_cast<IPlayerOutput*>(cdr.get()));
    *burner = static_cast<IBurnCdr*>(cdr.detach());
    return S_OK;
}

HRESULT CPlayer::EndCdBurn(int streamId)
{
    return ReturnToDevice(streamId) ? S_OK : E_FAIL;
}
