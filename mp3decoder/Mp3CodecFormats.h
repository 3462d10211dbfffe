// The MP3 formats that the platform's ACM codec has opened a stream for in this process.
//
// Opening a codec stream costs about 3 ms under Wine (a driver instance and the codec's own
// set-up each time), and a reader is often opened only for its length and rate (the catalog opens
// one per file it adds) and never decodes. A format the codec once accepted is accepted again, so
// a reader need not ask again before its first decode. Only acceptances are kept: a refusal may
// have been a passing one (memory), and is asked again the next time.
//
// The formats come from parsed frame headers, so the list is bounded by the few hundred valid
// combinations of version, rate, channels, bit rate and padding.
//
// Threads: any reader on any thread; one lock guards the list.
#pragma once

#include <windows.h>
#include <mmreg.h>

bool IsMp3FormatKnownToOpen(const MPEGLAYER3WAVEFORMAT& mp3, const WAVEFORMATEX& pcm);
void RememberMp3FormatOpens(const MPEGLAYER3WAVEFORMAT& mp3, const WAVEFORMATEX& pcm);
