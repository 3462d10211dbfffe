// The sound sink of this process: the file that the ALSA file device of the harness writes what
// Wine plays to (CARROWFOLD_SINK, a Unix path, reached through Wine's Z: drive).
#pragma once

#include <windows.h>

#include <string>

namespace fixtures {

std::wstring SinkPath();
// The sink's size in bytes; 0 when it does not exist.
LONGLONG SinkBytes();

}  // namespace fixtures
