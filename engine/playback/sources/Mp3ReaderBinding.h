// The engine's binding of the MP3 decoder library: its PCM reader is created through the plug-in
// binder like any plug-in object ("Morvenna.DLL", found beside the engine by the standard search
// order). A failure means MP3 files are not supported on this system.
#pragma once

#include "interfaces/IPcmReader.h"

// Creates a new, unopened MP3 reader; the caller owns the one reference.
HRESULT CreateMp3PcmReader(IPcmReader** reader);
