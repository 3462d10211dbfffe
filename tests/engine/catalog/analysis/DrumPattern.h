// Synthetic test music for the track analysis: a drum pattern with a kick on every beat (the
// downbeat of each measure accented), hi-hats on the half beats and a bass line of known notes,
// at an exact tempo. Shared by the analysis tests and the analysis benchmark.
#pragma once

#include <cstdint>
#include <vector>

namespace analysis_fixtures {

struct Pattern {
    double bpm = 120.0;
    double seconds = 60.0;
    unsigned rate = 44100;
    // Silence (intro) before the first beat and (outro) after the last measure.
    double introSeconds = 0.0;
    double outroSeconds = 0.0;
    // Peak of the soft noise that fills intro and outro (0: digital silence).
    double quietLevel = 0.0;
    // Offset of the first beat inside the music (seconds); the first beat is a downbeat.
    double firstBeat = 0.0;
    // Bass line: pitch class of the tonic (0 = C) and mode (1 minor, 2 major); 0 for none.
    int tonic = 9;
    int mode = 1;
    bool kick = true;
    bool hiHat = true;
};

// Interleaved 16-bit stereo.
std::vector<int16_t> Render(const Pattern& pattern);

// Frame of beat n (n = 0 is the first downbeat) in the rendered audio.
double BeatFrame(const Pattern& pattern, int beat);
// Number of whole beats the music holds.
int BeatCount(const Pattern& pattern);

// A sine of `frequency` Hz as summed mono 16-bit-scale floats (what the spectrum engine hands on).
std::vector<float> MonoSine(double frequency, unsigned frames, unsigned rate, double amplitude);

}  // namespace analysis_fixtures
