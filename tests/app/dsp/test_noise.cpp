#include "noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

using cf = std::complex<float>;

TEST(GaussianNoise, HasZeroMeanRequestedDeviationAndIndependentParts)
{
    const std::size_t n = 200000;
    const float sigma = 0.01f;
    const cf offset(0.5f, -0.25f);
    std::vector<cf> x(n, offset);
    addGaussianNoise(x, sigma);

    double sr = 0, si = 0, srr = 0, sii = 0, sri = 0;
    for (const auto& v : x) {
        const double r = v.real() - offset.real(), i = v.imag() - offset.imag();
        sr += r, si += i, srr += r * r, sii += i * i, sri += r * i;
    }
    const double meanTol = 5 * sigma / std::sqrt(double(n));
    EXPECT_NEAR(sr / n, 0, meanTol);
    EXPECT_NEAR(si / n, 0, meanTol);
    EXPECT_NEAR(std::sqrt(srr / n), sigma, 0.02 * sigma);
    EXPECT_NEAR(std::sqrt(sii / n), sigma, 0.02 * sigma);
    EXPECT_NEAR(sri / n / (sigma * sigma), 0, 0.02);
}

TEST(GaussianNoise, SuccessiveCallsDrawFreshNoise)
{
    std::vector<cf> a(64), b(64);
    addGaussianNoise(a, 1.0f);
    addGaussianNoise(b, 1.0f);
    EXPECT_NE(a, b);
}

TEST(GaussianNoise, NonPositiveDeviationLeavesSamplesAlone)
{
    for (float sigma : {0.0f, -1.0f}) {
        std::vector<cf> x(16, cf(1, 2));
        addGaussianNoise(x, sigma);
        EXPECT_EQ(x, std::vector<cf>(16, cf(1, 2)));
    }
    std::vector<cf> empty;
    addGaussianNoise(empty, 0.01f);
    EXPECT_TRUE(empty.empty());
}

}  // namespace

namespace {

std::string firstNoiseOfAFreshProcess()
{
    std::string out;
    FILE* probe = popen(NOISE_PROBE_PATH, "r");
    if (!probe)
        return out;
    char buf[256];
    while (fgets(buf, sizeof buf, probe))
        out += buf;
    pclose(probe);
    return out;
}

TEST(GaussianNoise, DiffersFromRunToRun)
{
    // The generator is seeded from the system's random device, so two
    // processes never replay the same noise.
    const std::string first = firstNoiseOfAFreshProcess();
    const std::string second = firstNoiseOfAFreshProcess();
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
}

}  // namespace
