// CPfSpecEngBuilder: the block spectrum engine of the thumbnail pass. One block of N stereo frames
// becomes a level (the sum of the magnitude bins above DC), a low-band value (bin 1) and, when
// asked, a high-band value (the top 16 bins).
//
// Magnitudes are those of a real N-point DFT of the Hamming-windowed block scaled by 2 / N,
// computed as an N/2-point complex FFT (radix 2, each butterfly stage halving) and a real split.
//
// Threads: the analysis job's thread. All buffers are taken once at construction.
#pragma once

#include <windows.h>

#include <complex>
#include <vector>

#include "engine/core/storage/PageBuffer.h"

class CPfNoteDetector;

class CPfSpecEngBuilder {
public:
    // N must be a power of two of at least 4; any other size leaves the engine unusable
    // (IsReady false).
    explicit CPfSpecEngBuilder(unsigned blockSize);
    CPfSpecEngBuilder(const CPfSpecEngBuilder&) = delete;
    CPfSpecEngBuilder& operator=(const CPfSpecEngBuilder&) = delete;

    bool IsReady() const { return m_ready; }
    unsigned BlockSize() const { return m_size; }

    // `frames` holds N interleaved 16-bit stereo frames. The two channels are summed without
    // scaling (full scale reaches +-65534); the sum goes to the note detector first when one is
    // given. Returns the level; `highBand` is filled when non-null and N >= 32.
    float AnalyseBlock(const short* frames, CPfNoteDetector* noteDetector, float* lowBand, float* highBand = nullptr);

    // The N/2 magnitudes of the last block (index 0 carries DC plus Nyquist).
    const float* Magnitudes() const { return m_magnitude; }

private:
    void Transform();

    unsigned m_size = 0;
    bool m_ready = false;
    std::vector<float> m_window;
    std::vector<unsigned> m_bitReverse;
    std::vector<std::complex<float>> m_twiddle;
    CPageBuffer m_inputPages;
    CPageBuffer m_magnitudePages;
    float* m_input = nullptr;
    float* m_magnitude = nullptr;
    std::vector<std::complex<float>> m_work;
};
