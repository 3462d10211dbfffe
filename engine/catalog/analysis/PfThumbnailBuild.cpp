#include "engine/catalog/analysis/PfThumbnailBuild.h"

#include <cstring>

#include "engine/catalog/analysis/PfCancel.h"
#include "engine/catalog/analysis/PfSpecEngBuilder.h"
#include "engine/core/storage/PageBuffer.h"
#include "engine/playback/sources/PcmFmtConverter.h"

namespace {
constexpr LONG kProgressInterval = 2000;
constexpr int kProgressSpan = 94;
constexpr unsigned kBytesPerFrame = 4;
}  // namespace

bool PfBuildThumbnails(IPcmReader* reader, WORD blockSize, CPfPcmThumbnail& level, CPfPcmThumbnail& lowBand,
                       CPfNoteDetector* noteDetector, const volatile LONG* cancel,
                       const std::function<void(int percent)>& progress)
{
    if (!reader || blockSize == 0)
        return false;
    LONGLONG sampleCount = 0;
    unsigned long sampleRate = 0;
    if (FAILED(reader->GetSampleCount(&sampleCount)) || FAILED(reader->GetSampleRate(&sampleRate)) || sampleRate == 0)
        return false;
    if (!level.Allocate(sampleRate, sampleCount, blockSize) || !lowBand.Allocate(sampleRate, sampleCount, blockSize))
        return false;

    CPcmFmtConverter converter(reader);
    CPageBuffer block(static_cast<SIZE_T>(kBytesPerFrame) * blockSize);
    CPfSpecEngBuilder engine(blockSize);
    if (!block.Get() || !engine.IsReady())
        return false;
    const auto* frames = reinterpret_cast<const short*>(block.Get());

    const LONG blocks = level.GetCount();
    for (LONG b = 0; b < blocks; ++b) {
        if (PfIsCancelled(cancel))
            return false;
        // A stretch the decoder cannot read (a damaged frame of an MP3) counts as silence, as
        // it does in playback: one bad block must not cost the whole analysis.
        if (FAILED(converter.Read(blockSize, block.Get(), static_cast<LONGLONG>(b) * blockSize)))
            std::memset(block.Get(), 0, static_cast<size_t>(kBytesPerFrame) * blockSize);
        float low = 0.0f;
        level.SetValue(b, engine.AnalyseBlock(frames, noteDetector, &low));
        lowBand.SetValue(b, low);
        if (b % kProgressInterval == 0 && progress)
            progress(static_cast<int>(static_cast<LONGLONG>(b) * kProgressSpan / blocks));
    }
    return !PfIsCancelled(cancel);
}
