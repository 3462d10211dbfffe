#include "winmedia/WmFormatList.h"

#include "classlib/com/ComPtr.h"
#include "winmedia/WmMediaTypes.h"

#include <algorithm>
#include <cwchar>

namespace {

// The one stream of an audio-only profile has this number.
constexpr WORD kAudioStreamNumber = 1;

bool ReadProfile(IWMProfile* profile, std::wstring& name, DWORD& bitRate)
{
    DWORD streams = 0;
    if (FAILED(profile->GetStreamCount(&streams)) || streams != 1)
        return false;
    ComPtr<IWMStreamConfig> stream;
    if (FAILED(profile->GetStreamByNumber(kAudioStreamNumber, stream.put())) || !stream)
        return false;
    GUID type = {};
    if (FAILED(stream->GetStreamType(&type)) || !IsEqualGUID(type, WmMediaType::kAudio))
        return false;
    DWORD length = 0;
    if (FAILED(profile->GetName(nullptr, &length)) || length == 0)
        return false;
    std::wstring text(length, L'\0');
    if (FAILED(profile->GetName(text.data(), &length)) || FAILED(stream->GetBitrate(&bitRate)))
        return false;
    text.resize(wcsnlen(text.c_str(), std::min<size_t>(length, text.size())));
    name = text;
    return true;
}

}  // namespace

HRESULT CreateSystemProfileManager(const WmRuntime& runtime, IWMProfileManager** manager)
{
    ComPtr<IWMProfileManager> created;
    HRESULT hr = runtime.CreateProfileManager(created.put());
    if (FAILED(hr))
        return hr;
    if (!created)
        return E_FAIL;
    ComPtr<IWMProfileManager2> versioned;
    if (SUCCEEDED(created.query(__uuidof(IWMProfileManager2), versioned)))
        versioned->SetSystemProfileVersion(WMT_VER_8_0);
    *manager = created.detach();
    return S_OK;
}

HRESULT BuildFormatList(const WmRuntime& runtime, std::vector<WmFormatRecord>& list)
{
    list.clear();
    ComPtr<IWMProfileManager> manager;
    const HRESULT hr = CreateSystemProfileManager(runtime, manager.put());
    if (FAILED(hr))
        return hr;
    DWORD count = 0;
    if (FAILED(manager->GetSystemProfileCount(&count)))
        return S_OK;
    for (DWORD index = 0; index < count && index <= 0xFFFF; ++index) {
        ComPtr<IWMProfile> profile;
        if (FAILED(manager->LoadSystemProfile(index, profile.put())) || !profile)
            continue;
        std::wstring name;
        DWORD bitRate = 0;
        if (!ReadProfile(profile.get(), name, bitRate))
            continue;
        // Before the first record whose bit rate is not higher: descending, newest first on ties.
        auto at = list.begin();
        while (at != list.end() && at->bitRate > bitRate)
            ++at;
        list.insert(at, {FormatDisplayName(name), static_cast<uint16_t>(index), bitRate});
    }
    return S_OK;
}

std::wstring FormatDisplayName(const std::wstring& profileName)
{
    const size_t open = profileName.find(L'(');
    const size_t close = profileName.find(L')');
    if (open == std::wstring::npos || close == std::wstring::npos || close < open)
        return profileName;
    const std::wstring inner = profileName.substr(open + 1, close - open - 1);
    const size_t comma = inner.find(L',');
    if (comma == std::wstring::npos)
        return inner;
    size_t second = comma + 1;
    if (second < inner.size() && inner[second] == L' ')
        ++second;
    return inner.substr(second) + L", " + inner.substr(0, comma);
}
