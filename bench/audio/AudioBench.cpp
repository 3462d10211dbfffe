// Prints the audio foundation's figures:
// - MP3 decoding speed of the MP3 library, in multiples of real time (target: at least 100), with
//   ffmpeg's decode of the same file as the peer;
// - resampling speed from 48000 to 44100 Hz stereo, in multiples of real time (target: at least
//   50), with sox's high-quality resampler as the peer;
// - the resampler's tone SNR (what is left after fitting the tone: distortion, noise, phase
//   jitter) and its rejection of aliases and images, beside sox's high-quality resampler on the
//   same input, for sources at 48000, 32000, 22050, 96000 and 8000 Hz.
// The peers run natively, as their users run them: each is timed by the host shell that starts it
// (its own native start included), not through a process started from inside Wine, whose start
// costs more than the work measured. Each figure line says how its peer was timed.
#include "bench/common/Clock.h"
#include "engine/playback/dsp/Resamp.h"

#include "classlib/com/ComPtr.h"
#include "interfaces/IPcmReader.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

#include <oleauto.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The MP3 library's reader class.
constexpr CLSID kMp3ReaderClsid = {0x34649628, 0x9E4F, 0x4F98, {0x8B, 0xDF, 0x3C, 0x9B, 0xEA, 0xF9, 0x79, 0x10}};
constexpr unsigned kMixRate = 44100;
constexpr double kCutoff = 0.8;

// Resamples interleaved stereo the way the mix input does: both channels, stride 2, in pieces.
std::vector<float> Resample(const std::vector<float>& in, unsigned sourceRate, unsigned channels)
{
    std::vector<CResamp> resamplers(channels);
    for (auto& r : resamplers)
        r.Setup(kMixRate, sourceRate, kCutoff);
    const size_t frames = in.size() / channels;
    std::vector<float> out(static_cast<size_t>(frames * (static_cast<double>(kMixRate) / sourceRate) + 64) * channels);
    const unsigned piece = 65536;
    size_t written = 0;
    for (size_t at = 0; at < frames; at += piece) {
        unsigned n = static_cast<unsigned>(std::min<size_t>(piece, frames - at));
        unsigned made = 0;
        for (unsigned c = 0; c < channels; ++c)
            made = resamplers[c].Process(out.data() + written * channels + c, in.data() + at * channels + c,
                                         static_cast<unsigned>(out.size() / channels - written), n, channels);
        written += made;
    }
    out.resize(written * channels);
    return out;
}

std::vector<float> ToFloat(const std::vector<int16_t>& s)
{
    std::vector<float> f(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        f[i] = s[i] / 32768.0f;
    return f;
}

void BenchMp3(const fixtures::TempDir& dir)
{
    const double seconds = 60.0;
    std::vector<int16_t> source = fixtures::MusicLike(seconds, 44100, 2);
    const std::wstring wav = dir.File(L"music.wav"), mp3 = dir.File(L"music.mp3");
    fixtures::WriteWav16(wav, source, 44100, 2);
    if (fixtures::RunUnixTool("lame", {"--quiet", "-V", "2", fixtures::UnixPath(wav), fixtures::UnixPath(mp3)}) != 0) {
        std::printf("mp3: lame failed\n");
        return;
    }
    HMODULE library = LoadLibraryW(L"Morvenna.DLL");
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto get =
        library
            ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")))
            : nullptr;
    ComPtr<IClassFactory> factory;
    ComPtr<IPcmReader> reader;
    if (!get || FAILED(get(kMp3ReaderClsid, IID_IClassFactory, factory.put_void())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IPcmReader, reader.put_void()))) {
        std::printf("mp3: library not available\n");
        return;
    }
    BSTR name = SysAllocString(mp3.c_str());
    const double t0 = bench::NowSeconds();
    HRESULT hr = reader->Open(name, TRUE);
    SysFreeString(name);
    LONGLONG length = 0;
    reader->GetStreamLength(&length);
    std::vector<unsigned char> chunk(65536);
    for (LONGLONG pos = 0; SUCCEEDED(hr) && pos < length; pos += 65536)
        hr = reader->LoadPcm(chunk.data(), pos, 65536);
    const double ours = bench::NowSeconds() - t0;
    const double peer =
        fixtures::TimeUnixTool("ffmpeg", {"-v", "error", "-i", fixtures::UnixPath(mp3), "-f", "null", "-"});
    std::printf("mp3 decode (V2, 44100 Hz stereo, %.0f s): %.4f s = %.0fx real time (target >= 100x)\n", seconds, ours,
                seconds / ours);
    if (peer > 0.0)
        std::printf("  peer ffmpeg (native, timed by the host shell, decode to the null muxer): %.4f s = %.0fx; "
                    "ratio ours/ffmpeg speed %.2f\n",
                    peer, seconds / peer, peer / ours);
    else
        std::printf("  peer ffmpeg: failed to run\n");
    reader.reset();
    factory.reset();
    FreeLibrary(library);
}

void BenchResampleSpeed(const fixtures::TempDir& dir)
{
    const double seconds = 60.0;
    std::vector<int16_t> source = fixtures::MusicLike(seconds, 48000, 2);
    std::vector<float> in = ToFloat(source);
    const double t0 = bench::NowSeconds();
    std::vector<float> out = Resample(in, 48000, 2);
    const double ours = bench::NowSeconds() - t0;
    const std::wstring wav = dir.File(L"speed48.wav");
    fixtures::WriteWav16(wav, source, 48000, 2);
    const double peer = fixtures::TimeUnixTool("sox", {fixtures::UnixPath(wav), "-n", "rate", "-h", "44100"});
    std::printf("resample 48000 -> 44100 stereo (%.0f s, %zu frames out): %.4f s = %.0fx real time (target >= 50x)\n",
                seconds, out.size() / 2, ours, seconds / ours);
    if (peer > 0.0)
        std::printf("  peer sox rate -h (native, timed by the host shell, reading the 16-bit WAV, output discarded): "
                    "%.4f s = %.0fx; ratio ours/sox speed %.2f\n",
                    peer, seconds / peer, peer / ours);
    else
        std::printf("  peer sox: failed to run\n");
}

