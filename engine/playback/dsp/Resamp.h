// CResamp: converts one channel of float samples from a source rate to a target rate.
//
// A polyphase FIR interpolator/decimator whose windowed-sinc prototype (Blackman-Harris window)
// is designed at set-up for the reduced ratio L/M of the two rates. Three modes: pure decimation
// (L = 1), pure interpolation (M = 1) and the general rational case, which tracks time through
// an output counter and an input counter that run on across calls.
//
// Threads: one resampler belongs to one mix input's render thread; nothing is shared. Process
// allocates nothing: the tables are built by Setup.
#pragma once

#include <cstdint>
#include <vector>

class CResamp {
public:
    static constexpr unsigned kMinRate = 8000;
    static constexpr unsigned kMaxRate = 96000;
    static constexpr unsigned kUpsamplingTaps = 71;
    // Headroom of the prototype: every phase sums to about 0.9.
    static constexpr double kPrototypeGain = 0.9;

    CResamp() = default;

    // Both rates must lie in kMinRate..kMaxRate; otherwise the resampler stays unconfigured.
    // cutoff: the fraction of the lower Nyquist frequency kept when downsampling (0.8 in the mix).
    bool Setup(unsigned targetRate, unsigned sourceRate, double cutoff);

    // Reads every stride-th float of `in` (inputCount of them) and writes every stride-th float of
    // `out` (at most outCapacity of them); answers the number of outputs written. 0 when
    // unconfigured or when the two rates are equal.
    //
    // In the general mode an output whose input is not yet in `in` is not written: the next call
    // produces it from the inputs it brings, so that consecutive calls give exactly the stream that
    // one call over all inputs gives.
    unsigned Process(float* out, const float* in, unsigned outCapacity, unsigned inputCount, unsigned stride);

    // Starts a new stretch whose first input (in the next Process) is source frame
    // `firstSourceFrame` and whose first output is destination frame `destinationFrame`; the
    // interpolation phase follows from the destination frame, so stretches rendered separately
    // line up on one time grid. Clears the delay line.
    void Restart(int64_t destinationFrame, int64_t firstSourceFrame);

    bool IsConfigured() const { return m_configured; }
    unsigned UpFactor() const { return m_up; }
    unsigned DownFactor() const { return m_down; }
    unsigned TapsPerPhase() const { return m_taps; }
    // Coefficient of phase p, tap j (as designed; for inspection by tests).
    float Coefficient(unsigned phase, unsigned tap) const { return m_coefficients[phase * m_taps + tap]; }

private:
    void Push(float sample);
    float Output(unsigned phase) const;
    unsigned ProcessDecimate(float* out, const float* in, unsigned outCapacity, unsigned inputCount, unsigned stride);
    unsigned ProcessInterpolate(float* out, const float* in, unsigned outCapacity, unsigned inputCount,
                                unsigned stride);
    unsigned ProcessGeneral(float* out, const float* in, unsigned outCapacity, unsigned inputCount, unsigned stride);

    bool m_configured = false;
    unsigned m_targetRate = 0;
    unsigned m_sourceRate = 0;
    unsigned m_down = 1;    // M
    unsigned m_up = 1;      // L
    unsigned m_taps = 0;    // T, odd
    unsigned m_length = 0;  // N = L x T
    // L phases of T taps, phase-major.
    std::vector<float> m_coefficients;
    // The most recent T inputs, newest first, stored twice over (a ring of 2T read as one run of
    // T from the write point), so each output is one contiguous dot product.
    std::vector<float> m_delay;
    unsigned m_delayHead = 0;
    // General mode: outputs written and inputs consumed since set-up or Restart, as absolute
    // frame numbers, so the phase of output k is a function of k alone.
    int64_t m_outputCounter = 0;
    int64_t m_inputCounter = 0;
};
