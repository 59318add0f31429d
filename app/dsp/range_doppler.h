#pragma once
// Range-Doppler processing of one received block: synchronise on the first
// pulse repetition interval, cut a 128-sample range window out of each of the
// 256 intervals, compress each with the matched filter of the transmitted
// chirp, cancel stationary echoes with a two-pulse canceller, transform across
// pulses (Hamming, 256 points) and convert to dB after dividing by 80,000.
//
// Samples beyond the end of the block count as zero: a block shorter than
// 1,048,576 samples, or a synchronisation index late in the first interval,
// never makes the range windows read past the block.
//
// Thread rules: prepareRangeDopplerReferences and computeRDDataPerCallPlanning
// may run on any thread. A RangeDopplerProcessor owns working arrays and may be
// used by one thread at a time; distinct processors may run concurrently. Its
// plans are made and destroyed under fftwfPlannerMutex() (fftw_resources.h),
// the process-wide lock of FFTW's single-precision planner. Whoever replaces
// the references while another thread processes must hold a lock around both
// (the runtime holds its mutex).

#include "fftw_resources.h"
#include "rd_result.h"

#include <complex>
#include <vector>

namespace rangedoppler {
constexpr int kPulseInterval = 4096;  // samples per pulse repetition interval
constexpr int kPulses = 256;          // pulses processed per block
constexpr int kRangeBins = 128;       // range window per pulse
constexpr float kNormalisation = 80000.0f;
}  // namespace rangedoppler

// Matched-filter references, rebuilt at every transmission start. A
// default-constructed value is the state before any transmission: three
// vectors of 4096 zeros, which make every rdMap cell -infinity.
struct RangeDopplerReferences {
    std::vector<std::complex<float>> firstPulse;       // first 4096 transmitted samples
    std::vector<std::complex<float>> refSpectrum4096;  // conj(FFT_4096(firstPulse))
    std::vector<std::complex<float>> refSpectrum128;   // conj(FFT_128(first 128 of firstPulse))

    RangeDopplerReferences();
};

// References for a transmit buffer; a buffer shorter than 4096 samples is
// zero-extended, never read past its end.
RangeDopplerReferences prepareRangeDopplerReferences(
    const std::vector<std::complex<float>>& txBuff);

// The same chain built step by step from the one-shot transforms of
// fftwf_wrapper.h, planning every transform on every call. Slow; kept as the
// yardstick for RangeDopplerProcessor. syncIndex, when given, receives the
// synchronisation index.
RDResult computeRDDataPerCallPlanning(const std::vector<std::complex<float>>& block,
                                      const RangeDopplerReferences& refs,
                                      int* syncIndex = nullptr);

class RangeDopplerProcessor {
public:
    // Plans every transform of the chain once, single-threaded and measured
    // (FFTW_MEASURE): construction takes up to about a second, every
    // process() after it well under a millisecond. Build one and keep it.
    RangeDopplerProcessor();

    // The chain on one block, returning a 128 x 256 result. Throws
    // std::invalid_argument when refSpectrum4096 holds fewer than 4096 values
    // or refSpectrum128 fewer than 128 (only their first 4096 and 128 are used).
    RDResult process(const std::vector<std::complex<float>>& block,
                     const RangeDopplerReferences& refs);

    // Correlation peak of the last process() call (0 before the first): the
    // offset of the transmitted train in the block.
    int lastSyncIndex() const { return syncIndex_; }

    RangeDopplerProcessor(RangeDopplerProcessor&&) noexcept = default;
    RangeDopplerProcessor& operator=(RangeDopplerProcessor&&) noexcept = default;
    RangeDopplerProcessor(const RangeDopplerProcessor&) = delete;
    RangeDopplerProcessor& operator=(const RangeDopplerProcessor&) = delete;

private:
    int synchronise(const std::vector<std::complex<float>>& block,
                    const std::vector<std::complex<float>>& ref4096);

    FftwfBuffer syncTime_, syncFreq_;        // 4096 each
    FftwfBuffer pulses_, spectra_;             // 256 x 128 each, pulse-major
    FftwfBuffer rangeMajor_, doppler_;         // 128 x 256 each, range-major
    FftwfPlan syncForward_, syncInverse_;
    FftwfPlan rangeForward_, rangeInverse_;  // 256 transforms of 128 points
    FftwfPlan dopplerForward_;               // 128 transforms of 256 points
    std::vector<float> dopplerWeights_;  // Hamming / 128, each value twice (real, imaginary)
    int syncIndex_ = 0;
};
