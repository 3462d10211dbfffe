#include "effects-host/AvailableEffects.h"

#include "classlib/com/ComPtr.h"

#include <dmo.h>
#include <dmoreg.h>
#include <dshow.h>

#include <algorithm>
#include <cwchar>

namespace {

// System filters that pass PCM through but are no effects: infinite pin tee, ACM wrapper, sample
// grabber, and three more of the same kind.
const CLSID kSkipList[] = {
    {0xF8388A40, 0xD5BB, 0x11D0, {0xBE, 0x5A, 0x00, 0x80, 0xC7, 0x06, 0x56, 0x8E}},
    {0x6A08CF80, 0x0E18, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}},
    {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}},
    {0xCDCDD6A0, 0xC016, 0x11D0, {0x82, 0xA4, 0x00, 0xAA, 0x00, 0xB5, 0xCA, 0x1B}},
    {0xB4CA2970, 0xDD2B, 0x11D0, {0x9D, 0xFA, 0x00, 0xAA, 0x00, 0xAF, 0x34, 0x94}},
    {0xAF7D8180, 0xA8F9, 0x11CF, {0x9A, 0x46, 0x00, 0xAA, 0x00, 0xB7, 0xDA, 0xD1}},
};

bool IsSkipped(const CLSID& clsid)
{
    return std::any_of(std::begin(kSkipList), std::end(kSkipList),
                       [&](const CLSID& skipped) { return IsEqualGUID(skipped, clsid) != 0; });
}

// A string property of a moniker's bag; empty when absent.
std::wstring ReadBagString(IPropertyBag* bag, const wchar_t* name)
{
    VARIANT value;
    VariantInit(&value);
    std::wstring text;
    if (SUCCEEDED(bag->Read(name, &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal)
        text = value.bstrVal;
    VariantClear(&value);
    return text;
}

// Calls visit(name, clsid) for every moniker of the enumerator whose bag has a valid CLSID.
template <typename Visit>
void ForEachMoniker(IEnumMoniker* monikers, Visit visit)
{
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.put(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void())))
            continue;
        std::wstring clsidText = ReadBagString(bag.get(), L"CLSID");
        CLSID clsid{};
        if (clsidText.empty() || FAILED(CLSIDFromString(clsidText.c_str(), &clsid)))
            continue;
        visit(ReadBagString(bag.get(), L"FriendlyName"), clsid);
    }
}

HRESULT AddMapperFilters(std::vector<AvailableEffect>& effects)
{
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr =
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.put_void());
    if (FAILED(hr))
        return hr;
    const GUID types[2] = {MEDIATYPE_Audio, MEDIASUBTYPE_PCM};
    ComPtr<IEnumMoniker> monikers;
    hr = mapper->EnumMatchingFilters(monikers.put(), 0, FALSE, 0, TRUE, 1, types, nullptr, nullptr, FALSE, TRUE, 1,
                                     types, nullptr, nullptr);
    if (FAILED(hr) || !monikers)
        return hr;
    ForEachMoniker(monikers.get(), [&](std::wstring name, const CLSID& clsid) {
        effects.push_back({std::move(name), clsid, false});
    });
    return S_OK;
}

HRESULT FlagFilterCategory(std::vector<AvailableEffect>& effects)
{
    ComPtr<ICreateDevEnum> devices;
    HRESULT hr =
        CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum, devices.put_void());
    if (FAILED(hr))
        return hr;
    ComPtr<IEnumMoniker> monikers;
    hr = devices->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, monikers.put(), 0);
    if (hr != S_OK || !monikers)
        return SUCCEEDED(hr) ? S_OK : hr;
    ForEachMoniker(monikers.get(), [&](const std::wstring&, const CLSID& clsid) {
        for (AvailableEffect& effect : effects)
            if (IsEqualGUID(effect.clsid, clsid))
                effect.inFilterCategory = true;
    });
    return S_OK;
}

HRESULT AddEffectDmos(std::vector<AvailableEffect>& effects)
{
    DMO_PARTIAL_MEDIATYPE type = {MEDIATYPE_Audio, MEDIASUBTYPE_PCM};
    ComPtr<IEnumDMO> dmos;
    HRESULT hr = DMOEnum(DMOCATEGORY_AUDIO_EFFECT, DMO_ENUMF_INCLUDE_KEYED, 1, &type, 1, &type, dmos.put());
    if (FAILED(hr) || !dmos)
        return hr;
    CLSID clsid{};
    WCHAR* name = nullptr;
    while (dmos->Next(1, &clsid, &name, nullptr) == S_OK) {
        effects.push_back({name ? name : L"", clsid, true});
        CoTaskMemFree(name);
        name = nullptr;
    }
    return S_OK;
}

}  // namespace

HRESULT ListAvailableEffects(std::vector<AvailableEffect>& effects)
{
    effects.clear();
    HRESULT result = AddMapperFilters(effects);
    const HRESULT flagged = FlagFilterCategory(effects);
    std::erase_if(effects, [](const AvailableEffect& e) { return !e.inFilterCategory || IsSkipped(e.clsid); });
    const HRESULT dmos = AddEffectDmos(effects);
    std::sort(effects.begin(), effects.end(), [](const AvailableEffect& a, const AvailableEffect& b) {
        return _wcsicmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    for (HRESULT hr : {flagged, dmos})
        if (SUCCEEDED(result))
            result = hr;
    return SUCCEEDED(result) ? S_OK : result;
}

void CopyEffectName(const std::wstring& name, WCHAR* out)
{
    const size_t count = std::min(name.size(), static_cast<size_t>(kEffectNameChars - 1));
    wmemcpy(out, name.c_str(), count);
    out[count] = L'\0';
}
