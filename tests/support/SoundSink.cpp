#include "tests/support/SoundSink.h"

#include <algorithm>

namespace fixtures {

std::wstring SinkPath()
{
    wchar_t unixPath[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"CARROWFOLD_SINK", unixPath, MAX_PATH))
        return {};
    std::wstring path = std::wstring(L"Z:") + unixPath;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

LONGLONG SinkBytes()
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(SinkPath().c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace fixtures
