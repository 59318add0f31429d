#pragma once
// Discrete Fourier transforms over single-precision complex samples (FFTW's
// convention: forward sign -1, inverse sign +1; scaling as stated per function).
//
// Thread rules: the one-shot functions plan and destroy a plan on every call,
// holding fftwfPlannerMutex() (fftw_resources.h) while they do, so they may be
// called from any thread. FFTWfWrapper plans through the same mutex and runs
// every transform on per-call arrays, so it is safe from several threads too.

#include "fftw_resources.h"

#include <complex>
#include <cstddef>
#include <unordered_map>
#include <vector>

using ComplexVector = std::vector<std::complex<float>>;
using ComplexMatrix = std::vector<ComplexVector>;

// Forward transform, unscaled. Empty input gives an empty result.
// Throws std::runtime_error "FFTW memory allocation failed", "FFTW plan creation failed".
ComplexVector fft_fftwf(const ComplexVector& in);

// Inverse transform divided by N. Throws std::runtime_error
// "FFTW IFFT: memory allocation failed", "FFTW IFFT: plan creation failed".
ComplexVector ifft_fftwf(const ComplexVector& in);

// Complex conjugate of the forward transform: the spectrum of a matched filter.
// Same errors as fft_fftwf.
ComplexVector fft_and_conjugate_fftwf(const ComplexVector& in);

// Forward transform, unscaled, same errors as fft_fftwf.
ComplexVector fft1d_fftwf(const ComplexVector& in);

// Hamming-windowed forward transforms along axis 1 (each row) or axis 0 (down
// each column); same shape as the input, unscaled. An empty matrix (or empty
// row 0) gives an empty matrix whatever the axis. Throws std::invalid_argument
// "axis must be 0 (rows) or 1 (columns)", and "All rows must have the same
// number of columns" for ragged input.
ComplexMatrix fft2d_fftwf(const ComplexMatrix& m, int axis);

// Inverse transform of every row (rows only), divided by the row length.
// Throws std::invalid_argument "All rows must have the same number of columns";
// std::runtime_error "FFTW memory allocation failed", "FFTW plan creation failed".
ComplexMatrix ifft2d_fftwf(const ComplexMatrix& m);

// Swaps the two halves along an axis so that zero frequency moves to index n/2
// (for odd n the middle element stays). Throws std::invalid_argument
// "axis must be 0 or 1", and "All rows must have the same number of columns".
void fftshift2d(ComplexMatrix& m, int axis);

// w[i] = 0.54 - 0.46 cos(2 pi i / (N - 1)); one point gives {1}, N <= 0 nothing.
std::vector<float> generateHammingWindow(int N);

// Cached forward plan of one size, planned with FFTW_MEASURE. The record owns
// its plan and arrays; the arrays are only the planning arrays, transforms run
// on arrays of their own.
struct FFTPlanCache {
    FftwfPlan plan;
    FftwfBuffer in;
    FftwfBuffer out;
    std::size_t size = 0;
};

// Process-wide cache of forward plans, one per transform size. Records are
// added and never replaced until cleanup(). Construction switches FFTW's
// single-precision planner to as many threads as the machine has, for every
// plan made afterwards in the process (RangeDopplerProcessor plans with one
// thread regardless). Its destruction at process exit shuts FFTW's threads
// down and leaves every remaining single-precision plan unusable: plans held
// by objects of static lifetime must go before it.
class FFTWfWrapper {
public:
    static FFTWfWrapper& instance();

    // Throws std::runtime_error "FFTW malloc failed", "FFTW plan creation failed".
    // The reference stays valid until cleanup().
    const FFTPlanCache& getPlan(std::size_t size);

    // Forward transform, unscaled; empty input gives an empty result.
    ComplexVector fft(const ComplexVector& v);

    // Drops every record. Not to be called while another thread transforms.
    void cleanup();

    FFTWfWrapper(const FFTWfWrapper&) = delete;
    FFTWfWrapper& operator=(const FFTWfWrapper&) = delete;

private:
    FFTWfWrapper();
    ~FFTWfWrapper();

    std::mutex mutex_;
    std::unordered_map<std::size_t, FFTPlanCache> plans_;
};
