#include "mp3decoder/Mp3CodecFormats.h"

#include "classlib/com/CriticalSection.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Both structures are packed; every byte of them is set by the decoder, so bytes compare.
static_assert(sizeof(MPEGLAYER3WAVEFORMAT) == 30);
static_assert(sizeof(WAVEFORMATEX) == 18);

struct FormatPair {
    MPEGLAYER3WAVEFORMAT mp3;
    WAVEFORMATEX pcm;

    bool Is(const MPEGLAYER3WAVEFORMAT& otherMp3, const WAVEFORMATEX& otherPcm) const
    {
        return std::memcmp(&mp3, &otherMp3, sizeof(mp3)) == 0 && std::memcmp(&pcm, &otherPcm, sizeof(pcm)) == 0;
    }
};

struct KnownFormats {
    CComCriticalSection lock;
    std::vector<FormatPair> opened;
};

KnownFormats& Known()
{
    static KnownFormats known;
    return known;
}

}  // namespace

bool IsMp3FormatKnownToOpen(const MPEGLAYER3WAVEFORMAT& mp3, const WAVEFORMATEX& pcm)
{
    KnownFormats& known = Known();
    CComCritSecLock hold(known.lock);
    return std::any_of(known.opened.begin(), known.opened.end(),
                       [&](const FormatPair& pair) { return pair.Is(mp3, pcm); });
}

void RememberMp3FormatOpens(const MPEGLAYER3WAVEFORMAT& mp3, const WAVEFORMATEX& pcm)
{
    KnownFormats& known = Known();
    CComCritSecLock hold(known.lock);
    if (std::none_of(known.opened.begin(), known.opened.end(),
                     [&](const FormatPair& pair) { return pair.Is(mp3, pcm); }))
        known.opened.push_back({mp3, pcm});
}
