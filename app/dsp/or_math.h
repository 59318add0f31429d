#pragma once
// Small numeric helpers of the range-Doppler chain.

#include <complex>
#include <cstddef>
#include <vector>

// Two-pulse canceller over pulse rows: out[i] = M[i + 1] - M[i]; the last row
// stays zero. Throws std::runtime_error "Error: Need at least two pulses for MTI."
// and std::invalid_argument for rows of unequal length.
std::vector<std::vector<std::complex<float>>> singlePulseMTI(
    const std::vector<std::vector<std::complex<float>>>& M);

// Index of the largest magnitude; ties go to the earliest index.
// Throws std::runtime_error "Input vector is empty!".
int findMaxIndexInVector(const std::vector<std::complex<float>>& v);

// 20 log10(x); 0 gives -infinity.
double amplitude_to_db(double x);

// The first n samples of v, zero-extended when v is shorter.
std::vector<std::complex<float>> leadingSamples(const std::vector<std::complex<float>>& v,
                                                std::size_t n);
