// Synthetic test audio: tones, click tracks with a known tempo, and measurements over buffers.
#pragma once

#include <cstdint>
#include <vector>

namespace fixtures {

// Interleaved 16-bit samples; every channel carries the same sine of `frequency` Hz.
std::vector<int16_t> Tone(double frequency, double seconds, unsigned rate, unsigned channels, double amplitude = 0.5);
std::vector<float> ToneFloat(double frequency, unsigned frames, unsigned rate, double amplitude = 0.5);

// Clicks (a short decaying 2 kHz burst) on every beat at `bpm`, silence between; the click of beat
// n starts at frame round(n x 60 x rate / bpm).
std::vector<int16_t> ClickTrack(double bpm, double seconds, unsigned rate, unsigned channels);

// Adds a steady sine of `frequency` Hz to every channel of interleaved samples. A quiet one gives
// generated files of one length content of their own throughout: a music file's identity is read
// from two places of the file, and files silent there would share it.
void AddTone(std::vector<int16_t>& samples, double frequency, unsigned rate, unsigned channels, double amplitude);

// A sweep of several tones with a slow level change, so that alignment by correlation is unique.
std::vector<int16_t> MusicLike(double seconds, unsigned rate, unsigned channels);

// Amplitude of the component at `frequency` (least squares fit of a sine and cosine).
double ToneAmplitude(const float* samples, unsigned count, unsigned stride, double frequency, unsigned rate);

// Signal-to-noise ratio in dB of `test` against `reference` (error = difference).
double SnrDb(const std::vector<double>& reference, const std::vector<double>& test);

// The lag (test index - reference index) in -maxLag..maxLag that best aligns the two.
int BestLag(const std::vector<double>& reference, const std::vector<double>& test, int maxLag);

}  // namespace fixtures
