#pragma once
// White Gaussian noise for the loopback channel.

#include <complex>
#include <vector>

// Adds independent normal noise of standard deviation sigma to the real and
// then the imaginary part of every sample, in order. One generator serves the
// process, seeded once from the system's random device; calls from several
// threads are serialised on it. A sigma that is not positive adds nothing.
void addGaussianNoise(std::vector<std::complex<float>>& samples, float sigma);
