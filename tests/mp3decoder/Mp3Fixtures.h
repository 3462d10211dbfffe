// MP3 fixtures for the decoder's tests: audio written as WAV and encoded with lame, decoded
// independently with ffmpeg, and the library's reader loaded from Morvenna.DLL.
#pragma once

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "interfaces/IPcmReader.h"
#include "tests/support/PcmReading.h"
#include "tests/support/TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mp3fixtures {

// Encodes `samples` (interleaved 16-bit) with lame and the given options into `mp3Path`.
bool Encode(const fixtures::TempDir& dir, const std::vector<int16_t>& samples, unsigned rate, unsigned channels,
            const std::vector<std::string>& lameOptions, const std::wstring& mp3Path);

// ffmpeg's decode of an MP3 file.
bool DecodeWithFfmpeg(const fixtures::TempDir& dir, const std::wstring& mp3Path, std::vector<int16_t>& samples);

// The library, loaded from beside the test program, and a reader created through its factory.
class Library {
public:
    Library();
    bool Loaded() const { return static_cast<bool>(m_module); }
    HMODULE Module() const { return m_module.get(); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const;
    HRESULT CanUnloadNow() const;
    ComPtr<IPcmReader> CreateReader() const;
    HRESULT Open(IPcmReader* reader, const std::wstring& path) const;

private:
    UniqueModule m_module;
};

using fixtures::ReadAll;

}  // namespace mp3fixtures
