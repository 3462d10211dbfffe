#include "tests/mp3decoder/Mp3Fixtures.h"

#include "mp3decoder/MorvennaClsid.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

#include <oleauto.h>

namespace mp3fixtures {

bool Encode(const fixtures::TempDir& dir, const std::vector<int16_t>& samples, unsigned rate, unsigned channels,
            const std::vector<std::string>& lameOptions, const std::wstring& mp3Path)
{
    const std::wstring wav = dir.File(L"source.wav");
    if (!fixtures::WriteWav16(wav, samples, rate, static_cast<uint16_t>(channels)))
        return false;
    std::vector<std::string> args = {"--quiet"};
    args.insert(args.end(), lameOptions.begin(), lameOptions.end());
    args.push_back(fixtures::UnixPath(wav));
    args.push_back(fixtures::UnixPath(mp3Path));
    return fixtures::RunUnixTool("lame", args) == 0;
}

bool DecodeWithFfmpeg(const fixtures::TempDir& dir, const std::wstring& mp3Path, std::vector<int16_t>& samples)
{
    const std::wstring wav = dir.File(L"ffmpeg.wav");
    if (fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-i", fixtures::UnixPath(mp3Path), "-c:a", "pcm_s16le",
                                         fixtures::UnixPath(wav)}) != 0)
        return false;
    uint32_t rate = 0;
    uint16_t channels = 0;
    return fixtures::ReadWav16(wav, samples, rate, channels);
}

Library::Library() : m_module(LoadLibraryW(L"Morvenna.DLL")) {}

HRESULT Library::GetClassObject(REFCLSID clsid, REFIID iid, void** object) const
{
    using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module.get(), "DllGetClassObject")));
    return fn ? fn(clsid, iid, object) : E_FAIL;
}

HRESULT Library::CanUnloadNow() const
{
    using Fn = HRESULT(STDAPICALLTYPE*)();
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module.get(), "DllCanUnloadNow")));
    return fn ? fn() : E_FAIL;
}

ComPtr<IPcmReader> Library::CreateReader() const
{
    ComPtr<IClassFactory> factory;
    ComPtr<IPcmReader> reader;
    if (SUCCEEDED(GetClassObject(CLSID_Mp3PcmReader, IID_IClassFactory, factory.put_void())))
        factory->CreateInstance(nullptr, IID_IPcmReader, reader.put_void());
    return reader;
}

HRESULT Library::Open(IPcmReader* reader, const std::wstring& path) const
{
    return fixtures::OpenPcmReader(reader, path);
}

}  // namespace mp3fixtures
