#include "RenderSources.h"

#include <cmath>
#include <numbers>

#include "classlib/com/ComPtr.h"
#include "engine/playback/sources/Mp3ReaderBinding.h"
#include "engine/playback/sources/WaveReader.h"

namespace rendertest {

HRESULT STDMETHODCALLTYPE FileSource::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown))
        *object = static_cast<IProfileSource*>(this);
    else if (IsEqualIID(iid, IID_INowPlayingItem))
        *object = static_cast<INowPlayingItem*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

void STDMETHODCALLTYPE FileSource::GetNowPlayingStrings(CString* title, CString* artist, CString* album)
{
    const size_t folderEnd = m_path.find_last_of(L'\\');
    const size_t nameStart = folderEnd == std::wstring::npos ? 0 : folderEnd + 1;
    const size_t extension = m_path.find_last_of(L'.');
    const size_t nameEnd = extension == std::wstring::npos || extension < nameStart ? m_path.size() : extension;
    *title = m_path.substr(nameStart, nameEnd - nameStart).c_str();
    *artist = L"Click";
    *album = L"";
}

ULONG STDMETHODCALLTYPE FileSource::Release()
{
    const LONG count = InterlockedDecrement(&m_refs);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE FileSource::OpenPcmReader(BOOL profiling, IPcmReader** reader)
{
    if (!reader)
        return E_POINTER;
    *reader = nullptr;
    ComPtr<IPcmReader> created;
    if (m_path.ends_with(L".mp3")) {
        if (FAILED(CreateMp3PcmReader(created.put())))
            return E_FAIL;
    } else {
        created = ComPtr<IPcmReader>::attach(new CWaveReader());
    }
    BSTR name = SysAllocString(m_path.c_str());
    const HRESULT hr = created->Open(name, profiling);
    SysFreeString(name);
    if (FAILED(hr))
        return hr;
    *reader = created.detach();
    return S_OK;
}

std::vector<float> ClickTemplate(const ClickSound& sound, unsigned rate)
{
    std::vector<float> click(kClickFrames);
    for (int k = 0; k < kClickFrames; ++k)
        click[static_cast<size_t>(k)] = static_cast<float>(sound.amplitude * std::exp(-k / 60.0) *
                                                           std::sin(2 * std::numbers::pi * sound.frequency * k / rate));
    return click;
}

std::vector<int16_t> ClickTrack(const ClickSound& sound, double beatFrames, LONGLONG frames, unsigned rate)
{
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2, 0);
    const std::vector<float> click = ClickTemplate(sound, rate);
    for (int beat = 0;; ++beat) {
        const LONGLONG at = std::llround(beat * beatFrames);
        if (at >= frames)
            break;
        for (int k = 0; k < kClickFrames && at + k < frames; ++k) {
            const auto value = static_cast<int16_t>(std::lround(click[static_cast<size_t>(k)] * 32767.0));
            samples[static_cast<size_t>(at + k) * 2] = value;
            samples[static_cast<size_t>(at + k) * 2 + 1] = value;
        }
    }
    return samples;
}

}  // namespace rendertest
