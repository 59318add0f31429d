#pragma once
// Short-time spectrum of a block of complex samples for the spectrogram views:
// 64-sample Hamming-windowed frames every 16 samples, in dB, in double precision.
//
// Thread rules: computeSTFT plans through FFTW's double-precision planner under
// fftwPlannerMutex() (fftw_resources.h) and may run on any thread.

#include <complex>
#include <string>
#include <vector>

namespace stft {
constexpr int kFrameLength = 64;
constexpr int kHop = 16;
constexpr double kMagnitudeFloor = 1e-10;
}  // namespace stft

// spectrum: one row per frame, 64 values in dB from the most negative to the
// most positive frequency (column 32 is zero frequency); frames = (N - 64)/16 + 1
// for N >= 64, one zero-padded frame for 0 < N < 64, none for N = 0.
// freqs: 64 values in MHz, (k - 32) * fs / 64. times: N values in us, one per sample.
void computeSTFT(const std::vector<std::complex<float>>& x,
                 std::vector<std::vector<double>>& spectrum, std::vector<double>& freqs,
                 std::vector<double>& times, double fs);

// "Hamming": 0.54 - 0.46 cos(2 pi i / (N - 1)); "Hanning": 0.5 (1 - cos(...));
// any other name: ones. One point gives {1}, N <= 0 nothing.
std::vector<double> generateWindow(int N, const std::string& name);

// x[i] *= w[i]. Throws std::invalid_argument when w is shorter than x.
void applyWindow(std::vector<std::complex<float>>& x, const std::vector<float>& w);

// Drops as many samples from the front of window as fresh holds and appends
// fresh, keeping the length. Throws std::runtime_error
// "Original data too small to remove that many points." when window is shorter.
void updateSlidingWindow(std::vector<std::complex<float>>& window,
                         const std::vector<std::complex<float>>& fresh);
