#include "or_math.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

std::vector<std::vector<std::complex<float>>> singlePulseMTI(
    const std::vector<std::vector<std::complex<float>>>& M)
{
    if (M.size() < 2)
        throw std::runtime_error("Error: Need at least two pulses for MTI.");
    const std::size_t cols = M.front().size();
    for (const auto& row : M)
        if (row.size() != cols)
            throw std::invalid_argument("All rows must have the same number of columns");

    std::vector<std::vector<std::complex<float>>> out(M.size(),
                                                      std::vector<std::complex<float>>(cols));
    for (std::size_t i = 0; i + 1 < M.size(); ++i)
        for (std::size_t j = 0; j < cols; ++j)
            out[i][j] = M[i + 1][j] - M[i][j];
    return out;
}

int findMaxIndexInVector(const std::vector<std::complex<float>>& v)
{
    if (v.empty())
        throw std::runtime_error("Input vector is empty!");
    int best = 0;
    float bestMag = std::abs(v[0]);
    for (std::size_t i = 1; i < v.size(); ++i) {
        const float mag = std::abs(v[i]);
        if (mag > bestMag) {
            bestMag = mag;
            best = static_cast<int>(i);
        }
    }
    return best;
}

double amplitude_to_db(double x) { return 20.0 * std::log10(x); }

std::vector<std::complex<float>> leadingSamples(const std::vector<std::complex<float>>& v,
                                                std::size_t n)
{
    std::vector<std::complex<float>> out(n);
    std::copy_n(v.begin(), std::min(n, v.size()), out.begin());
    return out;
}
