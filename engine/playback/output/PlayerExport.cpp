// The player's export: a play stream bound to a file writer instead of its device, and back.
#include <new>

#include "engine/core/server/LocalCoCreate.h"
#include "engine/playback/output/Player.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"
#include "engine/playback/output/PlayerOutputWaveFile.h"

namespace {

constexpr int kWavExportType = 1;
constexpr int kWmaExportType = 2;
// Bytes of the 16-bit stereo stream per frame, and frames per second.
constexpr LONGLONG kFrameBytes = 4;
constexpr LONGLONG kRate = 44100;

ComPtr<IPlayerOutput> CreateFileWriter(int typeId)
{
    if (typeId == kWavExportType)
        return ComPtr<IPlayerOutput>::attach(new (std::nothrow) CPlayerOutputWaveFile());
    ComPtr<IPlayerOutput> writer;
    if (typeId == kWmaExportType)
        CLocalCoCreate::CreateInstance(PluginClsid::WmWriteFile, &g_localCoCreate, IID_IPlayerOutput,
                                       writer.put_void());
    return writer;
}

// The writer's steps after Open, in the order every writer expects them.
HRESULT ConfigureAndStart(IPlayerOutput& writer, int formatId, LPCWSTR path, const CPlayerOutputExportInfo* tracks,
                          IProgressStatus* status, IPlayerInput* input)
{
    HRESULT hr = writer.SetFormat(formatId);
    if (FAILED(hr))
        return hr;
    LONGLONG position = 0;
    CString title;
    CString artist;
    CString album;
    for (int i = 0; tracks && tracks->GetItem(i, &position, &title, &artist, &album); ++i) {
        hr = writer.AddTrackInfo(position * kRate / 1000000 * kFrameBytes, title.GetString(), artist.GetString(),
                                 album.GetString());
        if (FAILED(hr))
            return hr;
    }
    if (FAILED(hr = writer.SetProgressStatus(status)) || FAILED(hr = writer.AttachInput(input, 0)))
        return hr;
    return writer.StartFile(path, 0);
}

}  // namespace

bool CPlayer::HasExportFormat(int typeId, int formatId) const
{
    for (const ExportFormat& format : m_exportFormats)
        if (format.typeId == typeId && format.id == formatId)
            return true;
    return false;
}

HRESULT CPlayer::BindExport(int streamId, int typeId, int formatId, LPCWSTR path, const CPlayerOutputExportInfo* tracks,
                            IProgressStatus* status)
{
    if (!path || !status)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    PLAYERSTREAM_MAPITEM* stream = FindStream(streamId);
    if (!stream)
        return E_FAIL;
    if (!HasExportFormat(typeId, formatId))
        return E_FAIL;
    ComPtr<IPlayerOutput> writer = CreateFileWriter(typeId);
    if (!writer)
        return E_FAIL;
    Unbind(*stream);
    HRESULT hr = writer->Open();
    if (SUCCEEDED(hr))
        hr = ConfigureAndStart(*writer.get(), formatId, path, tracks, status, stream->input.get());
    if (SUCCEEDED(hr)) {
        stream->output = std::move(writer);
        return hr;
    }
    writer->Close();
    writer->DetachInput(stream->input.get());
    Bind(*stream);
    return hr;
}

BOOL CPlayer::ReturnToDevice(int streamId)
{
    CSingleThreadLock lock(&m_lock);
    PLAYERSTREAM_MAPITEM* stream = FindStream(streamId);
    if (!stream)
        return FALSE;
    Unbind(*stream);
    Bind(*stream);
    return TRUE;
}
