#include "stft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using cf = std::complex<float>;

struct Spectrogram {
    std::vector<std::vector<double>> s;
    std::vector<double> freqs, times;
};

Spectrogram stftOf(const std::vector<cf>& x)
{
    Spectrogram out;
    computeSTFT(x, out.s, out.freqs, out.times, 30.72e6);
    return out;
}

TEST(ShortTimeSpectrum, FrameCountFollowsHopOfSixteen)
{
    const std::pair<std::size_t, std::size_t> cases[] = {
        {4096, 253}, {64, 1}, {79, 1}, {80, 2}, {63, 1}, {1, 1}, {0, 0}};
    for (const auto& [n, frames] : cases) {
        const auto out = stftOf(std::vector<cf>(n, cf(1, 0)));
        EXPECT_EQ(out.s.size(), frames) << "N " << n;
        for (const auto& row : out.s)
            EXPECT_EQ(row.size(), 64u);
        EXPECT_EQ(out.times.size(), n);
        EXPECT_EQ(out.freqs.size(), 64u);
    }
}

TEST(ShortTimeSpectrum, SilenceSitsOnTheFloor)
{
    const auto out = stftOf(std::vector<cf>(4096));
    for (const auto& row : out.s)
        for (double v : row)
            ASSERT_DOUBLE_EQ(v, -200.0);
}

TEST(ShortTimeSpectrum, ToneLandsInItsColumnInEveryFrame)
{
    struct Case {
        double hz;
        int column;
    };
    const Case cases[] = {{1.92e6, 36}, {0.0, 32}, {-0.48e6 * 10, 22}, {-15.36e6, 0}};
    for (const auto& c : cases) {
        std::vector<cf> x(4096);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = std::polar(1.0f, float(2 * M_PI * c.hz * double(i) / 30.72e6));
        const auto out = stftOf(x);
        for (std::size_t j = 0; j < out.s.size(); ++j) {
            const auto& row = out.s[j];
            ASSERT_EQ(std::max_element(row.begin(), row.end()) - row.begin(), c.column)
                << c.hz << " Hz, frame " << j;
        }
    }
}

TEST(ShortTimeSpectrum, LastFrameCoversTheLastSamples)
{
    // Only the last 64 samples carry signal: the last frame sees it, the
    // frame before it only partly, the first not at all.
    std::vector<cf> x(4096);
    for (std::size_t i = 4032; i < 4096; ++i)
        x[i] = cf(1, 0);
    const auto out = stftOf(x);
    const auto w = generateWindow(64, "Hamming");
    double gain = 0;  // a constant through the window sums its weights
    for (double v : w)
        gain += v;
    EXPECT_NEAR(out.s.back()[32], 20 * std::log10(gain), 1e-6);
    EXPECT_LT(out.s[out.s.size() - 2][32], out.s.back()[32] - 1.0);
    EXPECT_DOUBLE_EQ(out.s.front()[32], -200.0);
}

TEST(ShortTimeSpectrum, AxesInMegahertzAndMicroseconds)
{
    const auto out = stftOf(std::vector<cf>(4096));
    EXPECT_NEAR(out.freqs.front(), -15.36, 1e-9);
    EXPECT_NEAR(out.freqs[32], 0.0, 1e-12);
    EXPECT_NEAR(out.freqs.back(), 14.88, 1e-9);
    EXPECT_NEAR(out.freqs[1] - out.freqs[0], 0.48, 1e-9);
    EXPECT_EQ(out.times.front(), 0.0);
    EXPECT_NEAR(out.times.back(), 133.30, 0.005);
}

TEST(NamedWindows, EndsAndShapes)
{
    const auto hamming = generateWindow(64, "Hamming");
    EXPECT_NEAR(hamming.front(), 0.08, 1e-12);
    EXPECT_NEAR(hamming.back(), 0.08, 1e-12);
    const auto hanning = generateWindow(64, "Hanning");
    EXPECT_NEAR(hanning.front(), 0.0, 1e-12);
    EXPECT_NEAR(hanning.back(), 0.0, 1e-12);
    for (int i = 0; i < 64; ++i) {
        EXPECT_NEAR(hamming[i], hamming[63 - i], 1e-12);
        EXPECT_NEAR(hanning[i], hanning[63 - i], 1e-12);
    }
    EXPECT_EQ(generateWindow(5, "Blackman"), std::vector<double>(5, 1.0));
    EXPECT_EQ(generateWindow(1, "Hamming"), std::vector<double>{1.0});
    EXPECT_TRUE(generateWindow(0, "Hanning").empty());
}

TEST(ApplyWindow, ScalesEachSampleAndRefusesShortWindows)
{
    std::vector<cf> x{cf(1, 2), cf(3, 4)};
    applyWindow(x, {0.5f, 2.0f, 9.0f});
    EXPECT_EQ(x, (std::vector<cf>{cf(0.5f, 1), cf(6, 8)}));
    EXPECT_THROW(applyWindow(x, {1.0f}), std::invalid_argument);
}

TEST(SlidingWindow, KeepsLengthAndEndsWithNewestSamples)
{
    std::vector<cf> w{cf(1), cf(2), cf(3), cf(4)};
    updateSlidingWindow(w, {cf(5), cf(6)});
    EXPECT_EQ(w, (std::vector<cf>{cf(3), cf(4), cf(5), cf(6)}));
    try {
        updateSlidingWindow(w, std::vector<cf>(5));
        FAIL() << "five fresh samples into four accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Original data too small to remove that many points.");
    }
    EXPECT_EQ(w, (std::vector<cf>{cf(3), cf(4), cf(5), cf(6)}));
}

}  // namespace
