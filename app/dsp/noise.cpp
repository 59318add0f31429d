#include "noise.h"

#include <mutex>
#include <random>

namespace {

struct SharedGenerator {
    std::mutex mutex;
    std::mt19937 engine{std::random_device{}()};
};

SharedGenerator& generator()
{
    static SharedGenerator g;
    return g;
}

}  // namespace

void addGaussianNoise(std::vector<std::complex<float>>& samples, float sigma)
{
    // The distribution is undefined for a non-positive deviation; that is no noise.
    if (!(sigma > 0.0f))
        return;
    SharedGenerator& g = generator();
    std::lock_guard<std::mutex> lock(g.mutex);
    std::normal_distribution<float> dist(0.0f, sigma);
    for (auto& s : samples) {
        const float re = dist(g.engine);
        const float im = dist(g.engine);
        s += std::complex<float>(re, im);
    }
}
