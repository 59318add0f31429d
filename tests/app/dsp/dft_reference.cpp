#include "dft_reference.h"

#include <algorithm>
#include <cmath>
#include <random>

std::vector<cd> directDft(const std::vector<cf>& x, int sign)
{
    const std::size_t n = x.size();
    std::vector<cd> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        cd acc = 0;
        for (std::size_t t = 0; t < n; ++t)
            acc += cd(x[t]) * std::polar(1.0, sign * 2.0 * M_PI * double((k * t) % n) / double(n));
        out[k] = acc;
    }
    return out;
}

std::vector<cf> testSignal(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<cf> x(n);
    for (auto& v : x)
        v = {u(gen), u(gen)};
    return x;
}

double maxRelativeError(const std::vector<cf>& a, const std::vector<cd>& b)
{
    double scale = 1e-30, err = 0;
    for (const auto& v : b)
        scale = std::max(scale, std::abs(v));
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        err = std::max(err, std::abs(cd(a[i]) - b[i]));
    return err / scale;
}
