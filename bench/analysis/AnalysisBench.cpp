// Prints the figures of the profile builder (CProfileBuilder::ProfileMusicFile, the analysis a
// catalog item gets) on generated drum patterns (kick on every beat with an accented downbeat,
// hi-hats on the half beats, a bass line in a known key):
// - tempo error against the true tempo; outside 82..164 BPM the analysis folds by octaves, so
//   there the nearest octave of the true tempo counts (marked "oct");
// - the share of measure starts within one block (256 frames) of a true downbeat, over the music;
// - whether the first measure start lies within a sixteenth of a measure of a true downbeat;
// - whether the key (tonic and mode) is right;
// - whether the mix-in and mix-out points lie inside the music (not in the quiet intro/outro);
// - the tempo error of aubio ("aubio tempo") and bpm-tools ("bpm") on the same audio, where they
//   are installed (a yardstick, not a gate; accuracy only: the peers are not timed);
// - the analysis speed in seconds of audio per second on one core: a 5-minute 44100 Hz stereo
//   track from memory (target >= 100x, no file read) and from an MP3 file including decoding
//   (target >= 50x).
#include "DrumPattern.h"
#include "MemoryPcmReader.h"
#include "ProfileRun.h"

#include "classlib/com/ComPtr.h"
#include "engine/playback/sources/Mp3ReaderBinding.h"
#include "tests/engine/playback/render/RenderSources.h"
#include "tests/support/Signals.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace analysis_fixtures;

constexpr double kBlock = 256.0;
constexpr double kTempoTolerance = 0.1;
const char* const kKeyNames[12] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"};

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Case {
    const char* name;
    Pattern pattern;
    bool mp3 = false;
};

Pattern Make(double bpm, double seconds, int tonic, int mode, double firstBeat)
{
    Pattern p;
    p.bpm = bpm;
    p.seconds = seconds;
    p.tonic = tonic;
    p.mode = mode;
    p.firstBeat = firstBeat;
    return p;
}

std::vector<Case> Cases()
{
    std::vector<Case> cases;
    const double tempos[] = {82.0,  88.5,  95.0,  100.0, 104.2, 110.0, 117.0, 120.0, 123.7, 126.0,
                             128.0, 132.5, 138.0, 140.0, 145.0, 150.0, 155.5, 160.0, 163.9};
    int n = 0;
    for (double bpm : tempos) {
        const int tonic = (n * 7) % 12;
        const int mode = n % 3 == 2 ? 2 : 1;
        cases.push_back({"", Make(bpm, 90.0, tonic, mode, 0.05 + 0.037 * n), false});
        ++n;
    }
    // Clean bass lines (no drums) for the key, slow enough that every note lasts longer than the
    // half second that the note detector keeps between detections.
    for (int k = 0; k < 12; ++k) {
        Pattern bass = Make(60.0 + 2 * k, 90.0, (k * 5) % 12, k % 2 == 0 ? 1 : 2, 0.1);
        bass.kick = false;
        bass.hiHat = false;
        cases.push_back({"bass only", bass, false});
    }
    cases.push_back({"fold", Make(70.0, 90.0, 9, 1, 0.3), false});
    cases.push_back({"fold", Make(180.0, 90.0, 2, 1, 0.1), false});
    Pattern quiet = Make(124.0, 120.0, 4, 1, 0.2);
    quiet.introSeconds = 30.0;
    quiet.outroSeconds = 30.0;
    quiet.quietLevel = 0.002;
    cases.push_back({"intro/outro", quiet, false});
    Pattern silent = Make(136.0, 120.0, 7, 2, 0.2);
    silent.introSeconds = 25.0;
    silent.outroSeconds = 40.0;
    cases.push_back({"silent ends", silent, false});
    // 8 measures at 128 BPM: 15 s, whose length tempo (240 / 15 = 16, folded) is 128 as well.
    cases.push_back({"short 15 s", Make(128.0, 15.0, 0, 1, 0.0), false});
    cases.push_back({"mp3", Make(97.3, 90.0, 9, 1, 0.11), true});
    cases.push_back({"mp3", Make(126.0, 90.0, 5, 2, 0.07), true});
    cases.push_back({"mp3", Make(151.0, 90.0, 11, 1, 0.23), true});
    Pattern mp3Quiet = quiet;
    cases.push_back({"mp3 intro/outro", mp3Quiet, true});
    return cases;
}

