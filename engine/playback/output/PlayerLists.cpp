// The player's lists: DirectSound devices, wave-out devices, and the export types and formats
// (the engine's WAV file, the Windows Media writer's formats, and the video montage library's).
#include "engine/playback/output/Player.h"

#include <dsound.h>
#include <mmsystem.h>

#include "engine/core/server/LocalCoCreate.h"
#include "interfaces/IHostMedia.h"

namespace {

constexpr int kWavExportType = 1;
constexpr int kWmaExportType = 2;
constexpr wchar_t kWavExportName[] = L"Mixed WAV-Datei";
constexpr wchar_t kWavExtension[] = L"wav";
constexpr wchar_t kWmaExportName[] = L"Mixed Windows Media Audio 8 Datei";
constexpr wchar_t kWmaExtension[] = L"wma";
constexpr int kWavFormatId = 1;
constexpr wchar_t kWavFormatName[] = L"44.1kHz 16-bit stereo (CD-Audio)";
constexpr int kWavBitRate = 1411200;

// Takes over a BSTR handed out by another library.
CString TakeBstr(BSTR text)
{
    CString result(text ? text : L"");
    SysFreeString(text);
    return result;
}

HRESULT CopyOut(const CString& text, BSTR* out)
{
    *out = SysAllocString(text.GetString());
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

BOOL CALLBACK CPlayer::AddDirectSoundDevice(GUID* guid, const wchar_t* description, const wchar_t*, void* context)
{
    auto* player = static_cast<CPlayer*>(context);
    try {
        player->m_devices.push_back(
            {CString(description ? description : L""), guid ? *guid : GUID_NULL, kPairStereo, 0});
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

void CPlayer::EnumerateDevices()
{
    m_devices.clear();
    DirectSoundEnumerateW(&CPlayer::AddDirectSoundDevice, this);
}

void CPlayer::BuildExportLists()
{
    m_exportTypes.clear();
    m_exportFormats.clear();
    m_exportTypes.push_back({kWavExportType, kWavExportName, kWavExtension});
    m_exportFormats.push_back({kWavFormatId, kWavFormatName, kWavExportType, kWavBitRate});

    ComPtr<IPlayerOutput> writer;
    if (SUCCEEDED(CLocalCoCreate::CreateInstance(PluginClsid::WmWriteFile, &g_localCoCreate, IID_IPlayerOutput,
                                                 writer.put_void())) &&
        writer) {
        m_exportTypes.push_back({kWmaExportType, kWmaExportName, kWmaExtension});
        int id = 0;
        BSTR name = nullptr;
        int bitRate = 0;
        for (int i = 0; writer->GetFormatInfo(i, &id, &name, &bitRate) == S_OK; ++i)
            m_exportFormats.push_back({id, TakeBstr(name), kWmaExportType, bitRate});
    }

    ComPtr<IHostMedia> host;
    if (GetOuter() == GetInner() || FAILED(GetOuter()->QueryInterface(IID_IHostMedia, host.put_void())) || !host)
        return;
    int typeId = 0;
    BSTR typeName = nullptr;
    BSTR extension = nullptr;
    for (int t = 0; host->GetExportType(t, &typeId, &typeName, &extension) == S_OK; ++t) {
        m_exportTypes.push_back({typeId, TakeBstr(typeName), TakeBstr(extension)});
        int id = 0;
        BSTR name = nullptr;
        int bitRate = 0;
        for (int f = 0; host->GetExportFormat(f, &id, &name, &bitRate) == S_OK; ++f)
            m_exportFormats.push_back({id, TakeBstr(name), typeId, bitRate});
    }
}

HRESULT CPlayer::GetExportType(int index, int* typeId, BSTR* name, BSTR* extension)
{
    if (!typeId || !name || !extension)
        return E_POINTER;
    *name = nullptr;
    *extension = nullptr;
    CSingleThreadLock lock(&m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_exportTypes.size())
        return E_FAIL;
    const ExportType& type = m_exportTypes[static_cast<size_t>(index)];
    *typeId = type.id;
    if (FAILED(CopyOut(type.name, name)) || FAILED(CopyOut(type.extension, extension))) {
        SysFreeString(*name);
        *name = nullptr;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CPlayer::GetExportFormat(int typeId, int index, int* formatId, BSTR* name, int* bitRate)
{
    if (!formatId || !name || !bitRate)
        return E_POINTER;
    *name = nullptr;
    CSingleThreadLock lock(&m_lock);
    int seen = 0;
    for (const ExportFormat& format : m_exportFormats) {
        if (format.typeId != typeId || seen++ != index)
            continue;
        *formatId = format.id;
        *bitRate = format.bitRate;
        return CopyOut(format.name, name);
    }
    return E_FAIL;
}

HRESULT CPlayer::GetOutputDevice(int index, int* deviceId, BSTR* name)
{
    if (!deviceId || !name)
        return E_POINTER;
    *name = nullptr;
    CSingleThreadLock lock(&m_lock);
    if (index < 0)
        return E_FAIL;
    if (m_config.deviceKind == kDirectSound) {
        if (static_cast<size_t>(index) >= m_devices.size())
            return E_FAIL;
        *deviceId = index;
        return CopyOut(m_devices[static_cast<size_t>(index)].name, name);
    }
    if (m_config.deviceKind == kWaveOut) {
        WAVEOUTCAPSW caps{};
        if (waveOutGetDevCapsW(static_cast<UINT_PTR>(index), &caps, sizeof(caps)) != MMSYSERR_NOERROR)
            return E_FAIL;
        *deviceId = index;
        return CopyOut(CString(caps.szPname), name);
    }
    return E_FAIL;
}
