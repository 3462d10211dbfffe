// The player's catalog preview: a play item bound to the preview device as stream -1.
#include "engine/playback/output/Player.h"

#include <new>

#include "engine/playback/graph/PlayItem.h"

BOOL CPlayer::AddPreview(CPlayItem* item)
{
    if (!item)
        return FALSE;
    CSingleThreadLock lock(&m_lock);
    if (FindStream(kPreviewStream))
        return FALSE;
    try {
        m_streams.push_back({ComPtr<IPlayerInput>::copy(item), {}, static_cast<int16_t>(kPreviewStream)});
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    Bind(m_streams.back());
    return TRUE;
}

BOOL CPlayer::StartPreview()
{
    return SwitchStream(kPreviewStream, true);
}

BOOL CPlayer::StopPreview()
{
    return SwitchStream(kPreviewStream, false);
}

BOOL CPlayer::SeekPreview(LONGLONG sample)
{
    CSingleThreadLock lock(&m_lock);
    PLAYERSTREAM_MAPITEM* stream = FindStream(kPreviewStream);
    if (!stream)
        return FALSE;
    IPlayerInput* item = stream->input.get();
    if (!stream->output || stream->output->IsRunning() != S_OK) {
        item->Seek(sample);
        return TRUE;
    }
    // The item stays active through the restart, so the output's stop does not end the preview.
    item->EnableActivation(FALSE);
    stream->output->Stop();
    item->Seek(sample);
    stream->output->Start();
    item->EnableActivation(TRUE);
    return TRUE;
}

BOOL CPlayer::RemovePreview()
{
    CSingleThreadLock lock(&m_lock);
    return TakeStream(kPreviewStream) ? TRUE : FALSE;
}