class Bstr {
public:
    explicit Bstr(const std::wstring& s) : m_value(SysAllocString(s.c_str())) {}
    ~Bstr() { SysFreeString(m_value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return m_value; }

private:
    BSTR m_value;
};

ComPtr<IPcmReader> OpenMp3(const std::wstring& path)
{
    ComPtr<IPcmReader> reader;
    if (FAILED(CreateMp3PcmReader(reader.put())) || FAILED(reader->Open(Bstr(path), TRUE)))
        return {};
    return reader;
}

// Encodes 16-bit stereo as an MP3 (lame, V2); false when lame is not reachable or fails.
bool WriteMp3(const fixtures::TempDir& dir, const std::wstring& stem, const std::vector<int16_t>& audio, unsigned rate,
              std::wstring& mp3)
{
    const std::wstring wav = dir.File(stem + L".wav");
    mp3 = dir.File(stem + L".mp3");
    return fixtures::WriteWav16(wav, audio, rate, 2) &&
           fixtures::RunUnixTool("lame", {"--quiet", "-V", "2", fixtures::UnixPath(wav), fixtures::UnixPath(mp3)}) == 0;
}

bool HaveTool(const wchar_t* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Runs a shell line on the host and returns the first number it printed (NAN when none).
double FirstNumberOf(const fixtures::TempDir& dir, const std::string& line)
{
    const std::wstring out = dir.File(L"peer.txt");
    DeleteFileW(out.c_str());
    fixtures::RunUnixTool("sh", {"-c", line + " > '" + fixtures::UnixPath(out) + "' 2>/dev/null"});
    const std::vector<uint8_t> bytes = fixtures::ReadFileBytes(out);
    const std::string text(bytes.begin(), bytes.end());
    for (size_t i = 0; i < text.size(); ++i) {
        if ((text[i] >= '0' && text[i] <= '9') ||
            (text[i] == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            return std::strtod(text.c_str() + i, nullptr);
        }
    }
    return NAN;
}

struct Peers {
    bool aubio = false;
    bool bpm = false;
};

// The tempo error of a peer's reading against the true tempo (octaves allowed, as peers fold
// into their own ranges); NAN when the peer printed nothing.
double PeerError(double reading, double truth)
{
    if (std::isnan(reading))
        return NAN;
    double best = std::fabs(reading - truth);
    for (double f : {0.5, 2.0})
        best = std::min(best, std::fabs(reading - truth * f));
    return best;
}

struct Score {
    int cases = 0, tempo = 0, octave = 0, starts = 0, startsTwo = 0, downbeat = 0, key = 0, keyCases = 0, mix = 0;
    int keyWithDrums = 0, keyWithDrumsCases = 0;
};

void RunCase(const Case& c, const fixtures::TempDir& dir, const Peers& peers, int index, Score& score)
{
    const Pattern& p = c.pattern;
    const std::vector<int16_t> audio = Render(p);
    ComPtr<IPcmReader> reader;
    std::wstring mp3;
    const std::wstring stem = L"case" + std::to_wstring(index);
    if (c.mp3) {
        if (!WriteMp3(dir, stem, audio, p.rate, mp3) || !(reader = OpenMp3(mp3))) {
            std::printf("%-16s %6.1f  mp3 not available (lame or the MP3 library missing)\n", c.name, p.bpm);
            return;
        }
    } else {
        reader = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(audio, p.rate, 2));
    }
    const ProfileRun run = Profile(reader.get());
    reader.reset();
    ++score.cases;

    // Tempo: the true tempo; outside 82..164 BPM, and at 100 BPM or less where the bass-peak
    // doubling fires, the octave the analysis folds to counts as well (marked).
    const double tempo = run.results.GetTempo();
    double truth = p.bpm;
    bool octave = false;
    const bool mayFold = p.bpm < 82.0 || p.bpm > 164.01 || p.bpm <= 100.0;
    if (mayFold) {
        for (double f : {0.5, 2.0}) {
            if (std::fabs(tempo - p.bpm * f) < std::fabs(tempo - truth)) {
                truth = p.bpm * f;
                octave = true;
            }
        }
    }
    const double tempoError = std::fabs(tempo - truth);
    const bool tempoOk = tempoError <= kTempoTolerance;
    score.tempo += tempoOk;
    score.octave += tempoOk && octave;

    // Measure starts: offsets of those inside the music from the nearest true downbeat. They are
    // points of the half-beat grid, which sits on the onsets' last quiet block, so a small early
    // offset is expected.
    const double musicStart = p.introSeconds * p.rate;
    const double musicEnd = (p.introSeconds + p.seconds) * p.rate;
    const double measureFrames = 240.0 * p.rate / p.bpm;
    int inside = 0, withinOne = 0, withinTwo = 0;
    double offsetSum = 0.0;
    for (LONGLONG g : run.results.GetMeasureStarts()) {
        if (g < musicStart || g >= musicEnd)
            continue;
        ++inside;
        double offset = std::fmod(static_cast<double>(g) - BeatFrame(p, 0) + 1000 * measureFrames, measureFrames);
        if (offset > measureFrames / 2)
            offset -= measureFrames;
        offsetSum += offset;
        withinOne += std::fabs(offset) <= kBlock;
        withinTwo += std::fabs(offset) <= 2 * kBlock;
    }
    const double shareOne = inside ? 100.0 * withinOne / inside : 0.0;
    const double shareTwo = inside ? 100.0 * withinTwo / inside : 0.0;
    const double meanOffset = inside ? offsetSum / inside / kBlock : 0.0;
    score.starts += inside > 0 && withinOne == inside;
    score.startsTwo += inside > 0 && withinTwo == inside;

    // First measure start on a true downbeat: its nearest beat is a downbeat, within a quarter
    // beat.
    bool downbeatOk = false;
    const std::vector<LONGLONG>& starts = run.results.GetMeasureStarts();
    if (!starts.empty()) {
        const double offset =
            std::fmod(static_cast<double>(starts.front()) - BeatFrame(p, 0) + 1000 * measureFrames, measureFrames);
        downbeatOk = std::min(offset, measureFrames - offset) <= measureFrames / 16;
    }
    score.downbeat += downbeatOk;

    WORD key = 0, mode = 0;
    run.results.GetKey(&key, &mode);
    const bool keyOk = p.mode != 0 && key == p.tonic && mode == p.mode;
    const bool cleanBass = !p.kick && !p.hiHat && p.mode != 0;
    score.key += cleanBass && keyOk;
    score.keyCases += cleanBass;
    score.keyWithDrums += !cleanBass && keyOk;
    score.keyWithDrumsCases += !cleanBass && p.mode != 0;

    // Mix points inside the music (one block of slack at its edges).
    bool mixOk = !run.results.GetMixInPoints().empty() && !run.results.GetMixOutPoints().empty();
    for (const auto* list : {&run.results.GetMixInPoints(), &run.results.GetMixOutPoints()}) {
        for (LONGLONG m : *list)
            mixOk = mixOk && m >= musicStart - kBlock && m <= musicEnd + kBlock;
    }
    score.mix += mixOk;

    // Peers on the same audio (the MP3 for MP3 cases).
    std::string peerText;
    if (peers.aubio || peers.bpm) {
        std::wstring file = mp3;
        if (file.empty()) {
            file = dir.File(stem + L".wav");
            fixtures::WriteWav16(file, audio, p.rate, 2);
        }
        const std::string hostPath = fixtures::UnixPath(file);
        char text[64];
        if (peers.aubio) {
            const double e = PeerError(FirstNumberOf(dir, "aubio tempo '" + hostPath + "'"), p.bpm);
            std::snprintf(text, sizeof(text), "  aubio %6.2f", e);
            peerText += text;
        }
        if (peers.bpm) {
            const double e =
                PeerError(FirstNumberOf(dir, "sox '" + hostPath + "' -t raw -r 44100 -e float -c 1 - | bpm"), p.bpm);
            std::snprintf(text, sizeof(text), "  bpm %6.2f", e);
            peerText += text;
        }
    }

    char keyText[16] = "-";
    if (mode != 0)
        std::snprintf(keyText, sizeof(keyText), "%s%s", kKeyNames[key % 12], mode == 1 ? "m" : "");
    char wantKey[16] = "-";
    if (p.mode != 0)
        std::snprintf(wantKey, sizeof(wantKey), "%s%s", kKeyNames[p.tonic % 12], p.mode == 1 ? "m" : "");
    std::printf("%-16s %6.1f %8.3f %6.3f%-4s %5.1f%% %5.1f%% %+5.2f  %-4s %4s/%-4s %-4s %-4s%s\n", c.name, p.bpm, tempo,
                tempoError, octave ? " oct" : "", shareOne, shareTwo, meanOffset, downbeatOk ? "yes" : "NO", keyText,
                wantKey, keyOk ? "yes" : "NO", mixOk ? "yes" : "NO", peerText.c_str());
    if (!mixOk) {
        std::printf("%16s mix in", "");
        for (LONGLONG m : run.results.GetMixInPoints())
            std::printf(" %.2f s", static_cast<double>(m) / p.rate);
        std::printf(", out");
        for (LONGLONG m : run.results.GetMixOutPoints())
            std::printf(" %.2f s", static_cast<double>(m) / p.rate);
        std::printf("; music %.2f .. %.2f s\n", musicStart / p.rate, musicEnd / p.rate);
    }
}

// The test playlists' click tracks (30 s; 120, 126 and 100 BPM, each clicking at a pitch of its
// own) over a steady tone at -40 dB whose pitch, 40 to 60 Hz above the tempo's number, is what
// tells such generated files apart. With one onset a beat the onset scan lowers its threshold
// until the tone's faint ripple gives onsets too, so the tempo found depends on the tone's pitch.
void BenchClickTracks()
{
    constexpr unsigned kRate = 44100;
    constexpr double kSeconds = 30.0;
    const struct {
        double bpm;
        rendertest::ClickSound sound;
    } tracks[] = {{120.0, {1000.0, 0.5}}, {126.0, {1800.0, 0.45}}, {100.0, {3100.0, 0.4}}};
    int count = 0, withinHundredth = 0, withinTolerance = 0, beyondHalf = 0;
    for (const auto& track : tracks) {
        std::printf("clicks %5.1f BPM, tone +40..+60 Hz: tempo error", track.bpm);
        for (int above = 40; above <= 60; ++above) {
            std::vector<int16_t> audio = rendertest::ClickTrack(track.sound, 60.0 * kRate / track.bpm,
                                                                static_cast<LONGLONG>(kSeconds * kRate), kRate);
            fixtures::AddTone(audio, track.bpm + above, kRate, 2, 0.01);
            auto reader = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(audio, kRate, 2));
            const double error = std::fabs(Profile(reader.get()).results.GetTempo() - track.bpm);
            std::printf(" %.2f", error);
            ++count;
            withinHundredth += error <= 0.02;
            withinTolerance += error <= kTempoTolerance;
            beyondHalf += error > 0.5;
        }
        std::printf("\n");
    }
    std::printf("clicks: %d tracks; tempo within 0.02 BPM %d, within %.1f BPM %d, more than 0.5 BPM off %d\n", count,
                withinHundredth, kTempoTolerance, withinTolerance, beyondHalf);
}

void BenchSpeed(const fixtures::TempDir& dir)
{
    Pattern p = Make(126.0, 300.0, 9, 1, 0.1);
    const std::vector<int16_t> audio = Render(p);
    const double seconds = static_cast<double>(audio.size() / 2) / p.rate;

    auto memory = ComPtr<IPcmReader>::attach(new CMemoryPcmReader(audio, p.rate, 2));
    double t0 = Now();
    const ProfileRun run = Profile(memory.get());
    const double fromMemory = Now() - t0;
    std::printf("speed, 5 min 44100 Hz stereo from memory: %.3f s = %.0fx real time (target >= 100x)%s\n", fromMemory,
                seconds / fromMemory, run.completed ? "" : " [analysis failed]");

    std::wstring mp3;
    if (!WriteMp3(dir, L"speed", audio, p.rate, mp3)) {
        std::printf("speed, MP3: lame not available\n");
        return;
    }
    t0 = Now();
    ComPtr<IPcmReader> reader = OpenMp3(mp3);
    if (!reader) {
        std::printf("speed, MP3: the MP3 library is not available\n");
        return;
    }
    const ProfileRun fromFile = Profile(reader.get());
    const double withDecoding = Now() - t0;
    std::printf("speed, 5 min MP3 (V2) including decoding: %.3f s = %.0fx real time (target >= 50x)%s\n", withDecoding,
                seconds / withDecoding, fromFile.completed ? "" : " [analysis failed]");
}

}  // namespace