struct QualityCase {
    unsigned rate;
    double tones[2];  // passband tones
    double stray;     // a tone whose alias or image falls inside the new band
    double strayAt;   // where that alias or image lands at 44100 Hz
};

// Level of the fitted tone and of everything else (distortion, noise, jitter) over a stretch;
// the fit's free phase takes out any delay.
struct ToneFit {
    double amplitude;
    double snrDb;
};

ToneFit FitTone(const std::vector<float>& x, size_t skip, double frequency)
{
    const size_t n = x.size() - 2 * skip;
    const double amplitude = fixtures::ToneAmplitude(x.data() + skip, static_cast<unsigned>(n), 1, frequency, kMixRate);
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (size_t i = 0; i < n; ++i) {
        const double w = 2.0 * 3.14159265358979323846 * frequency * static_cast<double>(i) / kMixRate;
        ss += std::sin(w) * std::sin(w);
        cc += std::cos(w) * std::cos(w);
        sc += std::sin(w) * std::cos(w);
        ys += x[skip + i] * std::sin(w);
        yc += x[skip + i] * std::cos(w);
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double signal = 0, residual = 0;
    for (size_t i = 0; i < n; ++i) {
        const double w = 2.0 * 3.14159265358979323846 * frequency * static_cast<double>(i) / kMixRate;
        const double fit = a * std::sin(w) + b * std::cos(w);
        signal += fit * fit;
        residual += (x[skip + i] - fit) * (x[skip + i] - fit);
    }
    return {amplitude, 10.0 * std::log10(signal / std::max(residual, 1e-30))};
}

// sox's high-quality resampler over the same 16-bit input, as floats.
bool SoxResample(const fixtures::TempDir& dir, const std::vector<int16_t>& source, unsigned rate,
                 std::vector<float>& out)
{
    const std::wstring in = dir.File(L"q_in.wav"), result = dir.File(L"q_out.wav");
    fixtures::WriteWav16(in, source, rate, 1);
    if (fixtures::RunUnixTool(
            "sox", {fixtures::UnixPath(in), "-b", "16", fixtures::UnixPath(result), "rate", "-v", "44100"}) != 0)
        return false;
    std::vector<int16_t> samples;
    uint32_t outRate = 0;
    uint16_t channels = 0;
    if (!fixtures::ReadWav16(result, samples, outRate, channels))
        return false;
    out = ToFloat(samples);
    return true;
}

std::vector<int16_t> ToneInt16(double frequency, unsigned rate)
{
    return fixtures::Tone(frequency, 2.0, rate, 1, 0.5);
}

void BenchResampleQuality(const fixtures::TempDir& dir)
{
    const QualityCase cases[] = {
        {48000, {1000.0, 8000.0}, 23000.0, 21100.0}, {32000, {1000.0, 8000.0}, 12000.0, 20000.0},
        {22050, {1000.0, 8000.0}, 10000.0, 12050.0}, {96000, {1000.0, 8000.0}, 30000.0, 14100.0},
        {8000, {440.0, 2500.0}, 3000.0, 5000.0},
    };
    const size_t skip = 4410;
    std::printf("resampler quality, ours against sox rate -v (2 s tones at half scale, 16-bit input):\n");
    for (const auto& c : cases) {
        for (double tone : c.tones) {
            std::vector<int16_t> source = ToneInt16(tone, c.rate);
            std::vector<float> ours = Resample(ToFloat(source), c.rate, 1), sox;
            if (!SoxResample(dir, source, c.rate, sox)) {
                std::printf("  %5u Hz: sox failed\n", c.rate);
                return;
            }
            ToneFit a = FitTone(ours, skip, tone), b = FitTone(sox, skip, tone);
            std::printf("  %5u Hz, %5.0f Hz tone: SNR ours %.1f dB (level %.3f), sox %.1f dB (level %.3f)\n", c.rate,
                        tone, a.snrDb, a.amplitude / 0.5, b.snrDb, b.amplitude / 0.5);
        }
        std::vector<int16_t> stray = ToneInt16(c.stray, c.rate);
        std::vector<float> ours = Resample(ToFloat(stray), c.rate, 1), sox;
        if (!SoxResample(dir, stray, c.rate, sox))
            return;
        auto rejection = [&](const std::vector<float>& x) {
            const double leaked = fixtures::ToneAmplitude(x.data() + skip, static_cast<unsigned>(x.size() - 2 * skip),
                                                          1, c.strayAt, kMixRate);
            return 20 * std::log10(0.5 / std::max(leaked, 1e-12));
        };
        std::printf("  %5u Hz, %5.0f Hz tone -> %5.0f Hz alias/image: rejected by %.1f dB ours, %.1f dB sox\n", c.rate,
                    c.stray, c.strayAt, rejection(ours), rejection(sox));
    }
}

}  // namespace

int main()
{
    if (!fixtures::HaveUnixTools()) {
        std::printf("lame, sox and ffmpeg are not reachable from this process\n");
        return 1;
    }
    fixtures::TempDir dir(L"bench-audio");
    BenchMp3(dir);
    BenchResampleSpeed(dir);
    BenchResampleQuality(dir);
    return 0;
}
