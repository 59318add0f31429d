#pragma once
// Direct discrete Fourier transform in double precision: the yardstick the
// FFTW-based transforms are held against.

#include <complex>
#include <vector>

using cd = std::complex<double>;
using cf = std::complex<float>;

// sign -1: forward, +1: inverse (unscaled).
std::vector<cd> directDft(const std::vector<cf>& x, int sign);

// Deterministic test signal of n samples with no special structure.
std::vector<cf> testSignal(std::size_t n, unsigned seed = 1);

// Largest |a[i] - b[i]| relative to the largest |b[i]|.
double maxRelativeError(const std::vector<cf>& a, const std::vector<cd>& b);
