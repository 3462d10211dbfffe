#include "tests/support/PcmReading.h"

#include <algorithm>

namespace fixtures {

HRESULT OpenPcmReader(IPcmReader* reader, const std::wstring& path)
{
    BSTR name = SysAllocString(path.c_str());
    const HRESULT hr = reader->Open(name, FALSE);
    SysFreeString(name);
    return hr;
}

std::vector<int16_t> ReadAll(IPcmReader* reader, unsigned long chunkBytes)
{
    LONGLONG length = 0;
    reader->GetStreamLength(&length);
    std::vector<int16_t> out(static_cast<size_t>(length / 2));
    auto* bytes = reinterpret_cast<unsigned char*>(out.data());
    for (LONGLONG pos = 0; pos < length; pos += chunkBytes) {
        const auto n = static_cast<unsigned long>(std::min<LONGLONG>(chunkBytes, length - pos));
        if (FAILED(reader->LoadPcm(bytes + pos, pos, n)))
            return {};
    }
    return out;
}

}  // namespace fixtures