int main()
{
    // One core, as the figures are stated for one core.
    SetProcessAffinityMask(GetCurrentProcess(), 1);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        fixtures::TempDir dir(L"bench_analysis");
        Peers peers;
        const bool host = fixtures::HaveUnixTools();
        peers.aubio = host && HaveTool(L"Z:\\usr\\bin\\aubio");
        peers.bpm = host && HaveTool(L"Z:\\usr\\bin\\bpm") && HaveTool(L"Z:\\usr\\bin\\sox");
        std::printf("peers (tempo accuracy only, not timed): aubio %s, bpm-tools %s\n",
                    peers.aubio ? "yes" : "not installed", peers.bpm ? "yes" : "not installed");
        std::printf("%-16s %6s %8s %10s %6s %6s %6s  %-4s %-9s %-4s %-4s%s\n", "case", "true", "tempo", "error", "ms1",
                    "ms2", "offset", "dnb", "key/want", "key", "mix",
                    peers.aubio || peers.bpm ? "  peer tempo errors" : "");
        std::printf("(ms1/ms2: measure starts within 1/2 blocks of a true downbeat; offset: their mean, in blocks)\n");
        Score score;
        int index = 0;
        for (const Case& c : Cases())
            RunCase(c, dir, peers, index++, score);
        std::printf(
            "summary: %d cases; tempo within %.1f BPM %d (%d of them at the folded octave); all measure starts "
            "within one block %d, within two blocks %d; first measure start on a downbeat %d; key on clean bass lines "
            "%d of %d (with drums %d of %d); mix points inside the music %d\n",
            score.cases, kTempoTolerance, score.tempo, score.octave, score.starts, score.startsTwo, score.downbeat,
            score.key, score.keyCases, score.keyWithDrums, score.keyWithDrumsCases, score.mix);
        BenchClickTracks();
        BenchSpeed(dir);
    }
    CoUninitialize();
    return 0;
}
