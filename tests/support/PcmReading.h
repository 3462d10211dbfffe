// Opening an IPcmReader on a file and reading its whole stream, for the tests of every reader
// (MP3, Windows Media, WAV).
#pragma once

#include "interfaces/IPcmReader.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

// IPcmReader::Open with the path as a BSTR of its own.
HRESULT OpenPcmReader(IPcmReader* reader, const std::wstring& path);
// The whole stream as 16-bit samples, read in pieces of chunkBytes; empty when a read fails.
std::vector<int16_t> ReadAll(IPcmReader* reader, unsigned long chunkBytes);

}  // namespace fixtures
