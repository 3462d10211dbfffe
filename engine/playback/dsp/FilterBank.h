// CFilterBank: a bank of second-order IIR sections designed from analogue prototypes by the
// bilinear transform, run in series over a block in place.
//
// The mix inputs use one peaking band per bank for the treble and bass envelopes; the note
// detector uses three low-pass bands in series. Each channel index keeps its own section state.
//
// Threads: a bank belongs to one render or analysis thread. Setup takes the fixed capacity once;
// Design and Process allocate nothing, so gain changes inside a block are cheap.
#pragma once

#include <array>

class CFilterBank {
public:
    static constexpr unsigned kBandCapacity = 32;
    static constexpr unsigned kChannelCapacity = 2;

    // Band type codes of the prototypes (any other code designs a low-pass).
    enum BandType : int {
        kHighPass = 1,
        kBandPass = 2,
        kNotch = 3,
        kType4 = 4,
        kType5 = 5,
        kType6 = 6,
        kType7 = 7,
        kAllPass = 8,
        kPeaking = 9,
        kFirstOrderLowPass = 10,
        kFirstOrderHighPass = 11,
        kShelf = 12,
    };

    // Results of the last Design (cleared by Process).
    enum DesignResult : int {
        kDesignGood = 0,
        kDesignZeroPrototype = 1,
        kDesignZeroDenominator = 2,
        kDesignUnstable = 3,
    };

    CFilterBank() = default;

    // Prepares the bank for `sampleRate` Hz with no bands and cleared state.
    void Setup(unsigned sampleRate);
    void Free();

    // Band count and parameters, as the user of the bank sets them before Design. Indexes at or
    // beyond the capacity are ignored.
    void SetBandCount(unsigned count);
    unsigned BandCount() const { return m_bandCount; }
    void SetBand(unsigned band, int type, double frequency, double width, double gainDb);
    void SetBandGain(unsigned band, double gainDb);

    // Designs every band. A band whose design fails passes its input unchanged and the failure is
    // reported through LastDesignResult.
    void Design();
    int LastDesignResult() const { return m_designResult; }

    // Runs every band's section in turn over every stride-th float of `samples`, in place, with the
    // state of `channel`. Channels at or beyond kChannelCapacity are left untouched.
    void Process(float* samples, unsigned channel, unsigned frames, unsigned stride);

    // Clears the section state of every channel.
    void ClearState();

private:
    // Designed coefficients of a band: numerator b0, b1, b2 and denominator 1, a1, a2.
    struct Coefficients {
        float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f;
        float a1 = 0.0f, a2 = 0.0f;
    };
    struct BandParameters {
        int type = 0;
        double frequency = 1000.0;
        double width = 1.0;
        double gainDb = 0.0;
    };
    struct SectionState {
        float w = 0.0f, w1 = 0.0f, w2 = 0.0f;
    };

    int DesignBand(unsigned band);

    bool m_allocated = false;
    double m_samplePeriod = 1.0 / 44100.0;
    unsigned m_bandCount = 0;
    int m_designResult = kDesignGood;
    std::array<BandParameters, kBandCapacity> m_parameters{};
    std::array<Coefficients, kBandCapacity> m_coefficients{};
    std::array<std::array<SectionState, kBandCapacity>, kChannelCapacity> m_state{};
};
