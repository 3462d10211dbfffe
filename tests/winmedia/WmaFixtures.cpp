#include "tests/winmedia/WmaFixtures.h"

#include "tests/support/Signals.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

#include <oleauto.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace wmafixtures {

std::vector<int16_t> Chirp(double seconds, unsigned rate, unsigned channels)
{
    constexpr double kTwoPi = 6.283185307179586;
    constexpr double kStart = 100.0;
    constexpr double kEnd = 8000.0;
    const auto frames = static_cast<size_t>(std::lround(seconds * rate));
    std::vector<int16_t> out(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (unsigned c = 0; c < channels; ++c) {
            const double f0 = kStart * (1.0 + 0.05 * c);
            // Phase of a linear sweep from f0 to kEnd over the whole length.
            const double phase = kTwoPi * (f0 * t + (kEnd - f0) * t * t / (2.0 * seconds));
            out[i * channels + c] = static_cast<int16_t>(std::lround(16000.0 * std::sin(phase)));
        }
    }
    return out;
}

bool Encode(const fixtures::TempDir& dir, const std::vector<int16_t>& samples, unsigned rate, unsigned channels,
            const std::string& codec, const std::string& bitRate, const std::wstring& wmaPath)
{
    const std::wstring wav = dir.File(L"source.wav");
    if (!fixtures::WriteWav16(wav, samples, rate, static_cast<uint16_t>(channels)))
        return false;
    return fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-i", fixtures::UnixPath(wav), "-c:a", codec, "-b:a",
                                            bitRate, fixtures::UnixPath(wmaPath)}) == 0;
}

bool DecodeWithFfmpeg(const fixtures::TempDir& dir, const std::wstring& wmaPath, std::vector<int16_t>& samples)
{
    const std::wstring wav = dir.File(L"ffmpeg.wav");
    if (fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-i", fixtures::UnixPath(wmaPath), "-c:a", "pcm_s16le",
                                         fixtures::UnixPath(wav)}) != 0)
        return false;
    uint32_t rate = 0;
    uint16_t channels = 0;
    return fixtures::ReadWav16(wav, samples, rate, channels);
}

double DurationByFfprobe(const fixtures::TempDir& dir, const std::wstring& path)
{
    const std::wstring out = dir.File(L"ffprobe.txt");
    if (fixtures::RunUnixTool("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", "-o",
                                          fixtures::UnixPath(out), fixtures::UnixPath(path)}) != 0)
        return -1.0;
    const std::vector<uint8_t> text = fixtures::ReadFileBytes(out);
    return std::atof(std::string(text.begin(), text.end()).c_str());
}

std::vector<double> Channel(const std::vector<int16_t>& samples, unsigned channels, unsigned channel)
{
    std::vector<double> out;
    out.reserve(samples.size() / channels);
    for (size_t i = channel; i < samples.size(); i += channels)
        out.push_back(samples[i]);
    return out;
}

double AlignedSnrDb(const std::vector<double>& reference, const std::vector<double>& test, int maxLag, int& lag,
                    size_t& overlap)
{
    lag = fixtures::BestLag(reference, test, maxLag);
    std::vector<double> matched;
    std::vector<double> aligned;
    for (size_t i = 0; i < test.size(); ++i) {
        const long j = static_cast<long>(i) - lag;
        if (j >= 0 && static_cast<size_t>(j) < reference.size()) {
            matched.push_back(reference[static_cast<size_t>(j)]);
            aligned.push_back(test[i]);
        }
    }
    overlap = aligned.size();
    return fixtures::SnrDb(matched, aligned);
}

}  // namespace wmafixtures
