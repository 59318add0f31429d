#pragma once
// Raw sample files ("tx_buff.dat", capture files): no header, each sample the
// real then the imaginary part as little-endian IEEE-754 single floats.

#include <complex>
#include <cstddef>
#include <string>
#include <vector>

// Writes every sample; false when the file cannot be opened or written.
bool writeSampleFile(const std::string& path, const std::vector<std::complex<float>>& samples);

// Reads at most maxSamples whole samples (a trailing partial sample is
// ignored). On failure returns false and sets error to a one-line reason
// naming the path: missing, unreadable, or holding no whole sample.
bool readSampleFile(const std::string& path, std::size_t maxSamples,
                    std::vector<std::complex<float>>& samples, std::string& error);
