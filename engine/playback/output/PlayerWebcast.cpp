// The player's webcast: the formats the webcast library offers and binding the live stream to
// its output in output mode 3. The library ("Kestrow.DLL") lies outside the system; without it
// the list is empty and the live stream stays unbound in that mode.
#include "engine/playback/output/Player.h"

#include "classlib/core/WinApp.h"
#include "engine/core/server/LocalCoCreate.h"
#include "interfaces/IWebcastControl.h"

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kWebcastPortValue[] = L"Webcast Port";
constexpr wchar_t kWebcastFormatName[] = L"Windows Media - %s";
// The webcast library's formats are all of this type; only it can be bound.
constexpr int kWindowsMediaWebcast = 1;

ComPtr<IPlayerOutput> CreateWebcastOutput()
{
    ComPtr<IPlayerOutput> output;
    if (FAILED(CLocalCoCreate::CreateInstance(PluginClsid::Webcast, &g_localCoCreate, IID_IPlayerOutput,
                                              output.put_void())))
        output.reset();
    return output;
}

}  // namespace

void CPlayer::BuildWebcastFormats()
{
    m_webcastFormats.clear();
    const ComPtr<IPlayerOutput> output = CreateWebcastOutput();
    if (!output)
        return;
    int id = 0;
    BSTR name = nullptr;
    int bitRate = 0;
    for (int i = 0; output->GetFormatInfo(i, &id, &name, &bitRate) == S_OK; ++i) {
        CString text;
        text.Format(kWebcastFormatName, name ? name : L"");
        SysFreeString(name);
        name = nullptr;
        m_webcastFormats.push_back({kWindowsMediaWebcast, id, text});
    }
}

const CPlayer::WebcastFormat* CPlayer::ChosenWebcastFormat() const
{
    for (const WebcastFormat& format : m_webcastFormats) {
        if (static_cast<uint32_t>(format.type) == m_config.webcastFormatType &&
            static_cast<uint32_t>(format.id) == m_config.webcastFormatId)
            return &format;
    }
    return nullptr;
}

int CPlayer::WebcastFormatIndex() const
{
    const WebcastFormat* chosen = ChosenWebcastFormat();
    return chosen ? static_cast<int>(chosen - m_webcastFormats.data()) : 0;
}

void CPlayer::BindWebcast(PLAYERSTREAM_MAPITEM& stream)
{
    const WebcastFormat* format = ChosenWebcastFormat();
    if (!format || format->type != kWindowsMediaWebcast)
        return;
    ComPtr<IPlayerOutput> output = CreateWebcastOutput();
    ComPtr<IWebcastControl> control;
    if (!output || FAILED(output.query(IID_IWebcastControl, control)) || !control)
        return;
    int port = 0;
    control->GetDefaultPort(&port);
    if (CWinApp* app = AfxGetApp())
        port = static_cast<int>(app->GetProfileInt(kSettings, kWebcastPortValue, port));
    control->SetPort(port);
    output->AttachInput(stream.input.get(), kPairStereo);
    output->SetFormat(format->id);
    output->Open();
    if (output->IsOpen() != S_OK) {
        output->DetachInput(stream.input.get());
        return;
    }
    BSTR url = nullptr;
    control->GetUrl(&url);
    CString address(url ? url : L"");
    SysFreeString(url);
    stream.output = std::move(output);
    SetWebcastUrl(address);
}

HRESULT CPlayer::GetWebcastFormat(int index, int* formatId, BSTR* name)
{
    if (!formatId || !name)
        return E_POINTER;
    *name = nullptr;
    CSingleThreadLock lock(&m_lock);
    if (index < 0 || static_cast<size_t>(index) >= m_webcastFormats.size())
        return E_FAIL;
    *formatId = index;
    *name = SysAllocString(m_webcastFormats[static_cast<size_t>(index)].name.GetString());
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT CPlayer::GetWebcastUrl(BSTR* url)
{
    if (!url)
        return E_POINTER;
    CSingleThreadLock lock(&m_lock);
    *url = SysAllocString(m_webcastUrl.GetString());
    return *url ? S_OK : E_OUTOFMEMORY;
}
