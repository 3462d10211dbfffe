// The identity of a music file, computed from two 800-byte samples of its contents: one 4,000
// bytes after the ID3v2 tag (so a tag that grows or shrinks does not change it) and one at the
// middle of the file. Stored catalogs, profiles.dat, defaultmixes.dat and plot files all carry
// identities computed exactly this way, including the file length taken modulo 2^32 for the
// middle sample: changing anything here orphans every stored analysis.
#pragma once

#include <windows.h>

#include "engine/core/storage/MusicFileId.h"

// FALSE (the output unchanged) when the file cannot be read or neither sample is complete.
BOOL ComputeMusicFileId(const wchar_t* path, CMusicFileId* id);
